// The package as users, browsers and bundlers take it: the packed tarball installed into a project
// of its own, and pages served from this machine and opened in Debian's chromium (puppeteer-core,
// which never downloads a browser). Any request that is not to the server here is refused and recorded.
import { execFileSync } from 'node:child_process';
import { createReadStream, existsSync, mkdtempSync, readdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { extname, join, normalize } from 'node:path';

import { root } from './support.mjs';

export const tarball = `${root}build/web/${readdirSync(`${root}build/web`).find((f) => /^tessaly-\d+\.\d+\.\d+\.tgz$/.test(f))}`;

// A new project with the tarball installed, without a registry; its folder.
export function install(name) {
  const dir = mkdtempSync(join(tmpdir(), `tessaly-${name}-`));
  writeFileSync(join(dir, 'package.json'), JSON.stringify({ name, private: true, type: 'module' }));
  execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--loglevel=error', tarball], { cwd: dir });
  return dir;
}

const script = 'text/javascript; charset=utf-8';
const types = { '.html': 'text/html; charset=utf-8', '.js': script, '.mjs': script, '.wasm': 'application/wasm', '.json': 'application/json' };

// Serves `folders` ({ '/prefix/': folder }) on 127.0.0.1; a missing file is 404.
export async function serve(folders) {
  const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    if (path === '/favicon.ico') return response.writeHead(204).end();
    const prefix = Object.keys(folders).find((p) => path.startsWith(p));
    const file = prefix && normalize(join(folders[prefix], path.slice(prefix.length)));
    if (!file || !file.startsWith(folders[prefix]) || !existsSync(file) || !statSync(file).isFile())
      return response.writeHead(404, 'Not Found').end();
    response.writeHead(200, { 'content-type': types[extname(file)] ?? 'application/octet-stream' });
    createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  // A browser keeps its connections open for more: they are closed, not waited for.
  const close = () => (server.closeAllConnections(), new Promise((resolve) => server.close(resolve)));
  return { base: `http://127.0.0.1:${server.address().port}`, close };
}

// `options` go to the launch (the benchmark's calls outlast puppeteer's own timeout).
export async function chromium(options = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'tessaly-browser-'));
  const puppeteer = createRequire(`${root}web/page/package.json`)('puppeteer-core');
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking', '--disable-component-update', `--user-data-dir=${profile}`],
    ...options,
  });
  return {
    browser,
    // Opens `url`, waits for the page to set window.result, and gives it with what went wrong;
    // the wait is long, for a machine busy with other builds.
    async run(url, timeout = 120_000) {
      const page = await browser.newPage();
      const problems = [];
      // Requests are watched, not intercepted: an intercepted request of a worker's can stay
      // paused for good, and everything served here is local anyway.
      const here = (request) => /^http:\/\/(127\.0\.0\.1|localhost)[:/]|^(data|blob):/.test(request.url());
      page.on('request', (request) => here(request) || problems.push(`request to ${request.url()}`));
      page.on('console', (m) => m.type() === 'error' && problems.push(m.text()));
      page.on('pageerror', (e) => problems.push(String(e)));
      try {
        await page.goto(url, { waitUntil: 'load' });
        await page.waitForFunction('window.result !== undefined', { timeout });
        return { result: await page.evaluate('window.result'), problems };
      } catch (e) {
        return { result: undefined, problems: [...problems, String(e)] };
      } finally {
        await page.close();
      }
    },
    close: async () => (await browser.close(), rmSync(profile, { recursive: true, force: true })),
  };
}

// The package where JavaScript developers put it: the packed tarball installed offline into an
// app of its own, built with no configuration by Vite (5 and current, served in development and
// built), webpack 5 and esbuild, and run in chromium. Then the browser entry as it is: what it
// fetches is checked, and a classic worker is told what to pass.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readdirSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { after, before, test } from 'node:test';

import { chromium, serve } from './browser.mjs';
import { packageDir, root } from './support.mjs';

const tools = `${root}web/node_modules/`;
const tarball = `${root}build/web/${readdirSync(`${root}build/web`).find((f) => /^tessaly-\d+\.\d+\.\d+\.tgz$/.test(f))}`;
const app = mkdtempSync(join(tmpdir(), 'tessaly-app-'));
const [major, minor] = process.versions.node.split('.').map(Number);
// Current Vite runs on Node 20.19 and later; Node 18 runs Vite 5 only.
const currentVite =
  major > 20 || (major === 20 && minor >= 19) ? false : `Vite 8 needs Node 20.19 or later; this is Node ${process.version}`;

// Every call, with no configuration and no source: the module must come with the bundle.
const main = `import { load } from 'tessaly';
load().then(
  (t) => (window.result = [t.write('41823.51').text, t.read('壹佰圆整').amount, t.check('100', '壹佰圆整').verdict].join(' ')),
  (e) => (window.result = String(e)),
);
`;
const answer = '肆万壹仟捌佰贰拾叁圆伍角壹分 100.00 ok';
const page = (script) =>
  `<!doctype html><meta charset="utf-8"><link rel="icon" href="data:,"><title>app</title><script ${script}></script>\n`;

let browser;
before(async () => {
  writeFileSync(join(app, 'package.json'), JSON.stringify({ name: 'app', private: true, type: 'module' }));
  execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--loglevel=error', tarball], { cwd: app });
  mkdirSync(join(app, 'src'));
  writeFileSync(join(app, 'src', 'main.js'), main);
  writeFileSync(join(app, 'index.html'), page('type="module" src="/src/main.js"'));
  browser = await chromium();
});
after(async () => {
  await browser?.close();
  rmSync(app, { recursive: true, force: true });
});

// Serves `folder` and runs its index.html in chromium.
async function runBuilt(folder) {
  const server = await serve({ '/': folder });
  try {
    return await browser.run(`${server.base}/index.html`);
  } finally {
    await server.close();
  }
}

const vite = (name) => import(pathToFileURL(`${tools}${name}/dist/node/index.js`).href);
const vites = [
  ['Vite 5.4', 'vite5', false],
  ['Vite 8', 'vite', currentVite],
];

for (const [title, name, skip] of vites) {
  test(`${title}, served in development (its dependencies pre-bundled)`, { skip }, async () => {
    const { createServer } = await vite(name);
    const server = await createServer({
      root: app,
      configFile: false,
      logLevel: 'silent',
      cacheDir: join(app, 'node_modules', `.${name}`),
      server: { host: '127.0.0.1', port: 0, strictPort: false },
    });
    await server.listen();
    try {
      assert.deepEqual(await browser.run(server.resolvedUrls.local[0]), { result: answer, problems: [] });
    } finally {
      await server.close();
    }
  });

  test(`${title}, built`, { skip }, async () => {
    const { build } = await vite(name);
    const outDir = join(app, `dist-${name}`);
    await build({ root: app, configFile: false, logLevel: 'silent', build: { outDir } });
    assert.deepEqual(await runBuilt(outDir), { result: answer, problems: [] });
  });
}

test('webpack 5, built', async () => {
  const webpack = createRequire(tools)('webpack');
  const out = join(app, 'dist-webpack');
  const stats = await new Promise((resolve, reject) =>
    webpack(
      {
        mode: 'production',
        context: app,
        entry: './src/main.js',
        output: { path: out, filename: 'main.js' },
        performance: { hints: false },
      },
      (e, s) => (e ? reject(e) : resolve(s)),
    ),
  );
  assert.equal(stats.hasErrors(), false, stats.toString('errors-only'));
  writeFileSync(join(out, 'index.html'), page('src="main.js"'));
  assert.deepEqual(await runBuilt(out), { result: answer, problems: [] });
});

test('esbuild, bundled for the browser as a classic script', async () => {
  const esbuild = createRequire(tools)('esbuild');
  const out = join(app, 'dist-esbuild');
  await esbuild.build({ entryPoints: [join(app, 'src', 'main.js')], bundle: true, platform: 'browser', outdir: out, logLevel: 'silent' });
  writeFileSync(join(out, 'index.html'), page('src="main.js"'));
  assert.deepEqual(await runBuilt(out), { result: answer, problems: [] });
});

test('the browser entry as it is: a fetch not ok, or not a module, is said as such; a classic worker is told what to pass', async () => {
  const esbuild = createRequire(tools)('esbuild');
  const out = join(app, 'dist-worker');
  // A classic worker bundled from the fetching entry, as a page that hands its worker the module does.
  const worker = `import { load } from 'tessaly';
const say = (p) => p.then((t) => t.write('1').text, (e) => e.message);
Promise.all([say(load()), say(load('/package/tessaly.wasm'))]).then((answers) => postMessage(answers));
`;
  writeFileSync(join(app, 'src', 'worker.js'), worker);
  await esbuild.build({
    entryPoints: [join(app, 'src', 'worker.js')],
    bundle: true,
    format: 'iife',
    outdir: out,
    alias: { tessaly: `${packageDir}/index.mjs` },
    logLevel: 'silent',
  });
  const script = `import { load } from '/package/index.mjs';
const say = (p) => p.then((t) => t.write('1').text, (e) => e.message);
const worker = new Promise((resolve) => (new Worker('/worker.js').onmessage = (e) => resolve(e.data)));
window.result = [await say(load()), await say(load('/missing/tessaly.wasm')), await say(load('/index.html')), ...(await worker)];`;
  writeFileSync(join(out, 'index.html'), page(`type="module">${script}</script><script`));
  const server = await serve({ '/package/': packageDir, '/': out });
  try {
    const { result, problems } = await browser.run(`${server.base}/index.html`);
    const base = server.base;
    assert.deepEqual(result, [
      '壹圆整',
      `tessaly: cannot load tessaly.wasm: ${base}/missing/tessaly.wasm answered 404 Not Found`,
      `tessaly: cannot load tessaly.wasm: ${base}/index.html sent "<!doctype html><meta cha" (text/html; charset=utf-8), not a WebAssembly module`,
      'tessaly: there is no default location for tessaly.wasm here (a classic script or worker, or a bundle without import.meta.url): pass load() its URL, its bytes or a WebAssembly.Module',
      '壹圆整',
    ], problems.join('\n'));
    // The 404 the page asked for on purpose is the one problem.
    assert.deepEqual(problems, ['Failed to load resource: the server responded with a status of 404 (Not Found)']);
  } finally {
    await server.close();
  }
});

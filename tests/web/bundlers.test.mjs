// The package where JavaScript developers put it: the packed tarball installed offline into an
// app of its own, built with no configuration by Vite (5 and current, served in development and
// built), webpack 5 and esbuild, and run in chromium. Then the browser entry as it is: what it
// fetches is checked, and a classic worker is told what to pass.
import assert from 'node:assert/strict';
import { mkdirSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { after, before, test } from 'node:test';

import { chromium, install, serve } from './browser.mjs';
import { packageDir, root } from './support.mjs';

const tools = `${root}web/node_modules/`;
const [major, minor] = process.versions.node.split('.').map(Number);
// Current Vite runs on Node 20.19 and later; Node 18 runs Vite 5 only.
const currentVite = major > 20 || (major === 20 && minor >= 19) ? false : `Vite 8 needs Node 20.19 or later; this is Node ${process.version}`;

// Every call, with no configuration and no source: the module must come with the bundle.
const main = `import { load } from 'tessaly';
const answers = (t) => [t.write('41823.51').text, t.read('壹佰圆整').amount, t.check('100', '壹佰圆整').verdict].join(' ');
load().then((t) => (window.result = answers(t)), (e) => (window.result = String(e)));
`;
const answer = '肆万壹仟捌佰贰拾叁圆伍角壹分 100.00 ok';
const page = (script) => `<!doctype html><meta charset="utf-8"><link rel="icon" href="data:,"><title>app</title><script ${script}></script>\n`;

let app, browser;
before(async () => {
  app = install('app');
  mkdirSync(join(app, 'src'));
  writeFileSync(join(app, 'src', 'main.js'), main);
  writeFileSync(join(app, 'index.html'), page('type="module" src="/src/main.js"'));
  browser = await chromium();
});
after(async () => (await browser?.close(), rmSync(app, { recursive: true, force: true })));

// Each way of building the app gives where to open it, how to stop serving it and, where not the
// usual, what the page must answer.
async function served(folder, script, more = {}) {
  if (script) writeFileSync(join(folder, 'index.html'), page(script));
  const server = await serve({ ...more, '/': folder });
  return { base: server.base, url: `${server.base}/index.html`, close: server.close };
}
const tool = createRequire(tools);
const vite = (name) => import(pathToFileURL(`${tools}${name}/dist/node/index.js`).href);
const say = "const say = (p) => p.then((t) => t.write('1').text, (e) => e.message);\n";
const builds = [
  ...[['Vite 5.4', 'vite5', false], ['Vite 8', 'vite', currentVite]].flatMap(([title, name, skip]) => [
    [`${title}, served in development (its dependencies pre-bundled)`, skip, async () => {
      const options = { root: app, configFile: false, logLevel: 'silent', cacheDir: join(app, 'node_modules', `.${name}`), server: { host: '127.0.0.1', port: 0, strictPort: false } };
      const dev = await (await (await vite(name)).createServer(options)).listen();
      return { url: dev.resolvedUrls.local[0], close: () => dev.close() };
    }],
    [`${title}, built`, skip, async () => {
      const outDir = join(app, `dist-${name}`);
      await (await vite(name)).build({ root: app, configFile: false, logLevel: 'silent', build: { outDir } });
      return served(outDir);
    }],
  ]),
  ['webpack 5, built', false, async () => {
    const path = join(app, 'dist-webpack');
    const options = { mode: 'production', context: app, entry: './src/main.js', output: { path, filename: 'main.js' }, performance: { hints: false } };
    const stats = await new Promise((resolve, reject) => tool('webpack')(options, (e, s) => (e ? reject(e) : resolve(s))));
    assert.equal(stats.hasErrors(), false, stats.toString('errors-only'));
    return served(path, 'src="main.js"');
  }],
  ['esbuild, bundled for the browser as a classic script', false, async () => {
    const outdir = join(app, 'dist-esbuild');
    await tool('esbuild').build({ entryPoints: [join(app, 'src', 'main.js')], bundle: true, platform: 'browser', outdir, logLevel: 'silent' });
    return served(outdir, 'src="main.js"');
  }],
  ['the browser entry as it is: a fetch not ok, or not a module, is said as such; a classic worker is told what to pass', false, async () => {
    // A classic worker bundled from the fetching entry, as a page that hands its worker the module does.
    const outdir = join(app, 'dist-worker');
    writeFileSync(join(app, 'src', 'worker.js'), `import { load } from 'tessaly';\n${say}Promise.all([say(load()), say(load('/package/tessaly.wasm'))]).then((answers) => postMessage(answers));\n`);
    const entryPoints = [join(app, 'src', 'worker.js')];
    await tool('esbuild').build({ entryPoints, bundle: true, format: 'iife', outdir, alias: { tessaly: `${packageDir}/index.mjs` }, logLevel: 'silent' });
    const script = `import { load } from '/package/index.mjs';\n${say}const worker = new Promise((resolve) => (new Worker('/worker.js').onmessage = (e) => resolve(e.data)));
window.result = [await say(load()), await say(load('/missing/tessaly.wasm')), await say(load('/index.html')), ...(await worker)];`;
    const opened = await served(outdir, `type="module">${script}</script><script`, { '/package/': packageDir });
    const cannot = `tessaly: cannot load tessaly.wasm: ${opened.base}`;
    const result = [
      '壹圆整',
      `${cannot}/missing/tessaly.wasm answered 404 Not Found`,
      `${cannot}/index.html sent "<!doctype html><meta cha" (text/html; charset=utf-8), not a WebAssembly module`,
      'tessaly: there is no default location for tessaly.wasm here (a classic script or worker, or a bundle without import.meta.url): pass load() its URL, its bytes or a WebAssembly.Module',
      '壹圆整',
    ];
    // The 404 the page asked for on purpose is the one problem.
    return { ...opened, expected: { result, problems: ['Failed to load resource: the server responded with a status of 404 (Not Found)'] } };
  }],
];

for (const [title, skip, start] of builds) {
  test(title, { skip }, async () => {
    const opened = await start();
    try {
      assert.deepEqual(await browser.run(opened.url), opened.expected ?? { result: answer, problems: [] });
    } finally {
      await opened.close();
    }
  });
}

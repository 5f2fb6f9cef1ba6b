// Builds build/web/tessaly.html: the page with its styles, its script, the worker and the
// engine's WebAssembly all inside, so that it opens from a file or a USB stick with no network.
// Run after the package is staged in build/web/package/.
import { execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { existsSync, readFileSync, readdirSync, writeFileSync, mkdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '..', '..');
const packageDir = join(root, 'build', 'web', 'package');
const out = join(root, 'build', 'web', 'tessaly.html');

// The tools come pinned from the web workspace's one lock file, installed by scripts/web.sh.
const bin = join(here, '..', 'node_modules', '.bin');
function tools() {
  if (!existsSync(join(bin, 'prettier'))) {
    throw new Error(`the page's tools are not installed in ${dirname(bin)}: run scripts/web.sh, or npm ci in web/`);
  }
}

// The page's JavaScript and its tests are formatted and linted as the C++ is: a difference fails
// the build, and `npx prettier --write` with the same files mends the formatting.
function lint() {
  const files = [
    ...readdirSync(join(here, 'src'))
      .filter((f) => f.endsWith('.js'))
      .map((f) => `web/page/src/${f}`),
    'web/page/build.mjs',
    'web/page/screenshot.mjs',
    'web/page/measure.mjs',
    'web/page/eslint.config.js',
    ...['page.test.mjs', 'readers.test.mjs', 'sheets.test.mjs', 'driver.mjs', 'files.mjs'].map((f) => `tests/web/${f}`),
  ];
  const run = (tool, args) => execFileSync(join(bin, tool), [...args, ...files], { cwd: root, stdio: 'inherit' });
  run('prettier', ['--config', join(here, '.prettierrc.json'), '--check', '--log-level=warn']);
  run('eslint', ['--config', join(here, 'eslint.config.js')]);
}

const sha256 = (text) => `'sha256-${createHash('sha256').update(text, 'utf8').digest('base64')}'`;

async function main() {
  tools();
  lint();
  const esbuild = await import('esbuild');
  if (!existsSync(join(packageDir, 'index.mjs'))) throw new Error(`no package in ${packageDir}: build it first`);
  const wasm = readFileSync(join(packageDir, 'tessaly.wasm')).toString('base64');
  const common = {
    bundle: true,
    write: false,
    minify: true,
    format: 'iife',
    platform: 'browser',
    target: ['chrome110', 'firefox115'],
    legalComments: 'none',
    alias: { tessaly: join(packageDir, 'index.mjs') },
    // The loader's own fetching of tessaly.wasm is never used here: the page hands it the module.
    logOverride: { 'empty-import-meta': 'silent' },
  };
  const worker = await esbuild.build({ ...common, entryPoints: [join(here, 'src', 'worker.js')] });
  const virtual = {
    name: 'virtual',
    setup(build) {
      build.onResolve({ filter: /^virtual:/ }, (args) => ({ path: args.path, namespace: 'virtual' }));
      build.onLoad({ filter: /.*/, namespace: 'virtual' }, (args) => ({
        contents: args.path === 'virtual:wasm' ? wasm : worker.outputFiles[0].text,
        loader: 'text',
      }));
    },
  };
  const page = await esbuild.build({ ...common, entryPoints: [join(here, 'src', 'main.js')], plugins: [virtual] });
  const css = await esbuild.transform(readFileSync(join(here, 'src', 'page.css'), 'utf8'), { loader: 'css', minify: true });
  // "</script" inside the script would end the element early; "<\/" means the same to JavaScript.
  const script = page.outputFiles[0].text.trim().replace(/<\/(script)/gi, '<\\/$1');
  const style = css.code.trim();
  const csp = [
    "default-src 'none'",
    `script-src ${sha256(script)} 'wasm-unsafe-eval'`,
    `style-src ${sha256(style)}`,
    'worker-src blob:',
    'img-src data:',
    "connect-src 'none'",
    "font-src 'none'",
    "media-src 'none'",
    "object-src 'none'",
    "frame-src 'none'",
    "manifest-src 'none'",
    "form-action 'none'",
    "base-uri 'none'",
  ].join('; ');
  const template = readFileSync(join(here, 'src', 'page.html'), 'utf8');
  const html = template.replace(/\{\{(csp|style|script)\}\}/g, (_, key) => ({ csp, style, script })[key]);
  mkdirSync(dirname(out), { recursive: true });
  writeFileSync(out, html);
  console.log(`${out}: ${(Buffer.byteLength(html) / 1024).toFixed(0)} KB`);
}

main().catch((e) => {
  console.error(`web/page/build.mjs: ${e.message}`);
  process.exit(1);
});

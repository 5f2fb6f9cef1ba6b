// Stages the npm package: src/ bundled by esbuild into one shared core behind thin entries per
// platform (node.mjs and index.cjs for Node, index.mjs fetching the module in browsers and
// workers, bundler.mjs carrying its bytes for bundlers), the hand-written types and README,
// package.json with the given version, and the module.
//   node web/npm/stage.mjs <tessaly.wasm> <version> <folder>
import { copyFileSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';

const [wasm, version, out] = process.argv.slice(2);
const here = dirname(fileURLToPath(import.meta.url));
const esbuild = createRequire(join(here, '..', 'package.json'))('esbuild');

rmSync(out, { recursive: true, force: true });
mkdirSync(out, { recursive: true });
copyFileSync(wasm, join(out, 'tessaly.wasm'));

const common = {
  bundle: true,
  // Readable as written: a user reading the package in node_modules sees the source's names.
  minify: false,
  legalComments: 'none',
  target: ['es2022', 'node18'],
  banner: { js: `// tessaly ${version}: uppercase Chinese amounts, MIT licence. Built from web/npm/src.` },
  logLevel: 'warning',
  loader: { '.wasm': 'binary' },
};
const entries = [
  ['node.js', 'node.mjs', 'esm', 'node'],
  ['node.js', 'index.cjs', 'cjs', 'node'],
  ['browser.js', 'index.mjs', 'esm', 'browser'],
  ['bundler.js', 'bundler.mjs', 'esm', 'browser'],
];
for (const [entry, file, format, platform] of entries) {
  await esbuild.build({
    ...common,
    entryPoints: [join(here, 'src', entry)],
    outfile: join(out, file),
    format,
    platform,
    // The CommonJS build finds its module through __dirname; import.meta is never read there.
    logOverride: format === 'cjs' ? { 'empty-import-meta': 'silent' } : {},
    plugins: [packagedModule(resolve(out, 'tessaly.wasm'))],
  });
}

// `import bytes from './tessaly.wasm'` in the bundler entry is the module being staged.
function packagedModule(path) {
  return {
    name: 'packaged-module',
    setup(build) {
      build.onResolve({ filter: /^\.\/tessaly\.wasm$/ }, () => ({ path }));
    },
  };
}

for (const name of ['index.d.ts', 'README.md']) copyFileSync(join(here, name), join(out, name));
copyFileSync(join(here, '..', '..', 'LICENSE'), join(out, 'LICENSE'));
const pkg = JSON.parse(readFileSync(join(here, 'package.json'), 'utf8'));
writeFileSync(join(out, 'package.json'), JSON.stringify({ name: pkg.name, version, ...pkg }, null, 2) + '\n');

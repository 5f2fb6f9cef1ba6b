// Stages the npm package: the entry points assembled from src/ (one engine wrapper, one loader
// per platform), the hand-written types and README, package.json with the given version, and
// the module.
//   node web/npm/stage.mjs <tessaly.wasm> <version> <folder>
import { copyFileSync, mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const [wasm, version, out] = process.argv.slice(2);
const here = dirname(fileURLToPath(import.meta.url));
const src = (name) => readFileSync(join(here, 'src', name), 'utf8');
const header = `// tessaly ${version}: uppercase Chinese amounts, MIT licence. Generated from web/npm/src.\n`;

rmSync(out, { recursive: true, force: true });
mkdirSync(out, { recursive: true });
writeFileSync(join(out, 'index.mjs'), header + src('core.js') + src('browser.js'));
writeFileSync(
  join(out, 'node.mjs'),
  header +
    "import { readFileSync } from 'node:fs';\nimport { readFile } from 'node:fs/promises';\n" +
    "const packagedWasm = new URL('./tessaly.wasm', import.meta.url);\n" +
    src('core.js') +
    src('node.js') +
    'export { load, loadSync };\n',
);
writeFileSync(
  join(out, 'index.cjs'),
  header +
    "'use strict';\n" +
    "const { readFileSync } = require('node:fs');\nconst { readFile } = require('node:fs/promises');\n" +
    "const packagedWasm = require('node:path').join(__dirname, 'tessaly.wasm');\n" +
    src('core.js') +
    src('node.js') +
    'module.exports = { load, loadSync };\n',
);
for (const name of ['index.d.ts', 'README.md']) copyFileSync(join(here, name), join(out, name));
copyFileSync(join(here, '..', '..', 'LICENSE'), join(out, 'LICENSE'));
copyFileSync(wasm, join(out, 'tessaly.wasm'));
const pkg = JSON.parse(readFileSync(join(here, 'package.json'), 'utf8'));
writeFileSync(join(out, 'package.json'), JSON.stringify({ name: pkg.name, version, ...pkg }, null, 2) + '\n');

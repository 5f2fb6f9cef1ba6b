// The packed tarball as a user gets it: installed into a project of its own without a registry,
// run from an ES module and from CommonJS, and its types checked by tsc --strict, both a
// consumer that uses every call and one that must be refused.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';

import { root } from './support.mjs';

const tarball = readdirSync(`${root}build/web`).find((f) => /^tessaly-\d+\.\d+\.\d+\.tgz$/.test(f));
const tsc = `${root}web/node_modules/typescript/bin/tsc`;
let dir;

before(() => {
  dir = mkdtempSync(join(tmpdir(), 'tessaly-consumer-'));
  writeFileSync(join(dir, 'package.json'), JSON.stringify({ name: 'consumer', private: true, type: 'module' }));
  execFileSync('npm', ['install', '--offline', '--no-audit', '--no-fund', '--loglevel=error', `${root}build/web/${tarball}`], {
    cwd: dir,
  });
});
after(() => rmSync(dir, { recursive: true, force: true }));

function node(file, source) {
  writeFileSync(join(dir, file), source);
  return execFileSync(process.execPath, [file], { cwd: dir, encoding: 'utf8' });
}

test('the tarball holds what is needed, within 64 KB, and so does the module', () => {
  const listing = execFileSync('tar', ['-tzf', `${root}build/web/${tarball}`], { encoding: 'utf8' });
  assert.deepEqual(listing.trim().split('\n').sort(), [
    'package/LICENSE',
    'package/README.md',
    'package/index.cjs',
    'package/index.d.ts',
    'package/index.mjs',
    'package/node.mjs',
    'package/package.json',
    'package/tessaly.wasm',
  ]);
  assert.ok(statSync(`${root}build/web/${tarball}`).size <= 65536);
  assert.ok(statSync(`${root}build/web/package/tessaly.wasm`).size <= 65536);
});

test('runs from an ES module', () => {
  const out = node(
    'esm.mjs',
    `import { load, loadSync } from 'tessaly';
const t = await load();
console.log(t.write('41823.51').text, loadSync().read('壹佰圆整').amount);`,
  );
  assert.equal(out, '肆万壹仟捌佰贰拾叁圆伍角壹分 100.00\n');
});

test('runs from CommonJS', () => {
  const out = node(
    'cjs.cjs',
    `const { load, loadSync } = require('tessaly');
console.log(loadSync().check('100', '壹佰圆整').verdict);
load().then((t) => console.log(t.writeMany(['1', 'x']).map((w) => w.text ?? w.failure).join(' ')));`,
  );
  assert.equal(out, 'ok\n壹圆整 notANumber\n');
});

const tsconfig = {
  compilerOptions: { strict: true, noEmit: true, module: 'nodenext', moduleResolution: 'nodenext', target: 'es2022', lib: ['es2022', 'dom'], types: [] },
};

function typecheck(file, source, compilerOptions = tsconfig.compilerOptions) {
  writeFileSync(join(dir, file), source);
  writeFileSync(join(dir, 'tsconfig.json'), JSON.stringify({ compilerOptions, files: [file] }));
  return spawnSync(process.execPath, [tsc, '-p', dir], { cwd: dir, encoding: 'utf8' });
}

test('tsc --strict accepts a consumer that uses every call', () => {
  const r = typecheck(
    'consumer.mts',
    `import { load, loadSync, type Check, type Failure, type Finding, type Reading, type Style, type Tessaly, type Written } from 'tessaly';
const t: Tessaly = await load();
const style: Style = { unit: '元', closing: '正', closeAfterJiao: false, prefix: true, wide: true };
const w: Written = t.write('41823.51', style);
const text: string | undefined = w.text;
const failure: Failure | undefined = w.failure;
if (w.failure === undefined) { const s: string = w.text; }
const many: Written[] = t.writeMany(['1', '2'], { unit: '圆' });
const r: Reading = t.read('壹佰圆整', { unit: '元' });
const amount: string | undefined = r.amount;
const f: Finding | undefined = r.findings[0];
const severity: 'error' | 'warning' | undefined = f?.severity;
const back: Written = t.write(amount ?? '', r.style);
const c: Check = loadSync(new Uint8Array()).check('100', '壹佰圆整', style);
const verdict: 'ok' | 'warn' | 'fail' = c.verdict;
await load(new URL('file:///tessaly.wasm'));
await load(fetch('tessaly.wasm'));
console.log(text, failure, many, severity, back, verdict);
`,
  );
  assert.equal(r.status, 0, r.stdout + r.stderr);
});

test('tsc --strict finds the types from CommonJS, through a bundler, and with its own defaults', () => {
  const rows = [
    [
      'consumer.cts',
      { strict: true, noEmit: true, module: 'nodenext', moduleResolution: 'nodenext' },
      `import tessaly = require('tessaly');
const w: tessaly.Written = tessaly.loadSync().write('1', { unit: '元' });
console.log(w.text);
`,
    ],
    [
      'bundled.ts',
      { strict: true, noEmit: true, module: 'esnext', moduleResolution: 'bundler' },
      `import { load } from 'tessaly';
load().then((t) => t.writeMany(['1'], { wide: true }));
`,
    ],
    [
      'plain.ts',
      { strict: true, noEmit: true },
      `import { loadSync } from 'tessaly';
console.log(loadSync().read('壹圆整').amount);
`,
    ],
  ];
  for (const [file, options, source] of rows) {
    const r = typecheck(file, source, options);
    assert.equal(r.status, 0, `${file}: ${r.stdout}${r.stderr}`);
  }
});

test('tsc --strict refuses what no engine takes', () => {
  const r = typecheck(
    'wrong.mts',
    `import { load } from 'tessaly';
const t = await load();
t.write('1', { unit: '圓' });
t.write('1', { closing: '整整' });
t.write(1);
const v: 'ok' | 'warn' = t.check('1', '壹圆整').verdict;
const s: string = t.write('1').text;
`,
  );
  assert.notEqual(r.status, 0);
  const lines = [...r.stdout.matchAll(/wrong\.mts\((\d+),\d+\): error/g)].map((m) => Number(m[1]));
  assert.deepEqual(lines, [3, 4, 5, 6, 7], r.stdout);
});

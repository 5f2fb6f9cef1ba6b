// The packed tarball as a user gets it: installed into a project of its own without a registry,
// run from an ES module and from CommonJS, and its types checked by tsc --strict, both consumers
// that use every call and one that must be refused.
import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { after, test } from 'node:test';

import { install, tarball } from './browser.mjs';
import { packageDir, root } from './support.mjs';

const dir = install('consumer');
after(() => rmSync(dir, { recursive: true, force: true }));

// The module is in the tarball twice: as a file for Node and browsers, and inside bundler.mjs.
test("the tarball holds what is needed, within 112 KB, the module within 96 KB, and the README's sizes are theirs within 5%; it runs from an ES module and from CommonJS", () => {
  const listing = execFileSync('tar', ['-tzf', tarball], { encoding: 'utf8' }).trim().split('\n').sort();
  const files = 'LICENSE README.md bundler.mjs index.cjs index.d.ts index.mjs node.mjs package.json tessaly.wasm';
  assert.deepEqual(listing, files.split(' ').map((f) => `package/${f}`));
  const readme = readFileSync(`${root}web/npm/README.md`, 'utf8');
  const [, wasm, packed] = /`tessaly\.wasm` is about (\d+) KB and the whole package about (\d+) KB packed/.exec(readme) ?? [];
  for (const [stated, file, most] of [[wasm, `${packageDir}/tessaly.wasm`, 96], [packed, tarball, 112]]) {
    const actual = statSync(file).size / 1024;
    assert.ok(actual <= most, `${file} is ${actual.toFixed(1)} KB, more than ${most}`);
    assert.ok(Math.abs(stated - actual) <= actual * 0.05, `README says ${stated} KB, ${file} is ${actual.toFixed(1)} KB: correct the README`);
  }
  // Run from an ES module and from CommonJS.
  const programs = [
    ['esm.mjs', `import { load, loadSync } from 'tessaly';\nconsole.log((await load()).write('41823.51').text, loadSync().read('壹佰圆整').amount);`, '肆万壹仟捌佰贰拾叁圆伍角壹分 100.00\n'],
    ['cjs.cjs', `const { load, loadSync } = require('tessaly');\nconsole.log(loadSync().check('100', '壹佰圆整').verdict);\nload().then((t) => console.log(t.writeMany(['1', 'x']).map((w) => w.text ?? w.failure).join(' ')));`, 'ok\n壹圆整 notANumber\n'],
  ];
  for (const [file, source, out] of programs) {
    writeFileSync(join(dir, file), source);
    assert.equal(execFileSync(process.execPath, [file], { cwd: dir, encoding: 'utf8' }), out, file);
  }
});

const node = { module: 'nodenext', moduleResolution: 'nodenext' };
const everyCall = `import { load, loadSync, type Check, type Failure, type Finding, type Found, type Mention, type Reading, type Style, type Tessaly, type Written } from 'tessaly';
const t: Tessaly = await load();
const style: Style = { unit: '元', closing: '正', closeAfterJiao: false, prefix: true, wide: true };
const w: Written = t.write('41823.51', style), many: Written[] = t.writeMany(['1', '2'], { unit: '圆' });
const texts: (string | null)[] = t.writeMany(['1', 'x'], undefined, { texts: true });
const text: string | undefined = w.text, failure: Failure | undefined = w.failure;
if (w.failure === undefined) { const s: string = w.text; }
const r: Reading = t.read('壹佰圆整', { unit: '元' }), f: Finding | undefined = r.findings[0];
const severity: 'error' | 'warning' | undefined = f?.severity, back: Written = t.write(r.amount ?? '', r.style);
const c: Check = loadSync(new Uint8Array()).check('100', '壹佰圆整', style), verdict: 'ok' | 'warn' | 'fail' = c.verdict;
const found: Found[] = t.scan('人民币壹佰元整（¥100）', style), m: Mention | undefined = found[0]?.upper ?? found[0]?.digits;
const place: [number, number, string] | undefined = m && [m.end - m.start, m.line + m.column, m.amount ?? m.text];
await load(new URL('file:///tessaly.wasm'));
await load(fetch('tessaly.wasm'));
console.log(text, failure, many, texts, severity, back, verdict, place, found[0]?.verdict);
`;
// Each line after the first two is an error tsc must find.
const wrong = `import { load } from 'tessaly';
const t = await load();
t.write('1', { unit: '圓' });
t.write('1', { closing: '整整' });
t.write(1);
const v: 'ok' | 'warn' = t.check('1', '壹圆整').verdict;
const s: string = t.write('1').text;
const u: string[] = t.writeMany(['1'], {}, { texts: true });
const a: string = t.scan('壹圆整')[0].upper!.amount;
`;

test('tsc --strict accepts consumers that use every call, from ESM, CommonJS, a bundler and with its defaults; it refuses a wrong style value, a number for an amount, and unchecked results', () => {
  const consumers = [
    ['consumer.mts', { ...node, target: 'es2022', lib: ['es2022', 'dom'], types: [] }, everyCall],
    ['consumer.cts', node, `import tessaly = require('tessaly');\nconst w: tessaly.Written = tessaly.loadSync().write('1', { unit: '元' });\nconsole.log(w.text);\n`],
    ['bundled.ts', { module: 'esnext', moduleResolution: 'bundler' }, `import { load } from 'tessaly';\nload().then((t) => t.writeMany(['1'], { wide: true }));\n`],
    ['plain.ts', {}, `import { loadSync } from 'tessaly';\nconsole.log(loadSync().read('壹圆整').amount);\n`],
    ['wrong.mts', { ...node, target: 'es2022' }, wrong, [3, 4, 5, 6, 7, 8, 9]],
  ];
  for (const [file, options, source, errors = []] of consumers) {
    writeFileSync(join(dir, file), source);
    writeFileSync(join(dir, 'tsconfig.json'), JSON.stringify({ compilerOptions: { strict: true, noEmit: true, ...options }, files: [file] }));
    const r = spawnSync(process.execPath, [`${root}web/node_modules/typescript/bin/tsc`, '-p', dir], { cwd: dir, encoding: 'utf8' });
    const lines = [...r.stdout.matchAll(/\((\d+),\d+\): error/g)].map((m) => Number(m[1]));
    assert.deepEqual(lines, errors, `${file}: ${r.stdout}${r.stderr}`);
    if (!errors.length) assert.equal(r.status, 0, `${file}: ${r.stdout}${r.stderr}`);
  }
});

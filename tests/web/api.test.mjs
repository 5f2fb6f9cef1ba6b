// The package's calls in JavaScript's terms: what each returns, how styles and odd values are
// taken, and every way of loading the module.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { pathToFileURL } from 'node:url';
import { test } from 'node:test';

import { load, loadSync, packageDir } from './support.mjs';

const wasmPath = `${packageDir}/tessaly.wasm`;
const bytes = readFileSync(wasmPath);
const t = await load();

test('write', () => {
  const rows = [
    ['41823.51', undefined, { text: '肆万壹仟捌佰贰拾叁圆伍角壹分' }],
    ['1.00', undefined, { text: '壹圆整' }],
    ['0.5', { closeAfterJiao: false }, { text: '伍角' }],
    ['0.5', {}, { text: '伍角整' }],
    ['-5', { prefix: true }, { text: '人民币负伍圆整' }],
    ['1.5', { unit: '元', closing: '正' }, { text: '壹元伍角正' }],
    ['1000000000000', { wide: true }, { text: '壹万亿圆整' }],
    ['1000000000', undefined, { failure: 'tooManyDigits' }],
    ['abc', undefined, { failure: 'notANumber' }],
    [' \t', undefined, { failure: 'empty' }],
    ['12345678901234567.89', { wide: true }, { failure: 'tooManyDigits' }],
    ['9007199254740993.01', { wide: true }, { text: '玖仟零柒万壹仟玖佰玖拾贰亿伍仟肆佰柒拾肆万零玖佰玖拾叁圆零壹分' }],
    // Odd values from untyped callers: no throw, the failure or text their string gives.
    [undefined, undefined, { failure: 'empty' }],
    [null, undefined, { failure: 'empty' }],
    [12.5, undefined, { text: '壹拾贰圆伍角整' }],
    [12n, undefined, { text: '壹拾贰圆整' }],
    [{}, undefined, { failure: 'notANumber' }],
    [{ toString() { throw new Error('no'); } }, undefined, { failure: 'notANumber' }],
    ['1', 'not a style', { text: '壹圆整' }],
    ['1', { unit: '圓', closing: 'x' }, { text: '壹圆整' }],
  ];
  for (const [amount, style, written] of rows) assert.deepEqual(t.write(amount, style), written, typeof amount === "string" ? amount : typeof amount);
});

test('writeMany', () => {
  const rows = [
    [[], undefined, []],
    [['1', 'x', '', '0.5'], undefined, [{ text: '壹圆整' }, { failure: 'notANumber' }, { failure: 'empty' }, { text: '伍角整' }]],
    // A line break is a blank, as the engine takes it: around an amount it is trimmed.
    [['1\n2', '\n', '\x01', '3\r\n'], undefined, [{ failure: 'notANumber' }, { failure: 'empty' }, { failure: 'notANumber' }, { text: '叁圆整' }]],
    [new Set(['2']), { unit: '元' }, [{ text: '贰元整' }]],
    [undefined, undefined, []],
  ];
  for (const [amounts, style, written] of rows) assert.deepEqual(t.writeMany(amounts, style), written);
});

test('read', () => {
  const formal = { unit: '圆', closing: '整', closeAfterJiao: true, prefix: false, wide: true };
  assert.deepEqual(t.read('肆万壹仟捌佰贰拾叁圆伍角壹分'), { amount: '41823.51', findings: [], style: formal });
  assert.deepEqual(t.read('人民币负伍元正').style, { ...formal, unit: '元', closing: '正', prefix: true });
  assert.equal(t.read('人民币负伍元正').amount, '-5.00');
  assert.equal(t.read('壹仟陆佰捌拾元零叁角贰分').amount, '1680.32');
  const bad = t.read('壹圆零零分');
  assert.equal(bad.amount, undefined);
  assert.equal('amount' in bad, false);
  assert.deepEqual(bad.findings, [{ severity: 'error', position: 4, message: '第4个字“零”：“零”后应紧跟非零数字' }]);
});

test('check', () => {
  assert.deepEqual(t.check('100', '壹佰圆整'), { verdict: 'ok', findings: [] });
  assert.deepEqual(t.check('100', '壹佰万圆整'), {
    verdict: 'fail',
    findings: [{ severity: 'error', position: 0, message: '大写为 1000000.00，小写为 100.00' }],
  });
  assert.equal(t.check('abc', '壹佰圆整').verdict, 'fail');
  assert.equal(t.check(100, '壹佰圆整').verdict, 'ok');
});

test('every way of loading gives the same engine', async () => {
  const require = createRequire(import.meta.url);
  const cjs = require(`${packageDir}/index.cjs`);
  const browser = await import(`${packageDir}/index.mjs`);
  const module = new WebAssembly.Module(bytes);
  const engines = [
    loadSync(),
    loadSync(bytes),
    loadSync(module),
    loadSync(wasmPath),
    await load(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength)),
    await load(module),
    await load(wasmPath),
    await load(pathToFileURL(wasmPath)),
    await load(Promise.resolve(new Uint8Array(bytes))),
    await load(new Response(bytes)),
    cjs.loadSync(),
    await cjs.load(),
    await browser.load(bytes),
    await browser.load(module),
    browser.loadSync(bytes),
  ];
  for (const engine of engines) {
    assert.deepEqual(Object.keys(engine).sort(), ['check', 'read', 'write', 'writeMany']);
    assert.equal(engine.write('41823.51').text, '肆万壹仟捌佰贰拾叁圆伍角壹分');
  }
  // Instances are independent: a long call in one leaves another's buffers alone.
  engines[0].write('1'.repeat(100_000));
  assert.equal(engines[1].write('2').text, '贰圆整');
});

test('a source that is no module is refused at load, not later', async () => {
  await assert.rejects(load(new Uint8Array([1, 2, 3])), WebAssembly.CompileError);
  assert.throws(() => loadSync(new Uint8Array([1, 2, 3])), WebAssembly.CompileError);
  await assert.rejects(load('/nonexistent/tessaly.wasm'), { code: 'ENOENT' });
});

// A stand-in module whose write stores a mark in its memory and traps while the mark is not
// there: a loader that went on with the trapped instance would find the mark and not trap.
function trappingModule() {
  const section = (id, ...bytes) => [id, bytes.length, ...bytes];
  const name = (s) => [s.length, ...Buffer.from(s)];
  const body = (...code) => [code.length, ...code];
  return new WebAssembly.Module(
    new Uint8Array([
      ...[0x00, 0x61, 0x73, 0x6d, 0x01, 0x00, 0x00, 0x00],
      ...section(1, 4, 0x60, 0, 0, 0x60, 0, 1, 0x7f, 0x60, 1, 0x7f, 1, 0x7f, 0x60, 2, 0x7f, 0x7f, 1, 0x7f),
      ...section(3, 4, 0, 1, 2, 3),
      ...section(5, 1, 0, 1),
      ...section(7, 5, ...name('memory'), 2, 0, ...name('_initialize'), 0, 0, ...name('tessaly_result'), 0, 1,
        ...name('tessaly_input'), 0, 2, ...name('tessaly_write'), 0, 3),
      ...section(10, 4, ...body(0, 0x0b), ...body(0, 0x41, 0, 0x0b), ...body(0, 0x41, 0xc0, 0, 0x0b),
        ...body(0, 0x41, 0xe4, 0, 0x2d, 0, 0, 0x45, 0x04, 0x40, 0x41, 0xe4, 0, 0x41, 1, 0x3a, 0, 0, 0x00, 0x0b,
          0x41, 0, 0x0b)),
    ]),
  );
}

test('after a trap, calls go on in a fresh instance', async () => {
  const engine = await load(trappingModule());
  assert.throws(() => engine.write('1'), WebAssembly.RuntimeError);
  assert.throws(() => engine.write('1'), WebAssembly.RuntimeError);
});


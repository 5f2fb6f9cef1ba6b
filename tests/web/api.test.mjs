// The package's calls in JavaScript's terms: the shapes they return, what untyped callers may pass,
// random and hostile texts that must never throw, and every way of loading the module.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { test } from 'node:test';
import { pathToFileURL } from 'node:url';

import { load, loadSync, packageDir, random, styles } from './support.mjs';

const wasmPath = `${packageDir}/tessaly.wasm`;
const t = await load();

test('write and writeMany: a text or a failure, whatever the caller passes', () => {
  const writes = [
    ['41823.51', undefined, { text: '肆万壹仟捌佰贰拾叁圆伍角壹分' }],
    ['1000000000', undefined, { failure: 'tooManyDigits' }],
    ['abc', undefined, { failure: 'notANumber' }],
    [' \t', undefined, { failure: 'empty' }],
    // Beyond 2^53 an amount keeps its cents, because it crosses as a string.
    ['9007199254740993.01', { wide: true }, { text: '玖仟零柒万壹仟玖佰玖拾贰亿伍仟肆佰柒拾肆万零玖佰玖拾叁圆零壹分' }],
    [undefined, undefined, { failure: 'empty' }],
    [null, undefined, { failure: 'empty' }],
    [12.5, undefined, { text: '壹拾贰圆伍角整' }],
    [12n, { unit: '元' }, { text: '壹拾贰元整' }],
    [{ toString() { throw new Error('no'); } }, undefined, { failure: 'notANumber' }],
    ['1', 'not a style', { text: '壹圆整' }],
    ['1', { unit: '圓', closing: 'x' }, { text: '壹圆整' }],
  ];
  for (const [amount, style, written] of writes) assert.deepEqual(t.write(amount, style), written, typeof amount === 'string' ? amount : typeof amount);
  // A line break is a blank, as the engine takes it: around an amount it is trimmed.
  const many = t.writeMany(['1', 'x', '', '1\n2', '\n', '3\r\n']).map((w) => w.text ?? w.failure);
  assert.deepEqual(many, ['壹圆整', 'notANumber', 'empty', 'notANumber', 'empty', '叁圆整']);
  assert.deepEqual(t.writeMany(new Set(['2']), { unit: '元' }), [{ text: '贰元整' }]);
  // The texts alone, null where there is none: the same answers as the objects, every style.
  const batch = ['1', 'x', '', '1\n2', '\n', '3\r\n', '壹', ' 1 000', '12.345', '-0.5', '1e3', '１'];
  for (const { style } of styles) {
    const texts = t.writeMany(batch, style, { texts: true });
    assert.deepEqual(texts, t.writeMany(batch, style).map((w) => w.text ?? null), JSON.stringify(style));
  }
  for (const options of [undefined, null, { texts: 'yes' }, { get texts() { throw new Error('no'); } }]) assert.deepEqual(t.writeMany(['1'], undefined, options), [{ text: '壹圆整' }]);
  assert.deepEqual(t.writeMany(undefined), []);
});

test('read and check', () => {
  const formal = { unit: '圆', closing: '整', closeAfterJiao: true, prefix: false, wide: true };
  assert.deepEqual(t.read('肆万壹仟捌佰贰拾叁圆伍角壹分'), { amount: '41823.51', findings: [], style: formal });
  assert.deepEqual(t.read('人民币负伍元正'), { amount: '-5.00', findings: [], style: { ...formal, unit: '元', closing: '正', prefix: true } });
  const finding = { severity: 'error', position: 4, message: '第4个字“零”：“零”后应紧跟非零数字' };
  assert.deepEqual(t.read('壹圆零零分'), { findings: [finding], style: formal });
  // A position counts code points: a character outside the Basic Multilingual Plane is one.
  const text = '😀壹圆𠀀整';
  const positions = t.read(text).findings.map((f) => [f.position, [...text][f.position - 1]]);
  assert.deepEqual(positions, [[1, '😀'], [4, '𠀀']]);
  assert.deepEqual(t.check('100', '壹佰圆整'), { verdict: 'ok', findings: [] });
  assert.deepEqual(t.check(100, '壹佰万圆整'), { verdict: 'fail', findings: [{ severity: 'error', position: 0, message: '大写为 1000000.00，小写为 100.00' }] });
  assert.equal(t.check('abc', '壹佰圆整').verdict, 'fail');
});

test('never throws on random and hostile texts, and answers in the declared shape', () => {
  const pieces = [...'109.,-+e \t\n\0壹圆整零万亿角分负１。', '人民币', '\uD800', '\uDC00', '😀'];
  const r = random(7);
  const text = () => Array.from({ length: r.int(4) ? r.int(20) : r.int(200) }, () => (r.int(3) ? r.pick(pieces) : String.fromCharCode(r.int(0x10000)))).join('');
  const shaped = (findings) => findings.every((f) => /^(error|warning)$/.test(f.severity) && f.position >= 0 && Number.isInteger(f.position) && f.message);
  for (let i = 0; i < 100_000; i++) {
    const s = text();
    const w = t.write(s, styles[r.int(styles.length)].style);
    assert.ok(Object.keys(w).length === 1 && (w.text || /^(empty|notANumber|tooManyDigits)$/.test(w.failure)), JSON.stringify(w));
    const reading = t.read(s);
    assert.ok(/^-?\d+\.\d\d$/.test(reading.amount ?? '0.00') && shaped(reading.findings), JSON.stringify(s));
    const c = t.check(s, text());
    assert.ok(/^(ok|warn|fail)$/.test(c.verdict) && shaped(c.findings), JSON.stringify(s));
    // What is written checks against the amount it came from.
    if (w.text) assert.notEqual(t.check(s, w.text).verdict, 'fail', `${JSON.stringify(s)} ${w.text}`);
  }
  const hostile = [
    ['0.' + '0'.repeat(3_000_000) + '1', { text: '零圆整' }],
    ['9'.repeat(308) + '.995', { failure: 'tooManyDigits' }],
    ['1e999999999999999999', { failure: 'tooManyDigits' }],
    ['1e-999999999999999999', { text: '零圆整' }],
    ['1,000'.repeat(100_000), { failure: 'notANumber' }],
    [' '.repeat(1_000_000), { failure: 'empty' }],
    ['壹'.repeat(1_000_000), { failure: 'notANumber' }],
  ];
  for (const [amount, written] of hostile) assert.deepEqual(t.write(amount), written, amount.slice(0, 20));
  assert.equal(t.read('壹'.repeat(1_000_000)).amount, undefined);
  assert.equal(t.check('1', '壹圆整'.repeat(300_000)).verdict, 'fail');
  // Memory grown by a large batch serves the calls after it.
  assert.deepEqual(t.writeMany(Array.from({ length: 200_000 }, (_, i) => String(i * 7919)))[1], { text: '柒仟玖佰壹拾玖圆整' });
  assert.equal(t.read('柒仟玖佰壹拾玖圆整').amount, '7919.00');
});

test('every way of loading gives the same engine; a source that is no module is refused at once', async () => {
  const bytes = readFileSync(wasmPath);
  const module = new WebAssembly.Module(bytes);
  const cjs = createRequire(import.meta.url)(`${packageDir}/index.cjs`);
  const browser = await import(`${packageDir}/index.mjs`);
  const engines = [loadSync(), loadSync(bytes), loadSync(module), loadSync(wasmPath), cjs.loadSync(), browser.loadSync(bytes)];
  const sources = [bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength), module, wasmPath, pathToFileURL(wasmPath), Promise.resolve(new Uint8Array(bytes)), new Response(bytes)];
  for (const source of sources) engines.push(await load(source));
  engines.push(await cjs.load(), await browser.load(bytes), await browser.load(module));
  for (const engine of engines) {
    assert.deepEqual(Object.keys(engine).sort(), ['check', 'read', 'write', 'writeMany']);
    assert.equal(engine.write('41823.51').text, '肆万壹仟捌佰贰拾叁圆伍角壹分');
  }
  // Instances are independent: a long call in one leaves another's buffers alone.
  engines[0].write('1'.repeat(100_000));
  assert.equal(engines[1].write('2').text, '贰圆整');
  await assert.rejects(load(new Uint8Array([1, 2, 3])), WebAssembly.CompileError);
  assert.throws(() => loadSync(new Uint8Array([1, 2, 3])), WebAssembly.CompileError);
  await assert.rejects(load('/nonexistent/tessaly.wasm'), { code: 'ENOENT' });
});

// A server on this machine: the module, a missing file, and a page where a module should be.
async function serve(bytes) {
  const server = createServer((request, response) => {
    if (request.url === '/tessaly.wasm') response.writeHead(200, { 'content-type': 'application/wasm' }).end(bytes);
    else if (request.url === '/page/tessaly.wasm') response.writeHead(200, { 'content-type': 'text/html' }).end('<!doctype html>\n<html><body>app</body></html>');
    else if (request.url === '/empty/tessaly.wasm') response.writeHead(200).end();
    else response.writeHead(404, 'Not Found').end('no');
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { server, base: `http://127.0.0.1:${server.address().port}` };
}

test('load() takes every source the types declare: bytes, any view, a module, a URL or its string, a path, a response or a promise of one', async () => {
  const file = readFileSync(wasmPath);
  const padded = new Uint8Array(file.length + 3);
  padded.set(file, 3);
  const { server, base } = await serve(file);
  try {
    const sources = [
      ['DataView', new DataView(padded.buffer, 3, file.length)],
      ['view at an offset', padded.subarray(3)],
      ['view of another type', new Int8Array(padded.buffer, 3, file.length)],
      ['file: URL string', pathToFileURL(wasmPath).href],
      ['http URL', new URL(`${base}/tessaly.wasm`)],
      ['http URL string', `${base}/tessaly.wasm`],
      ['fetched response', fetch(`${base}/tessaly.wasm`)],
      ['response-like', { ok: true, arrayBuffer: async () => file.buffer.slice(file.byteOffset, file.byteOffset + file.length) }],
    ];
    for (const [name, source] of sources) assert.equal((await load(source)).write('1').text, '壹圆整', name);
    assert.equal(loadSync(new DataView(padded.buffer, 3, file.length)).write('2').text, '贰圆整');
    assert.equal(loadSync(pathToFileURL(wasmPath).href).write('2').text, '贰圆整');
    const refused = [
      [`${base}/missing/tessaly.wasm`, `tessaly: cannot load tessaly.wasm: ${base}/missing/tessaly.wasm answered 404 Not Found`],
      [fetch(`${base}/page/tessaly.wasm`), `tessaly: cannot load tessaly.wasm: ${base}/page/tessaly.wasm sent "<!doctype html> <html><b" (text/html), not a WebAssembly module`],
      [`${base}/empty/tessaly.wasm`, `tessaly: cannot load tessaly.wasm: ${base}/empty/tessaly.wasm sent nothing, not a WebAssembly module`],
      [{ ok: false, status: 500, arrayBuffer: async () => new ArrayBuffer(0) }, 'tessaly: cannot load tessaly.wasm: the response answered 500'],
      [42, "tessaly: load() takes the module's bytes, a WebAssembly.Module, its URL or path, or a fetch() response"],
    ];
    for (const [source, message] of refused) await assert.rejects(load(source), { message });
  } finally {
    server.close();
  }
});

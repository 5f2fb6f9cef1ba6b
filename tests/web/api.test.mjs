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

test('write, writeMany, read, check and scan: their answers, and never a throw, whatever the caller passes', () => {
  const formal = { unit: '圆', closing: '整', closeAfterJiao: true, prefix: false, wide: true };
  const finding = { severity: 'error', position: 4, message: '第4个字“零”：“零”后应紧跟非零数字' };
  const getter = { get unit() { throw new Error('getter'); } };
  const { proxy: revoked, revoke } = Proxy.revocable({}, {});
  revoke();
  const broken = (function* () { yield '1'; throw new Error('iterator'); })();
  const element = { length: 1, get 0() { throw new Error('element'); } };
  const unprintable = { toString() { throw new Error('no'); } };
  // Each answer, and the calls that must give it.
  const answers = [
    [{ text: '肆万壹仟捌佰贰拾叁圆伍角壹分' }, t.write('41823.51')],
    // Beyond 2^53 an amount keeps its cents, because it crosses as a string.
    [{ text: '玖仟零柒万壹仟玖佰玖拾贰亿伍仟肆佰柒拾肆万零玖佰玖拾叁圆零壹分' }, t.write('9007199254740993.01', { wide: true })],
    [{ text: '壹拾贰圆伍角整' }, t.write(12.5)],
    [{ text: '壹拾贰元整' }, t.write(12n, { unit: '元' })],
    // A style that is none, in whole or in part, or cannot be read, is the default.
    [{ text: '壹圆整' }, t.write('1', 'not a style'), t.write('1', { unit: '圓', closing: 'x' }), t.write('1', getter), t.write('1', revoked)],
    [{ failure: 'tooManyDigits' }, t.write('1000000000')],
    [{ failure: 'notANumber' }, t.write('abc'), t.write(unprintable), t.write(revoked), t.write(Symbol('1'))],
    [{ failure: 'empty' }, t.write(' \t'), t.write(undefined), t.write(null)],
    [[], t.writeMany(undefined), t.writeMany(revoked), t.writeMany(broken), t.writeMany(element)],
    [[{ text: '壹圆整' }], t.writeMany(['1'], getter), ...[undefined, null, { texts: 'yes' }, { get texts() { throw new Error('no'); } }].map((o) => t.writeMany(['1'], undefined, o))],
    [[{ failure: 'notANumber' }, { failure: 'notANumber' }], t.writeMany([Symbol('x'), revoked])],
    [[{ text: '贰元整' }], t.writeMany(new Set(['2']), { unit: '元' })],
    [{ amount: '41823.51', findings: [], style: formal }, t.read('肆万壹仟捌佰贰拾叁圆伍角壹分')],
    [{ amount: '-5.00', findings: [], style: { ...formal, unit: '元', closing: '正', prefix: true } }, t.read('人民币负伍元正')],
    [{ findings: [finding], style: formal }, t.read('壹圆零零分')],
    ['1.00', t.read('壹圆整', getter).amount],
    [{ verdict: 'ok', findings: [] }, t.check('100', '壹佰圆整')],
    [{ verdict: 'fail', findings: [{ severity: 'error', position: 0, message: '大写为 1000000.00，小写为 100.00' }] }, t.check(100, '壹佰万圆整')],
    ['ok', t.check('1', '壹圆整', revoked).verdict],
    ['fail', t.check('abc', '壹佰圆整').verdict],
    [[], t.scan(undefined), t.scan(revoked), t.scan('第壹条：贰份，5%，2024-05-01')],
  ];
  // A position counts code points: a character outside the Basic Multilingual Plane is one.
  const text = '😀壹圆𠀀整';
  const positions = t.read(text).findings.map((f) => [f.position, [...text][f.position - 1]]);
  assert.deepEqual(positions, [[1, '😀'], [4, '𠀀']]);
  for (const [answer, ...calls] of answers) for (const [i, given] of calls.entries()) assert.deepEqual(given, answer, `${JSON.stringify(answer)} ${i}`);
  // A line break is a blank, as the engine takes it: around an amount it is trimmed.
  const many = ['壹圆整', 'notANumber', 'empty', 'notANumber', 'empty', '叁圆整'];
  assert.deepEqual(t.writeMany(['1', 'x', '', '1\n2', '\n', '3\r\n']).map((w) => w.text ?? w.failure), many);
  // The texts alone, null where there is none: the same answers as the objects, every style.
  const batch = ['1', 'x', '', '1\n2', '\n', '3\r\n', '壹', ' 1 000', '12.345', '-0.5', '1e3', '１'];
  for (const { style } of styles) {
    const texts = t.writeMany(batch, style, { texts: true });
    assert.deepEqual(texts, t.writeMany(batch, style).map((w) => w.text ?? null), JSON.stringify(style));
  }
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
    // Every mention lies inside the text scanned.
    for (const f of t.scan(s)) for (const m of [f.upper, f.digits]) if (m) assert.ok(m.start < m.end && m.end <= s.length && m.line > 0, JSON.stringify(s));
    // What is written checks against the amount it came from.
    if (w.text) assert.notEqual(t.check(s, w.text).verdict, 'fail', `${JSON.stringify(s)} ${w.text}`);
  }
  const hostile = {
    零圆整: ['0.' + '0'.repeat(3_000_000) + '1', '1e-999999999999999999'],
    tooManyDigits: ['9'.repeat(308) + '.995', '1e999999999999999999'],
    notANumber: ['1,000'.repeat(100_000), '壹'.repeat(1_000_000)],
    empty: [' '.repeat(1_000_000)],
  };
  for (const [answer, amounts] of Object.entries(hostile)) for (const amount of amounts) assert.equal(Object.values(t.write(amount)).join(), answer, amount.slice(0, 20));
  assert.equal(t.read('壹'.repeat(1_000_000)).amount, undefined);
  assert.equal(t.check('1', '壹圆整'.repeat(300_000)).verdict, 'fail');
  // Memory grown by a large batch serves the calls after it.
  assert.deepEqual(t.writeMany(Array.from({ length: 200_000 }, (_, i) => String(i * 7919)))[1], { text: '柒仟玖佰壹拾玖圆整' });
  assert.equal(t.read('柒仟玖佰壹拾玖圆整').amount, '7919.00');
});

test('load() and loadSync() take every source the types declare and give the same engine; what is no module is refused, saying why', async () => {
  const bytes = readFileSync(wasmPath);
  const buffer = () => bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length);
  const padded = new Uint8Array(bytes.length + 3);
  padded.set(bytes, 3);
  const view = new DataView(padded.buffer, 3, bytes.length);
  const module = new WebAssembly.Module(bytes);
  const cjs = createRequire(import.meta.url)(`${packageDir}/index.cjs`);
  const browser = await import(`${packageDir}/index.mjs`);
  // A server on this machine: the module, a missing file, a page where a module should be, and nothing.
  const answers = {
    '/tessaly.wasm': [200, { 'content-type': 'application/wasm' }, bytes],
    '/page/tessaly.wasm': [200, { 'content-type': 'text/html' }, '<!doctype html>\n<html><body>app</body></html>'],
    '/empty/tessaly.wasm': [200, {}, ''],
  };
  const server = createServer((request, response) => {
    const [status, headers, body] = answers[request.url] ?? [404, {}, 'no'];
    response.writeHead(status, headers).end(body);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const base = `http://127.0.0.1:${server.address().port}`;
  try {
    const places = [wasmPath, pathToFileURL(wasmPath), pathToFileURL(wasmPath).href, new URL(`${base}/tessaly.wasm`), `${base}/tessaly.wasm`];
    const views = [buffer(), bytes, view, padded.subarray(3), new Int8Array(padded.buffer, 3, bytes.length)];
    const sources = [...places, ...views, module, fetch(`${base}/tessaly.wasm`), new Response(bytes), Promise.resolve(new Uint8Array(bytes)), { ok: true, arrayBuffer: async () => buffer() }];
    const engines = [undefined, bytes, module, wasmPath, view, pathToFileURL(wasmPath).href].map(loadSync);
    engines.push(cjs.loadSync(), browser.loadSync(bytes), await cjs.load(), await browser.load(bytes), await browser.load(module));
    for (const source of sources) engines.push(await load(source));
    const same = [['check', 'read', 'scan', 'write', 'writeMany'], '肆万壹仟捌佰贰拾叁圆伍角壹分'];
    for (const [i, engine] of engines.entries()) assert.deepEqual([Object.keys(engine).sort(), engine.write('41823.51').text], same, String(i));
    // Instances are independent: a long call in one leaves another's buffers alone.
    engines[0].write('1'.repeat(100_000));
    assert.equal(engines[1].write('2').text, '贰圆整');
    const cannot = (why) => ({ message: `tessaly: cannot load tessaly.wasm: ${why}` });
    const refused = [
      [new Uint8Array([1, 2, 3]), WebAssembly.CompileError],
      ['/nonexistent/tessaly.wasm', { code: 'ENOENT' }],
      [`${base}/missing/tessaly.wasm`, cannot(`${base}/missing/tessaly.wasm answered 404 Not Found`)],
      [fetch(`${base}/page/tessaly.wasm`), cannot(`${base}/page/tessaly.wasm sent "<!doctype html> <html><b" (text/html), not a WebAssembly module`)],
      [`${base}/empty/tessaly.wasm`, cannot(`${base}/empty/tessaly.wasm sent nothing, not a WebAssembly module`)],
      [{ ok: false, status: 500, arrayBuffer: async () => new ArrayBuffer(0) }, cannot('the response answered 500')],
      [42, { message: "tessaly: load() takes the module's bytes, a WebAssembly.Module, its URL or path, or a fetch() response" }],
    ];
    for (const [source, error] of refused) await assert.rejects(load(source), error);
    assert.throws(() => loadSync(new Uint8Array([1, 2, 3])), WebAssembly.CompileError);
  } finally {
    server.close();
  }
});

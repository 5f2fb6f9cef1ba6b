// No text makes a call throw or the module trap, and every result has its declared shape:
// random code units (lone surrogates and NULs included), very long texts, memory that grows
// between calls.
import assert from 'node:assert/strict';
import { test } from 'node:test';

import { load, random, styles } from './support.mjs';

const t = await load();
const FAILURES = new Set(['empty', 'notANumber', 'tooManyDigits']);
const AMOUNT = /^-?\d+\.\d\d$/;

function assertWritten(w) {
  if ('text' in w) assert.ok(typeof w.text === 'string' && w.text.length > 0 && !('failure' in w), JSON.stringify(w));
  else assert.ok(FAILURES.has(w.failure), JSON.stringify(w));
}

function assertFindings(findings) {
  for (const f of findings) {
    assert.ok(f.severity === 'error' || f.severity === 'warning');
    assert.ok(Number.isInteger(f.position) && f.position >= 0);
    assert.ok(typeof f.message === 'string' && f.message.length > 0);
  }
}

const pieces = ['1', '0', '9', '.', ',', '-', '+', 'e', ' ', '\t', '\n', '\0', '壹', '圆', '整', '零', '万', '亿', '角', '分', '负', '人民币', '\uD800', '\uDC00', '😀', '１', '。'];

function text(r) {
  const n = r.int(4) === 0 ? r.int(200) : r.int(20);
  let s = '';
  for (let i = 0; i < n; i++) s += r.int(3) === 0 ? String.fromCharCode(r.int(0x10000)) : r.pick(pieces);
  return s;
}

test('random texts through every call', () => {
  const r = random(7);
  for (let i = 0; i < 100_000; i++) {
    const s = text(r);
    const style = styles[r.int(32)].style;
    const w = t.write(s, style);
    assertWritten(w);
    const reading = t.read(s);
    assert.ok(reading.amount === undefined || AMOUNT.test(reading.amount), reading.amount);
    assertFindings(reading.findings);
    const c = t.check(s, text(r));
    assert.ok(['ok', 'warn', 'fail'].includes(c.verdict));
    assertFindings(c.findings);
    if (w.text !== undefined) {
      // What is written reads back, and checks against the amount it came from.
      assert.notEqual(t.check(s, w.text).verdict, 'fail', `${JSON.stringify(s)} ${w.text}`);
    }
  }
});

test('batches of random texts', () => {
  const r = random(11);
  for (let i = 0; i < 50; i++) {
    const amounts = Array.from({ length: 2000 }, () => text(r));
    const style = styles[r.int(32)].style;
    const many = t.writeMany(amounts, style);
    assert.equal(many.length, amounts.length);
    many.forEach((w, k) => assert.deepEqual(w, t.write(amounts[k], style)));
  }
});

test('long texts, and memory growing between calls', () => {
  const rows = [
    ['0.' + '0'.repeat(3_000_000) + '1', { text: '零圆整' }],
    ['1' + '0'.repeat(400), { failure: 'tooManyDigits' }],
    ['9'.repeat(308) + '.995', { failure: 'tooManyDigits' }],
    ['1e999999999999999999', { failure: 'tooManyDigits' }],
    ['1e-999999999999999999', { text: '零圆整' }],
    ['1,000'.repeat(100_000), { failure: 'notANumber' }],
    [' '.repeat(1_000_000), { failure: 'empty' }],
    ['壹'.repeat(1_000_000), { failure: 'notANumber' }],
    ['12.5', { text: '壹拾贰圆伍角整' }],
  ];
  for (const [amount, written] of rows) assert.deepEqual(t.write(amount), written, amount.slice(0, 20));
  assert.equal(t.read('壹'.repeat(1_000_000)).amount, undefined);
  assert.equal(t.check('1', '壹圆整'.repeat(300_000)).verdict, 'fail');
  const big = t.writeMany(Array.from({ length: 200_000 }, (_, i) => String(i * 7919)));
  assert.equal(big.length, 200_000);
  assert.deepEqual(big[1], { text: '柒仟玖佰壹拾玖圆整' });
  assert.equal(t.read('柒仟玖佰壹拾玖圆整').amount, '7919.00');
});

// What one call may take: a text past the limit is refused with a failure naming it, a batch is
// bounded in count and crosses in parts, and the module's memory has a maximum. What a caller
// passes is in api.test.mjs; an allocation that fails, in recovery.test.mjs.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { test } from 'node:test';

import { load, packageDir } from './support.mjs';

const LIMIT = 2 ** 24;
const tooLong = [{ severity: 'error', position: 0, message: `文本过长：超过 ${LIMIT} 个字符，未作处理` }];
const plain = { unit: '圆', closing: '整', closeAfterJiao: true, prefix: false, wide: false };

// The calls that show an engine in order: run after each case.
function sound(t) {
  const calls = [t.write('41823.51'), t.writeMany(['1', 'x']), t.read('壹佰圆整'), t.check('100', '壹佰圆整')];
  const answers = [{ text: '肆万壹仟捌佰贰拾叁圆伍角壹分' }, [{ text: '壹圆整' }, { failure: 'notANumber' }], { amount: '100.00', findings: [], style: { ...plain, wide: true } }, { verdict: 'ok', findings: [] }];
  assert.deepEqual(calls, answers);
}

test('a text past the limit is refused, one at the limit taken; the largest calls fit in memory, which grows to 1 GiB and no further', async () => {
  const memory = new WebAssembly.Instance(new WebAssembly.Module(readFileSync(`${packageDir}/tessaly.wasm`)), {}).exports.memory;
  memory.grow(2 ** 14 - memory.buffer.byteLength / 2 ** 16);
  assert.equal(memory.buffer.byteLength, 2 ** 30);
  assert.throws(() => memory.grow(1), RangeError);
  const t = await load();
  const over = 'x'.repeat(LIMIT + 1);
  // Each answer, and the calls that must give it.
  const cases = [
    [{ failure: 'tooLong' }, () => t.write(over)],
    [{ text: '零圆整' }, () => t.write('0.' + '0'.repeat(LIMIT - 3) + '1')],
    [{ findings: tooLong, style: plain }, () => t.read(over)],
    [{ verdict: 'fail', findings: tooLong }, () => t.check(over, '壹圆整'), () => t.check('1', over)],
    [[{ verdict: 'fail', findings: tooLong }], () => t.scan(over)],
    [[{ text: '壹圆整' }, { failure: 'tooLong' }, { text: '贰圆整' }], () => t.writeMany(['1', over, '2'])],
    // The heaviest texts the engine is given, at the limit: every call answers, and so do the ones after.
    [undefined, () => t.read('壹'.repeat(LIMIT)).amount, () => t.read('零 '.repeat(LIMIT / 2)).amount],
    ['fail', () => t.check('1'.repeat(LIMIT), '壹'.repeat(LIMIT)).verdict, () => t.check('壹'.repeat(LIMIT), '圆'.repeat(LIMIT)).verdict],
    [{ failure: 'tooManyDigits' }, () => t.write('1'.repeat(LIMIT))],
    [[], () => t.scan('壹'.repeat(LIMIT)), () => t.scan('1'.repeat(LIMIT))],
    [[{ failure: 'notANumber' }, { failure: 'tooManyDigits' }], () => t.writeMany(['壹'.repeat(LIMIT), '1'.repeat(LIMIT)])],
  ];
  for (const [answer, ...calls] of cases)
    for (const call of calls) {
      assert.deepEqual(call(), answer, String(call));
      sound(t);
    }
});

test('a batch too long for one string crosses in parts, in order; more amounts than a call takes give none', async () => {
  const t = await load();
  const huge = '1'.repeat(3e8);
  assert.deepEqual(t.writeMany([huge, huge, '3']), [{ failure: 'tooLong' }, { failure: 'tooLong' }, { text: '叁圆整' }]);
  const amounts = Array.from({ length: 1_500_000 }, (_, i) => String(i * 7919 + 0.5));
  const many = t.writeMany(amounts);
  assert.equal(many.length, amounts.length);
  for (const i of [0, 1, 466_033, 466_034, 1_000_000, 1_499_999]) assert.deepEqual(many[i], t.write(amounts[i]), amounts[i]);
  // Texts too long together for one string, and one past the limit: the texts alone agree with the objects.
  const long = ['5', '9'.repeat(3 * 2 ** 21), '2', '8'.repeat(3 * 2 ** 21), '1', 'x'.repeat(LIMIT + 1)];
  assert.deepEqual(t.writeMany(long).map((w) => w.text ?? w.failure), ['伍圆整', 'tooManyDigits', '贰圆整', 'tooManyDigits', '壹圆整', 'tooLong']);
  assert.deepEqual(t.writeMany(long, undefined, { texts: true }), ['伍圆整', null, '贰圆整', null, '壹圆整', null]);
  assert.deepEqual(t.writeMany(amounts, undefined, { texts: true }), many.map((w) => w.text ?? null));
  for (const amounts of [{ length: 2 ** 32 }, { length: LIMIT + 1 }, { length: Infinity }]) assert.deepEqual(t.writeMany(amounts), []);
  assert.deepEqual(t.writeMany({ length: 2, 0: '1', 1: 2 }), [{ text: '壹圆整' }, { text: '贰圆整' }]);
  sound(t);
});

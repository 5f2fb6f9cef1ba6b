// A trap mid-call, as an allocation that fails: that call gives its failure, the next ones go to a
// fresh instance, made without asking for a synchronous one, which a browser's main thread refuses
// for this module. The module built in 16 MiB traps on a text of 4 M digits after a blank (which, unlike
// plain digits, is decoded whole), as a fault in the engine would.
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';

import { chromium, serve } from './browser.mjs';
import { load, packageDir, root } from './support.mjs';

// The same steps in Node and in the page: the short forms of the calls' answers. With
// `refuse`, a synchronous instance is refused, as Chromium does on a main thread for larger modules.
async function steps(load, bytes, refuse) {
  const Instance = WebAssembly.Instance;
  const disallowed = function () { throw new RangeError('WebAssembly.Instance is disallowed on the main thread'); };
  if (refuse) WebAssembly.Instance = disallowed;
  const t = await load(bytes);
  const big = ` ${'1'.repeat(2 ** 22)}`;
  const wait = () => new Promise((resolve) => setTimeout(resolve, 10));
  const fresh = async () => { for (let i = 0; i < 100 && t.write('4').failure; i++) await wait(); };
  // A write, its trap and the call after; two traps at once: the spare went to the first, and
  // until a new one is made, calls fail.
  const answers = [t.write('1'), t.write(big), t.write('2'), t.read('壹'.repeat(2 ** 22)), t.check(big, '壹圆整'), t.write('3')];
  await fresh();
  // A trap fails the whole batch, and the calls after it are answered.
  answers.push(t.read('肆圆整'), t.writeMany(['1', big, '2']));
  await fresh();
  answers.push(t.writeMany(['1', big], {}, { texts: true }));
  await fresh();
  answers.push(t.check('5', '伍圆整'), t.scan('¥1元'.repeat(2 ** 20)));
  await fresh();
  answers.push(t.scan('伍圆整'));
  WebAssembly.Instance = Instance;
  // A failure's words in full, other answers in short.
  const short = (w) =>
    w === null || typeof w === 'string' ? String(w) : Array.isArray(w) ? w.map(short).join() : (w.text ?? w.failure ?? w.amount ?? (w.findings.length ? JSON.stringify(w) : w.verdict));
  return answers.map(short);
}

// The failure a trap gives, in its words, and the module's plain style for a reading.
const fault = [{ severity: 'error', position: 0, message: '引擎出错，已重新启动，请重试' }];
const plain = { unit: '圆', closing: '整', closeAfterJiao: true, prefix: false, wide: false };
const [read, check] = [{ findings: fault, style: plain }, { verdict: 'fail', findings: fault }].map((answer) => JSON.stringify(answer));
const refused = ['壹圆整', 'fault', '贰圆整', read, check, 'fault', '4.00', 'fault,fault,fault', 'null,null', 'ok', check, 'ok'];
// Where a synchronous instance is allowed, the calls after two traps need not wait.
const allowed = refused.map((answer, i) => (i === 5 ? '叁圆整' : answer));

test('in Node, with synchronous instances refused as on a main thread, and allowed', async () => {
  const bytes = readFileSync(`${root}build/wasm/bin/tessaly-tight.wasm`);
  assert.deepEqual([await steps(load, bytes, true), await steps(load, bytes, false)], [refused, allowed]);
  await sleep(0);
});

test("on chromium's main thread", async () => {
  const dir = mkdtempSync(join(tmpdir(), 'tessaly-recovery-'));
  writeFileSync(join(dir, 'index.html'), `<!doctype html><meta charset="utf-8"><script type="module">
import { load } from '/package/index.mjs';
const bytes = await (await fetch('/bin/tessaly-tight.wasm')).arrayBuffer();
window.result = [await (${steps})(load, bytes, true), await (${steps})(load, bytes, false)];</script>`);
  const server = await serve({ '/package/': packageDir, '/bin/': `${root}build/wasm/bin/`, '/': dir });
  const browser = await chromium();
  try {
    assert.deepEqual(await browser.run(`${server.base}/index.html`), { result: [refused, allowed], problems: [] });
  } finally {
    await browser.close();
    await server.close();
    rmSync(dir, { recursive: true, force: true });
  }
});

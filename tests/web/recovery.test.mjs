// A trap mid-call: that call gives its failure, the next ones go to a fresh instance, made
// without asking for a synchronous one, which a browser's main thread refuses for this module.
// The module built in 16 MiB traps on a long text, as a fault in the engine would.
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { test } from 'node:test';
import { setTimeout as sleep } from 'node:timers/promises';

import { chromium, serve } from './browser.mjs';
import { load, packageDir, root } from './support.mjs';

// The same steps in Node and in the page: each a call and its answer's short form. With
// `refuse`, a synchronous instance is refused, as Chromium does on a main thread for larger modules.
async function steps(load, bytes, refuse) {
  const Instance = WebAssembly.Instance;
  if (refuse)
    WebAssembly.Instance = function () {
      throw new RangeError('WebAssembly.Instance is disallowed on the main thread');
    };
  const t = await load(bytes);
  const big = '1'.repeat(2 ** 22);
  const short = (w) => w.text ?? w.failure ?? w.amount ?? w.verdict;
  const log = [];
  const step = (name, value) => log.push(`${name}: ${typeof value === 'string' ? value : short(value)}`);
  step('write', t.write('1'));
  step('trap', t.write(big));
  step('after', t.write('2'));
  // Two traps at once: the spare went to the first; until a new one is made, calls fail.
  step('trap', t.read('壹'.repeat(2 ** 22)));
  step('trap', t.check(big, '壹圆整'));
  step('waiting', t.write('3'));
  for (let i = 0; i < 100 && t.write('4').failure; i++) await new Promise((resolve) => setTimeout(resolve, 10));
  step('made', t.read('肆圆整'));
  step('trap', t.writeMany(['1', big]).map(short).join());
  step('after', t.check('5', '伍圆整'));
  WebAssembly.Instance = Instance;
  return log;
}

const refused = ['write: 壹圆整', 'trap: fault', 'after: 贰圆整', 'trap: undefined', 'trap: fail', 'waiting: fault', 'made: 4.00', 'trap: fault,fault', 'after: ok'];
// Where a synchronous instance is allowed, the calls after two traps need not wait.
const allowed = refused.map((s) => (s === 'waiting: fault' ? 'waiting: 叁圆整' : s));

test('in Node, with synchronous instances refused as on a main thread, and allowed', async () => {
  const bytes = readFileSync(`${root}build/wasm/bin/tessaly-tight.wasm`);
  assert.deepEqual([await steps(load, bytes, true), await steps(load, bytes, false)], [refused, allowed]);
  await sleep(0);
});

test("on chromium's main thread", async () => {
  const dir = mkdtempSync(join(tmpdir(), 'tessaly-recovery-'));
  const page = `<!doctype html><meta charset="utf-8"><script type="module">
import { load } from '/package/index.mjs';
const bytes = await (await fetch('/bin/tessaly-tight.wasm')).arrayBuffer();
window.result = [await (${steps})(load, bytes, true), await (${steps})(load, bytes, false)];
</script>`;
  writeFileSync(join(dir, 'index.html'), page);
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

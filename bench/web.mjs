// The npm package against nzh, the most used converter on npm, in one Node process on the same
// 1,000,000 amounts: one call per amount, one batch, and reading (which nzh cannot do).
//   bash scripts/web.sh && node bench/web.mjs
import { createRequire } from 'node:module';

const require = createRequire(new URL('../web/package.json', import.meta.url));
const Nzh = require('nzh');
const { loadSync } = await import(new URL('../build/web/package/node.mjs', import.meta.url));
const t = loadSync();

const COUNT = 1_000_000;
const ROUNDS = 5;

// Amounts as invoices hold them: one to nine integer digits and two decimals, from a fixed seed.
let seed = 12345;
function next(n) {
  seed ^= seed << 13;
  seed >>>= 0;
  seed ^= seed >>> 17;
  seed ^= seed << 5;
  seed >>>= 0;
  return seed % n;
}
const amounts = Array.from({ length: COUNT }, () => {
  const digits = 1 + next(9);
  let s = String(1 + next(9));
  for (let i = 1; i < digits; i++) s += next(10);
  return `${s}.${next(10)}${next(10)}`;
});
const uppers = t.writeMany(amounts).map((w) => w.text);

// The best of a few rounds, in nanoseconds per amount; `sink` keeps the work from being dropped.
let sink = 0;
function measure(name, run) {
  let best = Infinity;
  for (let round = 0; round < ROUNDS; round++) {
    const start = process.hrtime.bigint();
    sink += run();
    best = Math.min(best, Number(process.hrtime.bigint() - start) / COUNT);
  }
  console.log(`${name.padEnd(34)} ${best.toFixed(0).padStart(6)} ns/amount  ${(1000 / best).toFixed(2).padStart(6)} M/s`);
  return best;
}

console.log(`node ${process.version}, ${COUNT.toLocaleString('en')} amounts, best of ${ROUNDS} rounds`);
const nzh = measure('nzh cn.toMoney, one call each', () => {
  let n = 0;
  for (const a of amounts) n += Nzh.cn.toMoney(a, { outSymbol: false }).length;
  return n;
});
const one = measure('tessaly write, one call each', () => {
  let n = 0;
  for (const a of amounts) n += t.write(a).text.length;
  return n;
});
const many = measure('tessaly writeMany, one batch', () => t.writeMany(amounts).length);
const batches = measure('tessaly writeMany, batches of 1000', () => {
  let n = 0;
  for (let i = 0; i < COUNT; i += 1000) n += t.writeMany(amounts.slice(i, i + 1000)).length;
  return n;
});
measure('tessaly read, one call each', () => {
  let n = 0;
  for (const u of uppers) n += t.read(u).amount.length;
  return n;
});
measure('tessaly check, one call each', () => {
  let n = 0;
  for (let i = 0; i < COUNT; i++) n += t.check(amounts[i], uppers[i]).verdict.length;
  return n;
});
console.log(`write ${(nzh / one).toFixed(2)}x nzh's speed; writeMany ${(nzh / many).toFixed(2)}x (batches of 1000: ${(nzh / batches).toFixed(2)}x)`);
if (sink === 0) console.log('');

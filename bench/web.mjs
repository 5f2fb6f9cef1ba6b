// The npm package against nzh, the most used converter on npm, in one process on the same
// 1,000,000 amounts: one call per amount, one batch (result objects, and the texts alone), and
// reading (which nzh cannot do). The median of five rounds of each.
//   bash scripts/web.sh && node bench/web.mjs              # in Node
//   node bench/web.mjs --chromium                          # in Debian's chromium, headless
import { createRequire } from 'node:module';
import { fileURLToPath } from 'node:url';

const root = fileURLToPath(new URL('../', import.meta.url));
const packageDir = `${root}build/web/package`;

// Runs in Node and in the page alike, so it takes all it uses and returns its lines.
function run(Nzh, t, now, where) {
  const COUNT = 1_000_000;
  const ROUNDS = 5;
  // Amounts as invoices hold them: one to nine integer digits and two decimals, from a fixed seed.
  let seed = 12345;
  const next = (n) => {
    seed ^= seed << 13;
    seed >>>= 0;
    seed ^= seed >>> 17;
    seed ^= seed << 5;
    seed >>>= 0;
    return seed % n;
  };
  const amounts = Array.from({ length: COUNT }, () => {
    const digits = 1 + next(9);
    let s = String(1 + next(9));
    for (let i = 1; i < digits; i++) s += next(10);
    return `${s}.${next(10)}${next(10)}`;
  });
  const uppers = t.writeMany(amounts, undefined, { texts: true });
  const lines = [`${where}, ${COUNT.toLocaleString('en')} amounts, median of ${ROUNDS} rounds`];
  // `sink` keeps the work from being dropped.
  let sink = 0;
  function measure(name, work) {
    const times = [];
    for (let round = 0; round < ROUNDS; round++) {
      const start = now();
      sink += work();
      times.push(((now() - start) * 1e6) / COUNT);
    }
    const median = times.sort((a, b) => a - b)[ROUNDS >> 1];
    lines.push(`${name.padEnd(38)} ${median.toFixed(0).padStart(6)} ns/amount  ${(1000 / median).toFixed(2).padStart(6)} M/s`);
    return median;
  }
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
  const texts = measure('tessaly writeMany texts, one batch', () => t.writeMany(amounts, undefined, { texts: true }).length);
  const batches = measure('tessaly writeMany texts, batches of 1000', () => {
    let n = 0;
    for (let i = 0; i < COUNT; i += 1000) n += t.writeMany(amounts.slice(i, i + 1000), undefined, { texts: true }).length;
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
  const x = (ns) => `${(nzh / ns).toFixed(2)}x`;
  lines.push(`nzh's speed: write ${x(one)}; writeMany ${x(many)}, texts ${x(texts)} (batches of 1000: ${x(batches)})`);
  if (sink === 0) lines.push('');
  return lines;
}

const require = createRequire(`${root}web/package.json`);
if (process.argv.includes('--chromium')) {
  // The package as a bundler takes it (the module inside the script), with nzh, in a page.
  const { chromium, serve } = await import(`${root}tests/web/browser.mjs`);
  const { mkdtempSync, rmSync, writeFileSync } = await import('node:fs');
  const { join } = await import('node:path');
  const dir = mkdtempSync(join((await import('node:os')).tmpdir(), 'tessaly-bench-'));
  await require('esbuild').build({
    stdin: {
      contents: "import Nzh from 'nzh';\nimport { load } from 'tessaly';\nwindow.bench = { Nzh, load };\n",
      resolveDir: `${root}web`,
    },
    bundle: true,
    outfile: join(dir, 'bench.js'),
    alias: { tessaly: `${packageDir}/bundler.mjs` },
    logLevel: 'warning',
  });
  writeFileSync(
    join(dir, 'index.html'),
    '<!doctype html><meta charset="utf-8"><link rel="icon" href="data:,"><script src="bench.js"></script>',
  );
  const server = await serve({ '/': dir });
  const browser = await chromium({ protocolTimeout: 0 });
  try {
    const page = await browser.browser.newPage();
    await page.goto(`${server.base}/index.html`);
    const version = await browser.browser.version();
    const lines = await page.evaluate(
      `(async () => (${run})(bench.Nzh, await bench.load(), () => performance.now(), ${JSON.stringify(version)}))()`,
    );
    console.log(lines.join('\n'));
  } finally {
    await browser.close();
    await server.close();
    rmSync(dir, { recursive: true, force: true });
  }
} else {
  const { load } = await import(`${packageDir}/node.mjs`);
  const ms = () => Number(process.hrtime.bigint()) / 1e6;
  console.log(run(require('nzh'), await load(), ms, `node ${process.version}`).join('\n'));
}

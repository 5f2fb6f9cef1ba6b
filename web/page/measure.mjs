// Times the page on large ledgers: a workbook and a CSV of 100,000 and 1,000,000 rows, each opened,
// checked and downloaded both ways, in headless Chromium as the tests drive it. With `documents`,
// how soon the writing box answers after the page opens, and a contract of about 10 MB scanned,
// opened as a file and pasted. Run after the build:
//   node web/page/measure.mjs [rows or rows×columns, e.g. 700000x10 ...]
//   node web/page/measure.mjs documents
import { mkdtempSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { launch, loadSync, pagePath, save } from '../../tests/web/support.mjs';
import { sheetDriver } from '../../tests/web/driver.mjs';
import { writeXlsx } from './src/download.js';

const engine = loadSync();
const sizes = process.argv.slice(2);

// A ledger of `count` rows: a serial number, the amount, its uppercase, notes up to `width`
// columns; one row in 997 wrong.
function ledger(count, width) {
  const extra = Array.from({ length: width - 4 }, (_, i) => i + 4);
  const rows = [[0, '序号', 1, '金额', 2, '大写金额', 3, '备注', ...extra.flatMap((c) => [c, `附注${c}`])]];
  for (let from = 0; from < count; from += 100000) {
    const amounts = Array.from({ length: Math.min(100000, count - from) }, (_, i) =>
      ((((from + i + 1) * 2654435761) % 100000000) / 100).toFixed(2),
    );
    const uppers = engine.writeMany(amounts).map((w) => w.text);
    amounts.forEach((amount, i) => {
      const n = from + i + 1;
      const notes = extra.flatMap((c) => [c, `客户${(n * c) % 9973}，合同 HT-${n}`]);
      rows.push([16384, String(n), 16384 + 1, amount, 2, n % 997 ? uppers[i] : '壹圆整', 3, `第${n}笔`, ...notes]);
    });
  }
  return rows;
}

const csvOf = (rows) => Buffer.from(rows.map((row) => row.filter((_, i) => i % 2).join(',')).join('\r\n') + '\r\n');

// The milliseconds from the page's navigation until it is ready and a key typed into 小写金额 is
// written in 大写金额; then a contract of about 10 MB opened with 打开文档 and pasted into 待核对的文档.
async function documents(driver, dir) {
  const page = await driver.browser.newPage();
  await page.evaluateOnNewDocument(() => {
    new MutationObserver(() => (window.readyAt ??= document.documentElement.dataset.ready && performance.now())).observe(document, {
      attributes: true,
      subtree: true,
    });
  });
  await page.goto(pathToFileURL(pagePath).href);
  await page.waitForSelector('html[data-ready="true"]');
  await page.type('#amount', '8');
  const answered = await page.evaluate(() => performance.now());
  await page.waitForFunction(() => document.getElementById('upper').value === '捌圆整');
  const ready = await page.evaluate(() => window.readyAt);
  console.log(`ready ${ready.toFixed(0)} ms after navigation; a key written by ${answered.toFixed(0)} ms`);
  const clause =
    '第叁条 合同总价为人民币壹拾万元整（¥100,000.00），首付款人民币叁万元整（¥30,000.00），尾款人民币柒万元整（¥7,000.00）。\n' +
    '乙方应于2024年5月1日前交付设备贰台，押金500元，违约金按合同总价的5%计，即 5,000 元（大写：伍仟元整）。\n' +
    '小写：1680.32\n大写：壹仟陆佰捌拾元零叁角贰分\n\n';
  const text = clause.repeat(Math.ceil(10e6 / Buffer.byteLength(clause)));
  const megabytes = Buffer.byteLength(text) / 1e6;
  const path = save(dir, 'contract-10mb.txt', text);
  const sheets = await driver.open(1280, 900);
  const jobs = () => sheets.$eval('#documents', (d) => Number(d.dataset.jobs ?? 0));
  const started = Date.now();
  await (await sheets.$('#doc-file')).uploadFile(path);
  await sheets.waitForFunction(() => Number(document.getElementById('documents').dataset.jobs ?? 0) > 0, { timeout: 600000 });
  const shown = (Date.now() - started) / 1000;
  const note = await sheets.$eval('#doc-note', (e) => e.textContent);
  const worker = Number(/用时 ([\d.]+) 秒/.exec(note)?.[1] ?? 0.1);
  const summary = await sheets.$eval('#doc-summary', (e) => e.textContent);
  console.log(
    `${megabytes.toFixed(1)} MB contract opened: ${summary}; read and scanned in the worker ${worker} s (${(megabytes / worker).toFixed(0)} MB/s), shown ${shown.toFixed(1)} s after it was picked (${(await jobs()) === 1 ? 'one job' : 'jobs?'})`,
  );
  // The box laid out with the text first: that is the browser's own work, timed apart.
  const [laid, pasted] = await sheets.evaluate(
    (text) =>
      new Promise((resolve) => {
        const box = document.getElementById('doc-text');
        const summary = document.getElementById('doc-summary');
        summary.textContent = '';
        const set = performance.now();
        box.value = text;
        const laid = box.scrollHeight && performance.now() - set;
        requestAnimationFrame(() =>
          setTimeout(() => {
            const at = performance.now();
            new MutationObserver((_, observer) => (observer.disconnect(), resolve([laid, performance.now() - at - 200]))).observe(summary, {
              childList: true,
            });
            box.dispatchEvent(new Event('input'));
          }),
        );
      }),
    text,
  );
  console.log(
    `pasted: the box laid out with it in ${(laid / 1000).toFixed(1)} s; then scanned in ${(pasted / 1000).toFixed(2)} s (${(megabytes / (pasted / 1000)).toFixed(0)} MB/s, the 0.2 s pause after typing not counted)`,
  );
}

const dir = mkdtempSync(join(tmpdir(), 'tessaly-measure-'));
// A browser of its own for each file: Chromium asks before a page downloads a third file.
let driver;
try {
  console.log(`page: ${(statSync(pagePath).size / 1024).toFixed(0)} KB`);
  if (sizes[0] === 'documents') {
    driver = await launch();
    await documents(driver, dir);
    sizes.length = 0;
    sizes.push('none');
  }
  for (const size of sizes.length ? sizes : ['100000', '1000000']) {
    if (size === 'none') break;
    const [count, width = 4] = size.split('x').map(Number);
    const rows = ledger(count, width);
    const xlsx = new Uint8Array(
      await writeXlsx(
        { rows, formats: [] },
        4,
        () => [],
        'Sheet1',
        () => {},
      ).arrayBuffer(),
    );
    for (const [name, bytes] of [
      [`ledger-${count}.xlsx`, xlsx],
      [`ledger-${count}.csv`, csvOf(rows)],
    ]) {
      const path = save(dir, name, bytes);
      await driver?.close();
      driver = await launch();
      const sheets = sheetDriver(driver, await driver.open(1280, 900));
      const time = async (act) => {
        const started = Date.now();
        const result = await act();
        return [((Date.now() - started) / 1000).toFixed(1), result];
      };
      const [opened] = await time(() => sheets.open(path, 600000));
      const checked = await sheets.note();
      if (await sheets.isProblem()) {
        console.log(`${name}: ${checked}`);
        continue;
      }
      const [toXlsx, a] = await time(() => sheets.download('xlsx', 600000));
      const [toCsv, b] = await time(() => sheets.download('csv', 600000));
      console.log(
        `${name} (${(bytes.length / 2 ** 20).toFixed(1)} MB): ${await sheets.summary()}; opened and checked ${opened} s (${checked}); .xlsx download ${toXlsx} s (${(a.length / 2 ** 20).toFixed(1)} MB); CSV download ${toCsv} s (${(b.length / 2 ** 20).toFixed(1)} MB)`,
      );
    }
  }
} finally {
  await driver?.close();
  rmSync(dir, { recursive: true, force: true });
}

// Times the page on large ledgers: a workbook and a CSV of 100,000 and 1,000,000 rows, each opened,
// checked and downloaded both ways, in headless Chromium as the tests drive it. Run after the build:
//   node web/page/measure.mjs [rows or rows×columns, e.g. 700000x10 ...]
import { mkdtempSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
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

const dir = mkdtempSync(join(tmpdir(), 'tessaly-measure-'));
// A browser of its own for each file: Chromium asks before a page downloads a third file.
let driver;
try {
  console.log(`page: ${(statSync(pagePath).size / 1024).toFixed(0)} KB`);
  for (const size of sizes.length ? sizes : ['100000', '1000000']) {
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

// Spreadsheets checked in the page in headless Chromium, driven as a user drives it: sheets as
// users have them, made by other programs (exceljs, LibreOffice), a ledger of 100,000 rows, and
// hostile files; downloads read back with exceljs. What the readers make of a file on their own
// is proven in readers.test.mjs; here, what only the page shows.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';

import { loadSync, root } from './support.mjs';
import { bomb, cells, gbk, workbook } from './files.mjs';
import { session } from './driver.mjs';

const require = createRequire(`${root}web/page/package.json`);
const ExcelJS = require('exceljs');
const { unzipSync, strFromU8 } = require('fflate');
const engine = loadSync();
const upper = (amount) => engine.write(String(amount)).text;
const s = session(1280, 900);

// A workbook as exceljs writes it: sheets of rows, each cell a value or { value, numFmt }.
async function excel(book) {
  const made = new ExcelJS.Workbook();
  for (const [name, rows] of book) {
    const sheet = made.addWorksheet(name);
    const put = (cell, r, c) => cell !== '' && Object.assign(sheet.getCell(r + 1, c + 1), cell?.numFmt ? cell : { value: cell });
    rows.forEach((row, r) => row.forEach((cell, c) => put(cell, r, c)));
  }
  return Buffer.from(await made.xlsx.writeBuffer());
}

// A workbook LibreOffice saves from CSV text, as a user converting a CSV would.
function libreOffice(name, csv) {
  s.file(name.replace(/xlsx$/, 'csv'), csv);
  s.office(name.replace(/xlsx$/, 'csv'), 'xlsx', '--infilter=CSV:44,34,76');
  return readFileSync(join(s.dir, name));
}

// The first sheet of a downloaded workbook, as exceljs reads it.
async function readBack(bytes) {
  const book = new ExcelJS.Workbook();
  await book.xlsx.load(bytes);
  return book.worksheets[0];
}
const values = (sheet, row) => sheet.getRow(row).values.slice(1);

const yuan = '"￥"#,##0.00;"￥"-#,##0.00';
const date = (y, m, d) => ({ value: new Date(Date.UTC(y, m - 1, d)), numFmt: 'yyyy-mm-dd' });

// Opens a file (dropped on the page when `drop`) and checks what the page made of it: the counts,
// the header row and the two columns chosen; the 工作表 control shown only for several sheets.
async function opens(name, bytes, summary, chosen, drop) {
  await (drop ? s.sheets.drop : s.sheets.open)(s.file(name, bytes));
  assert.equal(await s.sheets.summary(), summary, name);
  assert.deepEqual(await s.sheets.chosen('header-row', 'amount-column', 'upper-column'), chosen, name);
  const [shown, sheets] = await s.page.$eval('#sheet-pick', (p) => [p.checkVisibility(), p.querySelectorAll('option').length]);
  assert.equal(shown, sheets > 1, name);
}

test('sheets as users have them: the sheet, the header row and the two columns found, with exact counts', async () => {
  // A new book's first sheet left empty, the data on the next, a summary after it.
  const book = [
    ['日期', '金额', '大写'],
    [date(2026, 1, 5), { value: -8, numFmt: '#,##0.00;(#,##0.00)' }, upper(-8)],
    [{ value: 46028, numFmt: 'yyyy"年"m"月"d"日"' }, { value: 1680.32, numFmt: yuan }, upper(1681.32)],
    ['', 15, '拾伍圆整'],
  ];
  const bytes = await excel([
    ['空', []],
    ['发票', book],
    ['汇总', [[1687.32, upper(1687.32)]]],
  ]);
  await opens('账簿.xlsx', bytes, '共 3 行，正确 1，警告 1，错误 1', ['第 1 行：日期 | 金额 | 大写', 'B：金额', 'C：大写']);
  assert.deepEqual(await s.sheets.chosen('sheet-choice'), ['发票']);
  // Downloaded as CSV, dates and amounts are written as the sheet shows them.
  const csv = (await s.sheets.download('csv')).toString('utf8').replace(/,(正确|警告|错误),.*$/gm, ',$1');
  const shown = ['2026-01-05,(8.00),' + upper(-8) + ',正确', '2026年1月6日,"￥1,680.32",' + upper(1681.32) + ',错误', ',15,拾伍圆整,警告'];
  assert.equal(csv, ['\ufeff日期,金额,大写,结果,说明', ...shown, ''].join('\r\n'));
  assert.ok(await s.page.$('aria/工作表[role="combobox"]'));
  await s.sheets.choose('sheet-choice', /汇总/);
  assert.equal(await s.sheets.summary(), '共 1 行，正确 1，警告 0，错误 0');
  await s.sheets.choose('sheet-choice', /空/);
  assert.match(await s.sheets.note(), /工作表“空”是空的/);

  // A title and a unit line above the header, saved by LibreOffice; a total row checked like any other.
  const titled = [
    '2024年3月付款明细表',
    '编制单位：某某有限公司,,,单位：元',
    '',
    '序号,日期,摘要,金额,大写金额',
    `1,2024-03-01,货款,41823.51,${upper(41823.51)}`,
    `2,2024-03-02,货款,100010000,${upper(100010001)}`,
    '3,2024-03-03,货款,15,拾伍圆整',
    `合计,,,100051838.51,${upper(100051838.51)}`,
  ];
  const office = libreOffice('付款明细.xlsx', [...titled, ''].join('\r\n'));
  await opens('付款明细.xlsx', office, '共 4 行，正确 2，警告 1，错误 1', ['第 4 行：序号 | 日期 | 摘要 | 金额', 'D：金额', 'E：大写金额']);
  assert.ok(await s.page.$('aria/表头行[role="combobox"]'));
  await s.sheets.choose('header-row', /第 5 行/);
  assert.equal(await s.sheets.summary(), '共 3 行，正确 1，警告 1，错误 1');

  // Four amounts: the uppercase pairs with the one whose title it repeats.
  const invoices = [
    ['发票号码', '金额', '税额', '价税合计', '价税合计（大写）'],
    ...[1, 2, 3].map((n) => [`0451234${n}`, 100 * n, 13 * n, 113 * n, upper(n < 3 ? 113 * n : 340)]),
  ];
  const chosen = ['第 1 行：发票号码 | 金额 | 税额 | 价税合计', 'D：价税合计', 'E：价税合计（大写）'];
  await opens('发票清单.xlsx', await excel([['清单', invoices]]), '共 3 行，正确 2，警告 0，错误 1', chosen);

  // Amounts as Excel and WPS write what a cell shows (a sign in the middle or text after the
  // number stays wrong), with dates and ids, in GBK, dropped on the page.
  const signs = [
    ...['"1,680.32"', '"￥1,680.32"', '"RMB 1,680.32"', '1680.32元'].map((shown) => `${shown},${upper(1680.32)}`),
    ...['-￥8.00', '"￥(8.00)"', '(8.00)'].map((shown) => `${shown},${upper(-8)}`),
    ...['1￥680.32', '￥1680.32元'].map((shown) => `${shown},${upper(1680.32)}`),
  ];
  const ids = ['2026-01-05,04512345,110101199003071234', '2026/1/6,4512346,110101199003071235'];
  const text = ['日期,发票号,身份证号,金额,大写', ...signs.map((line, i) => `${ids[i] ?? ',,'},${line}`), ''].join('\r\n');
  const columns = ['第 1 行：日期 | 发票号 | 身份证号 | 金额', 'D：金额', 'E：大写'];
  await opens('货款.csv', gbk(text), '共 9 行，正确 7，警告 0，错误 2', columns, true);
  assert.match(await s.sheets.note(), /GB18030/);
  const failing = (await s.sheets.shown()).filter((r) => r[3] === '错误');
  const refused = failing.map((r) => r[1]);
  assert.deepEqual(refused, ['1￥680.32', '￥1680.32元']);
  // Downloaded as .xlsx, what a spreadsheet would read as a number or a date is one; ids stay text.
  const back = await readBack(await s.sheets.download('xlsx'));
  const day = (d) => new Date(Date.UTC(2026, 0, d));
  assert.deepEqual(values(back, 2).slice(0, 6), [day(5), '04512345', '110101199003071234', 1680.32, upper(1680.32), '正确']);
  assert.deepEqual([back.getCell('D2').numFmt, back.getCell('A3').value], ['#,##0.00', day(6)]);
  // The file stays at hand, for a browser that held its download back.
  const saved = await s.page.$eval('#saved', (a) => [a.textContent, a.download, a.href.slice(0, 5)]);
  assert.deepEqual(saved, ['如果浏览器没有开始下载，请点这里保存 货款-核对结果.xlsx', '货款-核对结果.xlsx', 'blob:']);

  // Numbers as the sheet shows them, in the table and the messages, in a sheet without a header;
  // an amount or a verdict never split over lines.
  const stored = [
    [{ stored: '1680.3200000000002' }, '壹仟陆佰捌拾圆叁角叁分'],
    [{ stored: '12.344999999999999' }, '壹拾贰圆叁角肆分'],
    [100010000, '壹亿零壹仟圆整'],
    ['9'.repeat(30), upper(1)],
  ];
  const bare = ['无表头（从第 1 行起都核对）', 'A', 'B'];
  await opens('存储的数.xlsx', workbook([{ name: 'S', xml: cells(stored) }]), '共 4 行，正确 0，警告 0，错误 4', bare);
  const rows = await s.sheets.shown();
  assert.deepEqual(rows.map((r) => r[1]).sort(), ['100010000', '12.345', '1680.32', '9'.repeat(30)]);
  for (const row of rows) assert.doesNotMatch(row[4], /12\.3450{3}|1680\.320{3}/);
  const split = await s.page.$$eval('#sheet-rows td.amount, #sheet-rows td.verdict-cell', (tds) =>
    tds.map((td) => {
      const range = document.createRange();
      range.selectNodeContents(td);
      return new Set([...range.getClientRects()].map((r) => Math.round(r.top))).size;
    }),
  );
  assert.deepEqual(new Set(split), new Set([1]));

  // Columns beyond the 1,000th are found and can be chosen.
  const gap = ','.repeat(1498);
  const wide = Buffer.from(`序号${gap},金额,大写\r\n1${gap},2,贰圆整\r\n2${gap},3,贰圆整\r\n`);
  await opens('宽.csv', wide, '共 2 行，正确 1，警告 0，错误 1', ['第 1 行：序号 | 金额 | 大写', 'BER：金额', 'BES：大写']);
  await s.sheets.choose('amount-column', /^A：序号/);
  assert.deepEqual([await s.sheets.summary(), ...(await s.sheets.chosen('amount-column'))], ['共 2 行，正确 1，警告 0，错误 1', 'A：序号']);
});

// Notes a spreadsheet would take for formulas, and numbers it must leave alone.
const notes = ['=1+1', '@SUM(A1)', '+86 10 1234', '-2+3', '\tcmd', '-5', '1,234.5', 'a;=1+1'];
const notesInCsv = ["'=1+1", "'@SUM(A1)", "'+86 10 1234", "'-2+3", '"\'\tcmd"', '-5', '"1,234.5"', '"a;=1+1"'];

// A ledger with known faults: every 997th amount disagrees with its uppercase; every 1999th (when
// not already wrong) is 15 written 拾伍圆整, a warning.
function ledger(count) {
  const amounts = Array.from({ length: count }, (_, i) => ((((i + 1) * 2654435761) % 100000000) / 100).toFixed(2));
  const uppers = engine.writeMany(amounts).map((w) => w.text);
  const expected = { 正确: 0, 警告: 0, 错误: 0 };
  const rows = amounts.map((amount, i) => {
    const [kind, digits, upper] =
      i % 997 === 996 ? ['错误', amount, uppers[i + 1]] : i % 1999 === 1998 ? ['警告', '15', '拾伍圆整'] : ['正确', amount, uppers[i]];
    expected[kind] += 1;
    return [i + 1, Number(digits), upper, notes[i] ?? (i === 996 ? '<b>粗体</b>' : '')];
  });
  return { rows: [['序号', '金额', '大写金额', '备注'], ...rows], expected };
}

test('a workbook of 100,000 rows: counts, rows at fault first, both downloads read back', async () => {
  const count = 100000;
  const { rows, expected } = ledger(count);
  const styles = '<cellXfs count="2"><xf/><xf numFmtId="4"/></cellXfs>';
  await s.sheets.open(s.file('台账.xlsx', workbook([{ name: '台账', xml: cells(rows, 1) }], { styles })));
  assert.equal(await s.sheets.summary(), `共 ${count} 行，正确 ${expected.正确}，警告 ${expected.警告}，错误 ${expected.错误}`);
  const controls = ['表头行', '金额列', '大写列', '下载格式'].map((name) => `${name}[role="combobox"]`);
  for (const named of [...controls, '下载核对结果[role="button"]', '表格核对结果[role="region"]'])
    assert.ok(await s.page.$(`aria/${named}`), named);
  const shown = await s.sheets.shown();
  assert.deepEqual([shown[0][0], shown[0][3], shown[expected.错误][3]], ['998', '错误', '警告']);
  assert.equal(await s.page.$$eval('#sheet-rows b', (b) => b.length), 0, 'a cell is never markup');

  const bytes = await s.sheets.download('xlsx');
  // The page writes a styles part of its own, with the number formats its cells use.
  assert.match(strFromU8(unzipSync(bytes)['xl/styles.xml']), /<numFmt numFmtId="164" formatCode="#,##0.00"\/>/);
  const back = await readBack(bytes);
  assert.deepEqual(
    [back.rowCount, back.getCell('B2').numFmt, ...values(back, 1)],
    [count + 1, '#,##0.00', '序号', '金额', '大写金额', '备注', '结果', '说明'],
  );
  const tally = { 正确: 0, 警告: 0, 错误: 0 };
  back.eachRow((row, n) => {
    assert.equal(row.getCell(4).formula, undefined);
    if (n > 1) tally[row.getCell(5).value] += 1;
  });
  assert.deepEqual(tally, expected);
  const kept = notes.map((_, i) => back.getCell(i + 2, 4).value);
  assert.deepEqual(kept, notes);
  const findings = engine.check(String(rows[997][1]), rows[997][2]).findings;
  assert.equal(back.getCell(998, 6).value, findings.map((f) => f.message).join('；'));

  const lines = (await s.sheets.download('csv')).toString('utf8').split('\r\n');
  assert.deepEqual([lines.length, lines[0]], [count + 2, '\ufeff序号,金额,大写金额,备注,结果,说明']);
  notesInCsv.forEach((note, i) => assert.ok(lines[i + 1].endsWith(`,${note},正确,`), lines[i + 1]));
  assert.deepEqual(await s.axe(), [], 'accessibility with a checked sheet');
});

test('sparse sheets: a cell in column XFD on every row, a note far to the right', async () => {
  const far = Array.from({ length: 100000 }, (_, r) => `<row r="${r + 1}"><c r="XFD${r + 1}"><v>${r}</v></c></row>`).join('');
  await s.sheets.open(s.file('XFD 列.xlsx', workbook([{ name: 'S', xml: far }])));
  assert.match(await s.sheets.summary(), /共 100000 行/);
  // No room for the verdicts right of the checked columns: said, and the results stay.
  await s.sheets.job(() => s.page.click('#download'));
  assert.match(await s.sheets.note(), /最后一列/);
  assert.equal(await s.page.$eval('#sheet-result', (r) => r.hidden), false);
  // The verdicts go in the first free columns right of the checked ones, not after the note.
  const note = '<c r="XFD1" t="inlineStr"><is><t>备注</t></is></c></row>';
  const head = ['金额', '大写'];
  const xml = cells([head, [1, '壹圆整']]).replace('</row>', note);
  await s.sheets.open(s.file('远处备注.xlsx', workbook([{ name: 'S', xml }])));
  const back = await readBack(await s.sheets.download('xlsx'));
  const written = [...values(back, 1).slice(0, 4), back.getCell('XFD1').value, ...values(back, 2)];
  assert.deepEqual(written, [...head, '结果', '说明', '备注', 1, '壹圆整', '正确']);
});

test('hostile files: a clear message while the page goes on working; 停止 ends a job', async () => {
  const bombed = bomb(69);
  const big = Buffer.concat([Buffer.from('金额,大写\r\n1,"'), Buffer.alloc(100 * 2 ** 20, 'A'), Buffer.from('"\r\n')]);
  for (const [name, bytes, message] of [
    ['压缩炸弹.xlsx', bombed, /解压后超过 1024 MB，太大了/],
    ['大单元格.csv', big, /第 2 行第 2 列超过 32767 个字/],
  ]) {
    await s.sheets.job(async () => {
      await s.sheets.pick(s.file(name, bytes));
      // The page answers while the worker reads.
      await s.page.type('#amount', '3.2');
      assert.equal(await s.page.$eval('#upper', (e) => e.value), '叁圆贰角整');
      await s.page.$eval('#amount', (e) => (e.value = ''));
    });
    const shown = [await s.sheets.isProblem(), await s.page.$eval('#sheet-result', (r) => r.hidden)];
    assert.deepEqual(shown, [true, true], name);
    assert.match(await s.sheets.note(), message, name);
  }
  // 停止 ends a job under way, here the inflating of a bomb; a fast machine may finish first.
  for (let i = 0; i < 3 && (await s.sheets.note()) !== '已停止。'; i++) {
    await s.sheets.job(() => s.sheets.pick(s.file(`stop${i}.xlsx`, bombed)).then(() => s.page.click('#stop').catch(() => {})));
  }
  assert.equal(await s.sheets.note(), '已停止。');
  await s.sheets.open(s.file('after.csv', Buffer.from('金额,大写\n1,壹圆整\n')));
  assert.equal(await s.sheets.summary(), '共 1 行，正确 1，警告 0，错误 0');
});

test('a file opened while the worker starts is read, and sheets stay on', async () => {
  await s.reload();
  await s.sheets.open(s.file('坏.xlsx', Buffer.from('PK\x03\x04 坏了')));
  assert.match(await s.sheets.note(), /已损坏/);
  await s.sheets.open(s.file('好.csv', Buffer.from('金额,大写\r\n1,壹圆整\r\n')));
  assert.equal(await s.sheets.summary(), '共 1 行，正确 1，警告 0，错误 0');
});

// Spreadsheets as users have them, checked in the page in headless Chromium: workbooks of several
// sheets, titles above the header, invoice lists, amounts with currency signs, made by another
// program (exceljs); and hostile files a security review made. Driven as a user drives the page.
import assert from 'node:assert/strict';
import { createRequire } from 'node:module';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, afterEach, before, test } from 'node:test';

import { launch, loadSync, readXlsxBack, root, save } from './support.mjs';
import { rawZip, workbook } from './files.mjs';
import { sheetDriver } from './driver.mjs';

const ExcelJS = createRequire(`${root}web/page/package.json`)('exceljs');
const engine = loadSync();
const upper = (amount) => engine.write(String(amount)).text;
let driver;
let page;
let files;
let sheets;

before(async () => {
  files = mkdtempSync(join(tmpdir(), 'tessaly-sheets-'));
  driver = await launch();
  page = await driver.open(1280, 900);
  sheets = sheetDriver(driver, page);
});

after(async () => {
  await driver?.close();
  rmSync(files, { recursive: true, force: true });
});

afterEach(() => {
  assert.deepEqual(driver.requests, [], 'network requests');
  assert.deepEqual(driver.problems, [], 'errors in the page');
});

// A workbook as exceljs writes it: sheets of rows, each cell a value or { value, numFmt }.
async function excel(book) {
  const made = new ExcelJS.Workbook();
  for (const [name, rows = []] of book) {
    const sheet = made.addWorksheet(name);
    rows.forEach((row, r) =>
      row.forEach((cell, c) => {
        if (cell === undefined || cell === '') return;
        const target = sheet.getCell(r + 1, c + 1);
        target.value = cell?.numFmt ? cell.value : cell;
        if (cell?.numFmt) target.numFmt = cell.numFmt;
      }),
    );
  }
  return Buffer.from(await made.xlsx.writeBuffer());
}

const yuan = '"￥"#,##0.00;"￥"-#,##0.00';
// Rows of amounts and their uppercase: right, wrong by a yuan, and 15 as 拾伍圆整 (a warning).
const three = (amounts, format) => [
  [format ? { value: amounts[0], numFmt: format } : amounts[0], upper(amounts[0])],
  [format ? { value: amounts[1], numFmt: format } : amounts[1], upper(amounts[1] + 1)],
  [15, '拾伍圆整'],
];

test('workbooks as users have them: the sheet, the header row and the two columns found', async () => {
  const cases = [
    {
      name: '新建工作簿.xlsx',
      book: [['Sheet1', [['金额', '大写金额'], ...three([41823.51, 8])]], ['Sheet2'], ['Sheet3']],
      sheet: 'Sheet1',
      chosen: ['第 1 行：金额 | 大写金额', 'A：金额', 'B：大写金额'],
      summary: '共 3 行，正确 1，警告 1，错误 1',
    },
    {
      name: '发票与汇总.xlsx',
      book: [
        ['发票', [['金额', '大写'], ...three([1680.32, 2])]],
        [
          '汇总',
          [
            ['合计', '大写'],
            [1697.32, upper(1697.32)],
          ],
        ],
      ],
      sheet: '发票',
      chosen: ['第 1 行：金额 | 大写', 'A：金额', 'B：大写'],
      summary: '共 3 行，正确 1，警告 1，错误 1',
    },
    {
      name: '付款明细.xlsx',
      book: [
        [
          '3月',
          [
            ['2024年3月付款明细表'],
            ['编制单位：某某有限公司', '', '', '单位：元'],
            [],
            ['序号', '日期', '摘要', '金额', '大写金额'],
            ...three([41823.51, 100010000], yuan).map(([a, u], i) => [
              i + 1,
              { value: new Date(Date.UTC(2024, 2, i + 1)), numFmt: 'yyyy-mm-dd' },
              '货款',
              a,
              u,
            ]),
            ['合计', '', '', { value: 100051852.51, numFmt: yuan }, upper(100051852.51)],
          ],
        ],
      ],
      sheet: '3月',
      chosen: ['第 4 行：序号 | 日期 | 摘要 | 金额', 'D：金额', 'E：大写金额'],
      summary: '共 4 行，正确 2，警告 1，错误 1',
    },
    {
      name: '发票清单.xlsx',
      book: [
        [
          '清单',
          [
            ['发票号码', '金额', '税额', '价税合计', '价税合计（大写）'],
            ['04512345', 100, 13, 113, upper(113)],
            ['04512346', 200, 26, 226, upper(226)],
            ['04512347', 300, 39, 339, upper(340)],
          ],
        ],
      ],
      sheet: '清单',
      chosen: ['第 1 行：发票号码 | 金额 | 税额 | 价税合计', 'D：价税合计', 'E：价税合计（大写）'],
      summary: '共 3 行，正确 2，警告 0，错误 1',
    },
    {
      // No header: the amount is the column the uppercase names, not the nearer count beside it.
      name: '无表头.xlsx',
      book: [
        [
          'Sheet1',
          [
            [8, 41823.51, 3, upper(41823.51)],
            [9, 1680.32, 4, upper(1680.32)],
            [10, 0.5, 5, upper(0.5)],
          ],
        ],
      ],
      sheet: 'Sheet1',
      chosen: ['无表头（从第 1 行起都核对）', 'B', 'D'],
      summary: '共 3 行，正确 3，警告 0，错误 0',
    },
  ];
  for (const { name, book, sheet, chosen, summary } of cases) {
    await sheets.open(save(files, name, await excel(book)));
    assert.equal(await sheets.summary(), summary, name);
    assert.deepEqual(await sheets.chosen('header-row', 'amount-column', 'upper-column'), chosen, name);
    assert.equal(await page.$eval('#sheet-pick', (p) => getComputedStyle(p).display === 'none'), book.length < 2, name);
    assert.equal((await sheets.chosen('sheet-choice'))[0], sheet, name);
  }
  // Another sheet, and another header row, chosen by keyboard.
  await sheets.open(save(files, 'b.xlsx', await excel(cases[1].book)));
  assert.ok(await page.$('aria/工作表[role="combobox"]'));
  await sheets.choose('sheet-choice', /汇总/);
  assert.equal(await sheets.summary(), '共 1 行，正确 1，警告 0，错误 0');
  await sheets.open(save(files, 'c.xlsx', await excel(cases[2].book)));
  assert.ok(await page.$('aria/表头行[role="combobox"]'));
  await sheets.choose('header-row', /第 5 行/);
  assert.equal(await sheets.summary(), '共 3 行，正确 1，警告 1，错误 1');
  // An empty sheet says so, and another can be picked.
  await sheets.open(
    save(
      files,
      'd.xlsx',
      await excel([
        ['空', []],
        [
          '数据',
          [
            ['金额', '大写'],
            [1, '壹圆整'],
          ],
        ],
      ]),
    ),
  );
  assert.equal((await sheets.chosen('sheet-choice'))[0], '数据');
  await sheets.choose('sheet-choice', /空/);
  assert.match(await sheets.note(), /工作表“空”是空的/);
});

test('amounts written with currency signs, in CSV as Excel and WPS write what a cell shows', async () => {
  const written = [
    ['￥41,823.51', 41823.51],
    ['-￥8.00', -8],
    ['¥1,680.32', 1680.32],
    ['￥-8.00', -8],
    ['RMB 1,680.32', 1680.32],
    ['1,680.32元', 1680.32],
    ['(8.00)', -8],
    ['￥(8.00)', -8],
  ];
  // A sign in the middle, two signs, text after the number.
  const refused = [
    ['1￥680.32', 1680.32],
    ['￥￥8.00', 8],
    ['￥8.00元', 8],
    ['8.00元整', 8],
  ];
  const lines = [...written, ...refused].map(([t, amount]) => `"${t}",${upper(amount)}`);
  await sheets.open(save(files, '币种.csv', Buffer.from(`金额,大写金额\r\n${lines.join('\r\n')}\r\n`)));
  assert.equal(await sheets.summary(), `共 ${lines.length} 行，正确 ${written.length}，警告 0，错误 ${refused.length}`);
  const failing = (await sheets.shown()).filter((r) => r[3] === '错误').map((r) => r[1]);
  assert.deepEqual(failing.sort(), refused.map(([t]) => t).sort());
});

test('numbers as the sheet shows them, in the table and in the messages', async () => {
  const stored = workbook([
    {
      name: 'S',
      xml: '<row r="1"><c r="A1" t="inlineStr"><is><t>金额</t></is></c><c r="B1" t="inlineStr"><is><t>大写</t></is></c></row><row r="2"><c r="A2"><v>1680.3200000000002</v></c><c r="B2" t="inlineStr"><is><t>壹仟陆佰捌拾圆叁角叁分</t></is></c></row><row r="3"><c r="A3"><v>12.344999999999999</v></c><c r="B3" t="inlineStr"><is><t>壹拾贰圆叁角肆分</t></is></c></row>',
    },
  ]);
  await sheets.open(save(files, '存储的数.xlsx', stored));
  const shown = await sheets.shown();
  assert.deepEqual(shown.map((r) => r[1]).sort(), ['12.345', '1680.32']);
  for (const row of shown) assert.doesNotMatch(row[4], /12\.3450{3}|1680\.320{3}/, row[4]);
});

test('the download keeps numbers numbers, long ids text, and dates dates, from CSV and to CSV', async () => {
  const csv =
    '日期,发票号,身份证号,金额,大写\r\n2026-01-05,04512345,110101199003071234,"1,680.32",壹仟陆佰捌拾圆叁角贰分\r\n2026/1/6,4512346,110101199003071235,8,捌圆整\r\n';
  await sheets.open(save(files, '来自 CSV.csv', Buffer.from(csv)));
  assert.equal(await sheets.summary(), '共 2 行，正确 2，警告 0，错误 0');
  const back = readXlsxBack(await sheets.download('xlsx'));
  // The file stays at hand, for a browser that held its download back.
  assert.deepEqual(await page.$eval('#saved', (a) => [a.textContent, a.download, a.href.slice(0, 5)]), [
    '如果浏览器没有开始下载，请点这里保存 来自 CSV-核对结果.xlsx',
    '来自 CSV-核对结果.xlsx',
    'blob:',
  ]);
  const cells = [...back.sheet.matchAll(/<c r="([A-Z]+2)"([^>]*)>(.*?)<\/c>/g)].map(([, ref, attrs, inner]) => [
    ref,
    /t="inlineStr"/.test(attrs) ? 'text' : /s="/.test(attrs) ? 'styled' : 'number',
    inner.replace(/<[^>]+>/g, ''),
  ]);
  assert.deepEqual(cells, [
    ['A2', 'styled', '46027'],
    ['B2', 'text', '04512345'],
    ['C2', 'text', '110101199003071234'],
    ['D2', 'styled', '1680.32'],
    ['E2', 'text', '壹仟陆佰捌拾圆叁角贰分'],
    ['F2', 'text', '正确'],
  ]);
  assert.match(Buffer.from(back.files['xl/styles.xml']).toString(), /formatCode="yyyy-mm-dd"/);

  const book = await excel([
    [
      '账',
      [
        ['日期', '金额', '大写'],
        [{ value: new Date(Date.UTC(2026, 0, 5)), numFmt: 'yyyy-mm-dd' }, { value: -8, numFmt: '#,##0.00;(#,##0.00)' }, upper(-8)],
        [{ value: 46028, numFmt: 'yyyy"年"m"月"d"日"' }, { value: 1680.32, numFmt: yuan }, upper(1680.32)],
      ],
    ],
  ]);
  await sheets.open(save(files, '账.xlsx', book));
  const text = (await sheets.download('csv')).toString('utf8');
  assert.equal(
    text,
    `\ufeff日期,金额,大写,结果,说明\r\n2026-01-05,(8.00),${upper(-8)},正确,\r\n2026年1月6日,"￥1,680.32",壹仟陆佰捌拾圆叁角贰分,正确,\r\n`,
  );
});

test('CSV downloads are safe to open whatever a spreadsheet splits them on', async () => {
  const notes = ['=1+1', 'a;=1+1', 'b\t=1+1', '@SUM(A1)', '-2+3', '+86 10', '"引号"', '-5'];
  const safe = ["'=1+1", '"a;=1+1"', '"b\t=1+1"', "'@SUM(A1)", "'-2+3", "'+86 10", '"""引号"""', '-5'];
  for (const [name, separator] of [
    ['分号.csv', ';'],
    ['制表符.txt', '\t'],
  ]) {
    const quote = (t) => `"${t.replace(/"/g, '""')}"`;
    const body = notes.map((n) => ['1', '壹圆整', quote(n)].join(separator)).join('\r\n');
    await sheets.open(save(files, name, Buffer.from(`金额${separator}大写${separator}备注\r\n${body}\r\n`)));
    assert.equal(await sheets.summary(), `共 ${notes.length} 行，正确 ${notes.length}，警告 0，错误 0`, name);
    const lines = (await sheets.download('csv')).toString('utf8').slice(1).split('\r\n');
    assert.deepEqual(
      lines.slice(1, -1),
      safe.map((s) => `1,壹圆整,${s},正确,`),
      name,
    );
  }
});

test('the rows a workbook hides from a spreadsheet are no data; a damaged workbook is refused', async () => {
  const main = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main';
  const s = (t) => `<is><t>${t}</t></is>`;
  // A spreadsheet shows row 2 as 100 / 壹万圆整 and row 3 as 1 / 壹圆整.
  const crafted = `<x:worksheet xmlns:x="${main}" xmlns:o="urn:other"><x:sheetData>
    <x:row r="1"><x:c r="A1" t="inlineStr">${s('金额').replace(/<(\/?)(is|t)>/g, '<$1x:$2>')}</x:c><x:c r="B1" t="inlineStr"><x:is><x:t>大写</x:t></x:is></x:c></x:row>
    <!-- <x:row r="2"><x:c r="A2"><x:v>10000</x:v></x:c></x:row> -->
    <x:row r="2"><x:c r="A2"><x:v>100</x:v><o:v>10000</o:v></x:c><?hidden <x:c r="B2" t="inlineStr"><x:is><x:t>壹佰圆整</x:t></x:is></x:c>?><x:c r="B2" t="inlineStr"><x:is><x:t>壹万圆整</x:t><x:rPh><x:t>壹佰圆整</x:t></x:rPh></x:is></x:c></x:row>
    <o:row r="3"><x:c r="A3"><x:v>5</x:v></x:c></o:row>
    <x:row r="3"><x:c r="A3"><x:v>1</x:v></x:c><x:c r="B3" t="inlineStr"><x:is><x:t><![CDATA[壹圆整]]></x:t></x:is></x:c></x:row>
  </x:sheetData><x:extLst><x:ext><x:row r="2"><x:c r="B2" t="inlineStr"><x:is><x:t>壹佰圆整</x:t></x:is></x:c></x:row></x:ext></x:extLst></x:worksheet>`;
  await sheets.open(save(files, '夹带.xlsx', workbook([{ name: 'S' }], { sheetXml: () => crafted })));
  assert.equal(await sheets.summary(), '共 2 行，正确 1，警告 0，错误 1');
  assert.deepEqual(
    (await sheets.shown()).map((r) => r.slice(0, 4)),
    [
      ['2', '100', '壹万圆整', '错误'],
      ['3', '1', '壹圆整', '正确'],
    ],
  );
  const back = readXlsxBack(await sheets.download('xlsx'));
  assert.doesNotMatch(back.sheet, /壹佰圆整|<v>10000</);

  const good = { 'a.xml': 'x' };
  const cases = [
    [
      '重复行.xlsx',
      workbook([{ name: 'S', xml: '<row r="2"><c r="A2"><v>1</v></c></row><row r="2"><c r="A2"><v>100</v></c></row>' }]),
      /第 2 行在文件里出现了两次/,
    ],
    ['校验.xlsx', rawZip({ ...good, '[Content_Types].xml': '<x/>', 'xl/workbook.xml': '<x/>' }, { badCrc: true }), /校验码不符/],
    ['加密.xlsx', rawZip({ 'xl/workbook.xml': '<x/>' }, { encrypted: true }), /密码/],
    [
      '表格.ods',
      rawZip({ mimetype: 'application/vnd.oasis.opendocument.spreadsheet', 'content.xml': '<x/>' }),
      /OpenDocument.*\.xlsx 或 CSV/,
    ],
    ['文档.docx', rawZip({ 'word/document.xml': '<x/>' }), /Word 文档/],
    ['旧表.xls', Buffer.from([0xd0, 0xcf, 0x11, 0xe0, 0xa1, 0xb1, 0x1a, 0xe1, 0, 0, 0, 0]), /旧版 Excel.*\.xlsx 或 CSV/],
  ];
  for (const [name, bytes, message] of cases) {
    await sheets.open(save(files, name, bytes));
    assert.match(await sheets.note(), message, name);
    assert.equal(await sheets.isProblem(), true, name);
  }
});

test('odd and hostile shapes: sparse, wide, long, repeated; no file takes the tab down', async () => {
  const cells = (n, cell) => Array.from({ length: n }, (_, r) => `<row r="${r + 1}">${cell(r + 1)}</row>`).join('');
  const ledger = (n) => Array.from({ length: n }, (_, i) => `${i + 1},${upper(i + 1)}`).join('\r\n');
  const repeated = `<si><t>${'壹'.repeat(30000)}</t></si>`;
  const cases = [
    ['XFD 列.xlsx', workbook([{ name: 'S', xml: cells(100000, (r) => `<c r="XFD${r}"><v>${r}</v></c>`) }]), /共 100000 行/, /最后一列/],
    [
      '远处备注.xlsx',
      workbook([
        {
          name: 'S',
          xml: `<row r="1"><c r="A1" t="inlineStr"><is><t>金额</t></is></c><c r="B1" t="inlineStr"><is><t>大写</t></is></c><c r="XFD1" t="inlineStr"><is><t>备注</t></is></c></row>${cells(150000, (r) => `<c r="A${r + 1}"><v>1</v></c><c r="B${r + 1}" t="inlineStr"><is><t>壹圆整</t></is></c>`).replace(/<row r="(\d+)">/g, (_, n) => `<row r="${Number(n) + 1}">`)}`,
        },
      ]),
      /共 150000 行，正确 150000/,
      'xlsx',
    ],
    ['宽表头.csv', Buffer.from(`金额,大写${','.repeat(16381)}\r\n1,壹圆整\r\n`), /共 1 行，正确 1/, 'csv'],
    ['回车.csv', Buffer.from('金额,大写\r1,壹圆整\r2,贰圆整\r'), /共 2 行，正确 2/],
    ['长备注.csv', Buffer.from(`金额,大写,备注\r\n1,壹圆整,"${','.repeat(20000)}"\r\n`), /共 1 行，正确 1/],
    ['整表.csv', Buffer.from(`金额,大写\r\n${ledger(9)}\r\n${'\r\n'.repeat(1048576 - 10)}`), /共 9 行，正确 9/],
    [
      '重复的字.xlsx',
      workbook([{ name: 'S', xml: cells(300, (r) => `<c r="A${r}" t="s"><v>0</v></c><c r="B${r}"><v>${'9'.repeat(300)}</v></c>`) }], {
        strings: repeated,
      }),
      /共 300 行/,
    ],
  ];
  for (const [name, bytes, summary, download] of cases) {
    const started = Date.now();
    await sheets.open(save(files, name, bytes));
    assert.match(await sheets.summary(), summary, `${name}: ${await sheets.note()}`);
    assert.ok(Date.now() - started < 30000, `${name}: ${Date.now() - started} ms`);
    if (download instanceof RegExp) {
      await sheets.job(() => page.click('#download'));
      assert.match(await sheets.note(), download, name);
      assert.equal(await page.$eval('#sheet-result', (r) => r.hidden), false, `${name}: the results stay`);
    } else if (download) assert.ok((await sheets.download(download)).length > 0, name);
  }
});

test('columns far to the right are found and can be chosen', async () => {
  const gap = ','.repeat(1498);
  await sheets.open(save(files, '宽.csv', Buffer.from(`序号${gap},金额,大写\r\n1${gap},2,贰圆整\r\n2${gap},3,贰圆整\r\n`)));
  assert.equal(await sheets.summary(), '共 2 行，正确 1，警告 0，错误 1');
  assert.deepEqual(await sheets.chosen('amount-column', 'upper-column'), ['BER：金额', 'BES：大写']);
  await sheets.choose('amount-column', /^A：序号/);
  assert.equal(await sheets.summary(), '共 2 行，正确 1，警告 0，错误 1');
  assert.deepEqual(await sheets.chosen('amount-column'), ['A：序号']);
});

test('a file opened while the worker starts is read, and sheets stay on', async () => {
  await page.reload({ waitUntil: 'load' });
  await page.waitForSelector('html[data-ready="true"]');
  await sheets.open(save(files, '坏.xlsx', Buffer.from('PK\x03\x04 坏了')));
  assert.match(await sheets.note(), /已损坏/);
  await sheets.open(save(files, '好.csv', Buffer.from('金额,大写\r\n1,壹圆整\r\n')));
  assert.equal(await sheets.summary(), '共 1 行，正确 1，警告 0，错误 0');
});

test('the result table never splits an amount or a verdict; the uppercase box shows its whole text on a phone', async () => {
  await sheets.open(save(files, '长.csv', Buffer.from(`金额,大写\r\n100010000,壹亿零壹仟圆整\r\n${'9'.repeat(30)},${upper(1)}\r\n`)));
  const lines = await page.$$eval('#sheet-rows td.amount, #sheet-rows td.verdict-cell', (tds) =>
    tds.map((td) => {
      const range = document.createRange();
      range.selectNodeContents(td);
      return new Set([...range.getClientRects()].map((r) => Math.round(r.top))).size;
    }),
  );
  assert.deepEqual(
    lines,
    lines.map(() => 1),
  );
  await page.setViewport({ width: 360, height: 800 });
  for (const id of ['prefix', 'wide']) if (!(await page.$eval(`#${id}`, (e) => e.checked))) await page.click(`#${id}`);
  await page.focus('#amount');
  await page.keyboard.type('-9999999999999999.99');
  const box = await page.$eval('#upper', (e) => [e.value.length, e.scrollHeight - e.clientHeight]);
  assert.ok(box[0] > 30 && box[1] <= 0, `the box hides ${box[1]} px`);
  assert.equal(await page.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth), 0);
  await page.evaluate(() => localStorage.clear());
  await page.setViewport({ width: 1280, height: 900 });
});

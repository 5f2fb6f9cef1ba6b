// The page in headless Chromium, driven as a user drives it: keys, clicks, files picked or
// dropped; and no network request at any moment.
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, readdirSync, readFileSync, rmSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launch, pagePath, root, axeSource } from './page/driver.mjs';
import { xlsx, xlsxWithSheet, readXlsxBack, gbk, utf16le, utf16be, zipBomb, save } from './page/fixtures.mjs';

const { loadSync } = await import(join(root, 'build', 'web', 'package', 'node.mjs'));
const engine = loadSync();

let driver;
let page;
let files;

before(async () => {
  assert.ok(existsSync(pagePath), `${pagePath} is missing: run bash scripts/web.sh`);
  files = mkdtempSync(join(tmpdir(), 'tessaly-files-'));
  driver = await launch();
  page = await driver.open();
});

after(async () => {
  await driver?.close();
  if (files) rmSync(files, { recursive: true, force: true });
});

afterEach(() => {
  assert.deepEqual(driver.requests, [], 'network requests');
  assert.deepEqual(driver.problems, [], 'errors in the page');
});

const value = (selector) => page.$eval(selector, (e) => e.value);
const text = (selector) => page.$eval(selector, (e) => e.textContent);

async function clear(selector) {
  await page.focus(selector);
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.press('Backspace');
}

async function retype(selector, typed) {
  await clear(selector);
  await page.type(selector, typed);
}

const jobs = () => page.$eval('#sheets', (s) => Number(s.dataset.jobs ?? 0));

// Runs `act` and waits until the sheet section has finished the job it started.
async function sheetJob(act, timeout = 60000) {
  const before = await jobs();
  await act();
  await page.waitForFunction((n) => Number(document.getElementById('sheets').dataset.jobs ?? 0) > n, { timeout }, before);
}

async function openSheet(path) {
  const input = await page.$('#file');
  await sheetJob(() => input.uploadFile(path));
}

async function download(format) {
  await page.select('#download-format', format);
  const before = new Set(readdirSync(driver.downloads));
  await sheetJob(() => page.click('aria/下载核对结果[role="button"]'));
  for (let i = 0; i < 200; i++) {
    const done = readdirSync(driver.downloads).filter((f) => !before.has(f) && !f.endsWith('.crdownload'));
    if (done.length) return readFileSync(join(driver.downloads, done[0]));
    await new Promise((r) => setTimeout(r, 100));
  }
  throw new Error('no download');
}

const summary = () => text('#sheet-summary');
const sheetNote = () => page.$eval('#sheet-note', (e) => ({ text: e.textContent, problem: e.classList.contains('problem') }));

async function axe() {
  await page.evaluate(axeSource);
  const violations = await page.evaluate(async () => (await window.axe.run(document, { resultTypes: ['violations'] })).violations);
  return violations.filter((v) => v.impact === 'serious' || v.impact === 'critical').map((v) => `${v.id}: ${v.help}`);
}

test('every control has its name, and the page may not reach the network', async () => {
  const names = [
    ['小写金额', 'textbox', 'amount'],
    ['大写金额', 'textbox', 'upper'],
    ['单位', 'combobox', 'unit'],
    ['结尾', 'combobox', 'closing'],
    ['角后写整', 'checkbox', 'closeAfterJiao'],
    ['人民币', 'checkbox', 'prefix'],
    ['十六位', 'checkbox', 'wide'],
    ['复制', 'button', 'copy'],
    ['待核对的大写金额', 'textbox', 'reading-text'],
  ];
  for (const [name, role, id] of names) {
    const found = await page.$(`aria/${name}[role="${role}"]`);
    assert.ok(found, name);
    assert.equal(await found.evaluate((e) => e.id), id, name);
  }
  // The file input is one control with a button inside; its own node carries the name.
  const file = await page.accessibility.snapshot({ root: await page.$('#file'), interestingOnly: false });
  assert.equal(file.name, '打开表格');
  const regions = [];
  const walk = (node) => {
    if (node.role === 'region') regions.push(node.name);
    node.children?.forEach(walk);
  };
  await retype('#amount', '1');
  await retype('#reading-text', '壹圆整');
  walk(await page.accessibility.snapshot({ interestingOnly: false }));
  assert.ok(regions.includes('核对结果'), regions.join());
  assert.equal(await page.$eval('#upper', (e) => e.readOnly), true);
  await clear('#reading-text');
  await clear('#amount');

  const csp = await page.$eval('meta[http-equiv="Content-Security-Policy"]', (m) => m.content);
  assert.match(csp, /default-src 'none'/);
  assert.match(csp, /connect-src 'none'/);
  const refused = await page.evaluate(() => fetch('https://example.com/').then(() => 'fetched', () => 'refused'));
  assert.equal(refused, 'refused');
  assert.ok(driver.problems.some((p) => /Content Security Policy/.test(p)), 'the refusal is the policy');
  driver.problems.length = 0;
});

test('the uppercase follows every key', async () => {
  await page.focus('#amount');
  const typed = '41823.51';
  for (let i = 1; i <= typed.length; i++) {
    await page.keyboard.type(typed[i - 1]);
    assert.equal(await value('#upper'), engine.write(typed.slice(0, i)).text, typed.slice(0, i));
  }
  const cases = [
    [' 41,823.51 ', '41823.51'],
    ['４１８２３。５１', '41823.51'],
    ['１，０００．５', '1000.5'],
    ['-8', '-8'],
  ];
  for (const [typedText, digits] of cases) {
    await retype('#amount', typedText);
    assert.equal(await value('#upper'), engine.write(digits).text, typedText);
    assert.equal(await text('#write-note'), '');
  }
});

test('says why an amount cannot be written, and 十六位 takes more digits', async () => {
  await retype('#amount', '12a');
  assert.equal(await value('#upper'), '');
  assert.match(await text('#write-note'), /不是数字/);
  await retype('#amount', '1000000000000');
  assert.equal(await value('#upper'), '');
  assert.match(await text('#write-note'), /十六位/);
  await page.click('#wide');
  assert.equal(await value('#upper'), engine.write('1000000000000', { wide: true }).text);
  await page.click('#wide');
  await clear('#amount');
  assert.equal(await text('#write-note'), '');
});

test('the style is chosen by keyboard and kept across a reload', async () => {
  await page.focus('#unit');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Tab');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Tab');
  await page.keyboard.press('Space');
  await page.keyboard.press('Tab');
  await page.keyboard.press('Space');
  const style = { unit: '元', closing: '正', closeAfterJiao: false, prefix: true, wide: false };
  await retype('#amount', '1.5');
  assert.equal(await value('#upper'), engine.write('1.5', style).text);
  await page.reload({ waitUntil: 'load' });
  await page.waitForSelector('html[data-ready="true"]');
  assert.deepEqual(
    await page.evaluate(() => [unit.value, closing.value, closeAfterJiao.checked, prefix.checked, wide.checked]),
    ['元', '正', false, true, false],
  );
  await retype('#amount', '1.5');
  assert.equal(await value('#upper'), '人民币壹元伍角');
  assert.equal(await value('#upper'), engine.write('1.5', style).text);
  await page.evaluate(() => localStorage.clear());
  await page.reload({ waitUntil: 'load' });
  await page.waitForSelector('html[data-ready="true"]');
});

test('复制 copies the uppercase, and pasting it checks 正确', async () => {
  await driver.context.overridePermissions('file://', ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
  await retype('#amount', '41823.51');
  await page.click('#copy');
  await page.waitForFunction(() => document.getElementById('copy-note').textContent === '已复制');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), '肆万壹仟捌佰贰拾叁圆伍角壹分');
  await clear('#reading-text');
  await page.keyboard.down('Control');
  await page.keyboard.press('v');
  await page.keyboard.up('Control');
  assert.equal(await value('#reading-text'), '肆万壹仟捌佰贰拾叁圆伍角壹分');
  assert.equal(await text('#check-verdict'), '正确');
  assert.equal(await text('#reading-amount'), '写的是：41823.51');
});

test('a wrong uppercase text: its character marked, its findings, 错误 beside the digits', async () => {
  const cases = [
    { amount: '100000000', upper: '壹亿万圆整', verdict: '错误', marked: ['万'] },
    { amount: '15', upper: '拾伍圆整', verdict: '警告', marked: ['拾'] },
    { amount: '100010000', upper: '壹亿零壹仟圆整', verdict: '错误', marked: [] },
  ];
  for (const c of cases) {
    await retype('#amount', c.amount);
    await retype('#reading-text', c.upper);
    assert.deepEqual(await page.$$eval('#reading-marked mark', (m) => m.map((e) => e.textContent)), c.marked, c.upper);
    const reading = engine.read(c.upper);
    assert.deepEqual(
      await page.$$eval('#reading-findings li', (l) => l.map((e) => e.textContent)),
      reading.findings.map((f) => `${f.severity === 'warning' ? '警告' : '错误'}：${f.message}`),
    );
    assert.equal(await text('#check-verdict'), c.verdict);
    const checked = engine.check(c.amount, c.upper);
    assert.deepEqual(
      await page.$$eval('#check-findings li', (l) => l.map((e) => e.textContent.replace(/^.*?：/, ''))),
      checked.findings.map((f) => f.message),
    );
  }
  assert.deepEqual(await axe(), [], 'accessibility with findings shown');
});

// Notes that a spreadsheet would take for formulas, and a number that it must not change.
const notes = ['=1+1', '@SUM(A1)', '+86 10 1234', '-2+3', '\tcmd', '-5', '1,234.5'];
const notesInCsv = ["'=1+1", "'@SUM(A1)", "'+86 10 1234", "'-2+3", "'\tcmd", '-5', '"1,234.5"'];

// Rows of a ledger with known faults: every 997th amount disagrees with its uppercase, every
// 1999th (when not already wrong) is 15 written 拾伍圆整 (a warning).
function ledger(count) {
  const amounts = [];
  let seed = 12345;
  for (let i = 0; i < count; i++) {
    seed = (seed * 1103515245 + 12345) % 2147483648;
    amounts.push(((seed % 100000000) / 100).toFixed(2));
  }
  const uppers = engine.writeMany(amounts).map((w) => w.text);
  const expected = { ok: 0, warn: 0, fail: 0 };
  const rows = [['序号', '金额', '大写金额', '备注']];
  for (let i = 0; i < count; i++) {
    let amount = amounts[i];
    let upper = uppers[i];
    let kind = 'ok';
    if (i % 997 === 996) {
      upper = engine.write((Number(amount) + 1).toFixed(2)).text;
      kind = 'fail';
    } else if (i % 1999 === 1998) {
      amount = '15';
      upper = '拾伍圆整';
      kind = 'warn';
    }
    expected[kind] += 1;
    const note = notes[i] ?? (i === 996 ? '<b>粗体</b>' : '');
    rows.push([i + 1, Number(amount), upper, note]);
  }
  return { rows, expected };
}

test('a workbook of 100,000 rows: counts, rows at fault first, the download read back', async () => {
  const count = 100000;
  const { rows, expected } = ledger(count);
  const path = save(files, '台账.xlsx', xlsx(rows));
  const started = Date.now();
  await openSheet(path);
  const wall = Date.now() - started;
  assert.equal(await summary(), `共 ${count} 行，正确 ${expected.ok}，警告 ${expected.warn}，错误 ${expected.fail}`);
  console.log(`# 100,000 rows: ${await text('#sheet-note')} (picked to summary: ${wall} ms)`);
  assert.ok(await page.$('aria/表格核对结果[role="region"]'));
  assert.equal(await page.$eval('#amount-column', (s) => s.selectedOptions[0].textContent), 'B：金额');
  assert.equal(await page.$eval('#upper-column', (s) => s.selectedOptions[0].textContent), 'C：大写金额');
  const shown = await page.$$eval('#sheet-rows tbody tr', (trs) => trs.map((tr) => [...tr.cells].map((c) => c.textContent)));
  assert.equal(shown[0][0], '998');
  assert.equal(shown[0][3], '错误');
  assert.equal(shown[expected.fail][3], '警告');
  assert.equal(await page.$$eval('#sheet-rows b', (b) => b.length), 0, 'a cell is never markup');

  const back = readXlsxBack(await download('xlsx'));
  assert.doesNotMatch(back.xml, /<f[\s>]/);
  assert.ok(back.files['xl/styles.xml'], 'the formats are kept');
  assert.match(back.xml, /<c r="B2" s="1"><v>\d+(\.\d+)?<\/v><\/c>/);
  assert.deepEqual(back.rows[0], ['序号', '金额', '大写金额', '备注', '结果', '说明']);
  assert.equal(back.rows.length, count + 1);
  const tally = { 正确: 0, 警告: 0, 错误: 0 };
  for (const row of back.rows.slice(1)) tally[row[4]] += 1;
  assert.deepEqual(tally, { 正确: expected.ok, 警告: expected.warn, 错误: expected.fail });
  assert.deepEqual(back.rows.slice(1, notes.length + 1).map((row) => row[3]), notes);
  assert.equal(back.rows[997][5], engine.check(String(rows[997][1]), rows[997][2]).findings.map((f) => f.message).join('；'));

  const csv = (await download('csv')).toString('utf8');
  assert.ok(csv.startsWith('\ufeff序号,金额,大写金额,备注,结果,说明\r\n'));
  const lines = csv.slice(1).split('\r\n');
  assert.equal(lines.length, count + 2);
  notesInCsv.forEach((note, i) => assert.ok(lines[i + 1].endsWith(`,${note},正确,`), lines[i + 1]));
  assert.deepEqual(await axe(), [], 'accessibility with a checked sheet');
});

test('text files: GBK CSV dropped on the page, UTF-16 text, UTF-8 with its mark', async () => {
  const csv = '金额,大写金额\r\n1680.32,人民币壹仟陆佰捌拾元零叁角贰分\r\n100010000,壹亿零壹仟圆整\r\n15,拾伍圆整\r\n';
  const gbkPath = save(files, '发票.csv', gbk(csv));
  const session = await page.createCDPSession();
  await sheetJob(async () => {
    for (const type of ['dragEnter', 'dragOver', 'drop']) {
      await session.send('Input.dispatchDragEvent', { type, x: 200, y: 200, data: { items: [], files: [gbkPath], dragOperationsMask: 1 } });
    }
  });
  assert.equal(await summary(), '共 3 行，正确 1，警告 1，错误 1');
  assert.match((await sheetNote()).text, /GB18030/);
  assert.deepEqual(await page.$$eval('#sheet-rows tbody tr', (t) => t.map((r) => r.cells[2].textContent)), ['壹亿零壹仟圆整', '拾伍圆整', '人民币壹仟陆佰捌拾元零叁角贰分']);
  // Another amount column, chosen by keyboard, checks again at once.
  await page.focus('#amount-column');
  await sheetJob(() => page.keyboard.press('ArrowDown'));
  assert.equal(await summary(), '共 3 行，正确 0，警告 0，错误 3');
  await sheetJob(() => page.keyboard.press('ArrowUp'));
  assert.equal(await summary(), '共 3 行，正确 1，警告 1，错误 1');

  // Without a header, the columns are told by what they hold.
  await openSheet(save(files, '无表头.csv', Buffer.from(csv.slice(csv.indexOf('\n') + 1))));
  assert.equal(await summary(), '共 3 行，正确 1，警告 1，错误 1');
  assert.equal(await page.$eval('#has-header', (c) => c.checked), false);

  const tsv = '日期\t小写\t大写\r\n2026-01-05\t41,823.51\t肆万壹仟捌佰贰拾叁圆伍角壹分\r\n2026-01-06\t-5\t负伍圆整\r\n2026-01-07\t0.5\t伍角\r\n';
  await openSheet(save(files, 'Unicode 文本.txt', utf16le(tsv)));
  assert.equal(await summary(), `共 3 行，正确 ${3 - (engine.check('0.5', '伍角').verdict !== 'ok')}，警告 ${+(engine.check('0.5', '伍角').verdict === 'warn')}，错误 ${+(engine.check('0.5', '伍角').verdict === 'fail')}`);
  assert.match((await sheetNote()).text, /UTF-16/);

  for (const [name, bytes, encoding] of [
    ['utf8.csv', Buffer.from('\ufeff' + csv), /UTF-8/],
    ['utf8-no-mark.csv', Buffer.from(csv), /UTF-8/],
    ['utf16be.csv', utf16be(csv), /UTF-16/],
  ]) {
    await openSheet(save(files, name, bytes));
    assert.equal(await summary(), '共 3 行，正确 1，警告 1，错误 1', name);
    assert.match((await sheetNote()).text, encoding, name);
  }
});

test('number cells are taken as Excel shows them', async () => {
  const cases = [
    ['12.344999999999999', '12.345'],
    ['4.182351E4', '41823.51'],
    ['1E-2', '0.01'],
    ['-0.50000000000000011', '-0.5'],
  ];
  const rows = [['金额', '大写金额'], ...cases.map(([stored, shown]) => [{ stored }, engine.write(shown).text])];
  await openSheet(save(files, '存储的数.xlsx', xlsx(rows)));
  // 12.345 has a third decimal: rounded to cents, with a warning that says so.
  assert.equal(await summary(), `共 ${cases.length} 行，正确 ${cases.length - 1}，警告 1，错误 0`);
});

test('hostile files: a clear message, and the page goes on working', async () => {
  const big = 100 * 1024 * 1024;
  const cases = [
    { name: '不是表格.xlsx', bytes: Buffer.from('MZ\x90\x00 这不是表格 '.repeat(100)), message: /不是 Excel 表格/ },
    { name: '压缩炸弹.xlsx', bytes: zipBomb(), message: /压缩炸弹/ },
    { name: '截断.xlsx', bytes: Buffer.from(xlsx([['金额', '大写金额'], [1, '壹圆整']])).subarray(0, 400), message: /已损坏/ },
    { name: '超出列.xlsx', bytes: xlsxWithSheet('<row r="1"><c r="A1"><v>1</v></c><c r="XFE1"><v>2</v></c></row>'), message: /超过 16384 列/ },
    { name: '未闭合.xlsx', bytes: xlsxWithSheet('<row r="1"><c r="A1"><v>1</v></c>'.repeat(20000)), message: /已损坏/ },
    { name: '一百万列.csv', bytes: Buffer.from('金额,大写' + ','.repeat(1000000) + '\r\n1,壹圆整\r\n'), message: /列/ },
    {
      name: '大单元格.csv',
      bytes: Buffer.concat([Buffer.from('金额,大写\r\n1,"'), Buffer.alloc(big, 'A'), Buffer.from('"\r\n')]),
      message: /超过 32767 个字符/,
      whileBusy: true,
    },
    { name: '二进制.csv', bytes: Buffer.from([0, 1, 2, 3, 0, 0, 255, 254, 0, 7]), message: /二进制/ },
  ];
  for (const c of cases) {
    const path = save(files, c.name, c.bytes);
    const input = await page.$('#file');
    await sheetJob(async () => {
      await input.uploadFile(path);
      if (c.whileBusy) {
        // The page answers while the worker reads.
        await retype('#amount', '7');
        assert.equal(await value('#upper'), '柒圆整');
      }
    });
    const note = await sheetNote();
    assert.ok(note.problem, c.name);
    assert.match(note.text, c.message, c.name);
    assert.equal(await page.$eval('#sheet-result', (r) => r.hidden), true);
    await retype('#amount', '3.2');
    assert.equal(await value('#upper'), '叁圆贰角整');
    rmSync(path);
  }
  // 停止 ends a job under way: here the inflating of a bomb. A fast machine may finish the job
  // before the click lands, so it has a few tries.
  const input = await page.$('#file');
  const bomb = save(files, 'stop.xlsx', zipBomb());
  for (let attempt = 0; attempt < 3 && (await sheetNote()).text !== '已停止。'; attempt++) {
    await sheetJob(async () => {
      await input.uploadFile(bomb);
      await page.click('#stop').catch(() => {});
    });
  }
  assert.equal((await sheetNote()).text, '已停止。');
  await openSheet(save(files, 'after.csv', Buffer.from('金额,大写\n1,壹圆整\n')));
  assert.equal(await summary(), '共 1 行，正确 1，警告 0，错误 0');
});

test('the keyboard reaches every control, and axe finds nothing serious', async () => {
  await page.reload({ waitUntil: 'load' });
  await page.waitForSelector('html[data-ready="true"]');
  await page.focus('#amount');
  const order = [];
  for (let i = 0; i < 10; i++) {
    order.push(await page.evaluate(() => document.activeElement.id));
    await page.keyboard.press('Tab');
  }
  assert.deepEqual(order, ['amount', 'unit', 'closing', 'closeAfterJiao', 'prefix', 'wide', 'upper', 'copy', 'reading-text', 'file']);
  await page.focus('#amount');
  await page.keyboard.type('12');
  for (let i = 0; i < 7; i++) await page.keyboard.press('Tab');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.getElementById('copy-note').textContent === '已复制');
  assert.deepEqual(await axe(), [], 'accessibility at start');
  for (const width of [360]) {
    await page.setViewport({ width, height: 800 });
    const overflow = await page.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth);
    assert.equal(overflow, 0, `no sideways scrolling at ${width} px`);
  }
});

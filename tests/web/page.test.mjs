// The page in headless Chromium, driven as a user drives it: keys, clicks, pastes, files picked or
// dropped; after every test, no network request was made and no error shown in the page.
import assert from 'node:assert/strict';
import { existsSync, mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, afterEach, before, test } from 'node:test';

import { axeSource, gbk, launch, loadSync, pagePath, readXlsxBack, save, utf16, xlsx } from './support.mjs';
import { bomb } from './files.mjs';

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
  rmSync(files, { recursive: true, force: true });
});

afterEach(() => {
  assert.deepEqual(driver.requests, [], 'network requests');
  assert.deepEqual(driver.problems, [], 'errors in the page');
});

const value = (selector) => page.$eval(selector, (e) => e.value);
const text = (selector) => page.$eval(selector, (e) => e.textContent);
const texts = (selector) => page.$$eval(selector, (list) => list.map((e) => e.textContent));
const summary = () => text('#sheet-summary');
const chosen = () => page.$$eval('#header-row, #amount-column, #upper-column', (s) => s.map((e) => e.selectedOptions[0].textContent));

async function chord(key) {
  await page.keyboard.down('Control');
  await page.keyboard.press(key);
  await page.keyboard.up('Control');
}

async function retype(selector, typed) {
  await page.focus(selector);
  await chord('a');
  await page.keyboard.press('Backspace');
  await page.type(selector, typed);
}

const reload = () => page.reload({ waitUntil: 'load' }).then(() => page.waitForSelector('html[data-ready="true"]'));

// Runs `act` and waits until the sheet section has finished the job it started.
async function sheetJob(act) {
  const before = await page.$eval('#sheets', (s) => Number(s.dataset.jobs ?? 0));
  await act();
  await page.waitForFunction((n) => Number(document.getElementById('sheets').dataset.jobs ?? 0) > n, { timeout: 60000 }, before);
}

const pick = async (path) => (await page.$('#file')).uploadFile(path);
const openSheet = (path) => sheetJob(() => pick(path));

async function download(format) {
  await page.select('#download-format', format);
  const seen = new Set(readdirSync(driver.downloads));
  await sheetJob(() => page.click('aria/下载核对结果[role="button"]'));
  for (let i = 0; i < 200; i++, await new Promise((r) => setTimeout(r, 100))) {
    const done = readdirSync(driver.downloads).find((f) => !seen.has(f) && !f.endsWith('.crdownload'));
    if (done) return readFileSync(join(driver.downloads, done));
  }
  throw new Error('no download');
}

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
  for (const [name, role, id] of names) assert.equal(await (await page.$(`aria/${name}[role="${role}"]`))?.evaluate((e) => e.id), id, name);
  assert.equal((await page.accessibility.snapshot({ root: await page.$('#file'), interestingOnly: false })).name, '打开表格');
  await retype('#amount', '1');
  await retype('#reading-text', '壹圆整');
  assert.ok(await page.$('aria/核对结果[role="region"]'));
  assert.equal(await page.$eval('#upper', (e) => e.readOnly), true);
  const csp = await page.$eval('meta[http-equiv="Content-Security-Policy"]', (m) => m.content);
  for (const rule of [/default-src 'none'/, /connect-src 'none'/]) assert.match(csp, rule);
  assert.equal(
    await page.evaluate(() =>
      fetch('https://example.com/').then(
        () => 'fetched',
        () => 'refused',
      ),
    ),
    'refused',
  );
  assert.ok(
    driver.problems.some((p) => /Content Security Policy/.test(p)),
    'the refusal is the policy',
  );
  driver.problems.length = 0;
});

test('the uppercase follows every key, and says why when it cannot be written', async () => {
  await retype('#amount', '');
  for (const key of '41823.51') {
    await page.keyboard.type(key);
    const typed = await value('#amount');
    assert.equal(await value('#upper'), engine.write(typed).text, typed);
  }
  const cases = [
    [' 41,823.51 ', '41823.51', ''],
    ['４１８２３。５１', '41823.51', ''],
    ['１，０００．５', '1000.5', ''],
    ['-8', '-8', ''],
    ['￥-8.00', '-8.00', ''],
    ['(1,680.32)', '-1680.32', ''],
    ['￥1.00元', '', /不是数字/],
    ['12a', '', /不是数字/],
    ['1000000000000', '', /十六位/],
  ];
  for (const [typed, digits, note] of cases) {
    await retype('#amount', typed);
    assert.equal(await value('#upper'), digits && engine.write(digits).text, typed);
    assert.match(await text('#write-note'), note || /^$/, typed);
  }
  await page.click('#wide');
  assert.equal(await value('#upper'), engine.write('1000000000000', { wide: true }).text);
  await page.click('#wide');
});

test('the style is chosen by keyboard and kept across a reload', async () => {
  await page.focus('#unit');
  for (const key of ['ArrowDown', 'Tab', 'ArrowDown', 'Tab', 'Space', 'Tab', 'Space']) await page.keyboard.press(key);
  await reload();
  const chosen = await page.evaluate(() => {
    const $ = (id) => document.getElementById(id);
    return [$('unit').value, $('closing').value, $('closeAfterJiao').checked, $('prefix').checked, $('wide').checked];
  });
  assert.deepEqual(chosen, ['元', '正', false, true, false]);
  await retype('#amount', '1.5');
  assert.equal(await value('#upper'), '人民币壹元伍角');
  assert.equal(await value('#upper'), engine.write('1.5', { unit: '元', closing: '正', closeAfterJiao: false, prefix: true }).text);
  await page.evaluate(() => localStorage.clear());
  await reload();
});

test('a wrong uppercase text: its character marked, its findings, the verdict beside the digits', async () => {
  const cases = [
    ['100000000', '壹亿万圆整', '错误', ['万']],
    ['15', '拾伍圆整', '警告', ['拾']],
    ['100010000', '壹亿零壹仟圆整', '错误', []],
  ];
  for (const [amount, upper, verdict, marked] of cases) {
    await retype('#amount', amount);
    await retype('#reading-text', upper);
    assert.deepEqual(await texts('#reading-marked mark'), marked, upper);
    const findings = engine.read(upper).findings.map((f) => `${f.severity === 'warning' ? '警告' : '错误'}：${f.message}`);
    assert.deepEqual(await texts('#reading-findings li'), findings, upper);
    assert.equal(await text('#check-verdict'), verdict);
    const checked = (await texts('#check-findings li')).map((s) => s.replace(/^.*?：/, ''));
    assert.deepEqual(
      checked,
      engine.check(amount, upper).findings.map((f) => f.message),
      upper,
    );
  }
  assert.deepEqual(await axe(), [], 'accessibility with findings shown');
});

test('a finding names the character the box shows: after leading blanks, and an invisible one by name', async () => {
  const cases = [
    ['  壹亿万圆整', 5, '万'],
    ['\u3000壹亿万圆整', 4, '万'],
    ['壹\u200b圆整', 2, '‹零宽空格›', '零宽空格 U+200B'],
    ['\ufeff壹圆整', 1, '‹零宽不换行空格›', 'U+FEFF'],
  ];
  await retype('#amount', '');
  for (const [typed, at, mark, named] of cases) {
    await retype('#reading-text', '');
    for (const ch of typed) await page.keyboard.sendCharacter(ch);
    assert.equal(await value('#reading-text'), typed);
    const findings = await texts('#reading-findings li');
    assert.match(findings[0], new RegExp(`第${at}个字`), typed);
    if (named) assert.ok(findings[0].includes(named), findings[0]);
    const marked = await page.$eval('#reading-marked mark', (m) => [m.textContent, m.getBoundingClientRect().width]);
    assert.equal(marked[0], mark, typed);
    assert.ok(marked[1] > 8, `the mark of ${JSON.stringify(typed)} is ${marked[1]} px wide`);
    // The mark stands where the message says: after as many characters as it counts before it.
    const before = await page.$eval('#reading-marked', (p) => {
      let n = 0;
      for (const node of p.childNodes) {
        if (node.nodeName === 'MARK') return n;
        n += [...node.textContent].length;
      }
      return -1;
    });
    assert.equal(before + 1, at, typed);
  }
});

// Notes a spreadsheet would take for formulas, and numbers it must leave alone.
const notes = ['=1+1', '@SUM(A1)', '+86 10 1234', '-2+3', '\tcmd', '-5', '1,234.5'];
const notesInCsv = ["'=1+1", "'@SUM(A1)", "'+86 10 1234", "'-2+3", '"\'\tcmd"', '-5', '"1,234.5"'];

// A ledger with known faults: every 997th amount disagrees with its uppercase; every 1999th (when
// not already wrong) is 15 written 拾伍圆整, a warning.
function ledger(count) {
  const amounts = Array.from({ length: count }, (_, i) => ((((i + 1) * 2654435761) % 100000000) / 100).toFixed(2));
  const uppers = engine.writeMany(amounts).map((w) => w.text);
  const expected = { 正确: 0, 警告: 0, 错误: 0 };
  const rows = amounts.map((amount, i) => {
    const [kind, digits, upper] =
      i % 997 === 996
        ? ['错误', amount, engine.write((Number(amount) + 1).toFixed(2)).text]
        : i % 1999 === 1998
          ? ['警告', '15', '拾伍圆整']
          : ['正确', amount, uppers[i]];
    expected[kind] += 1;
    return [i + 1, Number(digits), upper, notes[i] ?? (i === 996 ? '<b>粗体</b>' : '')];
  });
  return { rows: [['序号', '金额', '大写金额', '备注'], ...rows], expected };
}

test('a workbook of 100,000 rows: counts, rows at fault first, the download read back', async () => {
  const count = 100000;
  const { rows, expected } = ledger(count);
  const started = Date.now();
  await openSheet(save(files, '台账.xlsx', xlsx(rows)));
  console.log(`# 100,000 rows: ${await text('#sheet-note')} (picked to summary: ${Date.now() - started} ms)`);
  assert.equal(await summary(), `共 ${count} 行，正确 ${expected.正确}，警告 ${expected.警告}，错误 ${expected.错误}`);
  assert.ok(await page.$('aria/表格核对结果[role="region"]'));
  assert.deepEqual(await chosen(), ['第 1 行：序号 | 金额 | 大写金额 | 备注', 'B：金额', 'C：大写金额']);
  const shown = await page.$$eval('#sheet-rows tbody tr', (trs) => trs.map((tr) => [...tr.cells].map((c) => c.textContent)));
  assert.deepEqual([shown[0][0], shown[0][3], shown[expected.错误][3]], ['998', '错误', '警告']);
  assert.equal(await page.$$eval('#sheet-rows b', (b) => b.length), 0, 'a cell is never markup');

  const back = readXlsxBack(await download('xlsx'));
  assert.doesNotMatch(back.sheet, /<f[\s>]/);
  // The page writes styles of its own, with the number formats its cells use.
  assert.match(Buffer.from(back.files['xl/styles.xml']).toString(), /<numFmt numFmtId="164" formatCode="#,##0.00"\/>/);
  assert.match(back.sheet, /<c r="B2" s="1"><v>\d+(\.\d+)?<\/v><\/c>/);
  assert.deepEqual(back.rows[0], ['序号', '金额', '大写金额', '备注', '结果', '说明']);
  assert.equal(back.rows.length, count + 1);
  const tally = { 正确: 0, 警告: 0, 错误: 0 };
  for (const row of back.rows.slice(1)) tally[row[4]] += 1;
  assert.deepEqual(tally, expected);
  assert.deepEqual(
    back.rows.slice(1, notes.length + 1).map((row) => row[3]),
    notes,
  );
  assert.equal(
    back.rows[997][5],
    engine
      .check(String(rows[997][1]), rows[997][2])
      .findings.map((f) => f.message)
      .join('；'),
  );

  const csv = (await download('csv')).toString('utf8');
  assert.ok(csv.startsWith('\ufeff序号,金额,大写金额,备注,结果,说明\r\n'));
  const lines = csv.slice(1).split('\r\n');
  assert.equal(lines.length, count + 2);
  notesInCsv.forEach((note, i) => assert.ok(lines[i + 1].endsWith(`,${note},正确,`), lines[i + 1]));
  assert.deepEqual(await axe(), [], 'accessibility with a checked sheet');
});

test('text files in the encodings Excel writes, and number cells as Excel shows them', async () => {
  const csv = '金额,大写金额\r\n1680.32,人民币壹仟陆佰捌拾元零叁角贰分\r\n100010000,壹亿零壹仟圆整\r\n15,拾伍圆整\r\n';
  const tsv =
    '日期\t小写\t大写\r\n2026-01-05\t41,823.51\t肆万壹仟捌佰贰拾叁圆伍角壹分\r\n2026-01-06\t100010000\t壹亿零壹仟圆整\r\n2026-01-07\t15\t拾伍圆整\r\n';
  // Excel keeps 12.345 as 12.344999999999999: shown, and checked, as 12.345 (a third decimal: a warning).
  const stored = [
    ['12.344999999999999', '12.345'],
    ['4.182351E4', '41823.51'],
    ['1E-2', '0.01'],
    ['-0.50000000000000011', '-0.5'],
  ];
  const oneOfEach = '共 3 行，正确 1，警告 1，错误 1';
  const cases = [
    ['发票.csv', gbk(csv), oneOfEach, /GB18030/, true],
    ['无表头.csv', Buffer.from(csv.slice(csv.indexOf('\n') + 1)), oneOfEach, /UTF-8/],
    ['Unicode 文本.txt', utf16(tsv), oneOfEach, /UTF-16/],
    ['utf16be.csv', utf16(csv, true), oneOfEach, /UTF-16/],
    ['utf8.csv', Buffer.from('\ufeff' + csv), oneOfEach, /UTF-8/],
    [
      '存储的数.xlsx',
      xlsx([['金额', '大写金额'], ...stored.map(([v, shown]) => [{ stored: v }, engine.write(shown).text])]),
      '共 4 行，正确 3，警告 1，错误 0',
      /./,
    ],
  ];
  for (const [name, bytes, counts, encoding, drop] of cases) {
    const path = save(files, name, bytes);
    if (!drop) await openSheet(path);
    else {
      const session = await page.createCDPSession();
      const drag = (type) =>
        session.send('Input.dispatchDragEvent', { type, x: 200, y: 200, data: { items: [], files: [path], dragOperationsMask: 1 } });
      await sheetJob(async () => {
        for (const type of ['dragEnter', 'dragOver', 'drop']) await drag(type);
      });
    }
    assert.equal(await summary(), counts, name);
    assert.match(await text('#sheet-note'), encoding, name);
    assert.equal(await value('#header-row'), name === '无表头.csv' ? '-1' : '0', name);
  }
  // Another amount column, chosen by keyboard, checks again at once.
  await page.focus('#amount-column');
  await sheetJob(() => page.keyboard.press('ArrowDown'));
  assert.equal(await summary(), '共 4 行，正确 0，警告 0，错误 4');
});

test('hostile files: a clear message, and the page goes on working', async () => {
  const bombed = await bomb(1100 * 2 ** 20);
  const cases = [
    ['不是表格.xlsx', Buffer.from('MZ\x90\x00 这不是表格 '.repeat(100)), /不是 Excel 表格/],
    ['旧格式.xls', Buffer.from([0xd0, 0xcf, 0x11, 0xe0, 0xa1, 0xb1, 0x1a, 0xe1]), /另存为/],
    ['压缩炸弹.xlsx', bombed, /解压后超过 1024 MB，太大了/],
    [
      '截断.xlsx',
      xlsx([
        ['金额', '大写金额'],
        [1, '壹圆整'],
      ]).subarray(0, 400),
      /已损坏/,
    ],
    ['超出列.xlsx', xlsx([], '<row r="1"><c r="A1"><v>1</v></c><c r="XFE1"><v>2</v></c></row>'), /超过 16384 列/],
    ['未闭合.xlsx', xlsx([], '<row r="1"><c r="A1"><v>1</v></c>'.repeat(20000)), /已损坏/],
    ['一百万列.csv', Buffer.from('金额,大写' + ','.repeat(1000000) + '\r\n1,壹圆整\r\n'), /列/],
    [
      '大单元格.csv',
      Buffer.concat([Buffer.from('金额,大写\r\n1,"'), Buffer.alloc(100 * 2 ** 20, 'A'), Buffer.from('"\r\n')]),
      /第 2 行第 2 列超过 32767 个字/,
    ],
    ['二进制.csv', Buffer.from([0, 1, 2, 3, 0, 0, 255, 254, 0, 7]), /不是文字/],
  ];
  for (const [name, bytes, message] of cases) {
    const path = save(files, name, bytes);
    await sheetJob(async () => {
      await pick(path);
      // The page answers while the worker reads.
      await retype('#amount', '3.2');
      assert.equal(await value('#upper'), '叁圆贰角整');
    });
    assert.deepEqual(await page.$eval('#sheet-note', (e) => e.classList.contains('problem')), true, name);
    assert.match(await text('#sheet-note'), message, name);
    assert.equal(await page.$eval('#sheet-result', (r) => r.hidden), true, name);
    rmSync(path);
  }
  // 停止 ends a job under way, here the inflating of a bomb; a fast machine may finish first.
  const path = save(files, 'stop.xlsx', bombed);
  for (let i = 0; i < 3 && (await text('#sheet-note')) !== '已停止。'; i++)
    await sheetJob(() => pick(path).then(() => page.click('#stop').catch(() => {})));
  assert.equal(await text('#sheet-note'), '已停止。');
  await openSheet(save(files, 'after.csv', Buffer.from('金额,大写\n1,壹圆整\n')));
  assert.equal(await summary(), '共 1 行，正确 1，警告 0，错误 0');
});

test('by keyboard alone: every control in order, 复制 to the clipboard, pasted and checked; axe; a phone width', async () => {
  await page.browserContext().overridePermissions('file://', ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
  await reload();
  await page.focus('#amount');
  const order = [];
  for (let i = 0; i < 10; i++, await page.keyboard.press('Tab')) order.push(await page.evaluate(() => document.activeElement.id));
  assert.deepEqual(order, ['amount', 'unit', 'closing', 'closeAfterJiao', 'prefix', 'wide', 'upper', 'copy', 'reading-text', 'file']);
  await page.focus('#amount');
  await page.keyboard.type('41823.51');
  for (let i = 0; i < 7; i++) await page.keyboard.press('Tab');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.getElementById('copy-note').textContent === '已复制');
  assert.equal(await page.evaluate(() => navigator.clipboard.readText()), '肆万壹仟捌佰贰拾叁圆伍角壹分');
  await page.keyboard.press('Tab');
  await chord('v');
  assert.equal(await value('#reading-text'), '肆万壹仟捌佰贰拾叁圆伍角壹分');
  assert.equal(await text('#check-verdict'), '正确');
  assert.equal(await text('#reading-amount'), '写的是：41823.51');
  // An amount copied from a sheet, with its currency sign and separators, pasted into 小写金额.
  await page.evaluate(() => navigator.clipboard.writeText('¥41,823.51'));
  await page.focus('#amount');
  await chord('a');
  await chord('v');
  assert.equal(await value('#amount'), '¥41,823.51');
  assert.equal(await value('#upper'), '肆万壹仟捌佰贰拾叁圆伍角壹分');
  assert.equal(await text('#check-verdict'), '正确');
  assert.deepEqual(await axe(), [], 'accessibility at start');
  await page.setViewport({ width: 360, height: 800 });
  assert.equal(await page.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth), 0);
});

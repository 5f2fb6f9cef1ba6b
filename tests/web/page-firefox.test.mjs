// The page in Firefox ESR as well: writing, reading with the faulty character marked, checking,
// the style kept across a reload, sheets in the encodings Excel writes, and no network request.
import { test, before, after, afterEach } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launch, root } from './page/driver.mjs';
import { xlsx, gbk, utf16le, save } from './page/fixtures.mjs';

const { loadSync } = await import(join(root, 'build', 'web', 'package', 'node.mjs'));
const engine = loadSync();

let driver;
let page;
let files;

before(async () => {
  files = mkdtempSync(join(tmpdir(), 'tessaly-files-'));
  driver = await launch({ firefox: true });
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

async function retype(selector, typed) {
  await page.$eval(selector, (e) => e.select());
  await page.keyboard.press('Backspace');
  await page.type(selector, typed);
}

test('writes, reads and checks in Firefox', async () => {
  const cases = [
    ['41823.51', '41823.51'],
    ['４１８２３。５１', '41823.51'],
    [' 1,000.5 ', '1000.5'],
  ];
  for (const [typed, digits] of cases) {
    await retype('#amount', typed);
    assert.equal(await value('#upper'), engine.write(digits).text, typed);
  }
  await retype('#amount', '100000000');
  await retype('#reading-text', '壹亿万圆整');
  assert.deepEqual(await page.$$eval('#reading-marked mark', (m) => m.map((e) => e.textContent)), ['万']);
  assert.equal(await text('#check-verdict'), '错误');

  await page.click('#prefix');
  await page.reload();
  await page.waitForSelector('html[data-ready="true"]');
  await retype('#amount', '5');
  assert.equal(await value('#upper'), engine.write('5', { prefix: true }).text);
  await page.click('#prefix');
});

test('checks sheets in Firefox: .xlsx, GBK CSV, UTF-16 text', async () => {
  const csv = '金额,大写金额\r\n1680.32,人民币壹仟陆佰捌拾元零叁角贰分\r\n100010000,壹亿零壹仟圆整\r\n15,拾伍圆整\r\n';
  const sheets = [
    ['台账.xlsx', xlsx([['金额', '大写金额'], [1680.32, '人民币壹仟陆佰捌拾元零叁角贰分'], [100010000, '壹亿零壹仟圆整'], [15, '拾伍圆整']])],
    ['发票.csv', gbk(csv)],
    ['Unicode 文本.txt', utf16le(csv.replace(/,/g, '\t'))],
  ];
  for (const [name, bytes] of sheets) {
    const before = await page.$eval('#sheets', (s) => Number(s.dataset.jobs ?? 0));
    await (await page.$('#file')).uploadFile(save(files, name, bytes));
    await page.waitForFunction(
      (n) => Number(document.getElementById('sheets').dataset.jobs ?? 0) > n,
      { timeout: 30000 },
      before,
    );
    assert.equal(await text('#sheet-summary'), '共 3 行，正确 1，警告 1，错误 1', name);
  }
});

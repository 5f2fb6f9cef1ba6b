// Makes docs/page.png, the picture of the page in the README: a written amount, a wrong
// uppercase text with its character marked, and a small sheet checked. Run after the build.
import { mkdtempSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { launch, root } from '../../tests/web/support.mjs';

const driver = await launch();
const dir = mkdtempSync(join(tmpdir(), 'tessaly-shot-'));
try {
  const page = await driver.open(860, 900);
  await page.type('#amount', '41823.51');
  await page.type('#reading-text', '肆万壹仟捌佰贰拾叁园伍角壹分');
  await page.click('#prefix');
  const sheet = join(dir, '发票.csv');
  writeFileSync(
    sheet,
    '\ufeff发票号,金额,大写金额\r\n00021,1680.32,人民币壹仟陆佰捌拾元零叁角贰分\r\n00022,100010000,壹亿零壹仟圆整\r\n00023,15,拾伍圆整\r\n00024,41823.51,肆万壹仟捌佰贰拾叁圆伍角壹分\r\n',
  );
  await (await page.$('#file')).uploadFile(sheet);
  await page.waitForFunction(() => !document.getElementById('sheet-result').hidden);
  await page.evaluate(() => document.activeElement.blur());
  const out = join(root, 'docs', 'page.png');
  await page.screenshot({ path: out, fullPage: true });
  if (driver.requests.length) throw new Error(`network requests: ${driver.requests.join(' ')}`);
  console.log(out);
} finally {
  await driver.close();
  rmSync(dir, { recursive: true, force: true });
}

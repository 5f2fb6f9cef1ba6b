// Writing, reading and documents in the page in headless Chromium, driven as a user drives it:
// keys, clicks, pastes, files picked; after every test, no network request was made and no error
// shown in the page.
import assert from 'node:assert/strict';
import { join } from 'node:path';
import { test } from 'node:test';

import { loadSync } from './support.mjs';
import { session } from './driver.mjs';
import { unembeddedPdf, flatOdt } from './files.mjs';
import { plainMessage } from '../../web/page/src/messages.js';

const engine = loadSync();
const s = session(1000, 900);
const value = (selector) => s.page.$eval(selector, (e) => e.value);
const text = (selector) => s.page.$eval(selector, (e) => e.textContent);
const texts = (selector) => s.page.$$eval(selector, (list) => list.map((e) => e.textContent));

async function chord(key) {
  await s.page.keyboard.down('Control');
  await s.page.keyboard.press(key);
  await s.page.keyboard.up('Control');
}

// Text copied elsewhere, pasted over what the box holds.
async function paste(selector, copied) {
  await s.page.evaluate((t) => navigator.clipboard.writeText(t), copied);
  await s.page.focus(selector);
  await chord('a');
  await chord('v');
}

async function retype(selector, typed) {
  await s.page.focus(selector);
  await chord('a');
  await s.page.keyboard.press('Backspace');
  await s.page.type(selector, typed);
}

test('every control has its name, and the page may not reach the network', async () => {
  const names = {
    textbox: ['小写金额 amount', '大写金额 upper', '待核对的大写金额 reading-text', '待核对的文档 doc-text'],
    combobox: ['单位 unit', '结尾 closing'],
    checkbox: ['角后写整 closeAfterJiao', '人民币 prefix', '十六位 wide'],
    button: ['复制 copy'],
  };
  for (const [role, controls] of Object.entries(names)) {
    for (const [name, id] of controls.map((c) => c.split(' '))) {
      assert.equal(await (await s.page.$(`aria/${name}[role="${role}"]`))?.evaluate((e) => e.id), id, name);
    }
  }
  const files = { file: '打开表格', 'doc-file': '打开文档' };
  for (const [id, name] of Object.entries(files)) {
    assert.equal((await s.page.accessibility.snapshot({ root: await s.page.$(`#${id}`), interestingOnly: false })).name, name);
  }
  assert.equal(await s.page.$eval('#upper', (e) => e.readOnly), true);
  const csp = await s.page.$eval('meta[http-equiv="Content-Security-Policy"]', (m) => m.content);
  for (const rule of [/default-src 'none'/, /connect-src 'none'/]) assert.match(csp, rule);
  const fetched = await s.page.evaluate("fetch('https://example.com/').then(() => 'fetched', () => 'refused')");
  const policy = s.driver.problems.some((p) => /Content Security Policy/.test(p));
  assert.deepEqual([fetched, policy], ['refused', true], 'the policy refuses a request');
  s.driver.problems.length = 0;
});

test('the uppercase follows every key, and says why when it cannot be written', async () => {
  await retype('#amount', '');
  for (const key of '41823.51') {
    await s.page.keyboard.type(key);
    assert.equal(await value('#upper'), engine.write(await value('#amount')).text);
  }
  // Full-width digits, an input method's 。 and currency signs are taken; what cannot be written is said.
  const cases = [
    ['(1,680.32)', '-1680.32', /^$/],
    ['￥４１８２３。５１', '41823.51', /^$/],
    ['￥1.00元', '', /不是数字/],
    ['1000000000000', '', /十六位/],
  ];
  for (const [typed, digits, note] of cases) {
    await retype('#amount', typed);
    assert.equal(await value('#upper'), digits && engine.write(digits).text, typed);
    assert.match(await text('#write-note'), note, typed);
  }
  await s.page.click('#wide');
  assert.equal(await value('#upper'), engine.write('1000000000000', { wide: true }).text);
  await s.page.click('#wide');
});

test('a wrong uppercase text: the character each finding names marked where the box shows it; the verdict beside the digits', async () => {
  // The engine is handed the text as typed: leading blanks and a byte-order mark count as characters.
  const cases = [
    ['100000000', '壹亿万圆整', '错误', '万', 3],
    ['15', '拾伍圆整', '警告', '拾', 1],
    ['100010000', '壹亿零壹仟圆整', '错误'],
    ['', '  壹亿万圆整', '', '万', 5],
    ['', '\u3000壹亿万圆整', '', '万', 4],
    ['', '壹\u200b圆整', '', '‹零宽空格›', 2, '零宽空格 U+200B'],
    ['', '\ufeff壹圆整', '', '‹零宽不换行空格›', 1, '零宽不换行空格 U+FEFF'],
  ];
  for (const [amount, upper, verdict, mark, at, named] of cases) {
    await retype('#amount', amount);
    await retype('#reading-text', '');
    for (const ch of upper) await s.page.keyboard.sendCharacter(ch);
    const findings = await texts('#reading-findings li');
    const expected = engine.read(upper).findings.map((f) => `${f.severity === 'warning' ? '警告' : '错误'}：${plainMessage(f.message)}`);
    assert.deepEqual(findings, expected, upper);
    if (at) assert.ok(findings[0].includes(`第${at}个字“${named ?? mark}”`), findings[0]);
    assert.deepEqual(await texts('#reading-marked mark'), mark ? [mark] : [], upper);
    if (mark) {
      // The mark is seen, and stands after as many characters as the message counts before it.
      const [before, width] = await s.page.$eval('#reading-marked', (p) => {
        const nodes = [...p.childNodes];
        const at = nodes.findIndex((node) => node.nodeName === 'MARK');
        return [nodes.slice(0, at).reduce((n, node) => n + [...node.textContent].length, 0), nodes[at].getBoundingClientRect().width];
      });
      assert.deepEqual([before + 1, width > 8], [at, true], upper);
    }
    if (!amount) continue;
    assert.equal(await text('#check-verdict'), verdict);
    const checked = (await texts('#check-findings li')).map((f) => f.replace(/^.*?：/, ''));
    const wanted = engine.check(amount, upper).findings.map((f) => f.message);
    assert.deepEqual(checked, wanted, upper);
  }
  await retype('#amount', '1');
  await retype('#reading-text', '壹亿万圆整');
  assert.ok(await s.page.$('aria/核对结果[role="region"]'));
  assert.deepEqual(await s.axe(), [], 'accessibility with findings shown');
});

test('by keyboard alone: the style chosen and kept across a reload, every control in order, 复制 and paste; axe; a phone width', async () => {
  await s.page.focus('#unit');
  for (const key of ['ArrowDown', 'Tab', 'ArrowDown', 'Tab', 'Space', 'Tab', 'Space']) await s.page.keyboard.press(key);
  await s.reload();
  const style = { unit: '元', closing: '正', closeAfterJiao: false, prefix: true, wide: false };
  const kept = await s.page.$$eval('#unit, #closing, #closeAfterJiao, #prefix, #wide', (all) =>
    all.map((e) => (e.type === 'checkbox' ? e.checked : e.value)),
  );
  assert.deepEqual(kept, Object.values(style));
  await s.page.focus('#amount');
  const order = [];
  for (let i = 0; i < 10; i++, await s.page.keyboard.press('Tab')) order.push(await s.page.evaluate(() => document.activeElement.id));
  assert.deepEqual(order, ['amount', 'unit', 'closing', 'closeAfterJiao', 'prefix', 'wide', 'upper', 'copy', 'reading-text', 'file']);
  const written = engine.write('41823.51', style).text;
  await s.page.focus('#amount');
  await s.page.keyboard.type('41823.51');
  for (let i = 0; i < 7; i++) await s.page.keyboard.press('Tab');
  await s.page.keyboard.press('Enter');
  await s.page.waitForFunction(() => document.getElementById('copy-note').textContent === '已复制');
  assert.equal(await s.page.evaluate(() => navigator.clipboard.readText()), written);
  await s.page.keyboard.press('Tab');
  await chord('v');
  const checked = [await value('#reading-text'), await text('#check-verdict'), await text('#reading-amount')];
  assert.deepEqual(checked, [written, '正确', '写的是：41823.51']);
  // An amount copied from a sheet, with its currency sign and separators, pasted into 小写金额.
  await paste('#amount', '¥41,823.51');
  assert.deepEqual([await value('#amount'), await value('#upper'), await text('#check-verdict')], ['¥41,823.51', written, '正确']);
  assert.deepEqual(await s.axe(), [], 'accessibility');
  // On a phone the page does not scroll sideways, and the longest uppercase shows whole.
  await s.page.setViewport({ width: 360, height: 800 });
  await s.page.click('#wide');
  await retype('#amount', '-9999999999999999.99');
  const box = await s.page.$eval('#upper', (e) => [e.value.length, e.scrollHeight - e.clientHeight]);
  assert.ok(box[0] > 30 && box[1] <= 0, `the box hides ${box[1]} px`);
  assert.equal(await s.page.evaluate(() => document.documentElement.scrollWidth - document.documentElement.clientWidth), 0);
  await s.page.evaluate(() => localStorage.clear());
});

// A purchase contract with pairs right and wrong, one across two paragraphs, an uppercase amount
// with an error, digits alone, a share and a date, a form's 大写 and 小写 rows that differ, and a
// table of two rows, the second wrong.
const contract = `<html><body><p>采购合同</p>
<p>第壹条 本合同总价为人民币壹拾万元整（¥100,000.00），首付款人民币叁万元整（¥30,000.00），尾款人民币柒万元整（¥7,000.00）。</p>
<table border="1"><tr><td>合同金额（大写）</td><td>人民币壹拾万元整</td></tr><tr><td>合同金额（小写）</td><td>¥10,000.00</td></tr></table>
<p>乙方应于2024年5月1日前交纳履约保证金 5,000 元（大写：伍仟圆整）。</p>
<p>违约金为合同总价的5%，即人民币伍仟元（¥5,000.00），另付押金500元。</p>
<table border="1"><tr><td>设备款</td><td>壹万贰仟叁佰元整</td><td>¥12,300.00</td></tr><tr><td>安装费</td><td>捌佰元整</td><td>¥880.00</td></tr></table>
<p>小写：1680.32</p><p>大写：壹仟陆佰捌拾元零叁角贰分</p></body></html>`;
const counts = '共 9 处金额，正确 5，警告 0，错误 4';

test('a contract pasted, and made by LibreOffice as .docx and .pdf, opened and dropped: every amount marked, the counts, each wrong one leads to its place', async () => {
  s.file('contract.html', contract);
  s.office('contract.html', 'docx:MS Word 2007 XML');
  s.office('contract.docx', 'pdf');
  const pasted =
    '首付款人民币叁万元整（¥30,000.00），尾款人民币柒万元整（¥70,000.00）。\n小写：1680.32\n大写：壹仟陆佰捌拾元零叁角贰分，押金 500 元。壹万二千元';
  await paste('#doc-text', pasted);
  const marks = () => s.page.$$eval('#doc-view mark', (all) => all.map((m) => `${m.dataset.verdict} ${m.firstChild.textContent}`));
  const shown = [await text('#doc-summary'), await marks()];
  const wanted = [
    'ok 人民币叁万元整',
    'ok ¥30,000.00',
    'ok 人民币柒万元整',
    'ok ¥70,000.00',
    'ok 1680.32',
    'ok 壹仟陆佰捌拾元零叁角贰分',
    'lone 500 元',
    'fail 壹万二千元',
  ];
  assert.deepEqual(shown, ['共 4 处金额，正确 3，警告 0，错误 1', wanted]);
  for (const name of ['contract.docx', 'contract.pdf']) {
    await (name.endsWith('pdf') ? s.documents.drop : s.documents.open)(join(s.dir, name));
    const problems = await s.page.$$eval('#doc-problems button', (all) => all.map((b) => b.textContent));
    assert.deepEqual([await text('#doc-summary'), problems.length], [counts, 4], `${name}: ${await text('#doc-note')}`);
    assert.match(
      problems.join('\n'),
      /✗ 错误 · 第 \d+ 行第 \d+ 字：大写 人民币柒万元整 = 70000.00，小写 7000.00：大写为 70000.00，小写为 7000.00/,
      name,
    );
    // The last one listed, chosen, is marked as the one asked for and scrolled into view.
    await s.page.click('#doc-problems li:last-child button');
    const current = await s.page.$$eval('#doc-view mark.current', (all) =>
      all.map((m) => [m.firstChild.textContent, m.getBoundingClientRect().top]),
    );
    const view = await s.page.$eval('#doc-view', (v) => [v.getBoundingClientRect().top, v.getBoundingClientRect().bottom]);
    const inView = current.map(([t, top]) => [t.replace(/\s/g, ''), top >= view[0] && top <= view[1]]);
    assert.deepEqual(
      inView,
      [
        ['捌佰元整', true],
        ['¥880.00', true],
      ],
      name,
    );
  }
  // A PDF whose Chinese font is not embedded reads right only with the character maps inside the
  // page; one that needs a map the page lacks is refused, not read as a text without amounts.
  const report = ['合同总价人民币壹万元整，小写 10000.00 元。', '押金伍佰元整（600元）。'];
  await s.documents.open(s.file('gb.pdf', unembeddedPdf(report)));
  assert.equal(await text('#doc-summary'), '共 2 处金额，正确 1，警告 0，错误 1');
  const traditional = ['合同總價人民幣壹萬圓整（10000.00 元）。'];
  await s.documents.open(s.file('cns.pdf', unembeddedPdf(traditional, ['MSung-Light', 'UniCNS-UCS2-H', 'CNS1'])));
  assert.equal(await text('#doc-summary'), '共 1 处金额，正确 0，警告 1，错误 0');
  await s.documents.open(s.file('jis.pdf', unembeddedPdf(report, ['KozMinPro-Regular-Acro', 'UniJIS-UCS2-H', 'Japan1'])));
  assert.match(await text('#doc-note'), /^这个 PDF 的字体没有嵌入，用的字符映射（UniJIS-UCS2-H/);
  await s.documents.open(s.file('scan.pdf', unembeddedPdf([])));
  assert.match(await text('#doc-note'), /^这个 PDF 里没有文字，可能是扫描的图片/);
  // A text box, which LibreOffice writes twice as Word does, is read once; hidden text is left out, and said.
  const frame =
    '<draw:frame text:anchor-type="as-char"><draw:text-box><text:p>押金伍佰元整（¥500.00）。</text:p></draw:text-box></draw:frame>';
  const hidden = (style, text) => `<text:span text:style-name="${style}">${text}</text:span>`;
  const note = '<text:p text:style-name="Note">填写说明：如人民币壹元整（¥9.00）。</text:p>';
  s.file(
    'box.fodt',
    flatOdt([
      `总价人民币壹万元整（${frame}¥10,000.00）。`,
      `尾款${hidden('Hidden', '叁万元整')}${hidden('Aside', '肆万元整')}贰万元整（¥20,000.00）。`,
      note,
    ]),
  );
  s.office('box.fodt', 'docx:MS Word 2007 XML');
  await s.documents.open(join(s.dir, 'box.docx'));
  assert.equal(await text('#doc-summary'), '共 3 处金额，正确 3，警告 0，错误 0');
  assert.match(await text('#doc-note'), /另有 28 个字是隐藏文字/);
  // A long text is shown a part at a time: the wrong amount at its end, once chosen, is shown.
  await s.documents.open(s.file('long.txt', '甲方乙方。\n'.repeat(20000) + '尾款人民币柒万元整（¥7,000.00）。'));
  await s.page.click('#doc-problems li:first-child button');
  const current = await s.page.$$eval('#doc-view mark.current', (all) => all.map((m) => m.firstChild.textContent));
  assert.deepEqual(
    [current, await s.page.$eval('#doc-shown', (e) => /^文档较长/.test(e.textContent))],
    [['人民币柒万元整', '¥7,000.00'], true],
  );
  assert.deepEqual(await s.axe(), [], 'accessibility with a document checked');
  // A paste longer than the engine takes is said to be so, and nothing is shown as checked.
  await paste('#doc-text', '壹'.repeat(2 ** 24 + 1));
  await s.page.waitForSelector('#doc-result[hidden]', { timeout: 120000 });
  assert.match(await text('#doc-note'), /^无法核对：文本过长/);
});

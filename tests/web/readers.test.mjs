// The page's readers in Node, without a browser: zip, XML, workbooks, CSV, the header and the
// columns found, and what the downloads write. Each table row is a file or a text a spreadsheet
// or a hostile hand could give the page.
import assert from 'node:assert/strict';
import { test } from 'node:test';
import zlib from 'node:zlib';

import { gbk, rawZip, workbook } from './files.mjs';
import { listEntries, readEntry } from '../../web/page/src/zip.js';
import { walker } from '../../web/page/src/xml.js';
import { openBook } from '../../web/page/src/sheet.js';
import { docxText } from '../../web/page/src/docx.js';
import { readCsv, separatorOf } from '../../web/page/src/csv.js';
import { decodeText } from '../../web/page/src/decode.js';
import { findHeader, guessColumns } from '../../web/page/src/columns.js';
import { shortest } from '../../web/page/src/numbers.js';
import { csvField, writeCsv, writeXlsx } from '../../web/page/src/download.js';
import { csvValue, formatNumber } from '../../web/page/src/formats.js';
import { columnOf, kindOf } from '../../web/page/src/table.js';

const quiet = () => {};

// Rows as the page holds them, shown as one text: cells between "|", rows between " / ".
function show(rows) {
  return Array.from(rows, (row) => {
    const out = [];
    for (let i = 0; row && i < row.length; i += 2) out[columnOf(row[i])] = row[i + 1];
    return Array.from(out, (t) => t ?? '').join('|');
  }).join(' / ');
}

const read = (bytes, index = 0, name = 'a.xlsx') => openBook(name, bytes).read(index, quiet);
const sheet = (xml, options) => show(read(workbook([{ name: 'S', xml }], options)).rows);
const fails = (act, pattern) => assert.throws(act, (e) => pattern.test(e.message), String(pattern));

test('zip: the layouts writers use are read; a damaged, truncated or encrypted archive is refused', () => {
  const content = '<a>你好</a>'.repeat(50);
  const run = (options) => {
    const bytes = rawZip({ 'a.xml': content, 'b.xml': 'x' }, options);
    return new TextDecoder().decode(readEntry(bytes, listEntries(bytes).get('a.xml'), { left: 1e9 }));
  };
  for (const options of [{}, { stored: true }, { descriptor: true }, { zip64: true }, { zip64: true, descriptor: true, stored: true }]) {
    assert.equal(run(options), content, JSON.stringify(options));
  }
  fails(() => run({ badCrc: true }), /校验码不符/);
  fails(() => run({ encrypted: true }), /密码/);
  const twice = Buffer.from(rawZip({ 'a.xml': content, 'a.xmm': 'x' }).toString('latin1').replaceAll('a.xmm', 'a.xml'), 'latin1');
  fails(() => listEntries(twice), /已损坏/);
  fails(() => listEntries(rawZip({ 'a.xml': content }).subarray(0, 100)), /已损坏/);
});

// What the XML reader reports, fed by `feed`, as one text: each element with its namespace and
// its r (or R's id). Text may come in several calls; what counts is the same text between the same tags.
function events(feed) {
  const seen = [];
  const start = (tag) => {
    const value = tag.get('r') ?? tag.get('id', ['R']);
    seen.push(`<${tag.ns}|${tag.local}${value ? ` ${value}` : ''}>`);
  };
  feed(walker({ wantText: true, start, end: (ns, local) => seen.push(`</${local}>`), text: (t) => seen.push(t) }));
  return seen.join('');
}
const whole = (text) => events((w) => w.feed(text, true));

test('XML: comments, instructions, CDATA, prefixes and odd spacing, each read as a spreadsheet reads it', () => {
  const cases = [
    ['<a>x<!-- <b>y</b> -->z</a>', '<|a>xz</a>'],
    ['<?xml version="1.0"?><a><?pi <b>?>x</a>', '<|a>x</a>'],
    ['<a><![CDATA[<b>&amp;</b>]]></a>', '<|a><b>&amp;</b></a>'],
    ['<x:a xmlns:x="N"><x:b r="1"/></x:a>', '<N|a><N|b 1></b></a>'],
    ['<a xmlns="N" xmlns:q="R"><b q:id="7"/></a>', '<N|a><N|b 7></b></a>'],
    ['<a r="x>y" ><b r=\'2\'>t</b ></a >', '<|a x>y><|b 2>t</b></a>'],
    ['<a>&#95;x0041_ &lt;&#x4E00;&gt;</a>', '<|a>_x0041_ <一></a>'],
  ];
  for (const [text, expected] of cases) assert.equal(whole(text), expected, text);
  for (const bad of ['<a><b></a></b>', '<a>', '<!DOCTYPE a [<!ENTITY e "x">]><a>&e;</a>', '<a b="<"/>', '<p:a/>', '<a>&bogus;</a>']) {
    fails(() => whole(bad), /已损坏/);
  }
});

test('XML in pieces: whatever a piece ends in the middle of is read as if whole', () => {
  const text = `<?xml version="1.0"?><x:a xmlns:x="N"><!-- <x:b/> --><x:b r="1&amp;2" s='>'>壹&#x5706;<![CDATA[<整>]]></x:b ><?p ?><x:c/></x:a>`;
  assert.equal(whole(text), '<N|a><N|b 1&2>壹圆<整></b><N|c></c></a>');
  const cut = (at) => events((w) => (w.feed(text.slice(0, at), false), w.feed(text.slice(at), true)));
  for (let at = 1; at < text.length; ++at) assert.equal(cut(at), whole(text), `cut at ${at}`);
  const each = events((w) => ([...text].forEach((c) => w.feed(c, false)), w.feed('', true)));
  assert.equal(each, whole(text), 'a character at a time');
  // A token that never ends is not waited for without end.
  fails(() => events((w) => (w.feed('<a><!--', false), w.feed('x'.repeat(2 << 20), false))), /已损坏/);
});

test('workbooks: sheets in the workbook order, found through the relationships', () => {
  const cell = (t) => `<row r="1"><c r="A1" t="inlineStr"><is><t>${t}</t></is></c></row>`;
  const sheets = [
    { name: '图', chart: true },
    { name: '甲', xml: cell('甲') },
    { name: '乙', xml: cell('乙') },
    { name: '丙', hidden: true },
  ];
  const book = openBook('a.xlsx', workbook(sheets, { parts: { 'xl/worksheets/sheet9.xml': '<worksheet/>' } }));
  const names = book.sheets.map((s) => s.name + (s.hidden ? ' hidden' : ''));
  assert.deepEqual([...names, show(book.read(0, quiet).rows), show(book.read(1, quiet).rows)], ['甲', '乙', '丙 hidden', '甲', '乙']);
});

test('workbook cells: strings, numbers, runs and escapes; rows and cells without references', () => {
  const strings =
    '<si><t>甲</t></si><si><r><t>壹</t></r><r><rPr><b/></rPr><t>圆整</t></r><rPh><t>ruby</t></rPh></si><si><t>_x0041__x005F_x0042_&#95;x0043_</t></si>';
  const styles =
    '<numFmts count="1"><numFmt numFmtId="170" formatCode="&quot;￥&quot;#,##0.00"/></numFmts><cellXfs count="3"><xf numFmtId="0"/><xf numFmtId="14"/><xf numFmtId="170"/></cellXfs>';
  const main = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main';
  const cases = [
    ['<row r="1"><c r="A1" t="s"><v>1</v></c><c r="C1" t="s"><v>2</v></c></row>', '壹圆整||A_x0042_C'],
    ['<row><c><v>1</v></c><c><v>2</v></c></row><row><c r="B2"><v>3</v></c></row>', '1|2 / |3'],
    [
      `<row r="3"><c r="A3" t="inlineStr"><is><r><t>壹</t></r><x:rPh xmlns:x="${main}"><x:t>い</x:t></x:rPh><t><![CDATA[圆&整]]></t></is></c></row>`,
      ' /  / 壹圆&整',
    ],
    ['<row r="1"><c r="A1" t="b"><v>1</v></c><c r="B1" t="e"><v>#N/A</v></c><c r="C1" t="str"><f>A1</f><v>x</v></c></row>', 'TRUE|#N/A|x'],
    ['<row r="1"><c r="A1"><v>0x1F</v></c><c r="B1"><v> 12.5 </v></c></row>', '0x1F|12.5'],
  ];
  for (const [xml, expected] of cases) assert.equal(sheet(xml, { strings, styles }), expected, xml);
  const xml = '<row r="1"><c r="A1" s="1"><v>45000</v></c><c r="B1" s="2"><v>1680.32</v></c><c r="C1"><v>7</v></c></row>';
  const held = read(workbook([{ name: 'S', xml }], { styles }));
  assert.deepEqual(held.formats, ['yyyy/m/d', '"￥"#,##0.00']);
  assert.deepEqual(held.rows[0].filter((_, i) => i % 2 === 0).map(kindOf), [2, 3, 1]);
});

test('workbook cells: only the worksheet own rows and cells are data', () => {
  const main = 'http://schemas.openxmlformats.org/spreadsheetml/2006/main';
  const cases = [
    // The same data under another prefix is the same data.
    `<x:worksheet xmlns:x="${main}"><x:sheetData><x:row r="1"><x:c r="A1"><x:v>1</x:v></x:c></x:row></x:sheetData></x:worksheet>`,
    // Rows in an extension, in another namespace, in a comment or an instruction are not.
    `<worksheet xmlns="${main}"><sheetData><row r="1"><c r="A1"><v>1</v></c></row></sheetData><extLst><ext><row r="2"><c r="A2"><v>9</v></c></row></ext></extLst></worksheet>`,
    `<worksheet xmlns="${main}" xmlns:o="urn:other"><sheetData><row r="1"><c r="A1"><v>1</v><o:v>9</o:v></c></row><o:row r="2"><c r="A2"><v>9</v></c></o:row><!-- <row r="3"><c r="A3"><v>9</v></c></row> --><?x <row r="4"><c r="A4"><v>9</v></c></row>?></sheetData></worksheet>`,
  ];
  for (const sheetXml of cases) assert.equal(show(read(workbook([{ name: 'S' }], { sheetXml })).rows), '1', sheetXml);
});

test('workbook faults a spreadsheet would refuse are refused, with the row named', () => {
  const cases = [
    ['<row r="2"><c r="A2"><v>1</v></c></row><row r="2"><c r="A2"><v>2</v></c></row>', /第 2 行在文件里出现了两次/],
    ['<row r="3"><c r="A3"><v>1</v></c></row><row r="2"><c r="A2"><v>2</v></c></row>', /第 2 行在文件里出现了两次，或排在第 3 行之后/],
    ['<row r="2.5"><c><v>1</v></c></row>', /行号“2.5”/],
    ['<row r="1"><c r="B1"><v>1</v></c><c r="A1"><v>2</v></c></row>', /同一列/],
    ['<row r="1"><c r="A2"><v>1</v></c></row>', /不在这一行/],
    ['<row r="1048577"><c><v>1</v></c></row>', /超过 1048576 行/],
    ['<row r="1"><c r="XFE1"><v>1</v></c></row>', /超过 16384 列/],
    ['<row r="1"><c r="A1" t="s"><v>5</v></c></row>', /不存在的文字/],
  ];
  for (const [xml, pattern] of cases) fails(() => sheet(xml, { strings: '' }), pattern);
});

test('files that are not tables are named, with what to do', () => {
  const compound = Buffer.from([0xd0, 0xcf, 0x11, 0xe0, 0xa1, 0xb1, 0x1a, 0xe1]);
  const ods = { mimetype: 'application/vnd.oasis.opendocument.spreadsheet', 'content.xml': '' };
  const cases = [
    ['a.ods', rawZip(ods), /OpenDocument.*另存为 \.xlsx 或 CSV/],
    ['a.docx', rawZip({ '[Content_Types].xml': '<x/>', 'word/document.xml': '<x/>' }), /Word 文档/],
    ['a.xls', Buffer.concat([compound, Buffer.alloc(2)]), /旧版 Excel.*另存为 \.xlsx/],
    ['a.xlsx', Buffer.concat([compound, Buffer.from('EncryptionInfo', 'utf16le')]), /打开密码/],
    ['a.pdf', Buffer.from('%PDF-1.7'), /PDF/],
    ['a.xlsx', Buffer.from('MZ\x90\x00 这不是表格 '), /不是 Excel 表格/],
    ['a.csv', Buffer.from([0, 1, 2, 3, 0, 0, 255, 254, 0, 7]), /不是文字/],
  ];
  for (const [name, bytes, pattern] of cases) fails(() => openBook(name, bytes), pattern);
});

test('Word documents: a paragraph a line, a table row a line of cells joined by tabs, text boxes once and after; hidden, deleted and moved-away text left out; what is no document, too long or too large is refused', () => {
  const body = (xml) =>
    `<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main" xmlns:mc="http://schemas.openxmlformats.org/markup-compatibility/2006"><w:body>${xml}</w:body></w:document>`;
  // Styles: one hides, one is based on it, a character style shows again, and two are based on each other.
  const style = (id, inner) => `<w:style w:styleId="${id}">${inner}</w:style>`;
  const styles = `<w:styles xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">${style('A', '<w:rPr><w:vanish/></w:rPr>')}${style('B', '<w:basedOn w:val="A"/>')}${style('S', '<w:rPr><w:vanish w:val="false"/></w:rPr>')}${style('L', '<w:basedOn w:val="M"/>')}${style('M', '<w:basedOn w:val="L"/>')}</w:styles>`;
  const rels = `<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="r" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>`;
  const docx = (xml) => rawZip({ 'word/document.xml': body(xml), 'word/_rels/document.xml.rels': rels, 'word/styles.xml': styles });
  const run = (r) => (r.startsWith('<') ? `<w:r>${r}</w:r>` : `<w:r><w:t>${r}</w:t></w:r>`);
  const p = (...runs) => `<w:p>${runs.map(run).join('')}</w:p>`;
  const inStyle = (id, ...runs) => p(...runs).replace('<w:p>', `<w:p><w:pPr><w:pStyle w:val="${id}"/></w:pPr>`);
  const row = (...cells) => `<w:tr>${cells.map((c) => `<w:tc>${c}</w:tc>`).join('')}</w:tr>`;
  const boxed = `<w:txbxContent>${p('框')}</w:txbxContent>`;
  const box = `<mc:AlternateContent><mc:Choice>${boxed}</mc:Choice><mc:Fallback>${boxed}</mc:Fallback></mc:AlternateContent>`;
  const vanish = (on) => `<w:rPr><w:vanish${on ? '' : ' w:val="0"'}/><w:rPrChange><w:rPr><w:vanish/></w:rPr></w:rPrChange></w:rPr>`;
  const read = [
    [p('总价人民币', '壹万元整') + p('（¥10,000.00）', '<w:br/><w:tab/>', '完'), '总价人民币壹万元整\n（¥10,000.00）\n\t完'],
    [`<w:tbl>${row(p('设备') + p('款'), p('壹佰元整', '<w:br/>'), p(''), p('¥100'))}</w:tbl>${p('后')}`, '设备 款\t壹佰元整 \t\t¥100\n后'],
    [p('<w:delText>删</w:delText><w:instrText>PAGE</w:instrText>', '留'), '留'],
    [`<w:p><w:moveTo>${run('移')}</w:moveTo><w:del>${run('删')}</w:del>${run('留')}<w:moveFrom>${run('移')}</w:moveFrom></w:p>`, '移留'],
    [p('前', box, '后'), '前后\n框'],
    [p(`${vanish(true)}<w:t>藏</w:t>`, `${vanish(false)}<w:t>见</w:t>`), '见', 1],
    [inStyle('B', '藏', '<w:rPr><w:rStyle w:val="S"/></w:rPr><w:t>见</w:t>') + inStyle('L', '留'), '见\n留', 1],
  ];
  for (const [xml, text, hidden = 0] of read) assert.deepEqual(docxText(docx(xml), 100), { text, hidden });
  // Inflating to past 1 GB: one deflated piece of 16 MB of spaces, ended by a full flush, repeated.
  const piece = zlib.deflateRawSync(Buffer.alloc(16 << 20, ' '), { finishFlush: zlib.constants.Z_FULL_FLUSH });
  const bomb = { deflated: Buffer.concat([...Array(65).fill(piece), Buffer.from([3, 0])]), size: 65 * (16 << 20) };
  const refused = [
    [rawZip({ 'xl/workbook.xml': '<x/>' }), /这是 Excel 表格/],
    [rawZip({ mimetype: 'application/vnd.oasis.opendocument.text', 'content.xml': '<x/>' }), /OpenDocument.*另存为 \.docx/],
    [rawZip({ 'a.txt': '壹' }), /压缩文件里没有 Word 文档/],
    [rawZip({ 'word/document.xml': body(p('壹')) }, { badCrc: true }), /不是完整的 \.docx 文档/],
    [docx(p('壹'.repeat(101))), /超过 100 个字/],
    [rawZip({ 'word/document.xml': bomb }), /文档解压后超过 1024 MB/],
  ];
  for (const [bytes, pattern] of refused) fails(() => docxText(bytes, 100), pattern);
});

test('CSV: line ends, quotes, separators, and the blank lines a sheet ends with', () => {
  const cases = [
    ['a.csv', 'a,b\r\n1,2\r\n', 'a|b / 1|2'],
    ['a.csv', 'a,b\r1,2\r', 'a|b / 1|2'],
    ['a.csv', 'a,b\n1,"x\r\ny"\n\n\n\r\n', 'a|b / 1|x\r\ny'],
    ['a.csv', `a,"${','.repeat(20000)}"\n`, `a|${','.repeat(20000)}`],
    // A header of 16,384 columns, most of them empty, is held as the two it has.
    ['a.csv', `a,b${','.repeat(16382)}\n1,2\n`, 'a|b / 1|2'],
    ['a.csv', 'a;b\n1,5;"2;3"\n', 'a|b / 1,5|2;3'],
    ['a.txt', 'a\tb,c\n"1""2"\t\n', 'a|b,c / 1"2'],
    ['a.csv', 'x\n\n\ny\n', 'x /  /  / y'],
    ['a.csv', '"a"b,c\n', 'ab|c'],
  ];
  for (const [name, text, expected] of cases) assert.equal(show(readCsv(name, text).rows), expected, JSON.stringify(text.slice(0, 40)));
  const full = 'a,b\r\n'.repeat(1048576);
  assert.equal(readCsv('a.csv', full + '\r\n\r\n').rows.length, 1048576);
  fails(() => readCsv('a.csv', full + 'c,d\r\n'), /超过 1048576 行/);
  fails(() => readCsv('a.csv', `a${',b'.repeat(16384)}\n`), /超过 16384 列/);
  fails(() => readCsv('a.csv', `a,b\n1,"${'A'.repeat(32768)}"\n`), /第 2 行第 2 列超过 32767 个字/);
  assert.equal(separatorOf('a.csv', '"a;b,c";d\n'), ';');
  assert.equal(separatorOf('a.csv', '2024年3月付款明细表\r\n\r\n序号;金额;大写\r\n1;1,5;x\r\n'), ';');
});

test('text in the encodings spreadsheets save it in', () => {
  const text = '金额,大写\r\n1,壹圆整';
  const cases = [
    [Buffer.from(`\ufeff${text}`), 'UTF-8'],
    [Buffer.from(text), 'UTF-8'],
    [Buffer.from(`\ufeff${text}`, 'utf16le'), 'UTF-16'],
    [Buffer.from(`\ufeff${text}`, 'utf16le').swap16(), 'UTF-16'],
    [gbk(text), 'GB18030'],
  ];
  for (const [bytes, encoding] of cases) assert.deepEqual(decodeText(bytes), { text, encoding }, encoding);
});

test('readers stay linear on long and repeated cells', () => {
  const cell = '9'.repeat(32000);
  const strings = `<si><t>${'壹'.repeat(30000)}x</t></si>`.repeat(300);
  const row = (r) => `<row r="${r + 1}"><c t="s"><v>${r}</v></c><c><v>${r}</v></c><c t="inlineStr"><is><t>${cell}</t></is></c></row>`;
  const started = performance.now();
  const held = read(workbook([{ name: 'S', xml: Array.from({ length: 300 }, (_, r) => row(r)).join('') }], { strings })).rows;
  findHeader(held);
  guessColumns(held, -1, () => undefined);
  assert.ok(performance.now() - started < 10000, `${Math.round(performance.now() - started)} ms`);
});

// An uppercase text's amount, as the engine would read it, for the texts in these tables.
const names = { 壹圆整: '1.00', 贰圆整: '2.00', 叁圆整: '3.00', 壹拾叁圆整: '13.00', 壹拾壹圆整: '11.00' };
const rows = (text) => text.split(' / ').map((line) => line.split('|').flatMap((t, c) => (t === '' ? [] : [c, t])));

test('the header row (titled, else above the first amounts) and the columns (the amount whose title the uppercase repeats, else the one it names)', () => {
  const headers = [
    ['金额|大写金额 / 1|壹圆整', 0],
    ['2024年3月付款明细表 / 编制单位：某公司||单位：元 / 序号|金额|大写 / 1|1|壹圆整', 2],
    ['付款明细 /  / 摘要|数 / x|1|壹圆整', 2],
    ['1|壹圆整 / 2|贰圆整', -1],
    ['合计|3|叁圆整', -1],
  ];
  for (const [sheetRows, header] of headers) assert.equal(findHeader(rows(sheetRows)), header, sheetRows);
  const cases = [
    ['序号|金额|税额|价税合计|价税合计（大写） / 1|10|1|11|壹拾壹圆整', 0, [3, 4]],
    ['金额|税额|合计|大写 / 10|3|13|壹拾叁圆整 / 1|0|1|壹圆整', 0, [2, 3]],
    ['大写金额|小写金额 / 壹圆整|1', 0, [1, 0]],
    ['甲|乙|丙 / 7|2|贰圆整 / 8|3|叁圆整', -1, [1, 2]],
    ['发票号|数|中文 / 04512345|1|壹圆整', 0, [1, 2]],
  ];
  const guess = (text, header) => guessColumns(rows(text), header, (upper) => names[upper]);
  for (const [text, header, [amount, upper]] of cases) assert.deepEqual(guess(text, header), { amount, upper }, text);
});

test('numbers as a sheet shows them', () => {
  // As stored, shown in the shortest form that reads back the same.
  const stored = [
    ['12.344999999999999', '12.345'],
    ['1680.3200000000002', '1680.32'],
    ['-0.50000000000000011', '-0.5'],
    ['4.182351E4', '41823.51'],
    ['1E-2', '0.01'],
  ];
  for (const [text, shown] of stored) assert.equal(shortest(text), shown, text);
  const formatted = [
    ['45296', 'yyyy/m/d', '2024/1/5'],
    ['45296.5', 'yyyy-mm-dd hh:mm', '2024-01-05 12:00'],
    ['1680.32', '"￥"#,##0.00', '￥1,680.32'],
    ['-8', '"￥"#,##0.00;"￥"\\-#,##0.00', '￥-8.00'],
    ['-8', '#,##0.00;(#,##0.00)', '(8.00)'],
    ['0.125', '0.0%', '12.5%'],
    ['1234567', '[$¥-804]#,##0', '¥1,234,567'],
    ['60', 'yyyy"年"m"月"d"日"', '1900年2月29日'],
  ];
  for (const [text, code, shown] of formatted) assert.equal(formatNumber(text, code), shown, `${text} ${code}`);
});

test('the download: CSV fields safe in every locale, and numbers and dates kept as such', () => {
  // A formula start is quoted away, and a field a spreadsheet in any locale could split is quoted.
  for (const text of ['=1+1', '+86 10', '@x']) assert.equal(csvField(text), `'${text}`, text);
  for (const text of ['a;=1+1', 'a\t=1', 'x\ny', '1,5']) assert.equal(csvField(text), `"${text}"`, text);
  const fields = [
    ['\t=1', '"\'\t=1"'],
    ['"q"', '"""q"""'],
    ['-5', '-5'],
  ];
  for (const [text, written] of fields) assert.equal(csvField(text), written, text);
  const values = [
    ['1680.32', { value: '1680.32' }],
    ['-8', { value: '-8' }],
    ['1,680.32', { value: '1680.32', code: '#,##0.00' }],
    ['2026-01-05', { value: '46027', code: 'yyyy-mm-dd' }],
    ['2026/1/5', { value: '46027', code: 'yyyy/m/d' }],
  ];
  for (const [text, value] of values) assert.deepEqual(csvValue(text), value, text);
  // Leading zeros, ids longer than a number holds, impossible dates and words stay text.
  for (const text of ['04512345', '110101199003071234', '2026-02-30', '1e5', '壹圆整']) assert.equal(csvValue(text), undefined, text);
});

test('the download: rows sparse however far their cells, verdicts after the widest row', async () => {
  const rows = [[0, '金额', 1, '大写'], [16384 + 0, '1', 1, '壹圆整'], undefined, [5, '备注']];
  const extra = (r) => (r === 0 ? ['结果', '说明'] : r === 1 ? ['正确', ''] : []);
  const held = { rows, formats: [], kind: 'xlsx' };
  const csv = new TextDecoder('utf-8', { ignoreBOM: true }).decode(await writeCsv(held, 6, extra, quiet).arrayBuffer());
  assert.equal(csv, '\ufeff金额,大写,,,,,结果,说明\r\n1,壹圆整,,,,,正确,\r\n\r\n,,,,,备注\r\n');
  const far = { rows: Array.from({ length: 150000 }, (_, r) => (r === 0 ? [16381, 'XFA'] : [16384, '1'])), formats: [], kind: 'xlsx' };
  const bytes = new Uint8Array(await writeXlsx(far, 16382, () => ['正确', ''], '核对结果', quiet).arrayBuffer());
  const back = openBook('back.xlsx', bytes).read(0, quiet).rows;
  assert.deepEqual([back.length, back[0].length, back[1]], [150000, 4, [16384, '1', 16382, '正确']]);
  fails(() => writeCsv(far, 16382, () => ['正确', ''], quiet), /改为下载 Excel/);
  fails(() => writeXlsx({ rows: [[16383, 'x']], formats: [] }, 16384, extra, 'x', quiet), /最后一列/);
});

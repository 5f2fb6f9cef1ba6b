// The page's file handling on its own, in Node: what a cell becomes on the way in and out.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { neutralise, writeCsv, readSheet } from '../../web/page/src/sheet.js';
import { writeXlsx, readXlsx } from '../../web/page/src/xlsx.js';
import { encode, decode, textOf } from '../../web/page/src/xml.js';
import { decodeText } from '../../web/page/src/decode.js';
import { excelNumber } from '../../web/page/src/numbers.js';
import { asciiDigits } from '../../web/page/src/digits.js';
import { guessColumns } from '../../web/page/src/columns.js';
import { SheetError } from '../../web/page/src/limits.js';
import { gbk, utf16le, utf16be, xlsxWithSheet } from './page/fixtures.mjs';

const quiet = () => {};

test('a text that a spreadsheet would run is written behind a quote; numbers are not', () => {
  const cases = [
    ['=1+1', "'=1+1"],
    ['+86 10 1234', "'+86 10 1234"],
    ['-2+3', "'-2+3"],
    ['@SUM(A1)', "'@SUM(A1)"],
    ['\tcmd', "'\tcmd"],
    ['\rcmd', "'\rcmd"],
    ['-', "'-"],
    ['-5', '-5'],
    ['+5', '+5'],
    ['-1,234.50', '-1,234.50'],
    ['-.5', '-.5'],
    ['-1e3', '-1e3'],
    ['1+1', '1+1'],
    ['壹圆整', '壹圆整'],
    ['', ''],
  ];
  for (const [text, written] of cases) assert.equal(neutralise(text), written, JSON.stringify(text));
});

test('CSV out: a byte-order mark, fields quoted only when they must be', () => {
  const bytes = writeCsv([['a,b', 'say "hi"', 'two\nlines', '=x', '壹圆整']]);
  assert.equal(new TextDecoder('utf-8', { ignoreBOM: true }).decode(bytes), '\ufeff"a,b","say ""hi""","two\nlines",\'=x,壹圆整\r\n');
});

test('XML character data: escaped on the way out, read back the same', () => {
  const cases = [
    ['a&b<c>"d\'', 'a&b<c>"d\''],
    ['_x0041_ stays as typed', '_x0041_ stays as typed'],
    ['tab\tand\nline', 'tab\tand\nline'],
    ['\u0001\u001f', '\u0001\u001f'],
    ['😀 壹', '😀 壹'],
    ['lone \ud800 half', 'lone \ufffd half'],
    ['\uffff', '\ufffd'],
  ];
  for (const [text, back] of cases) {
    const written = encode(text);
    assert.doesNotMatch(written, /[<>&](?!amp;|lt;|gt;|quot;)|[\u0000-\u0008\u000b\u000c\u000e-\u001f]/, JSON.stringify(text));
    assert.equal(decode(written), back, JSON.stringify(text));
  }
  assert.equal(decode('&#x58;&#89;&#1114112;&lol;'), 'XY\ufffd&lol;');
});

test('a shared string: its runs joined, its phonetic guide left out', () => {
  const cases = [
    ['<t>壹圆整</t>', '壹圆整'],
    ['<t xml:space="preserve"> 壹圆整 </t>', ' 壹圆整 '],
    ['<r><rPr><b/></rPr><t>壹</t></r><r><t>圆整</t></r>', '壹圆整'],
    ['<t>漢字</t><rPh sb="0" eb="2"><t>かんじ</t></rPh><phoneticPr fontId="1"/>', '漢字'],
    ['<x:t>壹</x:t>', '壹'],
    ['<t/>', ''],
  ];
  for (const [body, text] of cases) assert.equal(textOf(body), text, body);
});

test('text files in the encodings Excel and Windows write', () => {
  const text = '金额,大写金额\r\n1,壹圆整\r\n';
  const cases = [
    [Buffer.from('\ufeff' + text), 'UTF-8'],
    [Buffer.from(text), 'UTF-8'],
    [utf16le(text), 'UTF-16'],
    [utf16be(text), 'UTF-16'],
    [gbk(text), 'GB18030'],
  ];
  for (const [bytes, encoding] of cases) assert.deepEqual(decodeText(bytes), { text, encoding }, encoding);
});

test('a number cell is read as Excel shows it', () => {
  const cases = [
    ['12.344999999999999', '12.3450000000000'],
    ['4.182351E4', '41823.5100000000'],
    ['1E-2', '0.0100000000000000'],
    ['-0.50000000000000011', '-0.500000000000000'],
    ['100010000', '100010000.000000'],
    ['1e21', '1000000000000000000000'],
  ];
  for (const [stored, shown] of cases) assert.equal(excelNumber(stored), shown, stored);
});

test('full-width digits and 。 from input methods', () => {
  assert.equal(asciiDigits('４１，８２３。５１'), '41,823.51');
  assert.equal(asciiDigits('－５．０'), '-5.0');
  assert.equal(asciiDigits('壹圆'), '壹圆');
});

test('a workbook written is read back cell for cell, texts never as formulas', () => {
  const rows = [
    ['金额', '大写金额', '备注'],
    ['41823.51', '肆万壹仟捌佰贰拾叁圆伍角壹分', '=HYPERLINK("x")'],
    ['-5', '负伍圆整', '_x0041_ <b>'],
  ];
  const numbers = new Set(['1,0', '2,0']);
  const bytes = writeXlsx(rows, (r, c) => numbers.has(`${r},${c}`), '核对结果');
  const back = readXlsx(bytes, quiet);
  assert.deepEqual(back.rows, rows);
  assert.deepEqual([...back.numeric].sort(), [16384, 32768]);
});

test('cells without a reference take the next column', () => {
  const sheet = '<row><c t="inlineStr"><is><t>a</t></is></c><c r="C1"><v>3</v></c><c><v>4</v></c><c r="x"><v>5</v></c></row><row r="3"><c r="B3"><v>6</v></c></row>';
  assert.deepEqual(readXlsx(xlsxWithSheet(sheet), quiet).rows, [['a', '', '3', '4', '5'], [], ['', '6']]);
});

test('files that are not what they claim get a message of their own', () => {
  const cases = [
    ['a.xlsx', Buffer.from('not a zip at all'), /不是 Excel 表格/],
    ['a.xls', Buffer.from([0xd0, 0xcf, 0x11, 0xe0]), /另存为/],
    ['a.csv', Buffer.from([0, 1, 2, 0, 0]), /二进制/],
    ['a.xlsx', Buffer.from('PK\x03\x04 truncated'), /已损坏/],
  ];
  for (const [name, bytes, message] of cases) {
    assert.throws(() => readSheet(name, new Uint8Array(bytes), quiet), (e) => e instanceof SheetError && message.test(e.message), name);
  }
});

test('the amount and uppercase columns are found by header or by content', () => {
  const cases = [
    [[['日期', '小写金额', '大写金额']], { amount: 1, upper: 2, hasHeader: true }],
    [[['大写', '金额']], { amount: 1, upper: 0, hasHeader: true }],
    [[['Amount', 'In words']], { amount: 0, upper: 1, hasHeader: true }],
    [[['壹圆整', '1'], ['贰圆整', '2']], { amount: 1, upper: 0, hasHeader: false }],
    [[['编号', '甲', '乙'], ['7', '1.5', '壹圆伍角整']], { amount: 1, upper: 2, hasHeader: true }],
  ];
  for (const [rows, guess] of cases) assert.deepEqual(guessColumns(rows, rows[0].length), guess, JSON.stringify(rows[0]));
});

// A spreadsheet file of any kind the page takes, read into rows of texts with limits on
// everything a hostile file could blow up; and the checked sheet written back.
import Papa from 'papaparse';
import { readXlsx, writeXlsx, tooLong } from './xlsx.js';
import { decodeText } from './decode.js';
import { limits, SheetError } from './limits.js';

const isZip = (b) => b[0] === 0x50 && b[1] === 0x4b && (b[2] === 3 || b[2] === 5) && (b[3] === 4 || b[3] === 6);

export function readSheet(name, bytes, progress) {
  if (isZip(bytes)) return { ...readXlsx(bytes, progress), kind: 'xlsx' };
  if (/\.xlsx$/i.test(name)) throw new SheetError('文件名是 .xlsx，但内容不是 Excel 表格。');
  if (/\.(xls|et|ods|numbers)$/i.test(name)) {
    throw new SheetError('不支持这种表格格式：请在 Excel 或 WPS 里另存为 .xlsx 或 .csv 后再打开。');
  }
  const { text, encoding } = decodeText(bytes);
  if (/\u0000/.test(text.slice(0, 4096))) throw new SheetError('这不是表格：文件里是二进制内容，不是文字。');
  const delimiter = delimiterOf(name, text);
  checkColumns(text, delimiter);
  const rows = [];
  Papa.parse(text, {
    delimiter,
    skipEmptyLines: false,
    step: ({ data }, parser) => {
      const r = rows.length;
      if (r >= limits.rows) throw new SheetError(`表格超过 ${limits.rows} 行，不像一张正常的表格。`);
      for (let c = 0; c < data.length; ++c) if (data[c].length > limits.cellChars) throw tooLong(r, c);
      rows.push(data);
      if (r % 10000 === 0) progress('读取', r, 0);
    },
  });
  while (rows.length && rows[rows.length - 1].every((c) => c === '')) rows.pop();
  return { rows, numeric: new Set(), kind: 'text', encoding };
}

// .txt is Excel's tab-separated text; a .csv saved in some locales uses ";" or tabs.
function delimiterOf(name, text) {
  const end = text.indexOf('\n');
  const first = end < 0 ? text.slice(0, 65536) : text.slice(0, Math.min(end, 65536));
  const count = (d) => first.split(d).length - 1;
  if (/\.txt$/i.test(name) || (count('\t') > 0 && count(',') === 0)) return '\t';
  if (count(',') === 0 && count(';') > 0) return ';';
  return ',';
}

// Before the parser builds a row of a million cells, a plain count per line: a line with more
// separators than Excel has columns is refused at once.
function checkColumns(text, delimiter) {
  const d = delimiter.charCodeAt(0);
  let n = 0;
  for (let i = 0; i < text.length; ++i) {
    const c = text.charCodeAt(i);
    if (c === d) {
      if (++n >= limits.columns) throw new SheetError(`表格超过 ${limits.columns} 列，不像一张正常的表格。`);
    } else if (c === 10) n = 0;
  }
}

const number = /^[-+]?(?:\d+(?:\.\d*)?|\.\d+|\d{1,3}(?:,\d{3})+(?:\.\d*)?)(?:[eE][-+]?\d+)?$/;

// A text that a spreadsheet would take for a formula is written behind a quote; numbers,
// even negative ones, are left as they are.
export function neutralise(text) {
  return /^[=+\-@\t\r]/.test(text) && !number.test(text) ? `'${text}` : text;
}

function csvField(text) {
  const safe = neutralise(text);
  return /[",\r\n]/.test(safe) ? `"${safe.replace(/"/g, '""')}"` : safe;
}

// UTF-8 with a byte-order mark, so that Excel opens it right.
export function writeCsv(rows) {
  const lines = rows.map((row) => row.map((c) => csvField(c ?? '')).join(','));
  return new TextEncoder().encode('\ufeff' + lines.join('\r\n') + '\r\n');
}

export { writeXlsx };

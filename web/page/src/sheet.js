// A file the user opened, whatever it turns out to be: an .xlsx workbook of one or more
// worksheets, or text a spreadsheet saved; anything else is named, with what to do instead.
import { openWorkbook } from './xlsx.js';
import { readCsv } from './csv.js';
import { decodeText } from './decode.js';
import { SheetError } from './limits.js';

const startsWith = (b, bytes) => bytes.every((x, i) => b[i] === x);
const isZip = (b) => b[0] === 0x50 && b[1] === 0x4b && (b[2] === 3 || b[2] === 5) && (b[3] === 4 || b[3] === 6);
// Office's older container, which also wraps an .xlsx that has a password.
const isCompound = (b) => startsWith(b, [0xd0, 0xcf, 0x11, 0xe0, 0xa1, 0xb1, 0x1a, 0xe1]);

function hasName(b, name) {
  const wide = new Uint8Array(name.length * 2);
  for (let i = 0; i < name.length; ++i) wide[i * 2] = name.charCodeAt(i);
  const first = wide[0];
  for (let i = b.indexOf(first); i >= 0 && i + wide.length <= b.length; i = b.indexOf(first, i + 1)) {
    if (wide.every((x, k) => b[i + k] === x)) return true;
  }
  return false;
}

// { kind, encoding, sheets: [{ name, hidden }], date1904, read(index, progress) }
export function openBook(name, bytes) {
  if (isZip(bytes)) return { kind: 'xlsx', ...openWorkbook(bytes) };
  if (isCompound(bytes)) {
    if (hasName(bytes, 'EncryptionInfo')) {
      throw new SheetError('这个表格设了打开密码：请在 Excel 或 WPS 里去掉密码后另存，再来核对。');
    }
    throw new SheetError('这是旧版 Excel 表格（.xls）或 WPS 表格（.et），不是 .xlsx：请在 Excel 或 WPS 里另存为 .xlsx 或 CSV 后再打开。');
  }
  if (startsWith(bytes, [0x25, 0x50, 0x44, 0x46])) throw new SheetError('这是 PDF 文件，不是表格：请打开 .xlsx 或 CSV 表格。');
  if (/\.xlsx$/i.test(name)) throw new SheetError('文件名是 .xlsx，但内容不是 Excel 表格：它可能没有下载完整，或是改了扩展名的别的文件。');
  if (/\.(xls|et|ods|numbers)$/i.test(name)) {
    throw new SheetError('不支持这种表格格式：请在 Excel 或 WPS 里另存为 .xlsx 或 .csv 后再打开。');
  }
  const { text, encoding } = decodeText(bytes);
  if (text.slice(0, 4096).includes('\u0000')) throw new SheetError('这不是表格：文件里是图片、程序之类的内容，不是文字。');
  let rows;
  return {
    kind: 'text',
    encoding,
    sheets: [{ name: name.replace(/\.[^.]*$/, ''), hidden: false }],
    date1904: false,
    read(index, progress) {
      rows ??= readCsv(name, text, progress);
      return rows;
    },
  };
}

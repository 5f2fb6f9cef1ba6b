// The checked sheet written out, with its verdicts in two columns after the widest row: as CSV
// safe to open in any locale's spreadsheet, or as .xlsx written a piece at a time, so that a
// sheet of a million rows never needs its whole file in one string.
import { phase } from './protocol.js';
import { Zip, ZipDeflate, strToU8 } from 'fflate';
import { encode } from './xml.js';
import { width, columnOf, kindOf, textKind, numberKind, columnName } from './table.js';
import { csvValue, formatNumber } from './formats.js';
import { shortest } from './numbers.js';
import { SheetError } from './limits.js';

const number = /^[-+]?(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][-+]?[0-9]+)?$/;

// A text that a spreadsheet would take for a formula is written behind a quote; numbers,
// even negative ones, are left as they are.
export function neutralise(text) {
  return /^[=+\-@\t\r]/.test(text) && !number.test(text) ? `'${text}` : text;
}

// Quoted whenever a spreadsheet in any locale could split it: on a comma, a semicolon or a tab.
export function csvField(text) {
  const safe = neutralise(text);
  return /[",;\t\r\n]/.test(safe) ? `"${safe.replace(/"/g, '""')}"` : safe;
}

// Keeps the parts of a file being written, handing them to the browser's own storage for blobs
// as they come, so that a large download is never held whole in the worker; and tells how far
// the writing got.
function sink(progress, total) {
  let blob = new Blob([]);
  let parts = [];
  let held = 0;
  let written = 0;
  const flush = () => {
    blob = new Blob([blob, ...parts]);
    parts = [];
    held = 0;
  };
  return {
    push(chunk) {
      parts.push(chunk);
      held += chunk.length;
      written += chunk.length;
      if (written > outputLimit) throw new SheetError(`下载文件会超过 ${outputLimit / 2 ** 30} GB，太大了。请删掉用不着的列或行后再核对。`);
      if (held > 16 * 1024 * 1024) flush();
    },
    rows: (r) => r % 20000 === 0 && progress(phase.write, r, total),
    blob(type) {
      flush();
      return new Blob([blob], { type });
    },
  };
}

const csvLimit = 100 * 1024 * 1024;
const outputLimit = 2 ** 30;
// Text is handed on in pieces of about this many characters, however long its rows.
const piece = 4 * 1024 * 1024;
const lastColumn = () =>
  new SheetError('核对的两列右边，直到最后一列（XFD），找不到两列空白来放核对结果。请删掉最右边没用的内容后再核对。');

// Calls each(column, kind, text) for a row's cells and its verdicts, in column order.
function eachCell(row, at, added, each) {
  let k = 0;
  for (let i = 0; row && i < row.length; i += 2) {
    const column = columnOf(row[i]);
    for (; k < added.length && at + k < column; ++k) each(at + k, textKind, added[k]);
    each(column, kindOf(row[i]), row[i + 1]);
  }
  for (; k < added.length; ++k) each(at + k, textKind, added[k]);
}

const names = [];
const nameOf = (column) => (names[column] ??= columnName(column));

// sheet: { rows, formats, date1904 }; extra(r): the verdict cells for row r, [] for none; at: the
// column they start in.
export function writeCsv(sheet, at, extra, progress) {
  const { rows, formats, date1904 } = sheet;
  if (at + 2 > width) throw lastColumn();
  // CSV has no gaps: every row is written out to its last cell, and the verdicts' rows to them.
  let fields = 0;
  for (let r = 0; r < rows.length; ++r) {
    const row = rows[r];
    fields += Math.max(row?.length ? columnOf(row[row.length - 2]) + 1 : 0, extra(r).length ? at + 2 : 0);
  }
  if (fields > csvLimit) {
    throw new SheetError('这张表的内容分散在很远的列里，写成 CSV 要补上太多空格子，文件会太大。请改为下载 Excel 表格（.xlsx）。');
  }
  const out = sink(progress, rows.length);
  const encoder = new TextEncoder();
  let lines = ['\ufeff'];
  let size = 0;
  for (let r = 0; r < rows.length; ++r) {
    const cells = [];
    eachCell(rows[r], at, extra(r), (column, kind, text) => {
      while (cells.length < column) cells.push('');
      cells.push(csvField(kind === textKind ? text : formatNumber(text, formats[kind - 2], date1904)));
    });
    const line = cells.join(',');
    lines.push(line, '\r\n');
    size += line.length;
    if (size > piece) {
      out.push(encoder.encode(lines.join('')));
      lines = [];
      size = 0;
    }
    out.rows(r);
  }
  out.push(encoder.encode(lines.join('')));
  return out.blob('text/csv;charset=utf-8');
}

const head = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n';
const ns = 'http://schemas.openxmlformats.org';
const contentTypes = `${head}<Types xmlns="${ns}/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/></Types>`;
const rootRels = `${head}<Relationships xmlns="${ns}/package/2006/relationships"><Relationship Id="rId1" Type="${ns}/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>`;
const workbookRels = `${head}<Relationships xmlns="${ns}/package/2006/relationships"><Relationship Id="rId1" Type="${ns}/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId2" Type="${ns}/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>`;
const workbook = (name, date1904) =>
  `${head}<workbook xmlns="${ns}/spreadsheetml/2006/main" xmlns:r="${ns}/officeDocument/2006/relationships"><workbookPr${date1904 ? ' date1904="1"' : ''}/><sheets><sheet name="${encode(name)}" sheetId="1" r:id="rId1"/></sheets></workbook>`;

// The page's own styles: the default, and one cell style for each number format the cells use.
export function styles(codes) {
  const numFmts = codes.map((code, i) => `<numFmt numFmtId="${164 + i}" formatCode="${encode(code)}"/>`).join('');
  const xfs = codes.map((_, i) => `<xf numFmtId="${164 + i}" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/>`).join('');
  return `${head}<styleSheet xmlns="${ns}/spreadsheetml/2006/main">${codes.length ? `<numFmts count="${codes.length}">${numFmts}</numFmts>` : ''}<fonts count="1"><font><sz val="11"/><name val="等线"/><family val="2"/><charset val="134"/></font></fonts><fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills><borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders><cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs><cellXfs count="${codes.length + 1}"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>${xfs}</cellXfs><cellStyles count="1"><cellStyle name="常规" xfId="0" builtinId="0"/></cellStyles></styleSheet>`;
}

// Spaces at either end of a text are kept only when the text says so.
const textCell = (ref, text) =>
  `<c r="${ref}" t="inlineStr"><is><t${/^\s|\s$/.test(text) ? ' xml:space="preserve"' : ''}>${encode(text)}</t></is></c>`;

// Number cells stay numbers in their formats; from a CSV, what a spreadsheet would read as a
// number or a date becomes one. Texts are inline strings, never formulas.
export function writeXlsx(sheet, at, extra, sheetName, progress) {
  const { rows, formats, date1904 } = sheet;
  if (at + 2 > width) throw lastColumn();
  const out = sink(progress, rows.length);
  const zip = new Zip((error, chunk) => {
    if (error) throw error;
    out.push(chunk);
  });
  const add = (name, text) => {
    const file = new ZipDeflate(name, { level: 6 });
    zip.add(file);
    file.push(strToU8(text), true);
  };
  add('[Content_Types].xml', contentTypes);
  add('_rels/.rels', rootRels);
  add('xl/workbook.xml', workbook(sheetName, date1904));
  add('xl/_rels/workbook.xml.rels', workbookRels);
  const codes = [];
  const styleOf = new Map();
  const style = (code) => {
    if (code === undefined) return '';
    if (!styleOf.has(code)) styleOf.set(code, codes.push(code));
    return ` s="${styleOf.get(code)}"`;
  };
  // A lighter compression than the default: the file is a tenth larger, written twice as fast.
  const data = new ZipDeflate('xl/worksheets/sheet1.xml', { level: 3 });
  zip.add(data);
  let size = 0;
  let xml = [`${head}<worksheet xmlns="${ns}/spreadsheetml/2006/main"><sheetData>`];
  const cell = (ref, kind, text) => {
    let value = kind === numberKind || kind > numberKind ? { value: text, code: formats[kind - 2] } : undefined;
    if (kind === textKind && sheet.kind === 'text') value = csvValue(text);
    if (value && number.test(value.value)) return `<c r="${ref}"${style(value.code)}><v>${value.value}</v></c>`;
    return textCell(ref, kind === textKind ? text : shortest(text));
  };
  for (let r = 0; r < rows.length; ++r) {
    const row = rows[r];
    const added = extra(r);
    if (!row && !added.length) continue;
    const n = r + 1;
    const cells = [`<row r="${n}">`];
    eachCell(row, at, added, (column, kind, text) => text && cells.push(cell(nameOf(column) + n, kind, text)));
    cells.push('</row>');
    const line = cells.join('');
    xml.push(line);
    size += line.length;
    if (size > piece) {
      data.push(strToU8(xml.join('')));
      xml = [];
      size = 0;
    }
    out.rows(r);
  }
  xml.push('</sheetData></worksheet>');
  data.push(strToU8(xml.join('')), true);
  add('xl/styles.xml', styles(codes));
  zip.end();
  return out.blob('application/vnd.openxmlformats-officedocument.spreadsheetml.sheet');
}

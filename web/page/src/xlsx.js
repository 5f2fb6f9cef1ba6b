// The first worksheet of an .xlsx workbook as rows of texts, and a sheet written back as .xlsx.
import { zipSync, strToU8 } from 'fflate';
import { listEntries, readEntry } from './zip.js';
import { eachElement, attribute, textOf, decode, encode } from './xml.js';
import { limits, SheetError } from './limits.js';

const utf8 = new TextDecoder('utf-8');

function resolve(target) {
  if (target.startsWith('/')) return target.slice(1);
  const parts = ['xl'];
  for (const p of target.split('/')) {
    if (p === '..') parts.pop();
    else if (p && p !== '.') parts.push(p);
  }
  return parts.join('/');
}

// Where the workbook keeps its first sheet and its shared strings.
function partsOf(b, entries, budget) {
  const text = (name) => (entries.has(name) ? utf8.decode(readEntry(b, entries.get(name), budget)) : '');
  const workbook = text('xl/workbook.xml');
  const rels = text('xl/_rels/workbook.xml.rels');
  const targets = new Map();
  let strings;
  let styles;
  eachElement(rels, 'Relationship', (a) => {
    const target = attribute(a, 'Target') ?? '';
    targets.set(attribute(a, 'Id'), target);
    const type = attribute(a, 'Type') ?? '';
    if (type.endsWith('/sharedStrings')) strings = resolve(target);
    if (type.endsWith('/styles')) styles = resolve(target);
  });
  let sheet;
  eachElement(workbook, 'sheet', (a) => {
    const id = attribute(a, 'r:id') ?? /\s[\w.-]+:id\s*=\s*"([^"]*)"/.exec(a)?.[1];
    // A chart sheet holds no cells: the first worksheet is wanted.
    if (/worksheets\//.test(targets.get(id) ?? '')) sheet = resolve(targets.get(id));
    return sheet === undefined;
  });
  if (!sheet || !entries.has(sheet)) sheet = [...entries.keys()].find((n) => /^xl\/worksheets\/[^/]+\.xml$/.test(n));
  if (!sheet) throw new SheetError('这个 .xlsx 文件里没有工作表。');
  const present = (name) => (name && entries.has(name) ? name : undefined);
  return { sheet, strings: present(strings), styles: present(styles) };
}

function sharedStrings(xml) {
  const list = [];
  eachElement(xml, 'si', (a, body) => {
    const text = textOf(body);
    if (text.length > limits.cellChars) throw new SheetError(`表格里有超过 ${limits.cellChars} 个字符的文字，不像一张正常的表格，已停止读取。`);
    if (list.push(text) > limits.cells) throw new SheetError(`表格超过 ${limits.cells} 个单元格，太大了。`);
  });
  return list;
}

// Column letters to a 0-based index ("A" -> 0, "XFD" -> 16383).
function column(ref) {
  let n = 0;
  for (let i = 0; i < ref.length; ++i) {
    const c = ref.charCodeAt(i);
    if (c < 65 || c > 90) break;
    n = n * 26 + (c - 64);
    if (n > limits.columns) return limits.columns;
  }
  return n - 1;
}

export function columnName(index) {
  let name = '';
  for (let n = index + 1; n > 0; n = Math.floor((n - 1) / 26)) name = String.fromCharCode(65 + ((n - 1) % 26)) + name;
  return name;
}

const value = (body) => {
  const m = /<(?:[\w.-]+:)?v(?:\s[^<>]*)?>([^<]*)</.exec(body);
  return m ? decode(m[1]) : '';
};

export function tooLong(row, col) {
  return new SheetError(
    `第 ${row + 1} 行第 ${col + 1} 列的内容超过 ${limits.cellChars} 个字符，不像一张正常的表格，已停止读取。`,
  );
}

// rows: arrays of texts; numeric: the keys (row * columns + column) of the cells that hold
// numbers; styles: the workbook's formats, kept with each cell's index into them, so that the
// sheet written back shows its dates and amounts as before.
export function readXlsx(bytes, progress) {
  const entries = listEntries(bytes);
  const budget = { left: limits.unzippedBytes };
  const parts = partsOf(bytes, entries, budget);
  const styles = parts.styles ? readEntry(bytes, entries.get(parts.styles), budget) : undefined;
  const cellStyles = new Map();
  const strings = parts.strings ? sharedStrings(utf8.decode(readEntry(bytes, entries.get(parts.strings), budget))) : [];
  const xml = utf8.decode(
    readEntry(bytes, entries.get(parts.sheet), budget, (done, total) => progress('解压', done, total)),
  );
  const rows = [];
  const numeric = new Set();
  let next = 0;
  let cells = 0;
  eachElement(xml, 'row', (rowAttributes, body) => {
    const r = Number(attribute(rowAttributes, 'r') ?? next + 1) - 1;
    if (!(r >= 0) || r >= limits.rows) throw new SheetError(`表格超过 ${limits.rows} 行，不像一张正常的表格。`);
    next = r + 1;
    const row = [];
    let c = -1;
    eachElement(body, 'c', (a, cell) => {
      const at = column(attribute(a, 'r') ?? '');
      c = at >= 0 ? at : c + 1;
      if (c >= limits.columns) throw new SheetError(`表格超过 ${limits.columns} 列，不像一张正常的表格。`);
      if (++cells > limits.cells) throw new SheetError(`表格超过 ${limits.cells} 个单元格，太大了。`);
      const type = attribute(a, 't') ?? 'n';
      const style = attribute(a, 's');
      if (style && style !== '0' && /^\d{1,6}$/.test(style)) cellStyles.set(r * limits.columns + c, style);
      let text;
      if (type === 's') text = strings[Number(value(cell))] ?? '';
      else if (type === 'inlineStr') text = eachIs(cell);
      else if (type === 'b') text = value(cell) === '1' ? 'TRUE' : 'FALSE';
      else {
        text = value(cell);
        if (type === 'n' && text !== '') numeric.add(r * limits.columns + c);
      }
      if (text.length > limits.cellChars) throw tooLong(r, c);
      while (row.length < c) row.push('');
      row[c] = text;
    });
    rows[r] = row;
    if (r % 10000 === 0) progress('读取', r, 0);
  });
  for (let i = 0; i < rows.length; ++i) rows[i] ??= [];
  return { rows, numeric, styles, cellStyles };
}

function eachIs(cell) {
  let text = '';
  eachElement(cell, 'is', (a, body) => void (text += textOf(body)));
  return text;
}

const contentTypes =
  '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>';
const stylesType =
  '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>';
const rootRels =
  '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>';
const workbookRels = (styled) =>
  `<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>${styled ? '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>' : ''}</Relationships>`;
const workbook = (name) =>
  `<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="${encode(name)}" sheetId="1" r:id="rId1"/></sheets></workbook>`;

const plainNumber = /^-?(?:0|[1-9]\d*)(?:\.\d+)?(?:[eE][-+]?\d+)?$/;

// Texts go in as inline strings and never as formulas, so a cell that starts with "=" stays
// text; only the cells that were numbers in the file read are written as numbers.
export function writeXlsx(rows, isNumber, sheetName, styles, styleOf) {
  const xml = [
    '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>',
  ];
  for (let r = 0; r < rows.length; ++r) {
    const row = rows[r];
    const cells = [`<row r="${r + 1}">`];
    for (let c = 0; c < row.length; ++c) {
      const text = row[c];
      if (text === '' || text === undefined) continue;
      const style = styles ? styleOf(r, c) : undefined;
      const head = `<c r="${columnName(c)}${r + 1}"${style ? ` s="${style}"` : ''}`;
      if (isNumber(r, c) && plainNumber.test(text)) cells.push(`${head}><v>${text}</v></c>`);
      else cells.push(`${head} t="inlineStr"><is><t xml:space="preserve">${encode(text)}</t></is></c>`);
    }
    cells.push('</row>');
    xml.push(cells.join(''));
  }
  xml.push('</sheetData></worksheet>');
  const parts = {
    '[Content_Types].xml': strToU8(`${contentTypes}${styles ? stylesType : ''}</Types>`),
    '_rels/.rels': strToU8(rootRels),
    'xl/workbook.xml': strToU8(workbook(sheetName)),
    'xl/_rels/workbook.xml.rels': strToU8(workbookRels(Boolean(styles))),
    'xl/worksheets/sheet1.xml': strToU8(xml.join('')),
  };
  if (styles) parts['xl/styles.xml'] = styles;
  return zipSync(parts, { level: 6 });
}

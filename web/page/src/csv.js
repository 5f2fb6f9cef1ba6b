// Text a spreadsheet saved (CSV, or Excel's tab-separated "Unicode text") read into rows
// (table.js) in one pass: quoted fields, CRLF, LF or CR-only line ends, and the limits counted on
// the fields themselves, so a quoted note full of commas is one field.
import { phase } from './protocol.js';
import { limits, SheetError, tooMany } from './limits.js';
import { width } from './table.js';

// The separator is what the first record with any holds outside quotes (a title line above the
// table may hold none): tabs, else ";" when there is no comma (a CSV saved where the decimal
// sign is a comma), else a comma. A .txt is tab-separated.
export function separatorOf(name, text) {
  if (/\.txt$/i.test(name)) return '\t';
  let counts = { ',': 0, ';': 0, '\t': 0 };
  let quoted = false;
  for (let i = 0; i < text.length && i < 1 << 20; ++i) {
    const c = text[i];
    if (c === '"') quoted = !quoted;
    else if (quoted) continue;
    else if (c in counts) counts[c]++;
    else if (c === '\n' || c === '\r') {
      if (counts[','] + counts[';'] + counts['\t'] > 0) break;
      counts = { ',': 0, ';': 0, '\t': 0 };
    }
  }
  if (counts['\t'] > 0 && counts[','] === 0) return '\t';
  if (counts[','] === 0 && counts[';'] > 0) return ';';
  return ',';
}

export function readCsv(name, text, progress = () => {}) {
  const separator = separatorOf(name, text).charCodeAt(0);
  const rows = [];
  let held = 0;
  let row = [];
  let column = 0;
  // Records with no text are kept aside until a record with text follows: the blank lines a
  // sheet ends with (Excel ends its last line too) are no rows.
  let blank = 0;
  const field = (value) => {
    if (column >= width) throw tooMany('columns');
    if (value.length > limits.cellChars) {
      throw new SheetError(
        `第 ${rows.length + blank + 1} 行第 ${column + 1} 列超过 ${limits.cellChars} 个字，Excel 的单元格放不下这么多，无法核对。`,
      );
    }
    if (value !== '') {
      if (++held > limits.cells) throw tooMany('cells');
      row.push(column, value);
    }
    column++;
  };
  const record = () => {
    if (row.length === 0) blank++;
    else {
      if (rows.length + blank >= limits.rows) throw tooMany('rows');
      for (; blank > 0; --blank) rows.push(undefined);
      rows.push(row);
      if (rows.length % 10000 === 0) progress(phase.read, rows.length, 0);
    }
    row = [];
    column = 0;
  };
  const n = text.length;
  let i = 0;
  while (i < n) {
    let value;
    if (text.charCodeAt(i) === 34) {
      // A quoted field runs to the quote not doubled; what follows it up to the separator is
      // kept, as spreadsheets keep it.
      const parts = [];
      let from = i + 1;
      for (;;) {
        const q = text.indexOf('"', from);
        if (q < 0) {
          parts.push(text.slice(from));
          i = n;
          break;
        }
        parts.push(text.slice(from, q));
        if (text.charCodeAt(q + 1) === 34) {
          parts.push('"');
          from = q + 2;
          continue;
        }
        i = q + 1;
        break;
      }
      let j = i;
      while (j < n && !isEnd(text.charCodeAt(j), separator)) ++j;
      parts.push(text.slice(i, j));
      value = parts.join('');
      i = j;
    } else {
      let j = i;
      while (j < n && !isEnd(text.charCodeAt(j), separator)) ++j;
      value = text.slice(i, j);
      i = j;
    }
    field(value);
    if (i >= n) break;
    const c = text.charCodeAt(i);
    if (c === separator) {
      ++i;
      if (i >= n) field('');
    } else {
      i += c === 13 && text.charCodeAt(i + 1) === 10 ? 2 : 1;
      record();
    }
  }
  if (column > 0 || row.length) record();
  return { rows, formats: [] };
}

const isEnd = (c, separator) => c === separator || c === 10 || c === 13;

// Opens and checks spreadsheets away from the page's thread, so that a large or hostile file
// never freezes the page: the page can always end this worker.
import { load } from 'tessaly';
import { openBook } from './sheet.js';
import { findHeader, guessColumns } from './columns.js';
import { textAt, kindAt, kindOf, textKind, usedColumns, columnName, width } from './table.js';
import { formatNumber } from './formats.js';
import { plainAmount } from './amount.js';
import { shortest } from './numbers.js';
import { plainMessage } from './messages.js';
import { writeCsv, writeXlsx } from './download.js';
import { SheetError } from './limits.js';
import { toWorker, fromWorker, verdict, phase } from './protocol.js';

const shownRows = 500;
const shownChars = 200;
const previewRows = 30;
const verdictWords = ['正确', '警告', '错误'];
// What the engine cannot act on: a cell of nothing but blanks. The cell's text itself goes to the
// engine untouched, so that its positions are the cell's.
const blank = /^[ \t\r\n\u00a0\u3000]*$/;

let engine;
let book;
let sheet;
let results;

const post = (message) => postMessage(message);
const progress = (step, done, total) => post({ type: fromWorker.progress, phase: step, done, total });

const clip = (text, n) => (text.length > n ? `${text.slice(0, n)}…` : text);

function labelled(rows, header) {
  const head = header >= 0 ? rows[header] : undefined;
  return sheet.columns.map((c) => {
    const title = textAt(head, c);
    return [c, title ? `${columnName(c)}：${clip(title, 40)}` : columnName(c)];
  });
}

// The amount in a cell as the engine takes it, and as the sheet shows it.
function amountOf(row, c) {
  const text = textAt(row, c);
  return kindAt(row, c) === textKind ? plainAmount(text) : shortest(text);
}

const reads = (text) => engine.read(text).amount;

function choose(index) {
  const read = book.read(index, progress);
  sheet = { index, rows: read.rows, formats: read.formats, columns: usedColumns(read.rows) };
  results = undefined;
  const empty = sheet.columns.length === 0;
  const header = empty ? -1 : findHeader(sheet.rows);
  const { amount, upper } = empty ? { amount: 0, upper: 1 } : guessColumns(sheet.rows, header, reads);
  const preview = [];
  for (let r = 0; r < Math.min(sheet.rows.length, previewRows); ++r) {
    const row = sheet.rows[r];
    const texts = [];
    for (let i = 0; row && i < row.length && texts.length < 4; i += 2) {
      const kind = kindOf(row[i]);
      texts.push(clip(kind === textKind ? row[i + 1] : formatNumber(row[i + 1], read.formats[kind - 2], book.date1904), 12));
    }
    preview.push(texts.join(' | '));
  }
  post({
    type: fromWorker.opened,
    kind: book.kind,
    encoding: book.encoding,
    sheets: book.sheets,
    sheet: index,
    empty,
    rows: sheet.rows.length,
    columns: labelled(sheet.rows, header),
    preview,
    header,
    amount,
    upper,
  });
}

function open({ name, buffer }) {
  book = { ...openBook(name, new Uint8Array(buffer)), name };
  sheet = undefined;
  // The first worksheet, or, when it holds nothing (a new book's Sheet1 left empty), the first
  // that holds something.
  const visible = book.sheets.map((s, i) => i).filter((i) => !book.sheets[i].hidden);
  const order = visible.length ? visible : [0];
  for (const index of order) {
    choose(index);
    if (sheet.columns.length) return;
  }
  if (book.sheets.length === 1) throw new SheetError('表格是空的。');
  choose(order[0]);
}

// The verdicts go into the first two columns right of the checked ones that are empty in every
// row: after the table, even when a lone note sits far out in column XFD.
function resultColumn(amount, upper) {
  const used = new Set(sheet.columns);
  for (let c = Math.max(amount, upper) + 1; c + 1 < width; ++c) if (!used.has(c) && !used.has(c + 1)) return c;
  return width;
}

function check({ amount, upper, header }) {
  const started = performance.now();
  const rows = sheet.rows;
  const first = header + 1;
  const verdicts = new Uint8Array(rows.length).fill(verdict.skipped);
  const notes = new Array(rows.length);
  const counts = [0, 0, 0];
  const total = rows.length - first;
  for (let r = first; r < rows.length; ++r) {
    const row = rows[r];
    if (!row) continue;
    const text = textAt(row, upper);
    const digits = textAt(row, amount);
    if (blank.test(digits) && blank.test(text)) continue;
    const result = engine.check(amountOf(row, amount), text);
    const v = verdict[result.verdict];
    verdicts[r] = v;
    counts[v] += 1;
    notes[r] = result.findings.map((f) => plainMessage(f.message)).join('；');
    if ((r - first) % 5000 === 0) progress(phase.check, r - first, total);
  }
  results = { verdicts, notes, header, at: resultColumn(amount, upper) };
  const shown = [];
  for (const wanted of [verdict.fail, verdict.warn, verdict.ok]) {
    for (let r = first; r < rows.length && shown.length < shownRows; ++r) {
      if (verdicts[r] !== wanted) continue;
      shown.push({
        row: r + 1,
        amount: clip(kindAt(rows[r], amount) === textKind ? textAt(rows[r], amount) : shortest(textAt(rows[r], amount)), shownChars),
        upper: clip(textAt(rows[r], upper), shownChars),
        verdict: wanted,
        note: clip(notes[r], shownChars * 4),
      });
    }
  }
  const checked = counts[0] + counts[1] + counts[2];
  post({
    type: fromWorker.checked,
    counts: { rows: checked, ok: counts[0], warn: counts[1], fail: counts[2] },
    skipped: total - checked,
    shown,
    columns: labelled(rows, header),
    milliseconds: Math.round(performance.now() - started),
  });
}

function download({ format }) {
  const { verdicts, notes, header, at } = results;
  const extra = (r) => (r === header ? ['结果', '说明'] : verdicts[r] !== verdict.skipped ? [verdictWords[verdicts[r]], notes[r]] : []);
  const base = book.name.replace(/\.[^.]*$/, '') || '表格';
  const held = { rows: sheet.rows, formats: sheet.formats, date1904: book.date1904, kind: book.kind };
  try {
    const blob = format === 'csv' ? writeCsv(held, at, extra, progress) : writeXlsx(held, at, extra, '核对结果', progress);
    post({ type: fromWorker.file, name: `${base}-核对结果.${format === 'csv' ? 'csv' : 'xlsx'}`, blob });
  } catch (e) {
    const message =
      e instanceof SheetError
        ? e.message
        : e instanceof RangeError
          ? '内存不够，没能写出下载文件。可以改为下载 CSV，或关掉别的网页后再试。'
          : '没能写出下载文件。';
    post({ type: fromWorker.notWritten, message, detail: String(e?.message ?? e) });
  }
}

const handlers = {
  [toWorker.open]: open,
  [toWorker.sheet]: ({ index }) => choose(index),
  [toWorker.check]: check,
  [toWorker.download]: download,
};

// Messages wait for the engine, in the order they came: a file opened while the worker starts is
// read once it can be.
let ready;
self.onmessage = ({ data }) => {
  if (data.type === toWorker.init) {
    ready = load(data.module).then(
      (loaded) => {
        engine = loaded;
        post({ type: fromWorker.ready });
      },
      (e) => {
        post({ type: fromWorker.broken, detail: String(e?.message ?? e) });
        throw e;
      },
    );
    return;
  }
  ready = ready.then(() => {
    try {
      handlers[data.type](data);
    } catch (e) {
      const message =
        e instanceof SheetError
          ? e.message
          : e instanceof RangeError
            ? '文件太大，浏览器内存不够，没能读完。'
            : '无法读取这个文件：它不是能识别的表格。';
      post({ type: fromWorker.error, message, detail: String(e?.message ?? e) });
    }
  });
};

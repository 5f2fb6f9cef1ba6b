// Opens and checks spreadsheets away from the page's thread, so that a large or hostile file
// never freezes the page: the page can always end this worker.
import { load } from 'tessaly';
import { readSheet, writeCsv, writeXlsx } from './sheet.js';
import { guessColumns } from './columns.js';
import { columnName } from './xlsx.js';
import { asciiDigits } from './digits.js';
import { excelNumber } from './numbers.js';
import { limits, SheetError } from './limits.js';

const verdicts = ['正确', '警告', '错误'];
const verdictOf = { ok: 0, warn: 1, fail: 2 };
const skipped = 3;
const shownRows = 500;
const shownChars = 200;
// A cell's surrounding spaces are the sheet's layout, not part of the uppercase text.
const spaces = /^[\s\u3000]+|[\s\u3000]+$/g;

let engine;
let sheet;
let results;

const post = (message, transfer) => postMessage(message, transfer ?? []);

function progress(phase, done, total) {
  post({ type: 'progress', phase, done, total });
}

function open({ name, buffer }) {
  const bytes = new Uint8Array(buffer);
  const read = readSheet(name, bytes, progress);
  const width = read.rows.reduce((w, row) => Math.max(w, row.length), 0);
  if (read.rows.length === 0 || width === 0) throw new SheetError('表格是空的。');
  sheet = { ...read, name, width };
  results = undefined;
  const guess = guessColumns(read.rows, width);
  const header = read.rows[0];
  const columns = Array.from({ length: Math.min(width, 1000) }, (_, c) => {
    const title = (header[c] ?? '').slice(0, 40);
    return guess.hasHeader && title ? `${columnName(c)}：${title}` : columnName(c);
  });
  post({ type: 'opened', name, kind: read.kind, encoding: read.encoding, rows: read.rows.length, columns, ...guess });
}

function check({ amount, upper, hasHeader }) {
  const started = performance.now();
  const rows = sheet.rows;
  const first = hasHeader ? 1 : 0;
  const verdict = new Uint8Array(rows.length).fill(skipped);
  const notes = new Array(rows.length);
  const counts = [0, 0, 0];
  const total = rows.length - first;
  for (let r = first; r < rows.length; ++r) {
    const row = rows[r];
    const digits = row[amount] ?? '';
    const text = (row[upper] ?? '').replace(spaces, '');
    if (digits.trim() === '' && text.trim() === '') continue;
    const isNumber = sheet.numeric.has(r * limits.columns + amount);
    const result = engine.check(isNumber ? excelNumber(digits) : asciiDigits(digits), text);
    const v = verdictOf[result.verdict];
    verdict[r] = v;
    counts[v] += 1;
    notes[r] = result.findings.map((f) => f.message).join('；');
    if ((r - first) % 5000 === 0) progress('核对', r - first, total);
  }
  results = { verdict, notes, hasHeader, amount, upper };
  const shown = [];
  for (const wanted of [2, 1, 0]) {
    for (let r = first; r < rows.length && shown.length < shownRows; ++r) {
      if (verdict[r] !== wanted) continue;
      shown.push({
        row: r + 1,
        amount: (rows[r][amount] ?? '').slice(0, shownChars),
        upper: (rows[r][upper] ?? '').slice(0, shownChars),
        verdict: verdicts[wanted],
        note: notes[r].slice(0, shownChars * 4),
      });
    }
  }
  const checked = counts[0] + counts[1] + counts[2];
  post({
    type: 'checked',
    counts: { rows: checked, ok: counts[0], warn: counts[1], fail: counts[2] },
    skipped: total - checked,
    shown,
    milliseconds: Math.round(performance.now() - started),
  });
}

function download({ format }) {
  const { rows, width, numeric, name, styles, cellStyles } = sheet;
  const out = rows.map((row, r) => {
    const cells = row.slice();
    while (cells.length < width) cells.push('');
    if (results.hasHeader && r === 0) cells.push('结果', '说明');
    else if (results.verdict[r] !== skipped) cells.push(verdicts[results.verdict[r]], results.notes[r]);
    return cells;
  });
  const base = name.replace(/\.[^.]*$/, '') || '表格';
  const isNumber = (r, c) => c < width && numeric.has(r * limits.columns + c);
  const styleOf = (r, c) => (c < width ? cellStyles.get(r * limits.columns + c) : undefined);
  const bytes = format === 'csv' ? writeCsv(out) : writeXlsx(out, isNumber, '核对结果', styles, styleOf);
  const file = `${base}-核对结果.${format === 'csv' ? 'csv' : 'xlsx'}`;
  const buffer = bytes.byteLength === bytes.buffer.byteLength ? bytes.buffer : bytes.slice().buffer;
  post({ type: 'file', name: file, format, buffer }, [buffer]);
}

const handlers = { open, check, download };

self.onmessage = async ({ data }) => {
  try {
    if (data.type === 'init') {
      engine = await load(data.module);
      post({ type: 'ready' });
      return;
    }
    handlers[data.type](data);
  } catch (e) {
    const message = e instanceof SheetError ? e.message : e instanceof RangeError ? '文件太大，内存不够，无法读取。' : '无法读取这个文件：它不是能识别的表格。';
    post({ type: 'error', message, detail: String(e?.message ?? e) });
  }
};

// Where a sheet's header is and which two columns to check: the uppercase column, and the amount
// column it names. Every test here is a plain scan over a bounded text, so no cell, however long
// or repeated, costs more than its length.
import { plainAmount } from './amount.js';
import { textAt, kindAt, usedColumns, textKind } from './table.js';

const upperWords = ['大写', '大寫', 'uppercase', 'in words'];
const amountWords = ['小写', '小寫', '金额', '金額', '数额', '價稅合計', '价税合计', '合计', '总计', 'amount', 'sum', 'total'];
const has = (text, words) => {
  if (!text || text.length > 100) return false;
  const t = text.toLowerCase();
  return words.some((w) => t.includes(w));
};
export const isUpperHeader = (text) => has(text, upperWords);
export const isAmountHeader = (text) => has(text, amountWords) && !isUpperHeader(text);

const numerals = '零壹贰叁肆伍陆柒捌玖拾佰仟万亿';
const units = '圆元角分整正';

// A text that looks like an uppercase amount: a numeral, and after it a unit.
export function looksUpper(text) {
  if (!text || text.length > 200) return false;
  let first = -1;
  for (let i = 0; i < text.length; ++i) {
    if (first < 0 && numerals.includes(text[i])) first = i;
    else if (first >= 0 && units.includes(text[i])) return true;
  }
  return false;
}

const digits = /^-?[0-9,]*\.?[0-9]+$/;

export function looksAmount(row, c) {
  if (kindAt(row, c) !== textKind) return true;
  const text = textAt(row, c);
  return text.length > 0 && text.length <= 64 && digits.test(plainAmount(text));
}

// The amount a cell holds, in fen, or NaN.
function fen(row, c) {
  if (!looksAmount(row, c)) return NaN;
  const text = kindAt(row, c) === textKind ? plainAmount(textAt(row, c)).replace(/,/g, '') : textAt(row, c);
  return Math.round(Number(text) * 100);
}

const sampleSize = 200;

function sample(rows, from) {
  const out = [];
  for (let r = from; r < rows.length && out.length < sampleSize; ++r) if (rows[r]) out.push(rows[r]);
  return out;
}

const cells = (row) => {
  const out = [];
  for (let i = 0; row && i < row.length; i += 2) out.push(textAt(row, row[i] % 16384));
  return out;
};

// The header row: the first with an amount-like and an uppercase-like title; else the row above
// the first that holds an amount beside an uppercase text; else none (-1).
export function findHeader(rows) {
  for (let r = 0; r < Math.min(rows.length, 50); ++r) {
    const texts = cells(rows[r]);
    if (texts.some(isUpperHeader) && texts.some(isAmountHeader)) return r;
  }
  for (let r = 0; r < Math.min(rows.length, sampleSize); ++r) {
    const row = rows[r];
    if (!row) continue;
    let upper = false;
    let amount = false;
    for (let i = 0; i < row.length; i += 2) {
      const c = row[i] % 16384;
      if (looksUpper(row[i + 1])) upper = true;
      else if (looksAmount(row, c)) amount = true;
    }
    if (upper && amount) return r - 1;
  }
  return -1;
}

// A title without what marks it as uppercase or digits, brackets or spacing: 价税合计（大写）
// and 价税合计 are the same title, as are 大写金额 and 小写金额.
const bare = (text) =>
  (text ?? '')
    .toLowerCase()
    .replace(/大写|大寫|小写|小寫|uppercase|in words|[\s()（）[\]【】:：]/g, '')
    .slice(0, 100);

// upper: the uppercase column; amount: the column it repeats the title of, else the one whose
// values its texts name on most rows (readAmount gives what an uppercase text names, in yuan),
// else the one titled as an amount, else the nearest that holds numbers.
export function guessColumns(rows, header, readAmount) {
  const head = header >= 0 ? rows[header] : undefined;
  const data = sample(rows, header + 1);
  const columns = usedColumns([head, ...data]);
  const mostly = (test) => columns.filter((c) => data.filter((row) => test(row, c)).length * 2 > data.length);
  const titled = columns.filter((c) => isUpperHeader(textAt(head, c)));
  const upper = titled[0] ?? mostly((row, c) => looksUpper(textAt(row, c)))[0] ?? -1;
  const others = columns.filter((c) => c !== upper);
  const nearest = (list) =>
    list.reduce(
      (best, c) => (best < 0 || Math.abs(c - upper) * 2 + (c > upper) < Math.abs(best - upper) * 2 + (best > upper) ? c : best),
      -1,
    );
  let amount = -1;
  const title = bare(textAt(head, upper));
  if (upper >= 0 && title) amount = others.find((c) => bare(textAt(head, c)) === title) ?? -1;
  if (amount < 0 && upper >= 0) {
    const named = data.map((row) => Math.round(Number(readAmount(textAt(row, upper)) ?? NaN) * 100));
    let best = 0;
    for (const c of others) {
      const score = data.reduce((n, row, i) => n + (fen(row, c) === named[i] ? 1 : 0), 0);
      if (score > best || (score === best && score > 0 && nearest([amount, c]) === c)) [best, amount] = [score, c];
    }
  }
  if (amount < 0) amount = others.find((c) => isAmountHeader(textAt(head, c))) ?? -1;
  if (amount < 0) amount = nearest(mostly(looksAmount).filter((c) => c !== upper));
  const fallback = columns.length ? columns : [0, 1];
  if (amount < 0) amount = fallback.find((c) => c !== upper) ?? fallback[0];
  return { amount, upper: upper >= 0 ? upper : (fallback.find((c) => c !== amount) ?? amount) };
}

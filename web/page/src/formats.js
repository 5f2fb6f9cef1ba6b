// Number formats: a cell shown as the sheet shows it (dates as dates, amounts with their commas
// and signs), for writing a workbook out as CSV; and the formats a CSV's texts are read in.
import { shortest } from './numbers.js';

// The built-in formats, as Excel shows them on a Chinese system.
export const builtinFormats = {
  1: '0',
  2: '0.00',
  3: '#,##0',
  4: '#,##0.00',
  9: '0%',
  10: '0.00%',
  11: '0.00E+00',
  12: '# ?/?',
  13: '# ??/??',
  14: 'yyyy/m/d',
  15: 'd-mmm-yy',
  16: 'd-mmm',
  17: 'mmm-yy',
  18: 'h:mm AM/PM',
  19: 'h:mm:ss AM/PM',
  20: 'h:mm',
  21: 'h:mm:ss',
  22: 'yyyy/m/d h:mm',
  27: 'yyyy"年"m"月"',
  28: 'm"月"d"日"',
  29: 'm"月"d"日"',
  30: 'm-d-yy',
  31: 'yyyy"年"m"月"d"日"',
  32: 'h"时"mm"分"',
  33: 'h"时"mm"分"ss"秒"',
  36: 'yyyy"年"m"月"',
  37: '#,##0 ;(#,##0)',
  38: '#,##0 ;[Red](#,##0)',
  39: '#,##0.00;(#,##0.00)',
  40: '#,##0.00;[Red](#,##0.00)',
  45: 'mm:ss',
  46: '[h]:mm:ss',
  47: 'mmss.0',
  49: '@',
  50: 'yyyy"年"m"月"',
  51: 'm"月"d"日"',
  52: 'yyyy"年"m"月"',
  53: 'm"月"d"日"',
  57: 'yyyy"年"m"月"',
  58: 'm"月"d"日"',
};

// A format's sections, split at ";" outside quotes, brackets and escapes; each as its pieces:
// literal texts and the codes between them.
function sections(code) {
  const out = [[]];
  for (let i = 0; i < code.length; ++i) {
    const c = code[i];
    const current = out[out.length - 1];
    if (c === '"') {
      const end = code.indexOf('"', i + 1);
      current.push({ literal: code.slice(i + 1, end < 0 ? code.length : end) });
      i = end < 0 ? code.length : end;
    } else if (c === '\\' && i + 1 < code.length) current.push({ literal: code[++i] });
    else if (c === '[') {
      const end = code.indexOf(']', i);
      const inside = code.slice(i + 1, end < 0 ? code.length : end);
      // [$¥-804]: a currency sign; [Red], [>=100]: colours and conditions, not shown.
      if (inside.startsWith('$')) current.push({ literal: inside.slice(1).split('-')[0] });
      else if (/^h+$|^m+$|^s+$/i.test(inside)) current.push({ code: inside.toLowerCase(), elapsed: true });
      i = end < 0 ? code.length : end;
    } else if (c === '_' || c === '*') i += 1;
    else if (c === ';') out.push([]);
    else current.push({ code: c });
  }
  return out;
}

const isDateCode = (pieces) => pieces.some((p) => p.code && /[ymdhs]/i.test(p.code));

export function isDateFormat(code) {
  return code !== undefined && isDateCode(sections(code)[0]);
}

function pad(n, width) {
  return String(n).padStart(width, '0');
}

// Excel's serial day (1900 system, with its 29 February 1900) as a date and time of day.
function dateOf(serial, date1904) {
  const days = Math.floor(serial);
  if (days === 60 && !date1904) return { y: 1900, m: 2, d: 29, ...timeOf(serial - days) };
  const base = date1904 ? Date.UTC(1904, 0, 1) : Date.UTC(1899, 11, days >= 61 ? 30 : 31);
  const d = new Date(base + days * 86400000 + Math.round((serial - days) * 86400) * 1000);
  return {
    y: d.getUTCFullYear(),
    m: d.getUTCMonth() + 1,
    d: d.getUTCDate(),
    h: d.getUTCHours(),
    mi: d.getUTCMinutes(),
    s: d.getUTCSeconds(),
  };
}

function timeOf(fraction) {
  const seconds = Math.round(fraction * 86400);
  return { h: Math.floor(seconds / 3600) % 24, mi: Math.floor(seconds / 60) % 60, s: seconds % 60 };
}

function formatDate(serial, pieces, date1904) {
  const t = dateOf(serial, date1904);
  const codes = pieces.map((p) => p.code?.toLowerCase());
  const ampm = codes.some((c, i) => c === 'a' && /^am\/pm/i.test(codes.slice(i, i + 5).join('')));
  let out = '';
  for (let i = 0; i < pieces.length;) {
    const p = pieces[i];
    if (p.literal !== undefined) {
      out += p.literal;
      i++;
      continue;
    }
    const c = codes[i];
    let run = 1;
    while (codes[i + run] === c && /[ymdhs]/.test(c)) run++;
    const before = codes
      .slice(0, i)
      .filter((x) => /[ymdhs]/.test(x ?? ''))
      .pop();
    const after = codes.slice(i + run).find((x) => /[ymdhs]/.test(x ?? ''));
    if (c === 'y') out += run <= 2 ? pad(t.y % 100, 2) : String(t.y);
    else if (c === 'm' && run <= 2 && (before === 'h' || after === 's')) out += pad(t.mi, run);
    else if (c === 'm') out += run <= 2 ? pad(t.m, run) : String(t.m);
    else if (c === 'd') out += pad(t.d, Math.min(run, 2));
    else if (c === 'h') out += pad(ampm ? ((t.h + 11) % 12) + 1 : t.h, Math.min(run, 2));
    else if (c === 's') out += pad(t.s, Math.min(run, 2));
    else if (c === 'a' && ampm) {
      out += t.h < 12 ? 'AM' : 'PM';
      run = 5;
    } else out += c;
    i += run;
  }
  return out;
}

function formatPlain(value, pieces) {
  const codes = pieces.map((p) => p.code ?? '');
  const first = codes.findIndex((c) => /[0#?]/.test(c));
  if (first < 0) return pieces.map((p) => p.literal ?? (p.code === '@' ? shortest(value) : p.code)).join('');
  let last = first;
  for (let i = first; i < codes.length; ++i) if (/[0#?.,]/.test(codes[i])) last = i;
  const number = codes.slice(first, last + 1).join('');
  if (/e/i.test(codes.join(''))) return shortest(value);
  const [whole, fraction = ''] = number.split('.');
  const decimals = fraction.replace(/[^0#?]/g, '').length;
  const percent = codes.includes('%');
  const scaled = percent ? value * 100 : value;
  const [digits, frac = ''] = Math.abs(scaled).toFixed(decimals).split('.');
  let int = digits;
  if (whole.includes(',')) int = int.replace(/\B(?=(\d{3})+(?!\d))/g, ',');
  if (int === '0' && !whole.includes('0')) int = '';
  const text = (p) => p.literal ?? p.code;
  return (
    pieces.slice(0, first).map(text).join('') +
    int +
    (decimals ? `.${frac}` : '') +
    pieces
      .slice(last + 1)
      .map(text)
      .join('')
  );
}

// A number as a cell in `code` shows it; General shows it as typed (fifteen digits at most).
export function formatNumber(text, code, date1904 = false) {
  const value = Number(text);
  if (code === undefined || code === 'General' || !Number.isFinite(value)) return shortest(text);
  const all = sections(code);
  const [positive, negative = positive] = all;
  const zero = all[2] ?? positive;
  const pieces = value < 0 ? negative : value === 0 ? zero : positive;
  if (isDateCode(pieces)) return value < 0 ? shortest(text) : formatDate(value, pieces, date1904);
  const shown = formatPlain(value < 0 && all.length > 1 ? -value : value, pieces);
  return value < 0 && all.length === 1 && /[1-9]/.test(shown) ? `-${shown.replace(/^-/, '')}` : shown;
}

const plainNumber = /^-?(?:0|[1-9][0-9]*)(?:\.[0-9]+)?$/;
const grouped = /^-?[1-9][0-9]{0,2}(?:,[0-9]{3})+(?:\.([0-9]+))?$/;
const isoDate = /^([0-9]{4})([-/])([0-9]{1,2})\2([0-9]{1,2})$/;

// What a spreadsheet opening a CSV makes of a text: { value, code } for a number (with the format
// that shows it as written) or a date, undefined for text. Leading zeros and numbers of more than
// fifteen digits (invoice numbers, ids) stay text, as a spreadsheet would lose them.
export function csvValue(text) {
  const first = text.charCodeAt(0);
  if (text.length > 40 || !((first >= 48 && first <= 57) || first === 45)) return undefined;
  const digits = text.replace(/[^0-9]/g, '').replace(/^0+/, '').length;
  if (plainNumber.test(text)) return digits <= 15 ? { value: text } : undefined;
  const g = grouped.exec(text);
  if (g) return digits <= 15 ? { value: text.replace(/,/g, ''), code: g[1] ? `#,##0.${'0'.repeat(g[1].length)}` : '#,##0' } : undefined;
  const d = isoDate.exec(text);
  if (!d) return undefined;
  const [y, m, day] = [Number(d[1]), Number(d[3]), Number(d[4])];
  const at = Date.UTC(y, m - 1, day);
  const real = new Date(at);
  if (y < 1900 || real.getUTCMonth() !== m - 1 || real.getUTCDate() !== day) return undefined;
  const serial = Math.round((at - Date.UTC(1899, 11, 30)) / 86400000);
  const padded = d[3].length === 2 && d[4].length === 2;
  return { value: String(serial), code: `yyyy${d[2]}${padded ? 'mm' : 'm'}${d[2]}${padded ? 'dd' : 'd'}` };
}

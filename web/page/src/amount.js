// An amount in digits as people and spreadsheets write it, made plain for the engine: full-width
// digits, and the currency signs and accounting brackets Excel and WPS write into CSV
// (￥41,823.51, -￥8.00, ￥-8.00, RMB 1,680.32, 1,680.32元, (8.00), ￥(8.00)). Anything else is
// handed on as it is, for the engine to say what is wrong with it.
import { asciiDigits } from './digits.js';

const blank = /^[ \t\u00a0\u3000]+|[ \t\u00a0\u3000]+$/g;
const signs = ['￥', '¥', 'RMB', 'CNY'];
const number = /^[0-9][0-9,]*(?:\.[0-9]*)?$|^\.[0-9]+$/;

export function plainAmount(text) {
  const typed = asciiDigits(text).replace(blank, '');
  // A number is short: a long text is no amount, and no pattern below need look at it.
  if (typed.length > 64) return typed;
  let rest = typed;
  let minus = false;
  let marks = 0;
  const take = (prefix) => (rest.startsWith(prefix) ? ((rest = rest.slice(prefix.length).replace(blank, '')), true) : false);
  if (take('-')) minus = true;
  if (signs.some(take)) marks++;
  if (!minus && take('-')) minus = true;
  if (!minus && rest.startsWith('(') && rest.endsWith(')')) {
    rest = rest.slice(1, -1).replace(blank, '');
    minus = true;
  }
  if (marks === 0 && rest.endsWith('元')) {
    rest = rest.slice(0, -1).replace(blank, '');
    marks++;
  }
  if (rest === typed || !number.test(rest)) return typed;
  return (minus ? '-' : '') + rest;
}

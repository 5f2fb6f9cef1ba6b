// A number cell as a spreadsheet shows it: rounded to fifteen significant digits (a stored
// 12.344999999999999 is the 12.345 the user typed, 1680.3200000000002 is 1680.32), in the
// shortest plain digits that give it back, as the engine takes them.
export function shortest(text) {
  const n = Number(text);
  return Number.isFinite(n) ? plainDecimal(String(Number(n.toPrecision(15)))) : text;
}

// "4.182351e+4" as "41823.51": the engine takes plain digits.
function plainDecimal(text) {
  const m = /^(-?)(\d*)(?:\.(\d*))?[eE]([-+]?\d+)$/.exec(text);
  if (!m) return text;
  const [, sign, whole, fraction = '', exponent] = m;
  const digits = whole + fraction;
  const point = whole.length + Number(exponent);
  if (point > 400 || point < -400) return text;
  const padded = point <= 0 ? '0'.repeat(1 - point) + digits : digits.padEnd(point, '0');
  const at = Math.max(point, 1);
  const fractional = padded.slice(at);
  return sign + padded.slice(0, at) + (fractional ? '.' + fractional : '');
}

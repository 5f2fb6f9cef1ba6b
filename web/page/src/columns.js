// Which columns hold the amount in digits and its uppercase form: by the header's words, or
// failing those, by what the first rows hold.
const upperWords = /大写|大寫|uppercase|in words/i;
const amountWords = /小写|小寫|金额|金額|数额|价税合计|合计|总计|amount|sum|total/i;
const upperText = /[零壹贰叁肆伍陆柒捌玖拾佰仟万亿][^]*[圆元角分整正]/;
const digits = /^\s*[-+]?[\d,，０-９]*[.．。]?[\d０-９]+\s*$/;

function byHeader(header) {
  const upper = header.findIndex((h) => upperWords.test(h));
  const amount = header.findIndex((h, i) => i !== upper && amountWords.test(h) && !upperWords.test(h));
  return { upper, amount };
}

// Of the columns that hold numbers (an invoice number does too), the one nearest the uppercase.
function byContent(rows, width) {
  const sample = rows.slice(0, 50);
  const mostly = (c, test) => sample.filter((row) => test.test(row[c] ?? '')).length * 2 > sample.length;
  const columns = [...Array(width).keys()];
  const upper = columns.find((c) => mostly(c, upperText)) ?? -1;
  const numbers = columns.filter((c) => c !== upper && mostly(c, digits));
  const distance = (c) => (upper < 0 ? c : Math.abs(upper - c) * 2 + (c > upper ? 1 : 0));
  const amount = numbers.reduce((best, c) => (best < 0 || distance(c) < distance(best) ? c : best), -1);
  return { amount, upper };
}

export function guessColumns(rows, width) {
  const header = rows[0] ?? [];
  const named = byHeader(header);
  const hasHeader = named.upper >= 0 || named.amount >= 0 || !header.some((h) => digits.test(h) || upperText.test(h));
  const seen = byContent(hasHeader ? rows.slice(1) : rows, width);
  const pick = (a, b, fallback) => (a >= 0 ? a : b >= 0 ? b : fallback);
  const amount = pick(named.amount, seen.amount, 0);
  const upper = pick(named.upper, seen.upper === amount ? -1 : seen.upper, Math.min(1, width - 1));
  return { amount, upper, hasHeader };
}

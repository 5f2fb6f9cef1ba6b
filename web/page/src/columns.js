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

function byContent(rows, width) {
  const sample = rows.slice(0, 50);
  const share = (c, test) => sample.filter((row) => test.test(row[c] ?? '')).length;
  let amount = -1;
  let upper = -1;
  for (let c = 0; c < width; ++c) {
    if (upper < 0 && share(c, upperText) * 2 > sample.length) upper = c;
    else if (amount < 0 && share(c, digits) * 2 > sample.length) amount = c;
  }
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

// What a scan found, in the form the page keeps it and a worker hands it over cheaply: the numbers
// in one typed array (transferred, not copied), the texts in one string. A contract of 10 MB has
// a hundred thousand amounts and more, which as objects would take seconds to pass.
export const verdicts = ['ok', 'warn', 'fail', 'lone'];
// Per result: its verdict, then start, end, line and column of its uppercase amount and of its
// digits (-1 for none); and four texts: the uppercase amount, what it names, what the digits
// name, the findings' messages.
const width = 9;

export function pack(found) {
  const numbers = new Int32Array(found.length * width).fill(-1);
  const texts = [];
  found.forEach((f, i) => {
    const at = i * width;
    numbers[at] = f.verdict ? verdicts.indexOf(f.verdict) : 3;
    if (f.upper) numbers.set([f.upper.start, f.upper.end, f.upper.line, f.upper.column], at + 1);
    if (f.digits) numbers.set([f.digits.start, f.digits.end, f.digits.line, f.digits.column], at + 5);
    texts.push(f.upper?.text ?? '', f.upper?.amount ?? '', f.digits?.amount ?? '', f.findings.map((g) => g.message).join('\n'));
  });
  return { numbers, texts: texts.join('\u0000') };
}

// The results of pack() as the page asks for them, by index.
export function unpack({ numbers, texts }) {
  const list = texts.split('\u0000');
  const place = (at) =>
    numbers[at] < 0 ? undefined : { start: numbers[at], end: numbers[at + 1], line: numbers[at + 2], column: numbers[at + 3] };
  return {
    count: numbers.length / width,
    verdict: (i) => verdicts[numbers[i * width]],
    upper: (i) => place(i * width + 1),
    digits: (i) => place(i * width + 5),
    upperText: (i) => list[i * 4],
    upperAmount: (i) => list[i * 4 + 1],
    digitsAmount: (i) => list[i * 4 + 2],
    messages: (i) => (list[i * 4 + 3] ? list[i * 4 + 3].split('\n') : []),
  };
}

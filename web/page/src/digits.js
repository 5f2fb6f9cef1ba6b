// Input methods type full-width digits and 。 for the decimal point; the engine takes ASCII.
const fullWidth = new Map([
  ['。', '.'],
  ['．', '.'],
  ['，', ','],
  ['－', '-'],
  ['＋', '+'],
]);

export function asciiDigits(text) {
  return text.replace(/[０-９。．，－＋]/g, (c) => fullWidth.get(c) ?? String.fromCharCode(c.charCodeAt(0) - 0xff10 + 0x30));
}

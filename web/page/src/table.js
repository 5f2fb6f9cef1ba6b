// A sheet as the page holds it: for each row, only the cells that hold something, as pairs
// (key, text) in column order. The key is column + 16384 × kind: kind 0 is text, 1 a number in
// the General format, 2 and up a number in the sheet's format number kind − 2. Nothing is
// padded, so a note in column XFD costs one cell, not sixteen thousand.
export const width = 16384;
export const textKind = 0;
export const numberKind = 1;

export const columnOf = (key) => key % width;
export const kindOf = (key) => Math.floor(key / width);

// Where column c's pair starts in the row, or -1. Rows are short: a scan beats a search.
export function find(row, c) {
  if (!row) return -1;
  for (let i = 0; i < row.length; i += 2) {
    const at = row[i] % width;
    if (at === c) return i;
    if (at > c) break;
  }
  return -1;
}

export function textAt(row, c) {
  const i = find(row, c);
  return i < 0 ? '' : row[i + 1];
}

export function kindAt(row, c) {
  const i = find(row, c);
  return i < 0 ? textKind : kindOf(row[i]);
}

// The columns that hold something in any row, in order.
export function usedColumns(rows) {
  const seen = new Uint8Array(width);
  for (const row of rows) if (row) for (let i = 0; i < row.length; i += 2) seen[row[i] % width] = 1;
  const columns = [];
  for (let c = 0; c < width; ++c) if (seen[c]) columns.push(c);
  return columns;
}

// Column letters for a 0-based index (0 -> "A", 16383 -> "XFD").
export function columnName(index) {
  let name = '';
  for (let n = index + 1; n > 0; n = Math.floor((n - 1) / 26)) name = String.fromCharCode(65 + ((n - 1) % 26)) + name;
  return name;
}

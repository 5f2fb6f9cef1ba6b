// What a file may hold before the page refuses it. The sheet limits are Excel's own, so no real
// ledger meets them; the byte limits keep a hostile file from exhausting the tab's memory.
export const limits = {
  fileBytes: 200 * 1024 * 1024,
  unzippedBytes: 1024 * 1024 * 1024,
  rows: 1048576,
  columns: 16384,
  cellChars: 32767,
  cells: 10000000,
};

// A file the page will not read; the message is shown to the user as it is.
export class SheetError extends Error {}

export const megabytes = (n) => `${Math.round(n / (1024 * 1024))} MB`;

const tooManyMessages = {
  rows: `表格超过 ${limits.rows} 行，比 Excel 一张表能放的还多，无法核对。`,
  columns: `表格超过 ${limits.columns} 列（超过 XFD 列），比 Excel 一张表能放的还多，无法核对。`,
  cells: `表格里有内容的单元格超过 ${limits.cells / 10000} 万个，浏览器里核对不了这么多；请把表格分成几个文件。`,
};

export const tooMany = (what) => new SheetError(tooManyMessages[what]);

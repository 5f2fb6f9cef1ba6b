// What a file may hold before the page refuses it. The sheet limits are Excel's own, so no real
// ledger meets them; the byte limits keep a hostile file from exhausting the tab's memory.
export const limits = {
  fileBytes: 200 * 1024 * 1024,
  unzippedBytes: 256 * 1024 * 1024,
  rows: 1048576,
  columns: 16384,
  cellChars: 32767,
  cells: 10000000,
};

// A file the page will not read; the message is shown to the user as it is.
export class SheetError extends Error {}

export const megabytes = (n) => `${Math.round(n / (1024 * 1024))} MB`;

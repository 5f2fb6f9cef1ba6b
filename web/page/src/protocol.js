// What the page and its worker say to each other, in one place for both sides. Verdicts and
// phases travel as codes; the words shown for them are the page's.
export const toWorker = { init: 'init', open: 'open', sheet: 'sheet', check: 'check', download: 'download' };
export const fromWorker = {
  ready: 'ready',
  // The worker could not start (no engine): sheets stay off in this browser.
  broken: 'broken',
  progress: 'progress',
  opened: 'opened',
  checked: 'checked',
  file: 'file',
  // A file could not be read: what was open is gone.
  error: 'error',
  // A download could not be written: the results stay.
  notWritten: 'notWritten',
};
export const verdict = { ok: 0, warn: 1, fail: 2, skipped: 3 };
export const phase = { unzip: 'unzip', read: 'read', check: 'check', write: 'write' };

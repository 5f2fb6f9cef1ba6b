// The page: writing at every keystroke, reading and checking a text, checking whole
// spreadsheets in a worker, and the amounts of documents; each section in its own module.
import { load } from 'tessaly';
import wasmBase64 from 'virtual:wasm';
import { $, say } from './dom.js';
import { wireWriting, typedAmount } from './writing.js';
import { wireReading } from './reading.js';
import { wireSheets } from './sheets.js';
import { wireDocuments, takesDrop } from './documents.js';

async function start() {
  const bytes = Uint8Array.from(atob(wasmBase64), (c) => c.charCodeAt(0));
  const module = await WebAssembly.compile(bytes);
  const engine = await load(module);
  let reread = () => {};
  wireWriting(engine, () => reread());
  reread = wireReading(engine, typedAmount);
  wireSheets(module, takesDrop);
  wireDocuments(engine, module);
  document.documentElement.dataset.ready = 'true';
}

start().catch((e) => {
  say($('write-note'), `页面无法启动：${e?.message ?? e}。请使用新版 Chrome、Edge 或 Firefox。`, true);
});

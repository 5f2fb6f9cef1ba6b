// Reads documents away from the page's thread, so that a large or hostile file never freezes
// the page (the page ends this worker when it stops answering): the text of a .txt, .docx or
// .pdf, scanned by the engine for every amount. Started only when a document is first opened.
import { load } from 'tessaly';
import { decodeText } from './decode.js';
import { docxText } from './docx.js';
import { pdfText } from './pdftext.js';
import { SheetError } from './limits.js';
import { toWorker, fromWorker, phase } from './protocol.js';
import { pack } from './scanned.js';

// What one call of the engine takes.
const maxLength = 2 ** 24;
const isZip = (b) => b[0] === 0x50 && b[1] === 0x4b && b[2] === 3 && b[3] === 4;
const isPdf = (b) => b[0] === 0x25 && b[1] === 0x50 && b[2] === 0x44 && b[3] === 0x46;
const isCompound = (b) => b[0] === 0xd0 && b[1] === 0xcf && b[2] === 0x11 && b[3] === 0xe0;

let engine;
const post = (message) => postMessage(message);

async function textOf(name, bytes) {
  if (isPdf(bytes)) {
    const text = await pdfText(bytes, maxLength, (done, total) => post({ type: fromWorker.progress, phase: phase.read, done, total }));
    // A scanned contract is pictures of its pages: saying it has no amounts would be wrong.
    if (!/\S/.test(text))
      throw new SheetError('这个 PDF 里没有文字，可能是扫描的图片，无法核对：请用能选中文字的 PDF，或合同的原文档（.docx）。');
    return { kind: 'PDF', text };
  }
  if (isZip(bytes)) return { kind: 'Word', ...docxText(bytes, maxLength) };
  if (isCompound(bytes) || /\.(doc|wps|docx|pdf)$/i.test(name)) {
    throw new SheetError('打不开这种文档：请在 Word 或 WPS 里另存为 .docx 或 PDF（.doc 和设了密码的文档都不行）。');
  }
  const { text, encoding } = decodeText(bytes);
  if (text.slice(0, 4096).includes('\u0000')) throw new SheetError('这不是文字文件：请打开 .txt、.docx 或 .pdf 文档。');
  if (text.length > maxLength) throw new SheetError(`文档超过 ${maxLength} 个字，太长了，无法核对；请分成几个文件。`);
  return { kind: encoding, text };
}

async function open({ name, buffer }) {
  const started = performance.now();
  const { kind, text, hidden = 0 } = await textOf(name, new Uint8Array(buffer));
  post({ type: fromWorker.progress, phase: phase.check, done: 0, total: 0 });
  const found = pack(engine.scan(text));
  const milliseconds = Math.round(performance.now() - started);
  postMessage({ type: fromWorker.checked, name, kind, text, hidden, found, milliseconds }, [found.numbers.buffer]);
}

// Messages wait for the engine, in the order they came.
let ready;
self.onmessage = ({ data }) => {
  if (data.type === toWorker.init) {
    ready = load(data.module).then(
      (loaded) => ((engine = loaded), post({ type: fromWorker.ready })),
      (e) => post({ type: fromWorker.broken, detail: String(e?.message ?? e) }),
    );
    return;
  }
  ready = ready.then(() =>
    open(data).catch((e) => {
      const message =
        e instanceof SheetError
          ? e.message
          : e instanceof RangeError
            ? '文件太大，浏览器内存不够，没能读完。'
            : '无法读取这个文件：它不是能识别的文档。';
      post({ type: fromWorker.error, message, detail: String(e?.message ?? e) });
    }),
  );
};

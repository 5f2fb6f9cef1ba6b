// The text of a PDF, read by Mozilla's pdf.js: a line of the page a line of the text, pages one
// after another. pdf.js parses in a worker of its own, started from the bundled source; it only
// reads text here, so a document's scripts, links and forms are never run or shown, and nothing
// is fetched: the character maps Chinese fonts need are inside the page.
import { getDocument, PDFWorker } from 'pdfjs-dist/build/pdf.mjs';
import workerSource from 'virtual:pdf-worker';
import cmaps from 'virtual:cmaps';
import { SheetError } from './limits.js';

// A hostile file may declare any number of pages; no contract has this many.
const maxPages = 10000;
let workerUrl;

// The character maps a document asked for that the page does not carry (Japanese and Korean
// fonts): without one a font's text reads as nothing, so such a document is refused, not checked
// in part.
const missing = new Set();

// The character maps, from the page, as pdf.js asks for them by file name; fonts and decoders it
// could fetch besides are refused, and it goes on without them (text needs neither).
class Packed {
  async fetch({ kind, filename }) {
    const name = filename.replace(/\.bcmap$/, '');
    const data = kind === 'cMapUrl' ? cmaps[name] : undefined;
    if (data === undefined) {
      if (kind === 'cMapUrl') missing.add(name);
      throw new Error(`${filename} is not in the page`);
    }
    return Uint8Array.from(atob(data), (c) => c.charCodeAt(0));
  }
}

export async function pdfText(bytes, maxLength, progress) {
  workerUrl ??= URL.createObjectURL(new Blob([workerSource], { type: 'text/javascript' }));
  const port = new Worker(workerUrl);
  const worker = PDFWorker.create({ port });
  missing.clear();
  const task = getDocument({
    data: bytes,
    worker,
    BinaryDataFactory: Packed,
    useWorkerFetch: false,
    useSystemFonts: false,
    disableFontFace: true,
    useWasm: false,
    isOffscreenCanvasSupported: false,
    isImageDecoderSupported: false,
    disableWorkerRendering: true,
    enableXfa: false,
    verbosity: 0,
  });
  try {
    let doc;
    try {
      doc = await task.promise;
    } catch (e) {
      if (e?.name === 'PasswordException') throw new SheetError('这个 PDF 设了密码，请去掉密码后再打开。');
      throw new SheetError('无法读取这个 PDF：文件可能已损坏，或不是 PDF。');
    }
    if (doc.numPages > maxPages) throw new SheetError(`PDF 超过 ${maxPages} 页，太长了，无法核对；请分成几个文件。`);
    const lines = [];
    let length = 0;
    for (let n = 1; n <= doc.numPages; n++) {
      const page = await doc.getPage(n);
      const content = await page.getTextContent();
      let line = '';
      for (const item of content.items) {
        if (item.str === undefined) continue;
        line += item.str;
        if (item.hasEOL) (lines.push(line), (length += line.length + 1), (line = ''));
      }
      if (line) (lines.push(line), (length += line.length + 1));
      page.cleanup();
      if (missing.size) {
        throw new SheetError(
          `这个 PDF 的字体没有嵌入，用的字符映射（${[...missing].join('、')}）页面里没有，第 ${n} 页的文字读不出来：请在导出 PDF 时嵌入字体，或另存为 .docx 再打开。`,
        );
      }
      if (length > maxLength) throw new SheetError(`PDF 里的文字超过 ${maxLength} 个字，太长了，无法核对；请分成几个文件。`);
      progress(n, doc.numPages);
    }
    return lines.join('\n');
  } finally {
    await task.destroy().catch(() => {});
    worker.destroy();
    port.terminate();
  }
}

// The running text of a Word document (.docx), as the engine scans it: a paragraph a line, a
// table row a line with its cells joined by tabs (so that the row is a sentence of its own), a
// cell's paragraphs joined by spaces, a text box's paragraphs lines after its own. Only the body
// counts; field codes are no text (they are not w:t).
import { listEntries, readEntry, streamEntry } from './zip.js';
import { walk, walker } from './xml.js';
import { relationships, relsOf } from './xlsx.js';
import { limits, SheetError } from './limits.js';

const word = ['http://schemas.openxmlformats.org/wordprocessingml/2006/main', 'http://purl.oclc.org/ooxml/wordprocessingml/main'];
const compatibility = 'http://schemas.openxmlformats.org/markup-compatibility/2006';
const utf8 = new TextDecoder('utf-8');
const corrupt = '文件已损坏：不是完整的 .docx 文档，请在 Word 或 WPS 里打开并另存后再试。';

// Words of this reader's own, as they are shown.
class DocumentError extends SheetError {}

// The zip and XML readers' words name a spreadsheet: said again for a document.
function reworded(e) {
  if (!(e instanceof SheetError) || e instanceof DocumentError) return e;
  if (/解压后超过/.test(e.message))
    return new SheetError(`文档解压后超过 ${limits.unzippedBytes / 2 ** 20} MB，太大了，在浏览器里打不开。`);
  if (/密码/.test(e.message)) return new SheetError('这个文档设了密码，请在 Word 或 WPS 里去掉密码后另存，再来核对。');
  return new SheetError(corrupt);
}

// What a zip that holds no Word document is said to be.
function notADocument(entries) {
  if (entries.has('xl/workbook.xml')) return '这是 Excel 表格，不是文档：请在上面的“核对表格”里打开。';
  if (entries.has('mimetype') && entries.has('content.xml')) {
    return '这是 OpenDocument 文件（.odt 等），不是 .docx：请在 WPS 或 LibreOffice 里另存为 .docx 或 PDF 后再打开。';
  }
  return entries.has('[Content_Types].xml') ? corrupt : '这个压缩文件里没有 Word 文档：请打开 .docx、.pdf 或 .txt 文档。';
}

// The part that a relationship of `type` of the part `from` names ('' for the package's own).
function relatedPart(bytes, entries, budget, from, type) {
  const rels = entries.get(relsOf(from));
  if (!rels) return undefined;
  for (const r of relationships(utf8.decode(readEntry(bytes, rels, budget)), from).values()) if (r.type === type) return r.part;
  return undefined;
}

const hides = (tag) => !/^(0|false|off)$/.test(tag.get('val', word) ?? '');

// Whether each style hides its text, by id: its own run properties say so (w:vanish, not counting
// those from before a tracked change), or those of the style it is based on; undefined where none
// says.
function hidingStyles(text) {
  const styles = new Map();
  let style;
  let props = false;
  let before = false;
  walk(text, {
    start(tag) {
      if (!word.includes(tag.ns)) return;
      if (tag.local === 'style') styles.set(tag.get('styleId', word), (style = {}));
      else if (!style) return;
      else if (tag.local === 'basedOn') style.basedOn = tag.get('val', word);
      else if (tag.local === 'rPr') props = true;
      else if (tag.local === 'rPrChange') before = true;
      else if (tag.local === 'vanish' && props && !before) style.hides = hides(tag);
    },
    end(ns, local) {
      if (local === 'style') style = undefined;
      else if (local === 'rPrChange') before = false;
      else if (local === 'rPr' && !before) props = false;
    },
  });
  // Each chain of styles based on each other is walked once: what it ends in is given to every
  // style on it, so a long chain costs no more than its length, and a loop ends.
  for (const first of styles.values()) {
    const chain = new Set();
    let s = first;
    while (s && s.hides === undefined && !s.settled && !chain.has(s)) {
      chain.add(s);
      s = styles.get(s.basedOn);
    }
    for (const on of chain) [on.hides, on.settled] = [s?.hides, true];
  }
  return new Map([...styles].map(([id, style]) => [id, style.hides]));
}

// The document's text, as its reader sees it, and how many characters of hidden text were left
// out. Left out too, as no reader sees them: text deleted or moved away under tracked changes, a
// run's formatting before a tracked change, and every form of an alternate content but the first
// (Word and LibreOffice write a text box twice, for new readers and old).
export function docxText(bytes, maxLength) {
  try {
    const entries = listEntries(bytes);
    const budget = { left: limits.unzippedBytes };
    const part = relatedPart(bytes, entries, budget, '', 'officeDocument') ?? 'word/document.xml';
    if (!entries.has(part)) throw new DocumentError(notADocument(entries));
    const stylesPart = relatedPart(bytes, entries, budget, part, 'styles');
    const styles = entries.has(stylesPart) ? hidingStyles(utf8.decode(readEntry(bytes, entries.get(stylesPart), budget))) : new Map();
    const out = [];
    let length = 0;
    let hidden = 0;
    // Where the text goes: the body, or a text box, which stands inside a run of its paragraph and
    // whose lines follow that paragraph's (or table row's) line, left whole. `tables` counts tables
    // open (a table inside a cell is read into that cell), `cellUsed` whether the cell has text yet
    // (its next paragraph follows a space), `inRun` and `runHidden` the run being read, and
    // `paragraphHidden` whether the paragraph's style hides its runs.
    const frame = (lines) => ({
      lines,
      after: [],
      line: '',
      tables: 0,
      cellUsed: false,
      inRun: false,
      runHidden: false,
      paragraphHidden: false,
    });
    let at = frame(out);
    const boxes = [];
    // How deep in skipped content; per alternate content open, how many of its forms have begun;
    // per form open, whether it is skipped.
    let skipped = 0;
    const alternates = [];
    const forms = [];
    const add = (s) => {
      at.line += s;
      length += s.length;
      if (length > maxLength) throw new DocumentError(`文档超过 ${maxLength} 个字，太长了，无法核对；请分成几个文件。`);
    };
    const emit = (line) => {
      // One by one: a hostile box may hold more lines than a call takes arguments.
      at.lines.push(line);
      for (const after of at.after) at.lines.push(after);
      at.after = [];
      at.line = '';
    };
    // Whether the element is one whose content is skipped: counted in on its start, out on its end.
    const skips = (ns, local, starting) => {
      if (ns === compatibility && (local === 'Choice' || local === 'Fallback')) {
        if (!starting) return forms.pop();
        forms.push(alternates.length > 0 && alternates[alternates.length - 1]++ > 0);
        return forms.at(-1);
      }
      return word.includes(ns) && (local === 'del' || local === 'moveFrom' || local === 'rPrChange');
    };
    const visitor = {
      wantText: false,
      start(tag) {
        if (tag.ns === compatibility && tag.local === 'AlternateContent') alternates.push(0);
        if (skips(tag.ns, tag.local, true)) skipped += 1;
        if (skipped || !word.includes(tag.ns)) return;
        switch (tag.local) {
          case 't':
            visitor.wantText = true;
            break;
          case 'tab':
            add(at.tables ? ' ' : '\t');
            break;
          case 'br':
          case 'cr':
            add(at.tables ? ' ' : '\n');
            break;
          case 'p':
            if (at.tables && at.cellUsed) add(' ');
            at.paragraphHidden = false;
            break;
          case 'pStyle':
            at.paragraphHidden = styles.get(tag.get('val', word)) === true;
            break;
          case 'tbl':
            at.tables += 1;
            break;
          case 'tc':
            at.cellUsed = false;
            break;
          case 'r':
            at.inRun = true;
            at.runHidden = at.paragraphHidden;
            break;
          case 'rStyle':
            at.runHidden = styles.get(tag.get('val', word)) ?? at.runHidden;
            break;
          case 'vanish':
            if (at.inRun) at.runHidden = hides(tag);
            break;
          case 'txbxContent':
            boxes.push(at);
            at = frame([]);
            break;
        }
      },
      end(ns, local) {
        if (ns === compatibility && local === 'AlternateContent') alternates.pop();
        if (skips(ns, local, false)) skipped -= 1;
        if (skipped || !word.includes(ns)) return;
        if (local === 't') visitor.wantText = false;
        else if (local === 'r') at.inRun = false;
        else if (local === 'p' && !at.tables) emit(at.line);
        else if (local === 'tc' && at.tables === 1) add('\t');
        else if (local === 'tr' && at.tables === 1) emit(at.line.replace(/[\t ]+$/, ''));
        else if (local === 'tbl') at.tables -= 1;
        else if (local === 'txbxContent') {
          if (at.line || at.after.length) emit(at.line);
          const box = at;
          at = boxes.pop();
          for (const line of box.lines) at.after.push(line);
        }
      },
      text(s) {
        if (at.runHidden) {
          hidden += s.length;
          return;
        }
        at.cellUsed = true;
        add(s);
      },
    };
    // Read as it is inflated: a hostile part is refused at the text's limit, never held whole.
    const reader = walker(visitor);
    const decoder = new TextDecoder('utf-8');
    streamEntry(bytes, entries.get(part), budget, (chunk) => reader.feed(decoder.decode(chunk, { stream: true }), false));
    reader.feed(decoder.decode(), true);
    if (at.line || at.after.length) emit(at.line);
    return { text: out.join('\n'), hidden };
  } catch (e) {
    throw reworded(e);
  }
}

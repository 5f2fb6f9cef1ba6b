// The running text of a Word document (.docx), as the engine scans it: a paragraph a line, a
// table row a line with its cells joined by tabs (so that the row is a sentence of its own), a
// cell's paragraphs joined by spaces. Only the body counts; deleted text and field codes are no
// text (they are not w:t).
import { listEntries, readEntry, streamEntry } from './zip.js';
import { walk, walker, namespaces } from './xml.js';
import { resolve } from './xlsx.js';
import { limits, SheetError } from './limits.js';

const word = ['http://schemas.openxmlformats.org/wordprocessingml/2006/main', 'http://purl.oclc.org/ooxml/wordprocessingml/main'];
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

// The main part, as the package's relationships name it.
function mainPart(bytes, entries, budget) {
  const rels = entries.get('_rels/.rels');
  let part = 'word/document.xml';
  if (rels) {
    walk(utf8.decode(readEntry(bytes, rels, budget)), {
      start(tag) {
        if (tag.local === 'Relationship' && namespaces.package.includes(tag.ns) && /\/officeDocument$/.test(tag.get('Type') ?? '')) {
          part = resolve('', tag.get('Target') ?? '');
        }
      },
      end() {},
    });
  }
  return part;
}

export function docxText(bytes, maxLength) {
  try {
    const entries = listEntries(bytes);
    const budget = { left: limits.unzippedBytes };
    const part = mainPart(bytes, entries, budget);
    if (!entries.has(part)) {
      throw new DocumentError(entries.has('xl/workbook.xml') ? '这是 Excel 表格，不是文档：请在上面的“核对表格”里打开。' : corrupt);
    }
    const out = [];
    let length = 0;
    let line = '';
    // Tables open (a table inside a cell is read into that cell), and whether a cell has text yet:
    // its next paragraph follows a space.
    let tables = 0;
    let cellUsed = false;
    const add = (s) => {
      line += s;
      length += s.length;
      if (length > maxLength) throw new DocumentError(`文档超过 ${maxLength} 个字，太长了，无法核对；请分成几个文件。`);
    };
    const visitor = {
      wantText: false,
      start(tag) {
        if (!word.includes(tag.ns)) return;
        switch (tag.local) {
          case 't':
            visitor.wantText = true;
            break;
          case 'tab':
            add(tables ? ' ' : '\t');
            break;
          case 'br':
          case 'cr':
            add(tables ? ' ' : '\n');
            break;
          case 'p':
            if (tables && cellUsed) add(' ');
            break;
          case 'tbl':
            tables += 1;
            break;
          case 'tc':
            cellUsed = false;
            break;
        }
      },
      end(ns, local) {
        if (!word.includes(ns)) return;
        if (local === 't') visitor.wantText = false;
        else if (local === 'p' && !tables) {
          out.push(line);
          line = '';
        } else if (local === 'tc' && tables === 1) add('\t');
        else if (local === 'tr' && tables === 1) {
          out.push(line.replace(/[\t ]+$/, ''));
          line = '';
        } else if (local === 'tbl') tables -= 1;
      },
      text(s) {
        cellUsed = true;
        add(s);
      },
    };
    // Read as it is inflated: a hostile part is refused at the text's limit, never held whole.
    const reader = walker(visitor);
    const decoder = new TextDecoder('utf-8');
    streamEntry(bytes, entries.get(part), budget, (chunk) => reader.feed(decoder.decode(chunk, { stream: true }), false));
    reader.feed(decoder.decode(), true);
    if (line) out.push(line);
    return out.join('\n');
  } catch (e) {
    throw reworded(e);
  }
}

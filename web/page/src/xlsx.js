// An .xlsx workbook: its worksheets in the workbook's order, found through its relationships,
// and each read into rows (table.js) with the number formats its cells are shown in. Only the
// worksheet's own rows and cells count: markup of other namespaces, or in extensions, is no data.
import { phase } from './protocol.js';
import { listEntries, readEntry, streamEntry } from './zip.js';
import { walk, walker, namespaces, unescapeOffice } from './xml.js';
import { limits, SheetError, tooMany } from './limits.js';
import { width, numberKind } from './table.js';
import { builtinFormats } from './formats.js';

const utf8 = new TextDecoder('utf-8');
const main = namespaces.main;

const fault = (what) => new SheetError(`${what}：Excel 会说这个文件已损坏。请在 Excel 或 WPS 里打开并另存后再核对。`);

// A relationship's target as a part name, relative to the part that holds the relationship.
export function resolve(from, target) {
  if (target.startsWith('/')) return target.slice(1);
  const parts = from.split('/').slice(0, -1);
  for (const p of target.split('/')) {
    if (p === '..') parts.pop();
    else if (p && p !== '.') parts.push(p);
  }
  return parts.join('/');
}

export const relsOf = (part) => {
  const slash = part.lastIndexOf('/');
  return `${part.slice(0, slash + 1)}_rels/${part.slice(slash + 1)}.rels`;
};

// Each relationship of a part as { type, part }; external targets are no parts of the file.
export function relationships(text, from) {
  const found = new Map();
  walk(text, {
    start(tag) {
      if (tag.local !== 'Relationship' || !namespaces.package.includes(tag.ns) || tag.get('TargetMode') === 'External') return;
      const type = tag.get('Type') ?? '';
      found.set(tag.get('Id'), { type: type.slice(type.lastIndexOf('/') + 1), part: resolve(from, tag.get('Target') ?? '') });
    },
    end() {},
  });
  return found;
}

// A zip that holds no workbook is named for what it is.
function notAWorkbook(entries) {
  if (entries.has('mimetype') && entries.has('content.xml')) {
    return new SheetError('这是 OpenDocument 文件（.ods 等），不是 .xlsx：请在 WPS 或 LibreOffice 里另存为 .xlsx 或 CSV 后再打开。');
  }
  if (entries.has('word/document.xml')) return new SheetError('这是 Word 文档，不是表格：请打开 .xlsx 或 CSV 表格。');
  if ([...entries.keys()].some((n) => n.startsWith('ppt/')))
    return new SheetError('这是 PowerPoint 演示文稿，不是表格：请打开 .xlsx 或 CSV 表格。');
  return new SheetError('这个压缩文件里没有 Excel 表格：请打开 .xlsx 或 CSV 表格。');
}

export function openWorkbook(bytes) {
  const entries = listEntries(bytes);
  const budget = () => ({ left: limits.unzippedBytes });
  const text = (name, spend = budget(), progress) => utf8.decode(readEntry(bytes, entries.get(name), spend, progress));
  const root = entries.has('_rels/.rels') ? relationships(text('_rels/.rels'), '') : new Map();
  const office = [...root.values()].find((r) => r.type === 'officeDocument')?.part ?? 'xl/workbook.xml';
  if (!entries.has(office)) throw notAWorkbook(entries);
  const related = entries.has(relsOf(office)) ? relationships(text(relsOf(office)), office) : new Map();
  const sheets = [];
  let date1904 = false;
  walk(text(office), {
    start(tag) {
      if (!main.includes(tag.ns)) return;
      if (tag.local === 'workbookPr') date1904 = /^(1|true)$/.test(tag.get('date1904') ?? '');
      if (tag.local !== 'sheet') return;
      const target = related.get(tag.get('id', namespaces.relationships));
      // Chart and dialog sheets hold no cells to check.
      if (target?.type !== 'worksheet' || !entries.has(target.part)) return;
      sheets.push({
        name: tag.get('name') ?? `Sheet${sheets.length + 1}`,
        hidden: (tag.get('state') ?? 'visible') !== 'visible',
        part: target.part,
      });
    },
    end() {},
  });
  if (!sheets.length) throw new SheetError('这个 .xlsx 文件里没有能核对的工作表（只有图表或宏）。');
  const find = (type) => [...related.values()].find((r) => r.type === type && entries.has(r.part))?.part;
  // A large part is walked as it is inflated, its text decoded a piece at a time.
  const walkPart = (name, spend, visitor, progress) => {
    const decoder = new TextDecoder('utf-8');
    const parts = walker(visitor);
    streamEntry(bytes, entries.get(name), spend, (chunk) => parts.feed(decoder.decode(chunk, { stream: true }), false), progress);
    parts.feed(decoder.decode(), true);
  };
  let strings;
  let styles;
  return {
    sheets: sheets.map(({ name, hidden }) => ({ name, hidden })),
    date1904,
    read(index, progress) {
      const spend = budget();
      const unzipping = (done, total) => progress(phase.unzip, done, total);
      if (!strings)
        strings = find('sharedStrings') ? sharedStrings((v) => walkPart(find('sharedStrings'), spend, v, unzipping), progress) : [];
      if (!styles) styles = find('styles') ? numberFormats(text(find('styles'), spend)) : [];
      return readWorksheet((v) => walkPart(sheets[index].part, spend, v, unzipping), strings, styles, progress);
    },
  };
}

// Whether the element on top of the stack is a text run of the string item at depth `at`: its
// <t> directly, or inside a rich-text run <r>; never a phonetic guide's (<rPh>).
const isRun = (stack, at) =>
  stack[stack.length - 1] === 't' && (stack.length === at + 2 || (stack.length === at + 3 && stack[at + 1] === 'r'));

function joined(parts) {
  const t = unescapeOffice(parts.join(''));
  if (t.length > limits.cellChars)
    throw new SheetError(`表格里有一段文字超过 ${limits.cellChars} 个字，Excel 的单元格放不下这么多，无法核对。`);
  return t;
}

// The workbook's texts; a long list says how far it got, so that the page knows it is working.
function sharedStrings(walkIt, progress) {
  const list = [];
  const stack = [];
  let parts = [];
  walkIt({
    wantText: false,
    start(tag) {
      stack.push(main.includes(tag.ns) ? tag.local : '');
      this.wantText = stack[0] === 'sst' && stack[1] === 'si' && isRun(stack, 1);
    },
    end() {
      this.wantText = false;
      if (stack.pop() !== 'si' || stack.length !== 1) return;
      const n = list.push(joined(parts));
      if (n > limits.cells) throw tooMany('cells');
      if (n % 100000 === 0) progress(phase.read, 0, 0);
      parts = [];
    },
    text: (t) => parts.push(t),
  });
  return list;
}

// The number format code of each cell style (cellXfs), undefined for General.
function numberFormats(xml) {
  const custom = new Map();
  const xfs = [];
  const stack = [];
  walk(xml, {
    start(tag) {
      const local = main.includes(tag.ns) ? tag.local : '';
      const parent = stack[stack.length - 1];
      stack.push(local);
      if (stack.length !== 3) return;
      if (parent === 'numFmts' && local === 'numFmt') custom.set(Number(tag.get('numFmtId')), tag.get('formatCode') ?? '');
      if (parent === 'cellXfs' && local === 'xf') xfs.push(Number(tag.get('numFmtId') ?? 0));
    },
    end: () => stack.pop(),
  });
  return xfs.map((id) => (id === 0 ? undefined : (custom.get(id) ?? builtinFormats[id])));
}

// The column of a reference ("B12" -> 1) when its row is `row` or left out, else -1.
function columnIn(ref, row) {
  let c = 0;
  let i = 0;
  for (; i < ref.length && i < 4; ++i) {
    const k = ref.charCodeAt(i);
    if (k < 65 || k > 90) break;
    c = c * 26 + (k - 64);
  }
  if (i === 0 || i > 3) return -1;
  if (i === ref.length) return c - 1;
  let n = 0;
  for (let j = i; j < ref.length; ++j) {
    const k = ref.charCodeAt(j);
    if (k < 48 || k > 57 || (j === i && k === 48) || j - i > 7) return -1;
    n = n * 10 + (k - 48);
  }
  return n === row ? c - 1 : -1;
}

const numeric = /^[-+]?(?:[0-9]+(?:\.[0-9]*)?|\.[0-9]+)(?:[eE][-+]?[0-9]+)?$/;

function readWorksheet(walkIt, strings, styles, progress) {
  const rows = [];
  const formats = [];
  const kinds = new Map();
  const kindOf = (style) => {
    const code = styles[style];
    if (code === undefined || code === 'General') return numberKind;
    if (!kinds.has(code)) kinds.set(code, formats.push(code) + 1);
    return kinds.get(code);
  };
  const stack = [];
  let held = 0;
  let r = -1;
  let row;
  let column;
  let cell;
  let parts = [];
  const visitor = {
    wantText: false,
    start(tag) {
      const local = main.includes(tag.ns) ? tag.local : '';
      const depth = stack.push(local) - 1;
      if (depth === 2 && local === 'row' && stack[0] === 'worksheet' && stack[1] === 'sheetData') {
        const ref = tag.get('r');
        let n = r + 2;
        if (ref !== undefined) {
          if (!/^[1-9][0-9]{0,6}$/.test(ref.trim())) throw fault(`行号“${ref.slice(0, 20)}”不是行号`);
          n = Number(ref);
        }
        if (n > limits.rows) throw tooMany('rows');
        if (n - 1 <= r) throw fault(`第 ${n} 行在文件里出现了两次，或排在第 ${r + 1} 行之后`);
        r = n - 1;
        row = [];
        column = -1;
      } else if (depth === 3 && local === 'c' && row) {
        const ref = tag.get('r');
        let c = column + 1;
        if (ref !== undefined) {
          c = columnIn(ref.trim(), r + 1);
          if (c < 0) throw fault(`第 ${r + 1} 行里的单元格“${ref.slice(0, 20)}”不在这一行`);
        }
        if (c >= width) throw tooMany('columns');
        if (c <= column) throw fault(`第 ${r + 1} 行的同一列出现了两次，或列的顺序颠倒`);
        column = c;
        cell = { type: tag.get('t') ?? 'n', style: Number(tag.get('s') ?? 0), value: '', inline: '' };
      } else if (cell && depth === 4 && local === 'v') {
        visitor.wantText = true;
      } else if (cell && stack[4] === 'is') {
        visitor.wantText = isRun(stack, 4);
      }
    },
    end() {
      const local = stack.pop();
      const depth = stack.length;
      visitor.wantText = false;
      if (depth === 4 && local === 'is' && cell) {
        cell.inline = joined(parts);
        parts = [];
      } else if (depth === 3 && local === 'c' && cell) store();
      else if (depth === 2 && local === 'row' && row) {
        if (row.length) rows[r] = row;
        row = undefined;
        if (r % 10000 === 0) progress(phase.read, r, 0);
      }
    },
    text(t) {
      if (stack[stack.length - 1] === 'v') cell.value += t;
      else parts.push(t);
    },
  };
  function store() {
    const { type, style, value, inline } = cell;
    cell = undefined;
    let kind = 0;
    let t;
    if (type === 's') {
      t = strings[Number(value)];
      if (t === undefined || value.trim() === '') throw fault(`第 ${r + 1} 行有一个单元格指向不存在的文字`);
    } else if (type === 'inlineStr') t = inline;
    else if (type === 'b') t = value.trim() === '1' ? 'TRUE' : 'FALSE';
    else if (type === 'n' && numeric.test(value.trim()) && Number.isFinite(Number(value))) {
      t = value.trim();
      kind = kindOf(style);
    } else t = value;
    if (t === '') return;
    if (t.length > limits.cellChars)
      throw new SheetError(`第 ${r + 1} 行有一个单元格超过 ${limits.cellChars} 个字，Excel 放不下这么多，无法核对。`);
    if (++held > limits.cells) throw tooMany('cells');
    row.push(column + width * kind, t);
  }
  walkIt(visitor);
  return { rows, formats };
}

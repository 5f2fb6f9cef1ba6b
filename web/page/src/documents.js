// 核对文档: a contract or a voucher pasted or opened (.txt, .docx, .pdf), every amount in it found
// and each pair checked by the engine's scan, the text shown with every amount marked, and the
// amounts that are not right listed, each leading to its place. Files are read in a worker of
// their own, started when the first one is opened; pasted text is scanned here.
import { $, say } from './dom.js';
import { limits, megabytes } from './limits.js';
import { fromWorker, phase } from './protocol.js';
import { plainMessage } from './messages.js';
import { watchedWorker } from './watched.js';
import { pack, unpack } from './scanned.js';

const doc = {
  section: $('documents'),
  text: $('doc-text'),
  file: $('doc-file'),
  note: $('doc-note'),
  result: $('doc-result'),
  summary: $('doc-summary'),
  problems: $('doc-problems'),
  listed: $('doc-listed'),
  shown: $('doc-shown'),
  view: $('doc-view'),
};
// Each verdict by word and by sign, so that it is told apart without its colour.
const verdictShown = { ok: ['正确', '✓'], warn: ['警告', '⚠'], fail: ['错误', '✗'], lone: ['只有小写', '·'] };
const kindWords = { PDF: 'PDF 文档', Word: 'Word 文档' };
// The text is shown this many characters at a time, around the amount asked for; the list names
// this many amounts at most.
const windowChars = 50000;
const listedMost = 500;

let engine;
let module;
let shown;
const worker = watchedWorker(() => $('documents-source').textContent, {
  heard: (data) => onWorker[data.type]?.(data),
  crashed: () => failed('读取文档时出错，已停止。页面可以继续使用。'),
  failed,
});

function busy(on) {
  worker.busy = on;
  doc.section.setAttribute('aria-busy', String(on));
  if (!on) doc.section.dataset.jobs = String(Number(doc.section.dataset.jobs ?? 0) + 1);
}

// The worker and what it held are dropped; a fresh one takes the next file.
function failed(message) {
  busy(false);
  doc.result.hidden = true;
  say(doc.note, message, true);
  worker.stop();
}

async function openFile(file) {
  if (!file) return;
  if (file.size > limits.fileBytes) {
    say(doc.note, `文件太大（超过 ${megabytes(limits.fileBytes)}），不打开。`, true);
    return;
  }
  if (!worker.started || worker.busy) worker.start(module);
  busy(true);
  say(doc.note, `正在读取 ${file.name}…`);
  await worker.open(file);
}

const onWorker = {
  [fromWorker.progress]({ phase: step, done, total }) {
    say(doc.note, step === phase.check ? '正在核对…' : `读取：第 ${done} / ${total} 页`);
  },
  [fromWorker.checked]({ name, kind, text, hidden, found, milliseconds }) {
    busy(false);
    const took = milliseconds < 100 ? '用时不到 0.1 秒' : `用时 ${(milliseconds / 1000).toFixed(1)} 秒`;
    // Hidden text is neither printed nor shown, so it is not checked; that it is there is said.
    const unseen = hidden ? `另有 ${hidden} 个字是隐藏文字（打印和阅读时都看不到），未核对。` : '';
    say(doc.note, `已核对 ${name}（${kindWords[kind] ?? `文本，编码 ${kind}`}），${took}。${unseen}`);
    show(text, found);
  },
  [fromWorker.error]({ message }) {
    failed(message);
  },
  [fromWorker.broken]() {
    failed('这个浏览器无法在后台读取文档，请换用新版 Chrome、Edge 或 Firefox；粘贴文字仍可核对。');
    doc.file.disabled = true;
  },
};

// Every amount's place in the text, in order: [start, end, result's index].
function placesOf(found) {
  const places = [];
  for (let i = 0; i < found.count; i++) {
    for (const m of [found.upper(i), found.digits(i)]) if (m) places.push([m.start, m.end, i]);
  }
  return places.sort((a, b) => a[0] - b[0]);
}

function describe(found, i) {
  const parts = [];
  if (found.upper(i)) parts.push(`大写 ${found.upperText(i)}${found.upperAmount(i) ? ` = ${found.upperAmount(i)}` : ''}`);
  if (found.digits(i)) parts.push(`小写 ${found.digitsAmount(i)}`);
  const notes = found.messages(i).map(plainMessage);
  return `${parts.join('，')}${notes.length ? `：${notes.join('；')}` : ''}`;
}

// The text from the line holding `at`, a window of it, its amounts marked.
function render(at) {
  const { text, found, places } = shown;
  let from = at > 0 ? text.lastIndexOf('\n', at - 1) + 1 : 0;
  if (at - from > windowChars / 2) from = at;
  let to = Math.min(text.length, from + windowChars);
  let k = 0;
  for (let lo = 0, hi = places.length; lo < hi;) {
    const mid = (lo + hi) >> 1;
    if (places[mid][1] <= from) lo = k = mid + 1;
    else hi = mid;
  }
  // An amount the window's edge would cut is taken whole.
  if (k < places.length && places[k][0] < from) from = places[k][0];
  const nodes = [];
  let last = from;
  shown.marks = new Map();
  for (; k < places.length && places[k][0] < to; k++) {
    const [start, end, i] = places[k];
    to = Math.max(to, end);
    if (start > last) nodes.push(document.createTextNode(text.slice(last, start)));
    const verdict = found.verdict(i);
    const [word, sign] = verdictShown[verdict];
    const mark = document.createElement('mark');
    mark.className = `doc ${verdict}`;
    mark.dataset.verdict = verdict;
    mark.tabIndex = -1;
    mark.title = `${word}：${describe(found, i)}`;
    mark.textContent = text.slice(start, end);
    const tag = document.createElement('span');
    tag.className = 'sign';
    tag.textContent = sign;
    tag.setAttribute('aria-label', word);
    mark.append(tag);
    nodes.push(mark);
    if (!shown.marks.has(i)) shown.marks.set(i, []);
    shown.marks.get(i).push(mark);
    last = end;
  }
  if (to > last) nodes.push(document.createTextNode(text.slice(last, to)));
  doc.view.replaceChildren(...nodes);
  shown.from = from;
  shown.to = to;
  doc.shown.textContent =
    from > 0 || to < text.length ? `文档较长，下面显示第 ${from + 1} 到第 ${to} 个字；点上面的条目可跳到它的位置。` : '';
}

// Scrolls to the amounts of result `i`, shown in the window, and marks them as the one asked for.
function goTo(i) {
  const at = (shown.found.upper(i) ?? shown.found.digits(i)).start;
  if (at < shown.from || at >= shown.to) render(at);
  for (const mark of doc.view.querySelectorAll('mark.current')) mark.classList.remove('current');
  const marks = shown.marks.get(i) ?? [];
  for (const mark of marks) mark.classList.add('current');
  marks[0]?.scrollIntoView({ block: 'center' });
  marks[0]?.focus({ preventScroll: true });
}

function show(text, packed) {
  const found = unpack(packed);
  // A text the engine refused whole (too long) or could not finish gives one result with no
  // place in the text: what it says is said, and nothing is shown as checked.
  if (found.count > 0 && !found.upper(0) && !found.digits(0)) {
    doc.result.hidden = true;
    say(doc.note, `无法核对：${found.messages(0).join('；')}`, true);
    return;
  }
  shown = { text, found, places: placesOf(found) };
  const counts = { ok: 0, warn: 0, fail: 0, lone: 0 };
  for (let i = 0; i < found.count; i++) counts[found.verdict(i)] += 1;
  doc.summary.textContent = `共 ${counts.ok + counts.warn + counts.fail} 处金额，正确 ${counts.ok}，警告 ${counts.warn}，错误 ${counts.fail}`;
  const items = [];
  for (const wanted of ['fail', 'warn']) {
    for (let i = 0; i < found.count && items.length < listedMost; i++) {
      if (found.verdict(i) !== wanted) continue;
      const at = found.upper(i) ?? found.digits(i);
      const button = document.createElement('button');
      button.type = 'button';
      button.className = `to-place ${wanted}`;
      button.textContent = `${verdictShown[wanted][1]} ${verdictShown[wanted][0]} · 第 ${at.line} 行第 ${at.column} 字：${describe(found, i)}`;
      button.addEventListener('click', () => goTo(i));
      const item = document.createElement('li');
      item.append(button);
      items.push(item);
    }
  }
  doc.problems.replaceChildren(...items);
  const parts = [];
  if (items.length === 0) parts.push(found.count ? '没有发现有问题的金额。' : '没有找到金额。');
  else if (items.length < counts.warn + counts.fail) parts.push(`上面只列出前 ${items.length} 处有问题的金额（错误在前）。`);
  if (counts.lone) parts.push(`另有 ${counts.lone} 处小写金额没有大写与之对照，只作标出，未计入。`);
  doc.listed.textContent = parts.join('');
  render(0);
  doc.result.hidden = false;
}

function scanBox() {
  const text = doc.text.value;
  if (/^\s*$/.test(text)) {
    doc.result.hidden = true;
    say(doc.note, '');
    return;
  }
  say(doc.note, '');
  show(text, pack(engine.scan(text)));
}

// Whether a file dropped on the page is a document's: one dropped on this section, or one that
// is no spreadsheet by its name.
export function takesDrop(file, target) {
  if (!file || !(target?.closest?.('#documents') || /\.(docx|pdf)$/i.test(file.name))) return false;
  openFile(file);
  return true;
}

export function wireDocuments(loaded, compiled) {
  engine = loaded;
  module = compiled;
  let pending;
  // A long paste is scanned once the typing stops; a short text at every key.
  doc.text.addEventListener('input', () => {
    clearTimeout(pending);
    if (doc.text.value.length < 100000) scanBox();
    else pending = setTimeout(scanBox, 200);
  });
  doc.file.addEventListener('change', () => {
    openFile(doc.file.files[0]);
    doc.file.value = '';
  });
}

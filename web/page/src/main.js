// The page: writing at every keystroke, reading and checking a text, and checking whole
// spreadsheets in a worker. Nothing from a file or a box is ever inserted as HTML.
import { load } from 'tessaly';
import wasmBase64 from 'virtual:wasm';
import workerSource from 'virtual:worker';
import { asciiDigits } from './digits.js';
import { limits, megabytes } from './limits.js';

const $ = (id) => document.getElementById(id);
const styleKey = 'tessaly.style';
// A worker that says nothing for this long is taken to be stuck on a hostile file.
const silenceLimit = 20000;

const box = {
  amount: $('amount'),
  upper: $('upper'),
  writeNote: $('write-note'),
  copy: $('copy'),
  copyNote: $('copy-note'),
  readingText: $('reading-text'),
  readingAmount: $('reading-amount'),
  readingMarked: $('reading-marked'),
  readingFindings: $('reading-findings'),
  check: $('check'),
  checkVerdict: $('check-verdict'),
  checkFindings: $('check-findings'),
};
const styleControls = ['unit', 'closing', 'closeAfterJiao', 'prefix', 'wide'].map($);

let engine;

function say(element, text, problem = false) {
  element.textContent = text;
  element.classList.toggle('problem', problem);
}

function style() {
  const [unit, closing, closeAfterJiao, prefix, wide] = styleControls;
  return { unit: unit.value, closing: closing.value, closeAfterJiao: closeAfterJiao.checked, prefix: prefix.checked, wide: wide.checked };
}

function restoreStyle() {
  let saved;
  try {
    saved = JSON.parse(localStorage.getItem(styleKey) ?? 'null');
  } catch {
    return;
  }
  if (!saved || typeof saved !== 'object') return;
  for (const control of styleControls) {
    const value = saved[control.id];
    if (control.type === 'checkbox' && typeof value === 'boolean') control.checked = value;
    if (control.tagName === 'SELECT' && [...control.options].some((o) => o.value === value)) control.value = value;
  }
}

function saveStyle() {
  try {
    localStorage.setItem(styleKey, JSON.stringify(style()));
  } catch {
    // Storage may be off (private windows, file:// in some browsers): the choice lasts the visit.
  }
}

const whyNot = {
  notANumber: () => '无法转换：这不是数字金额（只能有数字、一个小数点、千分位逗号和负号）。',
  tooManyDigits: (wide) =>
    wide ? '无法转换：整数部分超过十六位。' : '无法转换：整数部分超过九位。要写更大的金额，请勾选“十六位”。',
};

function writeUpper() {
  const result = engine.write(asciiDigits(box.amount.value), style());
  box.upper.value = result.text ?? '';
  say(box.writeNote, result.failure && result.failure !== 'empty' ? whyNot[result.failure](style().wide) : '', true);
  say(box.copyNote, '');
}

function list(element, findings) {
  element.replaceChildren(
    ...findings.map((f) => {
      const item = document.createElement('li');
      item.textContent = `${f.severity === 'warning' ? '警告' : '错误'}：${f.message}`;
      item.className = f.severity === 'warning' ? 'warn' : 'fail';
      return item;
    }),
  );
}

// The text with each character a finding names marked where it stands.
function markText(chars, findings, offset) {
  const marks = new Map();
  for (const f of findings) {
    if (f.position > 0 && !marks.has(f.position + offset)) marks.set(f.position + offset, f);
  }
  const nodes = [];
  let plain = '';
  chars.forEach((c, i) => {
    const f = marks.get(i + 1);
    if (!f) {
      plain += c;
      return;
    }
    if (plain) nodes.push(document.createTextNode(plain)), (plain = '');
    const mark = document.createElement('mark');
    mark.textContent = c;
    mark.title = f.message;
    if (f.severity === 'warning') mark.className = 'warning';
    nodes.push(mark);
  });
  if (plain) nodes.push(document.createTextNode(plain));
  box.readingMarked.replaceChildren(...nodes);
  box.readingMarked.hidden = marks.size === 0;
}

const spaces = /^[\s\u3000]+|[\s\u3000]+$/g;

function readAndCheck() {
  const raw = box.readingText.value;
  const text = raw.replace(spaces, '');
  const lead = raw.length - raw.replace(/^[\s\u3000]+/, '').length;
  if (text === '') {
    say(box.readingAmount, '');
    box.readingMarked.hidden = true;
    box.readingFindings.replaceChildren();
    box.check.hidden = true;
    return;
  }
  const reading = engine.read(text);
  say(box.readingAmount, reading.amount !== undefined ? `写的是：${reading.amount}` : '读不出金额：', reading.amount === undefined);
  markText(Array.from(raw), reading.findings, Array.from(raw.slice(0, lead)).length);
  list(box.readingFindings, reading.findings);

  const digits = asciiDigits(box.amount.value).trim();
  box.check.hidden = digits === '';
  if (digits === '') return;
  const checked = engine.check(digits, text);
  const [word, css] = { ok: ['正确', 'ok'], warn: ['警告', 'warn'], fail: ['错误', 'fail'] }[checked.verdict];
  box.checkVerdict.textContent = word;
  box.checkVerdict.className = `verdict ${css}`;
  list(box.checkFindings, checked.findings);
}

async function copyUpper() {
  const text = box.upper.value;
  if (!text) {
    say(box.copyNote, '没有可复制的大写金额。', true);
    return;
  }
  try {
    await navigator.clipboard.writeText(text);
  } catch {
    box.upper.select();
    if (!document.execCommand('copy')) {
      say(box.copyNote, '浏览器不允许复制，请选中大写金额后按 Ctrl+C。', true);
      return;
    }
  }
  say(box.copyNote, '已复制');
}

// ---- spreadsheets ----

const sheet = {
  section: $('sheets'),
  file: $('file'),
  note: $('sheet-note'),
  busy: $('busy'),
  progress: $('progress'),
  stop: $('stop'),
  columns: $('sheet-columns'),
  amountColumn: $('amount-column'),
  upperColumn: $('upper-column'),
  hasHeader: $('has-header'),
  result: $('sheet-result'),
  summary: $('sheet-summary'),
  shown: $('sheet-shown'),
  rows: document.querySelector('#sheet-rows tbody'),
  format: $('download-format'),
  download: $('download'),
  drop: $('drop'),
};

const workerUrl = URL.createObjectURL(new Blob([workerSource], { type: 'text/javascript' }));
let module;
let worker;
let busySince = 0;
let lastHeard = 0;
let opened;

function startWorker() {
  worker?.terminate();
  worker = new Worker(workerUrl);
  let ready = false;
  worker.onmessage = ({ data }) => {
    lastHeard = performance.now();
    if (data.type === 'ready') ready = true;
    else if (data.type === 'error' && !ready) sheetsOff();
    else onWorker[data.type]?.(data);
  };
  worker.onerror = (event) => {
    event.preventDefault();
    if (ready) failed('读取表格时出错，已停止。页面可以继续使用。');
    else sheetsOff();
  };
  worker.postMessage({ type: 'init', module });
}

// A worker that cannot start would fail again: in this browser, sheets stay off.
function sheetsOff() {
  worker.terminate();
  idle();
  sheet.file.disabled = true;
  say(sheet.note, '这个浏览器无法在后台核对表格，请换用新版 Chrome、Edge 或 Firefox。', true);
}

function busy(text) {
  busySince = lastHeard = performance.now();
  say(sheet.note, text);
  sheet.progress.removeAttribute('value');
  sheet.busy.hidden = false;
  sheet.download.disabled = true;
  sheet.section.setAttribute('aria-busy', 'true');
}

// Each finished job is counted on the section, so that whoever waits for one can tell it ended.
function idle() {
  busySince = 0;
  sheet.busy.hidden = true;
  sheet.download.disabled = false;
  sheet.section.setAttribute('aria-busy', 'false');
  sheet.section.dataset.jobs = String(Number(sheet.section.dataset.jobs ?? 0) + 1);
}

// The worker and whatever it held are dropped; a fresh one takes the next file.
function failed(message) {
  idle();
  opened = undefined;
  sheet.columns.hidden = true;
  sheet.result.hidden = true;
  say(sheet.note, message, true);
  startWorker();
}

setInterval(() => {
  if (busySince && performance.now() - lastHeard > silenceLimit) failed('处理时间过长，已停止。这个文件可能有问题；页面可以继续使用。');
}, 1000);

async function openFile(file) {
  if (!file || sheet.file.disabled) return;
  if (file.size > limits.fileBytes) {
    say(sheet.note, `文件太大（超过 ${megabytes(limits.fileBytes)}），不打开。`, true);
    return;
  }
  // A file still being read or checked gives way to the one just chosen.
  if (busySince) startWorker();
  busy(`正在读取 ${file.name}…`);
  sheet.result.hidden = true;
  let buffer;
  try {
    buffer = await file.arrayBuffer();
  } catch {
    failed('无法读取这个文件。');
    return;
  }
  worker.postMessage({ type: 'open', name: file.name, buffer }, [buffer]);
}

function options(select, names, chosen) {
  select.replaceChildren(
    ...names.map((name, i) => {
      const option = document.createElement('option');
      option.value = String(i);
      option.textContent = name;
      return option;
    }),
  );
  select.value = String(Math.max(0, Math.min(chosen, names.length - 1)));
}

function runCheck() {
  if (!opened) return;
  busy(`正在核对 ${opened.name}…`);
  worker.postMessage({
    type: 'check',
    amount: Number(sheet.amountColumn.value),
    upper: Number(sheet.upperColumn.value),
    hasHeader: sheet.hasHeader.checked,
  });
}

function cell(row, text, className) {
  const td = document.createElement('td');
  td.textContent = text;
  if (className) td.className = className;
  row.append(td);
}

const verdictClass = { 正确: 'ok', 警告: 'warn', 错误: 'fail' };

const onWorker = {
  progress({ phase, done, total }) {
    if (total > 0) {
      sheet.progress.max = total;
      sheet.progress.value = done;
      say(sheet.note, `${phase}：${done} / ${total} 行`);
    } else {
      sheet.progress.removeAttribute('value');
      if (phase === '读取' && done > 0) say(sheet.note, `读取：${done} 行`);
    }
  },
  opened(data) {
    opened = data;
    options(sheet.amountColumn, data.columns, data.amount);
    options(sheet.upperColumn, data.columns, data.upper);
    sheet.hasHeader.checked = data.hasHeader;
    sheet.columns.hidden = false;
    sheet.format.value = data.kind === 'xlsx' ? 'xlsx' : 'csv';
    runCheck();
  },
  checked({ counts, skipped, shown, milliseconds }) {
    idle();
    const encoding = opened.encoding ? `，编码 ${opened.encoding}` : '';
    const took = milliseconds < 100 ? '用时不到 0.1 秒' : `用时 ${(milliseconds / 1000).toFixed(1)} 秒`;
    say(sheet.note, `已核对 ${opened.name}${encoding}，${took}。`);
    sheet.summary.textContent = `共 ${counts.rows} 行，正确 ${counts.ok}，警告 ${counts.warn}，错误 ${counts.fail}`;
    const rows = shown.map((s) => {
      const tr = document.createElement('tr');
      cell(tr, String(s.row));
      cell(tr, s.amount);
      cell(tr, s.upper);
      cell(tr, s.verdict, verdictClass[s.verdict]);
      cell(tr, s.note);
      return tr;
    });
    sheet.rows.replaceChildren(...rows);
    const parts = [];
    if (shown.length < counts.rows) parts.push(`下表只列出前 ${shown.length} 行（有问题的在前），全部结果请下载。`);
    else parts.push('下表中有问题的行在前。');
    if (skipped > 0) parts.push(`另有 ${skipped} 行两列都是空的，未计入。`);
    sheet.shown.textContent = parts.join('');
    sheet.result.hidden = false;
  },
  file({ name, buffer, format }) {
    idle();
    const type = format === 'csv' ? 'text/csv;charset=utf-8' : 'application/vnd.openxmlformats-officedocument.spreadsheetml.sheet';
    const url = URL.createObjectURL(new Blob([buffer], { type }));
    const link = document.createElement('a');
    link.href = url;
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
    say(sheet.note, `已下载 ${name}`);
  },
  error({ message }) {
    failed(message);
  },
};

function wireSheet() {
  sheet.file.addEventListener('change', () => {
    openFile(sheet.file.files[0]);
    sheet.file.value = '';
  });
  sheet.stop.addEventListener('click', () => failed('已停止。'));
  for (const control of [sheet.amountColumn, sheet.upperColumn, sheet.hasHeader]) control.addEventListener('change', runCheck);
  sheet.download.addEventListener('click', () => {
    if (!opened) return;
    busy('正在生成下载文件…');
    worker.postMessage({ type: 'download', format: sheet.format.value });
  });
  let depth = 0;
  const show = (on) => (sheet.drop.hidden = !on);
  document.addEventListener('dragenter', (e) => {
    if (![...(e.dataTransfer?.types ?? [])].includes('Files')) return;
    depth += 1;
    show(true);
  });
  document.addEventListener('dragleave', () => {
    depth = Math.max(0, depth - 1);
    if (depth === 0) show(false);
  });
  document.addEventListener('dragover', (e) => e.preventDefault());
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    depth = 0;
    show(false);
    openFile(e.dataTransfer?.files?.[0]);
  });
}

async function start() {
  const bytes = Uint8Array.from(atob(wasmBase64), (c) => c.charCodeAt(0));
  module = await WebAssembly.compile(bytes);
  engine = await load(module);
  restoreStyle();
  box.amount.addEventListener('input', () => {
    writeUpper();
    readAndCheck();
  });
  for (const control of styleControls) {
    control.addEventListener('change', () => {
      saveStyle();
      writeUpper();
    });
  }
  box.readingText.addEventListener('input', readAndCheck);
  box.copy.addEventListener('click', copyUpper);
  startWorker();
  wireSheet();
  writeUpper();
  readAndCheck();
  document.documentElement.dataset.ready = 'true';
}

start().catch((e) => {
  say($('write-note'), `页面无法启动：${e?.message ?? e}。请使用新版 Chrome、Edge 或 Firefox。`, true);
});

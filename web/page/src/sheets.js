// 核对表格: a spreadsheet opened, its sheet, header row and columns chosen, every row checked in a
// worker, the rows at fault shown first, and the sheet downloaded with its verdicts.
import workerSource from 'virtual:worker';
import { $, say } from './dom.js';
import { limits, megabytes } from './limits.js';
import { toWorker, fromWorker, verdict, phase } from './protocol.js';
import { watchedWorker } from './watched.js';

const phaseWords = { [phase.unzip]: '解压', [phase.read]: '读取', [phase.check]: '核对', [phase.write]: '写出' };
const verdictShown = { [verdict.ok]: ['正确', 'ok'], [verdict.warn]: ['警告', 'warn'], [verdict.fail]: ['错误', 'fail'] };

const sheet = {
  section: $('sheets'),
  file: $('file'),
  note: $('sheet-note'),
  busy: $('busy'),
  progress: $('progress'),
  stop: $('stop'),
  pick: $('sheet-pick'),
  choice: $('sheet-choice'),
  columns: $('sheet-columns'),
  header: $('header-row'),
  amountColumn: $('amount-column'),
  upperColumn: $('upper-column'),
  result: $('sheet-result'),
  summary: $('sheet-summary'),
  shown: $('sheet-shown'),
  rows: document.querySelector('#sheet-rows tbody'),
  format: $('download-format'),
  download: $('download'),
  drop: $('drop'),
};
const saved = $('saved');

let module;
let opened;
// Whether the worker started last has its engine: one that fails before cannot start at all.
let ready;
const worker = watchedWorker(() => workerSource, {
  heard: (data) => (data.type === fromWorker.ready ? (ready = true) : onWorker[data.type]?.(data)),
  crashed: () => (ready ? failed('读取表格时出错，已停止。页面可以继续使用。') : sheetsOff()),
  failed,
});

function startWorker() {
  ready = false;
  worker.start(module);
}

// A worker that cannot start would fail again: in this browser, sheets stay off.
function sheetsOff() {
  worker.stop();
  idle();
  sheet.file.disabled = true;
  say(sheet.note, '这个浏览器无法在后台核对表格，请换用新版 Chrome、Edge 或 Firefox。', true);
}

function busy(text) {
  worker.busy = true;
  say(sheet.note, text);
  sheet.progress.removeAttribute('value');
  sheet.busy.hidden = false;
  sheet.download.disabled = true;
  sheet.section.setAttribute('aria-busy', 'true');
}

// Each finished job is counted on the section, so that whoever waits for one can tell it ended.
function idle() {
  worker.busy = false;
  sheet.busy.hidden = true;
  sheet.download.disabled = false;
  sheet.section.setAttribute('aria-busy', 'false');
  sheet.section.dataset.jobs = String(Number(sheet.section.dataset.jobs ?? 0) + 1);
}

// The worker and whatever it held are dropped; a fresh one takes the next file.
function failed(message) {
  idle();
  saved.parentElement.hidden = true;
  opened = undefined;
  sheet.pick.hidden = true;
  sheet.columns.hidden = true;
  sheet.result.hidden = true;
  say(sheet.note, message, true);
  startWorker();
}

async function openFile(file) {
  if (!file || sheet.file.disabled) return;
  if (file.size > limits.fileBytes) {
    say(sheet.note, `文件太大（超过 ${megabytes(limits.fileBytes)}），不打开。`, true);
    return;
  }
  // A file still being read or checked gives way to the one just chosen.
  if (worker.busy) startWorker();
  busy(`正在读取 ${file.name}…`);
  sheet.result.hidden = true;
  opened = { name: file.name };
  await worker.open(file);
}

function options(select, entries, chosen) {
  select.replaceChildren(
    ...entries.map(([value, label]) => {
      const option = document.createElement('option');
      option.value = String(value);
      option.textContent = label;
      return option;
    }),
  );
  select.value = String(chosen);
}

// New labels for the same options (the header row names the columns), the choice kept.
function relabel(select, entries) {
  const chosen = select.value;
  options(select, entries, chosen);
}

function runCheck() {
  if (!opened) return;
  saved.parentElement.hidden = true;
  busy(`正在核对 ${opened.name}…`);
  worker.post({
    type: toWorker.check,
    amount: Number(sheet.amountColumn.value),
    upper: Number(sheet.upperColumn.value),
    header: Number(sheet.header.value),
  });
}

function cell(row, text, className) {
  const td = document.createElement('td');
  td.textContent = text;
  if (className) td.className = className;
  row.append(td);
}

const onWorker = {
  [fromWorker.progress]({ phase: step, done, total }) {
    const word = phaseWords[step];
    if (total > 0) {
      sheet.progress.max = total;
      sheet.progress.value = done;
      say(sheet.note, step === phase.unzip ? `${word}：${Math.round((done / total) * 100)}%` : `${word}：${done} / ${total} 行`);
    } else {
      sheet.progress.removeAttribute('value');
      if (done > 0) say(sheet.note, `${word}：${done} 行`);
    }
  },
  [fromWorker.opened](data) {
    opened = { ...opened, ...data };
    const names = data.sheets.map((s, i) => [i, s.hidden ? `${s.name}（隐藏）` : s.name]);
    options(sheet.choice, names, data.sheet);
    sheet.pick.hidden = data.sheets.length < 2;
    if (data.empty) {
      idle();
      sheet.columns.hidden = true;
      say(sheet.note, `工作表“${data.sheets[data.sheet].name}”是空的，请在“工作表”里换一张。`, true);
      return;
    }
    const rows = data.preview.map((text, r) => [r, `第 ${r + 1} 行${text ? `：${text}` : '（空）'}`]);
    if (data.header >= rows.length) rows.push([data.header, `第 ${data.header + 1} 行`]);
    options(sheet.header, [[-1, '无表头（从第 1 行起都核对）'], ...rows], data.header);
    options(sheet.amountColumn, data.columns, data.amount);
    options(sheet.upperColumn, data.columns, data.upper);
    sheet.columns.hidden = false;
    sheet.format.value = data.kind === 'xlsx' ? 'xlsx' : 'csv';
    runCheck();
  },
  [fromWorker.checked]({ counts, skipped, shown, milliseconds, columns }) {
    idle();
    relabel(sheet.amountColumn, columns);
    relabel(sheet.upperColumn, columns);
    const encoding = opened.encoding ? `，编码 ${opened.encoding}` : '';
    const took = milliseconds < 100 ? '用时不到 0.1 秒' : `用时 ${(milliseconds / 1000).toFixed(1)} 秒`;
    const which = opened.sheets.length > 1 ? `的工作表“${opened.sheets[sheet.choice.value].name}”` : '';
    say(sheet.note, `已核对 ${opened.name}${which}${encoding}，${took}。`);
    sheet.summary.textContent = `共 ${counts.rows} 行，正确 ${counts.ok}，警告 ${counts.warn}，错误 ${counts.fail}`;
    const rows = shown.map((s) => {
      const tr = document.createElement('tr');
      const [word, css] = verdictShown[s.verdict];
      cell(tr, String(s.row), 'at');
      cell(tr, s.amount, 'amount');
      cell(tr, s.upper, 'amount');
      cell(tr, word, `verdict-cell ${css}`);
      cell(tr, s.note, 'note-cell');
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
  [fromWorker.file]({ name, blob }) {
    idle();
    if (saved.href) URL.revokeObjectURL(saved.href);
    saved.href = URL.createObjectURL(blob);
    saved.download = name;
    saved.textContent = `如果浏览器没有开始下载，请点这里保存 ${name}`;
    // A file written for longer than the click's moment may be held back by the browser as a
    // download nobody asked for: the link beside it is the user's own click.
    saved.click();
    saved.parentElement.hidden = false;
    say(sheet.note, `已下载 ${name}`);
  },
  [fromWorker.notWritten]({ message }) {
    idle();
    say(sheet.note, `下载没有完成：${message}核对结果还在，可以再试。`, true);
  },
  [fromWorker.error]({ message }) {
    failed(message);
  },
  [fromWorker.broken]() {
    sheetsOff();
  },
};

// `elsewhere(file, target)` takes a dropped file that is another section's, saying so.
export function wireSheets(compiled, elsewhere) {
  module = compiled;
  startWorker();
  sheet.file.addEventListener('change', () => {
    openFile(sheet.file.files[0]);
    sheet.file.value = '';
  });
  sheet.stop.addEventListener('click', () => failed('已停止。'));
  sheet.choice.addEventListener('change', () => {
    busy(`正在读取工作表“${sheet.choice.selectedOptions[0].textContent}”…`);
    sheet.result.hidden = true;
    worker.post({ type: toWorker.sheet, index: Number(sheet.choice.value) });
  });
  for (const control of [sheet.amountColumn, sheet.upperColumn, sheet.header]) control.addEventListener('change', runCheck);
  sheet.download.addEventListener('click', () => {
    if (!opened) return;
    busy('正在生成下载文件…');
    worker.post({ type: toWorker.download, format: sheet.format.value });
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
    const file = e.dataTransfer?.files?.[0];
    if (!elsewhere(file, e.target)) openFile(file);
  });
}

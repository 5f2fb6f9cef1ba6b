// 读大写、核对: what an uppercase text names, each character at fault marked where it stands, and
// the verdict against the amount typed above. The engine gets the text as it is in the box, so
// its character numbers are the box's.
import { $, say } from './dom.js';
import { plainMessage, isInvisible, nameOf } from './messages.js';

const box = {
  text: $('reading-text'),
  amount: $('reading-amount'),
  marked: $('reading-marked'),
  findings: $('reading-findings'),
  check: $('check'),
  verdict: $('check-verdict'),
  checkFindings: $('check-findings'),
};
const blank = /^[ \t\r\n\u00a0\u3000]*$/;
const verdicts = { ok: ['正确', 'ok'], warn: ['警告', 'warn'], fail: ['错误', 'fail'] };

function list(element, findings) {
  element.replaceChildren(
    ...findings.map((f) => {
      const item = document.createElement('li');
      item.textContent = `${f.severity === 'warning' ? '警告' : '错误'}：${plainMessage(f.message)}`;
      item.className = f.severity === 'warning' ? 'warn' : 'fail';
      return item;
    }),
  );
}

// A character that shows as nothing is marked by its name, so that the mark can be seen.
function shown(c) {
  if (!isInvisible(c)) return c;
  const code = c.codePointAt(0).toString(16).toUpperCase().padStart(4, '0');
  return `‹${nameOf(code) ?? `U+${code}`}›`;
}

function markText(chars, findings) {
  const marks = new Map();
  for (const f of findings) if (f.position > 0 && !marks.has(f.position)) marks.set(f.position, f);
  const nodes = [];
  let plain = '';
  chars.forEach((c, i) => {
    const f = marks.get(i + 1);
    if (!f) {
      plain += c;
      return;
    }
    if (plain) (nodes.push(document.createTextNode(plain)), (plain = ''));
    const mark = document.createElement('mark');
    mark.textContent = shown(c);
    mark.title = plainMessage(f.message);
    mark.className = [f.severity === 'warning' ? 'warning' : '', isInvisible(c) ? 'invisible' : ''].join(' ').trim();
    nodes.push(mark);
  });
  if (plain) nodes.push(document.createTextNode(plain));
  box.marked.replaceChildren(...nodes);
  box.marked.hidden = marks.size === 0;
}

export function readAndCheck(engine, typedAmount) {
  const text = box.text.value;
  if (blank.test(text)) {
    say(box.amount, '');
    box.marked.hidden = true;
    box.findings.replaceChildren();
    box.check.hidden = true;
    return;
  }
  const reading = engine.read(text);
  say(box.amount, reading.amount !== undefined ? `写的是：${reading.amount}` : '读不出金额：', reading.amount === undefined);
  markText(Array.from(text), reading.findings);
  list(box.findings, reading.findings);
  const digits = typedAmount();
  box.check.hidden = digits === '';
  if (digits === '') return;
  const checked = engine.check(digits, text);
  const [word, css] = verdicts[checked.verdict];
  box.verdict.textContent = word;
  box.verdict.className = `verdict ${css}`;
  list(box.checkFindings, checked.findings);
}

export function wireReading(engine, typedAmount) {
  const run = () => readAndCheck(engine, typedAmount);
  box.text.addEventListener('input', run);
  run();
  return run;
}

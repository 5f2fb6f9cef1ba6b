// 写大写: the uppercase of the amount typed, at every key, in the style chosen and kept.
import { $, say, fit } from './dom.js';
import { plainAmount } from './amount.js';

const styleKey = 'tessaly.style';
const box = { amount: $('amount'), upper: $('upper'), note: $('write-note'), copy: $('copy'), copyNote: $('copy-note') };
const styleControls = ['unit', 'closing', 'closeAfterJiao', 'prefix', 'wide'].map($);

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
  notANumber: () => '无法转换：这不是数字金额（只能有数字、一个小数点、千分位逗号、负号和开头的 ￥ 符号）。',
  tooManyDigits: (wide) => (wide ? '无法转换：整数部分超过十六位。' : '无法转换：整数部分超过九位。要写更大的金额，请勾选“十六位”。'),
  tooLong: () => '无法转换：内容太长，不是一个金额。',
  fault: () => '无法转换：计算时出错，请再试一次。',
};

// The amount typed, as the engine takes it: ￥1,680.32 and (8.00) are amounts too.
export const typedAmount = () => plainAmount(box.amount.value);

export function wireWriting(engine, onAmount) {
  const write = () => {
    const result = engine.write(typedAmount(), style());
    box.upper.value = result.text ?? '';
    fit(box.upper);
    say(box.note, result.failure && result.failure !== 'empty' ? whyNot[result.failure](style().wide) : '', true);
    say(box.copyNote, '');
  };
  restoreStyle();
  box.amount.addEventListener('input', () => {
    write();
    onAmount();
  });
  for (const control of styleControls) {
    control.addEventListener('change', () => {
      saveStyle();
      write();
    });
  }
  box.copy.addEventListener('click', async () => {
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
  });
  addEventListener('resize', () => fit(box.upper));
  write();
}

// What the package's tests share: the staged package, the native command line, and texts
// made from a seeded generator, so that a failure can be replayed.
import { fileURLToPath } from 'node:url';

export const root = fileURLToPath(new URL('../../', import.meta.url));
export const packageDir = `${root}build/web/package`;
export const cli = process.env.TESSALY_CONVERT ?? `${root}build/release/bin/tessaly-convert`;

export const { load, loadSync } = await import(`${packageDir}/node.mjs`);

// Every writing style, and the command line's options for each.
export const styles = [];
for (let bits = 0; bits < 32; bits++) {
  const style = {
    unit: bits & 1 ? '元' : '圆',
    closing: bits & 2 ? '正' : '整',
    closeAfterJiao: !(bits & 4),
    prefix: !!(bits & 8),
    wide: !!(bits & 16),
  };
  const args = [
    `--unit=${style.unit}`,
    `--whole=${style.closing}`,
    `--whole-after-jiao=${style.closeAfterJiao ? 'yes' : 'no'}`,
    ...(style.prefix ? ['--prefix'] : []),
    ...(style.wide ? ['--wide'] : []),
  ];
  styles.push({ style, args });
}

// xorshift32: the same texts on every run.
export function random(seed) {
  let s = seed >>> 0 || 1;
  const next = () => {
    s ^= s << 13;
    s >>>= 0;
    s ^= s >>> 17;
    s ^= s << 5;
    s >>>= 0;
    return s / 4294967296;
  };
  const int = (n) => Math.floor(next() * n);
  const pick = (list) => list[int(list.length)];
  const digits = (n) => Array.from({ length: n }, () => int(10)).join('');
  return { next, int, pick, digits };
}

const stray = [...'0123456789.,-+eE \t元圆abc１２３．。，－ ¥$'];

// One amount as people and programs write them, right and wrong.
export function amount(r) {
  const kind = r.int(20);
  const plain = () => {
    const ints = r.int(3) === 0 ? String(r.int(1000)) : r.digits(1 + r.int(17));
    const frac = r.int(3) === 0 ? '' : '.' + r.digits(r.int(5));
    return (r.int(8) === 0 ? '-' : '') + ints + frac;
  };
  switch (kind) {
    case 0:
      return r.pick(['', ' ', '\t', '  \t ']);
    case 1:
      return r.pick([' ', '\t', '']) + plain() + r.pick([' ', '\t', '']);
    case 2: {
      const groups = Array.from({ length: 1 + r.int(5) }, () => r.digits(r.int(5) === 0 ? 2 : 3));
      return String(1 + r.int(999)) + ',' + groups.join(',') + (r.int(2) ? '.' + r.digits(2) : '');
    }
    case 3:
      return plain() + r.pick(['e', 'E']) + r.pick(['', '+', '-']) + String(r.int(r.int(4) === 0 ? 1e10 : 20));
    case 4:
      return r.pick(['0', '-0', '+3', '.5', '5.', '00012.345', '0.005', '-0.004', '.', '-', '+', 'e5', '0,500']);
    case 5:
      return Array.from({ length: 1 + r.int(10) }, () => r.pick(stray)).join('');
    case 6:
      return r.digits(300 + r.int(20)) + (r.int(2) ? '.' + r.digits(r.int(3)) : '');
    case 7:
      return '0.' + '0'.repeat(r.int(400)) + r.digits(1 + r.int(5));
    case 8:
      return r.pick(['1', '9', '5']) + '9'.repeat(r.int(18)) + '.99' + r.pick(['5', '4', '9']);
    default:
      return plain();
  }
}

const upperAlphabet = [...'零壹贰叁肆伍陆柒捌玖拾佰仟万亿圆元角分整正负人民币两〇一二三四五六七八九十百千 '];

// An uppercase text: written right in some style, then, half the time, damaged once or twice.
export function uppercase(r, write) {
  let text;
  do {
    const written = write(amount(r), styles[r.int(32)].style);
    text = written.text;
  } while (text === undefined);
  const chars = [...text];
  if (r.int(2)) {
    for (let n = 1 + r.int(2); n > 0; n--) {
      const at = r.int(chars.length + 1);
      switch (r.int(4)) {
        case 0:
          chars.splice(at, 1);
          break;
        case 1:
          chars.splice(at, 0, r.pick(upperAlphabet));
          break;
        case 2:
          chars.splice(at, 1, r.pick(upperAlphabet));
          break;
        default:
          if (at + 1 < chars.length) [chars[at], chars[at + 1]] = [chars[at + 1], chars[at]];
      }
    }
  }
  const damaged = chars.join('').trim();
  return damaged === '' ? '零' : damaged;
}

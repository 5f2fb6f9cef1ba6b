// The package and the native tessaly-convert are one engine: they agree line for line on the
// same 100,000 texts, writing in every style, reading and checking (with house styles too), and
// on what a scan of one long document finds.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { describe, test } from 'node:test';

import { amount, cli, load, random, styles, uppercase } from './support.mjs';

const COUNT = 100_000;
const t = await load();

function run(args, lines, input = lines.join('\n') + '\n') {
  const r = spawnSync(cli, args, { input, maxBuffer: 1 << 30, encoding: 'utf8' });
  assert.ok(r.status === 0 || r.status === 1, `${cli} ${args.join(' ')}: status ${r.status} ${r.stderr}`);
  return { out: r.stdout.split('\n').slice(0, -1), err: r.stderr };
}

// The first line that differs, with its input, rather than a diff of 100,000 lines.
function sameLines(actual, expected, inputs, what) {
  assert.equal(actual.length, expected.length, `${what}: line count`);
  const i = actual.findIndex((line, i) => line !== expected[i]);
  if (i >= 0) assert.fail(`${what}, line ${i + 1} ${JSON.stringify(inputs[i])}: package ${JSON.stringify(actual[i])}, tessaly-convert ${JSON.stringify(expected[i])}`);
}

// The command line reports each finding of line N on standard error after its quoted text.
function findingsByLine(stderr, texts) {
  const found = texts.map(() => []);
  for (const [, n, rest] of stderr.matchAll(/^tessaly-convert: line (\d+): (.*)$/gm)) {
    const message = rest.slice(JSON.stringify(texts[n - 1]).length + 2);
    found[n - 1].push(message.startsWith('warning: ') ? `warning ${message.slice(9)}` : `error ${message}`);
  }
  return found.map((list) => list.join('\n'));
}

// A house style: the command line's style options with --read and --check; a fifth of the texts.
const houses = [undefined, styles[3], styles[4], styles[8]];
const sample = (list, house) => (house ? list.slice(0, COUNT / 5) : list);

describe('the package agrees with tessaly-convert', { skip: !existsSync(cli) && `no ${cli}` }, () => {
  test('writing, in every style, one call per amount and in one batch', () => {
    const r = random(17);
    const amounts = Array.from({ length: COUNT }, () => amount(r));
    for (const { style, args } of styles) {
      const expected = run(args, amounts).out;
      sameLines(amounts.map((a) => t.write(a, style).text ?? ''), expected, amounts, `write ${args.join(' ')}`);
      sameLines(t.writeMany(amounts, style).map((w) => w.text ?? ''), expected, amounts, `writeMany ${args.join(' ')}`);
    }
  });

  // The package and the page report a finding's position in the text as given, blanks before it
  // included; so does the command line, which passes the text on as it has it.
  test('positions, in texts with blanks before them', () => {
    const r = random(53);
    const blanks = [' ', '  ', '\t', '\u3000', ' \t\u3000'];
    const texts = Array.from({ length: COUNT / 10 }, () => r.pick(blanks) + uppercase(r, t.write) + r.pick(['', ...blanks]));
    const positions = (findings) => findings.filter((f) => f.position > 0).map((f) => f.position).join(' ');
    const cliRead = texts.map(() => []);
    for (const [, n, at] of run(['--read'], texts).err.matchAll(/^tessaly-convert: line (\d+): ".*?": (?:warning: )?第(\d+)个字/gm)) cliRead[n - 1].push(at);
    sameLines(texts.map((x) => positions(t.read(x).findings)), cliRead.map((at) => at.join(' ')), texts, 'read: positions');

    const amounts = texts.map(() => amount(r).replaceAll('\t', ' ').trim());
    const lines = texts.map((x, i) => `${amounts[i]}\t${x}`);
    const cliCheck = run(['--check'], lines).out.map((line) => [...line.matchAll(/(?:\t|；)第(\d+)个字/g)].map((m) => m[1]).join(' '));
    sameLines(texts.map((x, i) => positions(t.check(amounts[i], x).findings)), cliCheck, lines, 'check: positions');
  });

  test('reading and checking, with house styles too', () => {
    const r = random(29);
    const all = Array.from({ length: COUNT }, () => uppercase(r, t.write));
    const pairs = Array.from({ length: COUNT }, () => {
      const a = amount(r).replaceAll('\t', ' ').trim();
      const kind = r.int(3);
      const right = kind === 0 ? uppercase(r, t.write) : (t.write(a, styles[r.int(32)].style).text ?? '零圆整');
      return [a, kind === 2 ? uppercase(r, t.write) : right];
    });
    const lines = pairs.map(([a, u]) => `${a}\t${u}`);
    for (const house of houses) {
      const [args, texts] = [house?.args ?? [], sample(all, house)];
      const { out, err } = run(['--read', ...args], texts);
      const readings = texts.map((text) => t.read(text, house?.style));
      sameLines(readings.map((x) => x.amount ?? ''), out, texts, `read ${args.join(' ')}`);
      const findings = readings.map((x) => x.findings.map((f) => `${f.severity} ${f.message}`).join('\n'));
      sameLines(findings, findingsByLine(err, texts), texts, `read ${args.join(' ')}: findings`);
      const checks = sample(pairs, house).map(([a, u]) => t.check(a, u, house?.style));
      const answers = checks.map((c) => c.verdict + c.findings.map((f, i) => (i === 0 ? '\t' : '；') + f.message).join(''));
      sameLines(answers, run(['--check', ...args], sample(lines, house)).out, lines, `check ${args.join(' ')}`);
    }
  });
});

// Contract clauses with pairs right and wrong, amounts alone, counts and dates, table rows, line
// breaks of every kind and characters outside the BMP, among runs of numerals, digits and signs.
function contract(r) {
  const upper = () => (r.int(3) ? t.write(amount(r), styles[r.int(32)].style).text : uppercase(r, t.write)) ?? '壹圆整';
  const digits = () => (r.int(2) ? `${r.int(100000)}.${r.digits(2)}` : `${1 + r.int(999)},${r.digits(3)}${r.pick(['', '.00'])}`);
  // Two thirds of the pairs agree.
  const pair = (d = digits()) => [r.int(3) ? (t.write(d.replaceAll(',', '')).text ?? upper()) : upper(), d];
  const clauses = [
    ([u, d] = pair()) => `合同总价为人民币${u}（¥${d}）`,
    ([u, d] = pair()) => `¥${d}元（大写：${u}）`,
    ([u, d] = pair()) => `小写：${d}${r.pick(['\n', '\r\n', '\r', ' '])}大写：${u}`,
    ([u, d] = pair()) => `金额\t${u}\t￥${d}`,
    () => `违约金${r.int(20)}%，即 ${digits()} ${r.pick(['元', '万元'])}，第${r.pick(['壹', '3'])}条，贰份，${2000 + r.int(30)}-05-01`,
    () => Array.from({ length: 1 + r.int(30) }, () => r.pick([...'壹贰拾佰仟万亿元圆角分整人民币一二十0123456789,.¥￥ 。；\t😀'])).join(''),
  ];
  return Array.from({ length: 1 + r.int(4) }, () => r.pick(clauses)()).join(r.pick(['，', '。', '；', '\n', '\n\n', '😀']));
}

// A mention as the command line shows it: cut after sixty characters.
function shown(text) {
  const chars = [...text];
  return chars.length > 60 ? `${chars.slice(0, 60).join('')}…（共${chars.length}个字）` : text;
}

test('scan: every amount of a document, at the same place, with the same verdict, amounts and findings', { skip: !existsSync(cli) && `no ${cli}` }, () => {
  const r = random(71);
  const doc = Array.from({ length: COUNT / 20 }, () => contract(r)).join('\n');
  for (const house of houses.slice(0, 2)) {
    const found = t.scan(doc, house?.style);
    const part = (label, m) => `${label} ${shown(doc.slice(m.start, m.end))}${m.amount ? ` = ${m.amount}` : ''}`;
    const lines = found.map((f) => {
      const at = f.upper ?? f.digits;
      const parts = [f.upper && part('大写', f.upper), f.digits && part('小写', f.digits)].filter(Boolean).join(', ');
      const notes = [...(f.upper ? [] : ['没有大写金额与之对照']), ...f.findings.map((g) => g.message)];
      return `<stdin>:${at.line}:${at.column}: ${f.verdict ?? 'note'}: ${parts}${notes.length ? `: ${notes.join('；')}` : ''}`;
    });
    const { out, err } = run(['--scan', '--all', ...(house?.args ?? [])], [], doc);
    sameLines(lines, out, lines, `scan ${house?.args.join(' ') ?? ''}`);
    const count = (v) => found.filter((f) => f.verdict === v).length;
    assert.equal(err, `共 ${count('ok') + count('warn') + count('fail')} 处金额，正确 ${count('ok')}，警告 ${count('warn')}，错误 ${count('fail')}\n`);
  }
});

// What the web tests share: the staged package and the native command line, texts from a seeded
// generator (a failure can be replayed), the page in Debian's chromium with every network request
// refused and recorded, and the files a user might open, made here from scratch.
import { createRequire } from 'node:module';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const root = fileURLToPath(new URL('../../', import.meta.url));
export const packageDir = `${root}build/web/package`;
export const cli = process.env.TESSALY_CONVERT ?? `${root}build/release/bin/tessaly-convert`;
export const pagePath = `${root}build/web/tessaly.html`;
export const { load, loadSync } = await import(`${packageDir}/node.mjs`);

const require = createRequire(`${root}web/page/package.json`);
export const axeSource = require('axe-core').source;
const { unzipSync, zipSync, strFromU8 } = require('fflate');

// Every writing style, numbered by the module's own style bits, with the command line's options
// for it.
const { instance: module } = await WebAssembly.instantiate(readFileSync(`${packageDir}/tessaly.wasm`));
const [unit, closing, closeAfterJiao, prefix, wide, count] = [0, 1, 2, 3, 4, 5].map((k) => module.exports.tessaly_style_bits(k));
export const styles = Array.from({ length: count }, (_, bits) => {
  const style = {
    unit: bits & unit ? '元' : '圆',
    closing: bits & closing ? '正' : '整',
    closeAfterJiao: !!(bits & closeAfterJiao),
    prefix: !!(bits & prefix),
    wide: !!(bits & wide),
  };
  const args = [`--unit=${style.unit}`, `--closing=${style.closing}`, `--close-after-jiao=${style.closeAfterJiao ? 'yes' : 'no'}`];
  return { style, args: [...args, ...(style.prefix ? ['--prefix'] : []), ...(style.wide ? ['--wide'] : [])] };
});

// xorshift32: the same texts on every run.
export function random(seed) {
  let s = seed >>> 0 || 1;
  const next = () => ((s ^= s << 13), (s ^= s >>> 17), (s ^= s << 5), (s >>> 0) / 4294967296);
  const int = (n) => Math.floor(next() * n);
  const pick = (list) => list[int(list.length)];
  const digits = (n) => Array.from({ length: n }, () => int(10)).join('');
  return { int, pick, digits };
}

const stray = [...'0123456789.,-+eE \t元圆abc１２３．。，－ ¥$'];

// One amount as people and programs write them, right and wrong.
export function amount(r) {
  const plain = () =>
    (r.int(8) === 0 ? '-' : '') + (r.int(3) === 0 ? String(r.int(1000)) : r.digits(1 + r.int(17))) + (r.int(3) === 0 ? '' : '.' + r.digits(r.int(5)));
  const kinds = [
    () => r.pick(['', ' ', '\t', '  \t ']),
    () => r.pick([' ', '\t', '']) + plain() + r.pick([' ', '\t', '']),
    () => String(1 + r.int(999)) + Array.from({ length: 1 + r.int(5) }, () => ',' + r.digits(r.int(5) === 0 ? 2 : 3)).join('') + (r.int(2) ? '.' + r.digits(2) : ''),
    () => plain() + r.pick(['e', 'E']) + r.pick(['', '+', '-']) + String(r.int(r.int(4) === 0 ? 1e10 : 20)),
    () => r.pick(['0', '-0', '+3', '.5', '5.', '00012.345', '0.005', '-0.004', '.', '-', '+', 'e5', '0,500']),
    () => Array.from({ length: 1 + r.int(10) }, () => r.pick(stray)).join(''),
    () => r.digits(300 + r.int(20)) + (r.int(2) ? '.' + r.digits(r.int(3)) : ''),
    () => '0.' + '0'.repeat(r.int(400)) + r.digits(1 + r.int(5)),
    () => r.pick(['1', '9', '5']) + '9'.repeat(r.int(18)) + '.99' + r.pick(['5', '4', '9']),
  ];
  return (kinds[r.int(20)] ?? plain)();
}

const upperAlphabet = [...'零壹贰叁肆伍陆柒捌玖拾佰仟万亿圆元角分整正负人民币两〇一二三四五六七八九十百千 '];

// An uppercase text written right in some style, then, half the time, damaged once or twice.
export function uppercase(r, write) {
  let text;
  while (text === undefined) text = write(amount(r), styles[r.int(styles.length)].style).text;
  const chars = [...text];
  for (let n = r.int(2) * (1 + r.int(2)); n > 0; n--) {
    const at = r.int(chars.length + 1);
    const kind = r.int(4);
    if (kind < 3) chars.splice(at, kind === 1 ? 0 : 1, ...(kind ? [r.pick(upperAlphabet)] : []));
    else if (at + 1 < chars.length) [chars[at], chars[at + 1]] = [chars[at + 1], chars[at]];
  }
  return chars.join('').trim() || '零';
}

// Chromium, headless, through puppeteer-core (which never downloads a browser); the page opened
// from file:// in tabs whose requests are all checked.
export async function launch() {
  const profile = mkdtempSync(join(tmpdir(), 'tessaly-browser-'));
  const downloads = mkdtempSync(join(tmpdir(), 'tessaly-downloads-'));
  const flags = ['no-sandbox', 'disable-gpu', 'disable-quic', 'no-first-run', 'disable-background-networking', 'disable-component-update', 'disable-sync', 'lang=zh-CN'];
  const browser = await require('puppeteer-core').launch({
    executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    args: [...flags.map((f) => `--${f}`), `--user-data-dir=${profile}`],
  });
  const requests = [];
  const problems = [];
  return {
    ...{ browser, downloads, requests, problems },
    async open(width = 1000, height = 900) {
      const page = await browser.newPage();
      await page.setViewport({ width, height });
      await page.setRequestInterception(true);
      page.on('request', (request) => {
        if (/^(file|data|blob):/.test(request.url())) return request.continue();
        requests.push(request.url());
        request.abort();
      });
      page.on('console', (m) => (m.type() === 'error' || /Content Security Policy/i.test(m.text())) && problems.push(m.text()));
      page.on('pageerror', (e) => problems.push(String(e)));
      const session = await page.createCDPSession();
      await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, eventsEnabled: true });
      await page.goto(pathToFileURL(pagePath).href, { waitUntil: 'load' });
      await page.waitForSelector('html[data-ready="true"]');
      return page;
    },
    async close() {
      await browser.close();
      for (const dir of [profile, downloads]) rmSync(dir, { recursive: true, force: true });
    },
  };
}

// A zip archive of deflated entries, as an office suite writes one.
export const zip = (entries) =>
  Buffer.from(zipSync(Object.fromEntries(Object.entries(entries).map(([name, content]) => [name, Buffer.from(content)]))));

const escape = (s) => s.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
const ns = 'http://schemas.openxmlformats.org';
const xml = (body) => `<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n${body}`;

// An Excel-style workbook. Rows hold strings, numbers, or { stored } for a number exactly as Excel
// keeps it; `sheet` replaces the sheet's data as it is. Each shared string is stored as Excel
// stores a bold first character and a phonetic guide: two runs and an <rPh> that is no part of
// its text. Cell style 1 shows a number as an amount.
export function xlsx(rows, sheet) {
  const strings = new Map();
  const index = (s) => strings.get(s) ?? strings.set(s, strings.size).get(s);
  const cell = (v, ref) =>
    typeof v === 'string' ? `<c r="${ref}" t="s"><v>${index(v)}</v></c>` : `<c r="${ref}" s="1"><v>${v.stored ?? v}</v></c>`;
  const data = rows.map((row, r) => `<row r="${r + 1}">${row.map((v, c) => cell(v, String.fromCharCode(65 + c) + (r + 1))).join('')}</row>`);
  const runs = (s) => (s.length > 1 ? `<r><rPr><b/></rPr><t>${escape(s[0])}</t></r><r><t xml:space="preserve">${escape(s.slice(1))}</t></r>` : `<t xml:space="preserve">${escape(s)}</t>`);
  return zip({
    '[Content_Types].xml': xml(`<Types xmlns="${ns}/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/></Types>`),
    '_rels/.rels': xml(`<Relationships xmlns="${ns}/package/2006/relationships"><Relationship Id="rId1" Type="${ns}/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>`),
    'xl/workbook.xml': xml(`<workbook xmlns="${ns}/spreadsheetml/2006/main" xmlns:r="${ns}/officeDocument/2006/relationships"><sheets><sheet name="台账" sheetId="1" r:id="rId3"/></sheets></workbook>`),
    'xl/_rels/workbook.xml.rels': xml(`<Relationships xmlns="${ns}/package/2006/relationships"><Relationship Id="rId2" Type="${ns}/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/><Relationship Id="rId3" Type="${ns}/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId4" Type="${ns}/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>`),
    'xl/styles.xml': xml(`<styleSheet xmlns="${ns}/spreadsheetml/2006/main"><fonts count="1"><font><sz val="11"/><name val="等线"/></font></fonts><fills count="1"><fill><patternFill patternType="none"/></fill></fills><borders count="1"><border/></borders><cellStyleXfs count="1"><xf/></cellStyleXfs><cellXfs count="2"><xf/><xf numFmtId="4" applyNumberFormat="1"/></cellXfs></styleSheet>`),
    'xl/sharedStrings.xml': xml(`<sst xmlns="${ns}/spreadsheetml/2006/main">${[...strings.keys()].map((s) => `<si>${runs(s)}<rPh sb="0" eb="1"><t>かな</t></rPh></si>`).join('')}</sst>`),
    'xl/worksheets/sheet1.xml': xml(`<worksheet xmlns="${ns}/spreadsheetml/2006/main"><sheetData>${sheet ?? data.join('')}</sheetData></worksheet>`),
  });
}

// The first sheet of a downloaded workbook as rows of texts, a formula cell as { formula }.
export function readXlsxBack(bytes) {
  const files = unzipSync(bytes);
  const sheet = strFromU8(files['xl/worksheets/sheet1.xml']);
  const rows = [...sheet.matchAll(/<row[^>]*>(.*?)<\/row>/gs)].map(([, body]) => {
    const row = [];
    for (const [, ref, attrs, inner] of body.matchAll(/<c r="([A-Z]+)\d+"([^>]*)>(.*?)<\/c>/gs)) {
      const text = (/<t[^>]*>(.*?)<\/t>/s.exec(inner) ?? /<v>(.*?)<\/v>/s.exec(inner))?.[1] ?? '';
      const value = text.replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"').replace(/&amp;/g, '&');
      row[[...ref].reduce((n, ch) => n * 26 + ch.charCodeAt(0) - 64, 0) - 1] = /<f[\s>]| t="str"/.test(inner + attrs) ? { formula: inner } : value;
    }
    return Array.from(row, (v) => v ?? '');
  });
  return { rows, sheet, files };
}

// GBK bytes of a text, from the decoder's own table.
export function gbk(text) {
  const table = new Map();
  const decoder = new TextDecoder('gbk');
  for (let a = 0x81; a <= 0xfe; a++) for (let b = 0x40; b <= 0xfe; b++) table.set(decoder.decode(Uint8Array.of(a, b)), [a, b]);
  return Uint8Array.from([...text].flatMap((ch) => (ch < '\x80' ? [ch.charCodeAt(0)] : table.get(ch))));
}

export const utf16 = (text, bigEndian) => {
  const bytes = Buffer.from('\ufeff' + text, 'utf16le');
  return bigEndian ? bytes.swap16() : bytes;
};

export const save = (dir, name, bytes) => (writeFileSync(join(dir, name), bytes), join(dir, name));

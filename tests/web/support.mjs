// What the web tests share: the staged package and the native command line, texts from a seeded
// generator (a failure can be replayed), and the page in Debian's chromium with every network
// request refused and recorded.
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

export const save = (dir, name, bytes) => (writeFileSync(join(dir, name), bytes), join(dir, name));

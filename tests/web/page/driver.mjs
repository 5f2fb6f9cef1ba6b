// Debian's chromium (or Firefox ESR), headless, driven through puppeteer-core (which never
// downloads a browser), with the page opened from file:// and every network request refused and
// recorded.
import { createRequire } from 'node:module';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, dirname } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

export const root = join(dirname(fileURLToPath(import.meta.url)), '..', '..', '..');
export const pagePath = join(root, 'build', 'web', 'tessaly.html');
export const pageUrl = pathToFileURL(pagePath).href;

const require = createRequire(join(root, 'web', 'page', 'package.json'));
export const puppeteer = require('puppeteer-core');
export const axeSource = require('axe-core').source;

export const firefoxPath = process.env.FIREFOX ?? '/usr/bin/firefox-esr';

// Chromium by default; { firefox: true } drives Firefox ESR over WebDriver BiDi instead.
export async function launch({ firefox = false } = {}) {
  const profile = mkdtempSync(join(tmpdir(), 'tessaly-browser-'));
  const downloads = mkdtempSync(join(tmpdir(), 'tessaly-downloads-'));
  const browser = firefox
    ? await puppeteer.launch({ browser: 'firefox', executablePath: firefoxPath, headless: true, userDataDir: profile })
    : await puppeteer.launch({
        executablePath: process.env.CHROMIUM ?? '/usr/bin/chromium',
        headless: true,
        args: [
          '--headless',
          '--no-sandbox',
          '--disable-gpu',
          '--disable-quic',
          '--no-first-run',
          '--disable-background-networking',
          '--disable-component-update',
          '--disable-sync',
          '--lang=zh-CN',
          `--user-data-dir=${profile}`,
        ],
      });
  const requests = [];
  const problems = [];
  const context = browser.defaultBrowserContext();
  return {
    browser,
    downloads,
    requests,
    problems,
    // A tab on the page; every request it or its worker makes is checked.
    async open(width = 1000, height = 900) {
      const page = await browser.newPage();
      await page.setViewport({ width, height });
      await page.setRequestInterception(true);
      page.on('request', (request) => {
        const url = request.url();
        if (/^(file|data|blob):/.test(url)) request.continue();
        else {
          requests.push(url);
          request.abort();
        }
      });
      page.on('console', (m) => {
        if (m.type() === 'error' || /Content Security Policy/i.test(m.text())) problems.push(m.text());
      });
      page.on('pageerror', (e) => problems.push(String(e)));
      if (!firefox) {
        const session = await page.createCDPSession();
        await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, eventsEnabled: true });
      }
      await page.goto(pageUrl, { waitUntil: 'load' });
      await page.waitForSelector('html[data-ready="true"]');
      return page;
    },
    context,
    async close() {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
      rmSync(downloads, { recursive: true, force: true });
    },
  };
}

// The page driven as a user drives it: a file picked or dropped, a job waited for, a choice made
// by keyboard, a download caught as the browser saves it.
import { execFileSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import assert from 'node:assert/strict';
import { after, afterEach, before } from 'node:test';
import { launch, root, save } from './support.mjs';

const axeSource = createRequire(`${root}web/page/package.json`)('axe-core').source;

// A section's jobs (sheets, documents): a file picked with its input, or dragged from a file
// manager and dropped anywhere on the page, waited for until the section has finished with it.
function sectionDriver(page, section, input) {
  // Runs `act` and waits until the section has finished the jobs it started.
  async function job(act, timeout = 120000, count = 1) {
    const before = await page.$eval(section, (s) => Number(s.dataset.jobs ?? 0));
    await act();
    await page.waitForFunction((s, n) => Number(document.querySelector(s).dataset.jobs ?? 0) >= n, { timeout }, section, before + count);
  }
  const pick = async (path) => (await page.$(input)).uploadFile(path);
  async function drop(path) {
    const session = await page.createCDPSession();
    const data = { items: [], files: [path], dragOperationsMask: 1 };
    await job(async () => {
      for (const type of ['dragEnter', 'dragOver', 'drop']) await session.send('Input.dispatchDragEvent', { type, x: 200, y: 200, data });
    });
  }
  return { job, pick, drop, open: (path, timeout) => job(() => pick(path), timeout) };
}

export function sheetDriver(driver, page) {
  const text = (selector) => page.$eval(selector, (e) => e.textContent);
  const { job, ...files } = sectionDriver(page, '#sheets', '#file');
  return {
    job,
    ...files,
    summary: () => text('#sheet-summary'),
    note: () => text('#sheet-note'),
    isProblem: () => page.$eval('#sheet-note', (e) => e.classList.contains('problem')),
    // The label of the option chosen in each of the sheet's selects, by id.
    chosen: (...ids) => page.$$eval(ids.map((id) => `#${id}`).join(','), (s) => s.map((e) => e.selectedOptions[0]?.textContent)),
    shown: () => page.$$eval('#sheet-rows tbody tr', (trs) => trs.map((tr) => [...tr.cells].map((c) => c.textContent))),
    // Chooses the option whose label matches, with the arrow keys, as a keyboard user would.
    async choose(id, label) {
      const labels = await page.$$eval(`#${id} option`, (o) => o.map((e) => e.textContent));
      const from = await page.$eval(`#${id}`, (s) => s.selectedIndex);
      const to = labels.findIndex((l) => label.test(l));
      if (to < 0) throw new Error(`no option ${label} in ${labels}`);
      await page.focus(`#${id}`);
      // Each step is a change, and each change a job of its own.
      for (let i = from; i !== to; i += Math.sign(to - from)) await job(() => page.keyboard.press(to > from ? 'ArrowDown' : 'ArrowUp'));
    },
    async download(format, timeout = 180000) {
      await page.select('#download-format', format);
      const seen = new Set(readdirSync(driver.downloads));
      await job(() => page.click('#download'), timeout);
      for (let i = 0; i < 600; i++, await new Promise((r) => setTimeout(r, 100))) {
        const done = readdirSync(driver.downloads).find((f) => !seen.has(f) && !f.endsWith('.crdownload'));
        if (done) return readFileSync(join(driver.downloads, done));
      }
      throw new Error(`no download: ${await text('#sheet-note')}`);
    },
  };
}

// One browser for a test file and the page open in it, with a folder for the files its tests
// write; after every test, no request left the page and no error showed in it.
export function session(width, height) {
  const s = {};
  before(async () => {
    s.dir = mkdtempSync(join(tmpdir(), 'tessaly-files-'));
    s.driver = await launch();
    s.page = await s.driver.open(width, height);
    await s.page.browserContext().overridePermissions('file://', ['clipboard-read', 'clipboard-write', 'clipboard-sanitized-write']);
    s.sheets = sheetDriver(s.driver, s.page);
    s.documents = sectionDriver(s.page, '#documents', '#doc-file');
  });
  after(async () => {
    await s.driver?.close();
    rmSync(s.dir, { recursive: true, force: true });
  });
  afterEach(() => assert.deepEqual([s.driver.requests, s.driver.problems], [[], []], 'network requests, errors in the page'));
  s.file = (name, bytes) => save(s.dir, name, bytes);
  // LibreOffice turns a file of the folder into another format there, as a user saving it would;
  // a profile of its own, so that nothing of the user's is touched.
  s.office = (name, to, ...options) => {
    const profile = `-env:UserInstallation=file://${s.dir}/office`;
    execFileSync('soffice', ['--headless', profile, ...options, '--convert-to', to, '--outdir', s.dir, join(s.dir, name)], {
      stdio: 'ignore',
      timeout: 120000,
    });
  };
  s.reload = () => s.page.reload({ waitUntil: 'load' }).then(() => s.page.waitForSelector('html[data-ready="true"]'));
  // The serious and critical faults axe finds in the page as it stands.
  s.axe = async () => {
    await s.page.evaluate(axeSource);
    const found = await s.page.evaluate(async () => (await window.axe.run(document, { resultTypes: ['violations'] })).violations);
    return found.filter((v) => v.impact === 'serious' || v.impact === 'critical').map((v) => `${v.id}: ${v.help}`);
  };
  return s;
}

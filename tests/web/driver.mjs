// The sheet section of the page driven as a user drives it: a file picked, a job waited for, a
// choice made by keyboard, a download caught as the browser saves it.
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';

export function sheetDriver(driver, page) {
  const text = (selector) => page.$eval(selector, (e) => e.textContent);
  // Runs `act` and waits until the sheet section has finished the jobs it started.
  async function job(act, timeout = 120000, count = 1) {
    const before = await page.$eval('#sheets', (s) => Number(s.dataset.jobs ?? 0));
    await act();
    await page.waitForFunction((n) => Number(document.getElementById('sheets').dataset.jobs ?? 0) >= n, { timeout }, before + count);
  }
  const pick = async (path) => (await page.$('#file')).uploadFile(path);
  return {
    job,
    pick,
    open: (path, timeout) => job(() => pick(path), timeout),
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

// Builds build/web/tessaly.html: the page with its styles, its script, the worker and the
// engine's WebAssembly all inside, so that it opens from a file or a USB stick with no network.
// Run after the package is staged in build/web/package/.
import { execFileSync } from 'node:child_process';
import { createHash } from 'node:crypto';
import { existsSync, readFileSync, readdirSync, writeFileSync, mkdirSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { createRequire } from 'node:module';

const here = dirname(fileURLToPath(import.meta.url));
const root = join(here, '..', '..');
const packageDir = join(root, 'build', 'web', 'package');
const out = join(root, 'build', 'web', 'tessaly.html');

// The tools come pinned from the web workspace's one lock file, installed by scripts/web.sh.
const bin = join(here, '..', 'node_modules', '.bin');
function tools() {
  if (!existsSync(join(bin, 'prettier'))) {
    throw new Error(`the page's tools are not installed in ${dirname(bin)}: run scripts/web.sh, or npm ci in web/`);
  }
}

// The page's JavaScript and its tests are formatted and linted as the C++ is: a difference fails
// the build, and `npx prettier --write` with the same files mends the formatting.
function lint() {
  const files = [
    ...readdirSync(join(here, 'src'))
      .filter((f) => f.endsWith('.js'))
      .map((f) => `web/page/src/${f}`),
    'web/page/build.mjs',
    'web/page/screenshot.mjs',
    'web/page/measure.mjs',
    'web/page/eslint.config.js',
    ...['page.test.mjs', 'readers.test.mjs', 'sheets.test.mjs', 'driver.mjs', 'files.mjs'].map((f) => `tests/web/${f}`),
  ];
  const run = (tool, args) => execFileSync(join(bin, tool), [...args, ...files], { cwd: root, stdio: 'inherit' });
  run('prettier', ['--config', join(here, '.prettierrc.json'), '--check', '--log-level=warn']);
  run('eslint', ['--config', join(here, 'eslint.config.js')]);
}

// The character maps of Chinese fonts, simplified (GB) and traditional (CNS, Big5), for PDFs whose
// fonts are not embedded or have no map of their own to Unicode (Adobe-GB1-UCS2 and
// Adobe-CNS1-UCS2 give Unicode for all of them); their UTF-8 and UTF-32 forms are left out, as no
// office suite writes a PDF with them. Base64, by name.
function cmaps(dir) {
  const names = readdirSync(dir).filter((f) => /GB|CNS|B5/.test(f) && !/UTF(8|32)/.test(f));
  return Object.fromEntries(names.map((f) => [f.replace(/\.bcmap$/, ''), readFileSync(join(dir, f)).toString('base64')]));
}

const sha256 = (text) => `'sha256-${createHash('sha256').update(text, 'utf8').digest('base64')}'`;

async function main() {
  tools();
  lint();
  const esbuild = await import('esbuild');
  if (!existsSync(join(packageDir, 'index.mjs'))) throw new Error(`no package in ${packageDir}: build it first`);
  const wasm = readFileSync(join(packageDir, 'tessaly.wasm')).toString('base64');
  const common = {
    bundle: true,
    write: false,
    minify: true,
    format: 'iife',
    platform: 'browser',
    target: ['chrome110', 'firefox115'],
    legalComments: 'none',
    alias: { tessaly: join(packageDir, 'index.mjs') },
    // The loader's own fetching of tessaly.wasm is never used here: the page hands it the module.
    logOverride: { 'empty-import-meta': 'silent' },
  };
  // Texts one bundle takes from another, or from the build: `import x from 'virtual:name'`.
  const virtual = (contents) => ({
    name: 'virtual',
    setup(build) {
      build.onResolve({ filter: /^virtual:/ }, (args) => ({ path: args.path, namespace: 'virtual' }));
      build.onLoad({ filter: /.*/, namespace: 'virtual' }, (args) => contents[args.path.slice(8)]);
    },
  });
  const text = (result) => ({ contents: result.outputFiles[0].text, loader: 'text' });
  const worker = await esbuild.build({ ...common, entryPoints: [join(here, 'src', 'worker.js')] });
  // pdf.js carries its licence notice (its own is no comment esbuild keeps); its worker runs as a
  // classic script, which a page opened from file:// can start.
  const pdfjs = dirname(createRequire(join(here, 'package.json')).resolve('pdfjs-dist/package.json'));
  const { version } = JSON.parse(readFileSync(join(pdfjs, 'package.json'), 'utf8'));
  const notice = {
    js: `/*! pdf.js ${version} (pdfjs-dist), Copyright Mozilla Foundation, Apache License 2.0: http://www.apache.org/licenses/LICENSE-2.0 */`,
  };
  const pdfWorker = await esbuild.build({ ...common, banner: notice, entryPoints: [join(pdfjs, 'build', 'pdf.worker.mjs')] });
  const documents = await esbuild.build({
    ...common,
    banner: notice,
    entryPoints: [join(here, 'src', 'document-worker.js')],
    plugins: [virtual({ 'pdf-worker': text(pdfWorker), cmaps: { contents: JSON.stringify(cmaps(join(pdfjs, 'cmaps'))), loader: 'json' } })],
  });
  const page = await esbuild.build({
    ...common,
    entryPoints: [join(here, 'src', 'main.js')],
    plugins: [virtual({ wasm: { contents: wasm, loader: 'text' }, worker: text(worker) })],
  });
  const css = await esbuild.transform(readFileSync(join(here, 'src', 'page.css'), 'utf8'), { loader: 'css', minify: true });
  // "</script" inside the script would end the element early; "<\/" means the same to JavaScript.
  // After "<!--", a "<script" would make the parser look past the element's end.
  const inert = (code) => {
    if (/<!--/.test(code) && /<script/i.test(code)) throw new Error('a script holds both "<!--" and "<script"');
    return code.trim().replace(/<\/(script)/gi, '<\\/$1');
  };
  const script = inert(page.outputFiles[0].text);
  // The documents' worker (pdf.js in it) waits in an element of its own, as text that is never
  // run there: the page's script stays small, and so does the time until it answers.
  const documentsSource = inert(documents.outputFiles[0].text);
  const style = css.code.trim();
  const csp = [
    "default-src 'none'",
    `script-src ${sha256(script)} 'wasm-unsafe-eval'`,
    `style-src ${sha256(style)}`,
    'worker-src blob:',
    'img-src data:',
    "connect-src 'none'",
    "font-src 'none'",
    "media-src 'none'",
    "object-src 'none'",
    "frame-src 'none'",
    "manifest-src 'none'",
    "form-action 'none'",
    "base-uri 'none'",
  ].join('; ');
  const template = readFileSync(join(here, 'src', 'page.html'), 'utf8');
  const html = template.replace(
    /\{\{(csp|style|script|documents)\}\}/g,
    (_, key) => ({ csp, style, script, documents: documentsSource })[key],
  );
  mkdirSync(dirname(out), { recursive: true });
  writeFileSync(out, html);
  console.log(`${out}: ${(Buffer.byteLength(html) / 1024).toFixed(0)} KB`);
}

main().catch((e) => {
  console.error(`web/page/build.mjs: ${e.message}`);
  process.exit(1);
});

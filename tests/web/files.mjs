// Files made byte by byte for the readers' tests and the page's hostile cases: archives in the
// layouts other tools write, and workbooks whose parts a test writes itself.
import { createRequire } from 'node:module';
import zlib from 'node:zlib';
import { crc32 } from '../../web/page/src/zip.js';

const require = createRequire(new URL('../../web/page/package.json', import.meta.url));
const { zipSync } = require('fflate');

const ns = 'http://schemas.openxmlformats.org';
const xml = (body) => `<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n${body}`;
export const zip = (entries) =>
  Buffer.from(zipSync(Object.fromEntries(Object.entries(entries).map(([name, content]) => [name, Buffer.from(content)]))));

// A zip archive laid out by hand, for the layouts office suites and other tools write: each entry
// stored (method 0) or deflated, with its sizes after the data (a data descriptor), in zip64
// records, with a wrong checksum, or flagged as encrypted.
export function rawZip(entries, { zip64 = false, descriptor = false, stored = false, badCrc = false, encrypted = false } = {}) {
  const u = (size, value) => {
    const b = Buffer.alloc(size);
    if (size === 8) b.writeBigUInt64LE(BigInt(value));
    else b[size === 2 ? 'writeUInt16LE' : 'writeUInt32LE'](value);
    return b;
  };
  const [records, directory] = [[], []];
  let offset = 0;
  for (const [name, content] of Object.entries(entries)) {
    // { deflated, size }: data deflated already, too large to be held here (its checksum left 0).
    const given = content.deflated;
    const [data, path] = [given ? { length: content.size } : Buffer.from(content), Buffer.from(name)];
    const packed = given ?? (stored ? data : zlib.deflateRawSync(data));
    const crc = given ? 0 : (crc32(data) ^ (badCrc ? 1 : 0)) >>> 0;
    const flags = (descriptor ? 8 : 0) | (encrypted ? 1 : 0);
    const sizes = zip64 ? [u(4, 0xffffffff), u(4, 0xffffffff)] : [u(4, packed.length), u(4, data.length)];
    const localExtra = zip64 ? Buffer.concat([u(2, 1), u(2, 16), u(8, data.length), u(8, packed.length)]) : Buffer.alloc(0);
    const local = [u(2, zip64 ? 45 : 20), u(2, flags), u(2, stored ? 0 : 8), u(4, 0)];
    const head = descriptor ? [u(4, 0), u(4, 0), u(4, 0)] : [u(4, crc), ...sizes];
    records.push(u(4, 0x04034b50), ...local, ...head, u(2, path.length), u(2, localExtra.length), path, localExtra, packed);
    if (descriptor) records.push(u(4, 0x08074b50), u(4, crc), u(4, packed.length), u(4, data.length));
    const centralExtra = zip64 ? Buffer.concat([u(2, 1), u(2, 24), u(8, data.length), u(8, packed.length), u(8, offset)]) : Buffer.alloc(0);
    directory.push(
      u(4, 0x02014b50),
      u(2, zip64 ? 45 : 20),
      ...local,
      u(4, crc),
      ...sizes,
      u(2, path.length),
      u(2, centralExtra.length),
      u(2, 0),
      u(2, 0),
      u(2, 0),
      u(4, 0),
      u(4, zip64 ? 0xffffffff : offset),
      path,
      centralExtra,
    );
    offset += 30 + path.length + localExtra.length + packed.length + (descriptor ? 16 : 0);
  }
  const [all, n] = [Buffer.concat(directory), Object.keys(entries).length];
  const tail = [];
  if (zip64) {
    const end64 = offset + all.length;
    tail.push(u(4, 0x06064b50), u(8, 44), u(2, 45), u(2, 45), u(4, 0), u(4, 0), u(8, n), u(8, n), u(8, all.length), u(8, offset));
    tail.push(u(4, 0x07064b50), u(4, 0), u(8, end64), u(4, 1));
  }
  tail.push(
    u(4, 0x06054b50),
    u(4, 0),
    u(2, zip64 ? 0xffff : n),
    u(2, zip64 ? 0xffff : n),
    u(4, all.length),
    u(4, zip64 ? 0xffffffff : offset),
    u(2, 0),
  );
  return Buffer.concat([...records, all, ...tail]);
}

// A workbook of several sheets, each { name, xml (its sheetData's content), hidden, chart }, with
// shared strings and styles given as their parts' content; the sheets' files are numbered in the
// reverse of their order, so that only the relationships tell which is first.
export function workbook(sheets, options) {
  return zip(workbookParts(sheets, options));
}

// A workbook whose one sheet inflates to `size` spaces, made a piece at a time.
export async function bomb(size) {
  const packed = [];
  const deflate = zlib.createDeflateRaw({ level: 1 });
  deflate.on('data', (chunk) => packed.push(chunk));
  const ended = new Promise((resolve) => deflate.on('end', resolve));
  const spaces = Buffer.alloc(16 << 20, ' ');
  for (let left = size; left > 0; left -= spaces.length) {
    if (!deflate.write(left < spaces.length ? spaces.subarray(0, left) : spaces)) await new Promise((r) => deflate.once('drain', r));
  }
  deflate.end();
  await ended;
  const parts = workbookParts([{ name: 'S' }]);
  return rawZip({ ...parts, 'xl/worksheets/sheet1.xml': { deflated: Buffer.concat(packed), size } });
}

// The parts of such a workbook, by name.
export function workbookParts(sheets, { strings, styles, parts = {}, sheetXml } = {}) {
  const main = `${ns}/spreadsheetml/2006/main`;
  const rel = `${ns}/officeDocument/2006/relationships`;
  const files = {
    '[Content_Types].xml': xml(
      `<Types xmlns="${ns}/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/></Types>`,
    ),
    '_rels/.rels': xml(
      `<Relationships xmlns="${ns}/package/2006/relationships"><Relationship Id="rId1" Type="${rel}/officeDocument" Target="xl/workbook.xml"/></Relationships>`,
    ),
  };
  const rels = [];
  const entries = sheets.map((s, i) => {
    const file = `${s.chart ? 'chartsheets' : 'worksheets'}/sheet${sheets.length - i}.xml`;
    rels.push(`<Relationship Id="rId${i + 10}" Type="${rel}/${s.chart ? 'chartsheet' : 'worksheet'}" Target="${file}"/>`);
    files[`xl/${file}`] = s.chart
      ? xml(`<chartsheet xmlns="${main}"/>`)
      : xml(sheetXml?.(s) ?? `<worksheet xmlns="${main}"><sheetData>${s.xml ?? ''}</sheetData></worksheet>`);
    return `<sheet name="${s.name}" sheetId="${i + 1}"${s.hidden ? ' state="hidden"' : ''} r:id="rId${i + 10}"/>`;
  });
  if (strings !== undefined) {
    rels.push(`<Relationship Id="rId2" Type="${rel}/sharedStrings" Target="sharedStrings.xml"/>`);
    files['xl/sharedStrings.xml'] = xml(`<sst xmlns="${main}">${strings}</sst>`);
  }
  if (styles !== undefined) {
    rels.push(`<Relationship Id="rId3" Type="${rel}/styles" Target="styles.xml"/>`);
    files['xl/styles.xml'] = xml(`<styleSheet xmlns="${main}">${styles}</styleSheet>`);
  }
  files['xl/workbook.xml'] = xml(`<workbook xmlns="${main}" xmlns:r="${rel}"><sheets>${entries.join('')}</sheets></workbook>`);
  files['xl/_rels/workbook.xml.rels'] = xml(`<Relationships xmlns="${ns}/package/2006/relationships">${rels.join('')}</Relationships>`);
  return { ...files, ...parts };
}

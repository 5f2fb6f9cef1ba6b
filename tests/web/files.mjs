// The files a user might open, made here from scratch: workbooks whose parts a test writes
// itself, archives laid out byte by byte in the layouts other tools write, and GBK text.
import zlib from 'node:zlib';
import { crc32 } from '../../web/page/src/zip.js';

const ns = 'http://schemas.openxmlformats.org';
const xml = (body) => `<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n${body}`;

// A zip archive laid out by hand: each entry stored (method 0) or deflated, with its sizes after
// the data (a data descriptor), in zip64 records, with a wrong checksum, or flagged as encrypted.
export function rawZip(entries, { zip64 = false, descriptor = false, stored = false, badCrc = false, encrypted = false } = {}) {
  const u = (size, value) => {
    const b = Buffer.alloc(size);
    if (size === 8) b.writeBigUInt64LE(BigInt(value));
    else b[size === 2 ? 'writeUInt16LE' : 'writeUInt32LE'](value);
    return b;
  };
  const most = (size, value) => (zip64 ? u(size, size === 2 ? 0xffff : 0xffffffff) : u(size, value));
  const [records, directory] = [[], []];
  let offset = 0;
  for (const [name, content] of Object.entries(entries)) {
    // { deflated, size }: data deflated already, too large to be held here (its checksum left 0).
    const given = content.deflated;
    const [data, path] = [given ? { length: content.size } : Buffer.from(content), Buffer.from(name)];
    const packed = given ?? (stored ? data : zlib.deflateRawSync(data));
    const crc = given ? 0 : (crc32(data) ^ (badCrc ? 1 : 0)) >>> 0;
    const sizes = [most(4, packed.length), most(4, data.length)];
    const local = [u(2, zip64 ? 45 : 20), u(2, (descriptor ? 8 : 0) | (encrypted ? 1 : 0)), u(2, stored ? 0 : 8), u(4, 0)];
    const extra = (...more) =>
      zip64
        ? Buffer.concat([u(2, 1), u(2, 16 + 8 * more.length), ...[data.length, packed.length, ...more].map((v) => u(8, v))])
        : Buffer.alloc(0);
    const head = descriptor ? [u(4, 0), u(4, 0), u(4, 0)] : [u(4, crc), ...sizes];
    records.push(u(4, 0x04034b50), ...local, ...head, u(2, path.length), u(2, extra().length), path, extra(), packed);
    if (descriptor) records.push(u(4, 0x08074b50), u(4, crc), u(4, packed.length), u(4, data.length));
    const tail = [u(2, extra(offset).length), u(2, 0), u(2, 0), u(2, 0), u(4, 0), most(4, offset), path, extra(offset)];
    directory.push(u(4, 0x02014b50), u(2, zip64 ? 45 : 20), ...local, u(4, crc), ...sizes, u(2, path.length), ...tail);
    offset += 30 + path.length + extra().length + packed.length + (descriptor ? 16 : 0);
  }
  const [all, n] = [Buffer.concat(directory), Object.keys(entries).length];
  const end64 = [u(4, 0x06064b50), u(8, 44), u(2, 45), u(2, 45), u(8, 0), u(8, n), u(8, n), u(8, all.length), u(8, offset)];
  const locator = [u(4, 0x07064b50), u(4, 0), u(8, offset + all.length), u(4, 1)];
  const end = [u(4, 0x06054b50), u(4, 0), most(2, n), most(2, n), u(4, all.length), most(4, offset), u(2, 0)];
  return Buffer.concat([...records, all, ...(zip64 ? [...end64, ...locator] : []), ...end]);
}

// Rows as a worksheet's cells (columns A to Z): a string an inline string, a number or
// { stored } a number cell, in cell style `style` when given.
export function cells(rows, style) {
  const text = (v) => v.replace(/&/g, '&amp;').replace(/</g, '&lt;');
  const cell = (v, at) =>
    typeof v === 'string'
      ? v && `<c r="${at}" t="inlineStr"><is><t>${text(v)}</t></is></c>`
      : `<c r="${at}"${style ? ` s="${style}"` : ''}><v>${v.stored ?? v}</v></c>`;
  return rows
    .map((row, r) => `<row r="${r + 1}">${row.map((v, c) => cell(v, String.fromCharCode(65 + c) + (r + 1))).join('')}</row>`)
    .join('');
}

// A workbook of sheets { name, xml (its sheetData's content), hidden, chart }, with shared
// strings, styles and other parts given as their content; the sheets' files are numbered in the
// reverse of their order, so that only the relationships tell which is first.
export const workbook = (...args) => rawZip(workbookParts(...args));
function workbookParts(sheets, { strings, styles, parts = {}, sheetXml } = {}) {
  const main = `${ns}/spreadsheetml/2006/main`;
  const rel = `${ns}/officeDocument/2006/relationships`;
  const rels = [`<Relationship Id="rId1" Type="${rel}/officeDocument" Target="xl/workbook.xml"/>`];
  const files = { '[Content_Types].xml': xml(`<Types xmlns="${ns}/package/2006/content-types"/>`) };
  const entries = sheets.map((s, i) => {
    const [kind, id] = [s.chart ? 'chartsheet' : 'worksheet', `rId${i + 10}`];
    const file = `${kind}s/sheet${sheets.length - i}.xml`;
    rels.push(`<Relationship Id="${id}" Type="${rel}/${kind}" Target="${file}"/>`);
    const data = sheetXml ?? `<worksheet xmlns="${main}"><sheetData>${s.xml ?? ''}</sheetData></worksheet>`;
    files[`xl/${file}`] = xml(s.chart ? `<chartsheet xmlns="${main}"/>` : data);
    return `<sheet name="${s.name}" sheetId="${i + 1}"${s.hidden ? ' state="hidden"' : ''} r:id="${id}"/>`;
  });
  for (const [id, part, root, content] of [
    [2, 'sharedStrings', 'sst', strings],
    [3, 'styles', 'styleSheet', styles],
  ]) {
    if (content === undefined) continue;
    rels.push(`<Relationship Id="rId${id}" Type="${rel}/${part}" Target="${part}.xml"/>`);
    files[`xl/${part}.xml`] = xml(`<${root} xmlns="${main}">${content}</${root}>`);
  }
  const relationships = (list) => xml(`<Relationships xmlns="${ns}/package/2006/relationships">${list.join('')}</Relationships>`);
  files['_rels/.rels'] = relationships(rels.slice(0, 1));
  files['xl/workbook.xml'] = xml(`<workbook xmlns="${main}" xmlns:r="${rel}"><sheets>${entries.join('')}</sheets></workbook>`);
  files['xl/_rels/workbook.xml.rels'] = relationships(rels.slice(1));
  return { ...files, ...parts };
}

// A workbook whose one sheet inflates to `pieces` × 16 MB of spaces: one deflated piece ended by a
// full flush (so it stands alone) repeated, then an empty last block.
export function bomb(pieces) {
  const piece = zlib.deflateRawSync(Buffer.alloc(16 << 20, ' '), { finishFlush: zlib.constants.Z_FULL_FLUSH });
  const deflated = Buffer.concat([...Array(pieces).fill(piece), Buffer.from([3, 0])]);
  return rawZip({ ...workbookParts([{ name: 'S' }]), 'xl/worksheets/sheet1.xml': { deflated, size: pieces * (16 << 20) } });
}

// GBK bytes of a text, from the decoder's own table.
export function gbk(text) {
  const table = new Map();
  const decoder = new TextDecoder('gbk');
  for (let a = 0x81; a <= 0xfe; a++) for (let b = 0x40; b <= 0xfe; b++) table.set(decoder.decode(Uint8Array.of(a, b)), [a, b]);
  return Uint8Array.from([...text].flatMap((ch) => (ch < '\x80' ? [ch.charCodeAt(0)] : table.get(ch))));
}

// A PDF as report tools write Chinese, in a font it does not embed (STSong-Light, or MSung-Light
// for traditional text) with a predefined map (UniGB-UCS2-H, UniCNS-UCS2-H) and no map of its own
// to Unicode: read right only with the character maps of its kind. One line of text to a line of
// the page.
export function unembeddedPdf(lines, [name, encoding, ordering] = ['STSong-Light', 'UniGB-UCS2-H', 'GB1']) {
  const hex = (line) => [...line].map((c) => c.charCodeAt(0).toString(16).padStart(4, '0')).join('');
  const text = lines.map((line, i) => `BT /F1 12 Tf 40 ${800 - 20 * i} Td <${hex(line)}> Tj ET`).join('\n');
  const font = `/BaseFont /${name}`;
  const objects = [
    '<< /Type /Catalog /Pages 2 0 R >>',
    '<< /Type /Pages /Kids [3 0 R] /Count 1 >>',
    '<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 4 0 R >> >> /Contents 6 0 R >>',
    `<< /Type /Font /Subtype /Type0 ${font} /Encoding /${encoding} /DescendantFonts [5 0 R] >>`,
    `<< /Type /Font /Subtype /CIDFontType0 ${font} /CIDSystemInfo << /Registry (Adobe) /Ordering (${ordering}) /Supplement 4 >> /FontDescriptor 7 0 R >>`,
    `<< /Length ${text.length} >>\nstream\n${text}\nendstream`,
    `<< /Type /FontDescriptor /FontName /${name} /Flags 6 /FontBBox [0 -200 1000 900] /ItalicAngle 0 /Ascent 880 /Descent -120 /CapHeight 880 /StemV 93 >>`,
  ];
  let pdf = '%PDF-1.4\n';
  const offsets = objects.map((body, i) => {
    const at = pdf.length;
    pdf += `${i + 1} 0 obj\n${body}\nendobj\n`;
    return at;
  });
  const xref = pdf.length;
  pdf += `xref\n0 ${objects.length + 1}\n0000000000 65535 f \n${offsets.map((o) => `${String(o).padStart(10, '0')} 00000 n \n`).join('')}`;
  return Buffer.from(`${pdf}trailer\n<< /Size ${objects.length + 1} /Root 1 0 R >>\nstartxref\n${xref}\n%%EOF\n`, 'latin1');
}

// A flat OpenDocument text, for LibreOffice to save as Word does: paragraphs of its markup (a whole
// <text:p> or what goes in one). Text is hidden by the styles "Hidden" (the run's own formatting),
// "Aside" (a character style) and "Note" (a paragraph style).
export function flatOdt(paragraphs) {
  const hiding = (name, family) =>
    `<style:style style:name="${name}" style:family="${family}"><style:text-properties text:display="none"/></style:style>`;
  const names = { office: 'office', style: 'style', text: 'text', draw: 'drawing' };
  const ns = Object.entries(names).map(([prefix, name]) => `xmlns:${prefix}="urn:oasis:names:tc:opendocument:xmlns:${name}:1.0"`);
  return `<?xml version="1.0" encoding="UTF-8"?><office:document ${ns.join(' ')} office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
<office:styles>${hiding('Aside', 'text')}${hiding('Note', 'paragraph')}</office:styles><office:automatic-styles>${hiding('Hidden', 'text')}</office:automatic-styles>
<office:body><office:text>${paragraphs.map((p) => (p.startsWith('<text:p') ? p : `<text:p>${p}</text:p>`)).join('')}</office:text></office:body></office:document>`;
}

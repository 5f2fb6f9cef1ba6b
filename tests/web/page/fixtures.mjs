// Files a user might open, made here from scratch: an Excel-style workbook (shared strings,
// numbers), text files in the encodings Excel writes, and hostile ones.
import { createRequire } from 'node:module';
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import zlib from 'node:zlib';
import { root } from './driver.mjs';

const require = createRequire(join(root, 'web', 'page', 'package.json'));
const { zipSync, unzipSync, strToU8, strFromU8 } = require('fflate');

const escape = (s) => s.replace(/&/g, '&amp;').replace(/</g, '&lt;').replace(/>/g, '&gt;');
const letters = (c) => String.fromCharCode(65 + c);

// rows: arrays of strings (written as shared strings), numbers, or { stored } for a number
// written exactly as Excel stores it.
export function xlsx(rows) {
  const strings = new Map();
  const index = (s) => {
    if (!strings.has(s)) strings.set(s, strings.size);
    return strings.get(s);
  };
  const body = rows
    .map((row, r) => {
      const cells = row.map((v, c) => {
        const ref = `${letters(c)}${r + 1}`;
        if (typeof v === 'number') return `<c r="${ref}" s="1"><v>${v}</v></c>`;
        if (typeof v === 'object') return `<c r="${ref}" s="1"><v>${v.stored}</v></c>`;
        return `<c r="${ref}" t="s"><v>${index(v)}</v></c>`;
      });
      return `<row r="${r + 1}" spans="1:${row.length}">${cells.join('')}</row>`;
    })
    .join('');
  const sst = [...strings.keys()].map((s) => `<si><t xml:space="preserve">${escape(s)}</t></si>`).join('');
  const ns = 'http://schemas.openxmlformats.org';
  return zipSync({
    '[Content_Types].xml': strToU8(`<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="${ns}/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/><Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/></Types>`),
    '_rels/.rels': strToU8(`<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="${ns}/package/2006/relationships"><Relationship Id="rId1" Type="${ns}/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>`),
    'xl/workbook.xml': strToU8(`<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="${ns}/spreadsheetml/2006/main" xmlns:r="${ns}/officeDocument/2006/relationships"><sheets><sheet name="台账" sheetId="1" r:id="rId3"/></sheets></workbook>`),
    'xl/_rels/workbook.xml.rels': strToU8(`<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="${ns}/package/2006/relationships"><Relationship Id="rId2" Type="${ns}/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/><Relationship Id="rId3" Type="${ns}/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/><Relationship Id="rId4" Type="${ns}/officeDocument/2006/relationships/styles" Target="styles.xml"/></Relationships>`),
    // Cell style 1 shows a number as an amount: 41,823.51.
    'xl/styles.xml': strToU8(`<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="${ns}/spreadsheetml/2006/main"><fonts count="1"><font><sz val="11"/><name val="等线"/></font></fonts><fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills><borders count="1"><border/></borders><cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs><cellXfs count="2"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/><xf numFmtId="4" fontId="0" fillId="0" borderId="0" xfId="0" applyNumberFormat="1"/></cellXfs></styleSheet>`),
    'xl/sharedStrings.xml': strToU8(`<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="${ns}/spreadsheetml/2006/main" count="${strings.size}" uniqueCount="${strings.size}">${sst}</sst>`),
    'xl/worksheets/sheet1.xml': strToU8(`<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="${ns}/spreadsheetml/2006/main"><sheetData>${body}</sheetData></worksheet>`),
  });
}

// The first sheet of a downloaded workbook as rows of texts, read with plain patterns.
export function readXlsxBack(bytes) {
  const files = unzipSync(bytes);
  const xml = strFromU8(files['xl/worksheets/sheet1.xml']);
  const rows = [];
  for (const [, body] of xml.matchAll(/<row[^>]*>(.*?)<\/row>/gs)) {
    const row = [];
    for (const [, ref, attrs, inner] of body.matchAll(/<c r="([A-Z]+)\d+"([^>]*)>(.*?)<\/c>/gs)) {
      const c = [...ref].reduce((n, ch) => n * 26 + ch.charCodeAt(0) - 64, 0) - 1;
      const text = /<t[^>]*>(.*?)<\/t>/s.exec(inner)?.[1] ?? /<v>(.*?)<\/v>/s.exec(inner)?.[1] ?? '';
      row[c] = text.replace(/&lt;/g, '<').replace(/&gt;/g, '>').replace(/&quot;/g, '"').replace(/&amp;/g, '&');
      if (/<f[\s>]/.test(inner) || / t="str"/.test(attrs)) row[c] = { formula: inner };
    }
    rows.push(Array.from(row, (v) => v ?? ''));
  }
  return { rows, xml, files };
}

// GBK bytes of a text, from the decoder's own table.
let gbkTable;
export function gbk(text) {
  if (!gbkTable) {
    gbkTable = new Map();
    const decoder = new TextDecoder('gbk');
    for (let a = 0x81; a <= 0xfe; a++) {
      for (let b = 0x40; b <= 0xfe; b++) {
        const s = decoder.decode(Uint8Array.of(a, b));
        if (s.length === 1 && s !== '\ufffd' && !gbkTable.has(s)) gbkTable.set(s, [a, b]);
      }
    }
  }
  const out = [];
  for (const ch of text) {
    if (ch.charCodeAt(0) < 0x80) out.push(ch.charCodeAt(0));
    else out.push(...gbkTable.get(ch));
  }
  return Uint8Array.from(out);
}

export function utf16le(text) {
  return Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(text, 'utf16le')]);
}

export function utf16be(text) {
  return Buffer.concat([Buffer.from([0xfe, 0xff]), Buffer.from(text, 'utf16le').swap16()]);
}

// A workbook with the sheet given as it is.
export function xlsxWithSheet(sheetData) {
  const files = unzipSync(xlsx([['金额', '大写金额']]));
  files['xl/worksheets/sheet1.xml'] = strToU8(
    `<?xml version="1.0" encoding="UTF-8"?><worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>${sheetData}</sheetData></worksheet>`,
  );
  return zipSync(files);
}

// A workbook whose sheet inflates to 300 MB from a few hundred KB.
export function zipBomb() {
  const bomb = zlib.deflateRawSync(Buffer.alloc(300 * 1024 * 1024, 0x20), { level: 9 });
  const good = xlsx([['金额', '大写金额']]);
  const files = unzipSync(good);
  delete files['xl/worksheets/sheet1.xml'];
  const rest = zipSync(files, { level: 0 });
  // The sheet is stored with its true method and sizes, appended by hand.
  return appendEntry(rest, 'xl/worksheets/sheet1.xml', bomb, 300 * 1024 * 1024);
}

function appendEntry(zip, name, deflated, size) {
  const b = Buffer.from(zip);
  const eocd = b.lastIndexOf(Buffer.from([0x50, 0x4b, 0x05, 0x06]));
  const cdOffset = b.readUInt32LE(eocd + 16);
  const cdSize = b.readUInt32LE(eocd + 12);
  const count = b.readUInt16LE(eocd + 10);
  const nameBytes = Buffer.from(name);
  const local = Buffer.alloc(30);
  local.writeUInt32LE(0x04034b50, 0);
  local.writeUInt16LE(20, 4);
  local.writeUInt16LE(8, 8);
  local.writeUInt32LE(0, 14);
  local.writeUInt32LE(deflated.length, 18);
  local.writeUInt32LE(size, 22);
  local.writeUInt16LE(nameBytes.length, 26);
  const central = Buffer.alloc(46);
  central.writeUInt32LE(0x02014b50, 0);
  central.writeUInt16LE(20, 4);
  central.writeUInt16LE(20, 6);
  central.writeUInt16LE(8, 10);
  central.writeUInt32LE(deflated.length, 20);
  central.writeUInt32LE(size, 24);
  central.writeUInt16LE(nameBytes.length, 28);
  central.writeUInt32LE(cdOffset, 42);
  const entries = b.subarray(0, cdOffset);
  const directory = b.subarray(cdOffset, cdOffset + cdSize);
  const newOffset = cdOffset + local.length + nameBytes.length + deflated.length;
  const end = Buffer.from(b.subarray(eocd, eocd + 22));
  end.writeUInt16LE(count + 1, 8);
  end.writeUInt16LE(count + 1, 10);
  end.writeUInt32LE(cdSize + central.length + nameBytes.length, 12);
  end.writeUInt32LE(newOffset, 16);
  return Buffer.concat([entries, local, nameBytes, deflated, directory, central, nameBytes, end]);
}

export function save(dir, name, bytes) {
  const path = join(dir, name);
  writeFileSync(path, bytes);
  return path;
}

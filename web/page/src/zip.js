// Reads named entries of a zip archive with a ceiling on what they inflate to: the sizes an
// archive declares may lie, so the output is counted as it is produced.
import { Inflate } from 'fflate';
import { limits, SheetError, megabytes } from './limits.js';

const corrupt = () => new SheetError('文件已损坏：不是完整的 .xlsx 表格，请在 Excel 或 WPS 里打开并另存后再试。');

const crcTable = Int32Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  return c;
});

export function crc32(bytes, crc = 0) {
  let c = ~crc;
  for (let i = 0; i < bytes.length; ++i) c = crcTable[(c ^ bytes[i]) & 0xff] ^ (c >>> 8);
  return ~c >>> 0;
}

const u16 = (b, i) => b[i] | (b[i + 1] << 8);
const u32 = (b, i) => (b[i] | (b[i + 1] << 8) | (b[i + 2] << 16) | (b[i + 3] << 24)) >>> 0;
const u64 = (b, i) => u32(b, i) + u32(b, i + 4) * 2 ** 32;

function endOfDirectory(b) {
  const last = Math.max(0, b.length - 22 - 65535);
  for (let i = b.length - 22; i >= last; --i) {
    if (u32(b, i) === 0x06054b50) return i;
  }
  throw corrupt();
}

// Every entry's name, method, sizes and where its data starts.
export function listEntries(b) {
  const end = endOfDirectory(b);
  let count = u16(b, end + 10);
  let offset = u32(b, end + 16);
  if ((count === 0xffff || offset === 0xffffffff) && u32(b, end - 20) === 0x07064b50) {
    const z = u64(b, end - 12);
    if (z + 56 > b.length || u32(b, z) !== 0x06064b50) throw corrupt();
    count = u64(b, z + 32);
    offset = u64(b, z + 48);
  }
  // A workbook has tens of parts; a hundred thousand is a hostile archive, not a sheet.
  if (count > 100000) throw new SheetError('这个文件里的部件有十万个以上，不是 Excel 或 WPS 保存的表格。');
  const entries = new Map();
  for (let n = 0; n < count; ++n) {
    if (offset + 46 > b.length || u32(b, offset) !== 0x02014b50) throw corrupt();
    const nameLength = u16(b, offset + 28);
    const extraLength = u16(b, offset + 30);
    const entry = {
      flags: u16(b, offset + 8),
      method: u16(b, offset + 10),
      crc: u32(b, offset + 16),
      size: u32(b, offset + 20),
      local: u32(b, offset + 42),
    };
    const nameStart = offset + 46;
    const name = new TextDecoder().decode(b.subarray(nameStart, nameStart + nameLength));
    if (entry.size === 0xffffffff || entry.local === 0xffffffff) {
      zip64Sizes(b, nameStart + nameLength, extraLength, entry, u32(b, offset + 24));
    }
    // Two parts of one name: a spreadsheet and the page could each read a different one.
    if (entries.has(name)) throw corrupt();
    entries.set(name, entry);
    offset = nameStart + nameLength + extraLength + u16(b, offset + 32);
  }
  return entries;
}

function zip64Sizes(b, start, length, entry, originalSize) {
  for (let i = start; i + 4 <= start + length;) {
    const id = u16(b, i);
    const size = u16(b, i + 2);
    if (id === 1) {
      let p = i + 4;
      if (originalSize === 0xffffffff) p += 8;
      if (entry.size === 0xffffffff) ((entry.size = u64(b, p)), (p += 8));
      if (entry.local === 0xffffffff) entry.local = u64(b, p);
      return;
    }
    i += 4 + size;
  }
}

// The entry's bytes, inflated and checked against its checksum as a spreadsheet checks them;
// `budget.left` is what the whole file may still inflate to.
export function readEntry(b, entry, budget, onProgress) {
  const chunks = [];
  let total = 0;
  streamEntry(b, entry, budget, (chunk) => (chunks.push(chunk), (total += chunk.length)), onProgress);
  if (chunks.length === 1) return chunks[0];
  const out = new Uint8Array(total);
  let p = 0;
  for (const c of chunks) (out.set(c, p), (p += c.length));
  return out;
}

// The entry's bytes handed to onChunk as they are inflated, so that a large part is never held
// whole; the checksum is checked once all are through.
export function streamEntry(b, entry, budget, onChunk, onProgress) {
  const at = entry.local;
  if (entry.flags & 1) throw new SheetError('这个表格设了密码（已加密），请在 Excel 或 WPS 里去掉密码后另存，再来核对。');
  if (at + 30 > b.length || u32(b, at) !== 0x04034b50) throw corrupt();
  const start = at + 30 + u16(b, at + 26) + u16(b, at + 28);
  if (start + entry.size > b.length) throw corrupt();
  const data = b.subarray(start, start + entry.size);
  const tooBig = () => new SheetError(`表格解压后超过 ${megabytes(limits.unzippedBytes)}，太大了，在浏览器里打不开。`);
  let crc = 0;
  const take = (chunk) => {
    if (chunk.length > budget.left) throw tooBig();
    budget.left -= chunk.length;
    crc = crc32(chunk, crc);
    onChunk(chunk);
  };
  if (entry.method === 0) take(data);
  else if (entry.method !== 8) {
    throw new SheetError('这个表格的压缩方式 Excel 和 WPS 都不用，无法读取；请用 Excel 或 WPS 另存后再试。');
  } else {
    const inflate = new Inflate(take);
    // Deflate expands at most about 1032 times: small steps keep one step's output small.
    const step = 1 << 14;
    try {
      for (let i = 0; i < data.length; i += step) {
        inflate.push(data.subarray(i, i + step), i + step >= data.length);
        onProgress?.(i, data.length);
      }
      if (data.length === 0) inflate.push(new Uint8Array(0), true);
    } catch (e) {
      // fflate's own errors carry a code: the data is damaged. Anything else is the reader's to tell.
      throw e.code === undefined ? e : corrupt();
    }
  }
  if (crc !== entry.crc) throw new SheetError('文件已损坏（内容和校验码不符），请找到原文件或重新导出后再试。');
}

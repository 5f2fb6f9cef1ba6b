// Text files from spreadsheets come in whatever Excel or the system wrote: UTF-8 with or
// without a byte-order mark, UTF-16 ("Unicode text"), or GB18030/GBK on a Chinese Windows.
export function decodeText(bytes) {
  if (bytes[0] === 0xef && bytes[1] === 0xbb && bytes[2] === 0xbf) {
    return { text: new TextDecoder('utf-8').decode(bytes.subarray(3)), encoding: 'UTF-8' };
  }
  if (bytes[0] === 0xff && bytes[1] === 0xfe) {
    return { text: new TextDecoder('utf-16le').decode(bytes.subarray(2)), encoding: 'UTF-16' };
  }
  if (bytes[0] === 0xfe && bytes[1] === 0xff) {
    return { text: new TextDecoder('utf-16be').decode(bytes.subarray(2)), encoding: 'UTF-16' };
  }
  try {
    return { text: new TextDecoder('utf-8', { fatal: true }).decode(bytes), encoding: 'UTF-8' };
  } catch {
    // Not UTF-8: GB18030 is a superset of GBK and GB2312, so it reads all three.
    return { text: new TextDecoder('gb18030').decode(bytes), encoding: 'GB18030' };
  }
}

// Just enough XML for the parts of a workbook: elements found by name (any namespace prefix),
// their attributes and text. Every scan moves forward, so hostile markup costs linear time.
import { SheetError } from './limits.js';

const corrupt = () => new SheetError('文件已损坏：表格内容不是完整的 XML。');
const openers = new Map();

// Calls visit(attributes, body) for each element `name` in xml; body is '' when it is empty.
export function eachElement(xml, name, visit) {
  let open = openers.get(name);
  if (!open) {
    open = new RegExp(`<((?:[A-Za-z_][\\w.-]*:)?)${name}(?=[\\s/>])([^<>]*)>`, 'g');
    openers.set(name, open);
  }
  open.lastIndex = 0;
  for (let m; (m = open.exec(xml)); ) {
    const attributes = m[2];
    if (attributes.endsWith('/')) {
      visit(attributes, '');
      continue;
    }
    const close = `</${m[1]}${name}>`;
    const end = xml.indexOf(close, open.lastIndex);
    if (end < 0) throw corrupt();
    const body = xml.slice(open.lastIndex, end);
    open.lastIndex = end + close.length;
    if (visit(attributes, body) === false) return;
  }
}

export function attribute(attributes, name) {
  const m = new RegExp(`(?:^|\\s)${name}\\s*=\\s*(?:"([^"]*)"|'([^']*)')`).exec(attributes);
  return m ? decode(m[1] ?? m[2]) : undefined;
}

const named = { amp: '&', lt: '<', gt: '>', quot: '"', apos: "'" };

function codePoint(n) {
  return n <= 0x10ffff ? String.fromCodePoint(n) : '\ufffd';
}

// Entities, and the _xHHHH_ escapes Office uses for characters XML cannot carry.
export function decode(text) {
  if (text.indexOf('&') < 0 && text.indexOf('_x') < 0) return text;
  return text
    .replace(/&(?:#x([0-9a-fA-F]{1,6})|#([0-9]{1,7})|(amp|lt|gt|quot|apos));/g, (_, hex, dec, name) =>
      name ? named[name] : codePoint(hex ? parseInt(hex, 16) : Number(dec)),
    )
    .replace(/_x([0-9A-Fa-f]{4})_/g, (_, hex) => String.fromCharCode(parseInt(hex, 16)));
}

// The text of a string item: its <t> runs, without the phonetic guides (<rPh>) above them.
export function textOf(body) {
  let text = '';
  eachElement(body.indexOf('<rPh') < 0 ? body : withoutPhonetics(body), 't', (a, t) => void (text += decode(t)));
  return text;
}

function withoutPhonetics(body) {
  let kept = '';
  for (let at = 0; ; ) {
    const start = body.indexOf('<rPh', at);
    if (start < 0) return kept + body.slice(at);
    const end = body.indexOf('</rPh>', start);
    if (end < 0) throw corrupt();
    kept += body.slice(at, start);
    at = end + '</rPh>'.length;
  }
}

const xmlUnsafe = /[&<>"]|[\u0000-\u0008\u000b\u000c\u000e-\u001f\ufffe\uffff]|[\ud800-\udbff](?![\udc00-\udfff])|(?<![\ud800-\udbff])[\udc00-\udfff]|_(?=x[0-9A-Fa-f]{4}_)/g;
const escapes = { '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', _: '_x005F_' };

// Text as XML character data: markup escaped, characters XML cannot hold written the Office way.
export function encode(text) {
  return text.replace(xmlUnsafe, (c) =>
    escapes[c] ?? (c.length === 1 && c.charCodeAt(0) < 0x20 ? `_x${c.charCodeAt(0).toString(16).padStart(4, '0').toUpperCase()}_` : '\ufffd'),
  );
}

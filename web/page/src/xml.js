// A forward-only reader of the XML in a workbook's parts: start and end tags with their names'
// namespaces resolved, attributes, and text with its entities decoded. Comments and processing
// instructions are skipped, CDATA is text, a document type is refused. One pass over the text,
// so hostile markup costs linear time.
import { SheetError } from './limits.js';

const corrupt = () => new SheetError('文件已损坏：表格里的内容不完整，请在 Excel 或 WPS 里打开并另存后再试。');

export const namespaces = {
  main: ['http://schemas.openxmlformats.org/spreadsheetml/2006/main', 'http://purl.oclc.org/ooxml/spreadsheetml/main'],
  relationships: [
    'http://schemas.openxmlformats.org/officeDocument/2006/relationships',
    'http://purl.oclc.org/ooxml/officeDocument/relationships',
  ],
  package: ['http://schemas.openxmlformats.org/package/2006/relationships'],
};

const named = { amp: '&', lt: '<', gt: '>', quot: '"', apos: "'" };
const entity = /&(?:#x([0-9a-fA-F]{1,6})|#([0-9]{1,7})|(amp|lt|gt|quot|apos));|&/g;

// Character references and the five named entities; a bare "&" is not XML.
export function decode(text) {
  if (text.indexOf('&') < 0) return text;
  return text.replace(entity, (all, hex, dec, name) => {
    if (name) return named[name];
    if (!hex && !dec) throw corrupt();
    const n = hex ? parseInt(hex, 16) : Number(dec);
    return n <= 0x10ffff ? String.fromCodePoint(n) : '\ufffd';
  });
}

// The URIs the readers compare against, kept as the same string objects, so that a name's
// namespace is told by identity rather than by comparing its sixty characters.
const known = new Map(
  Object.values(namespaces)
    .flat()
    .map((uri) => [uri, uri]),
);
const intern = (uri) => known.get(uri) ?? uri;

const attributePattern = /\s+([A-Za-z_][\w.:-]*)\s*=\s*(?:"([^"<]*)"|'([^'<]*)')/y;

// What the visitor sees of a start tag: its namespace, local name and attributes.
class Tag {
  // The attribute `local` with no prefix, or in one of the namespaces `uris`.
  get(local, uris) {
    const raw = this.raw;
    if (raw.indexOf(local) < 0) return undefined;
    // The usual spelling, name="value" after one space, found directly: with no ' in the tag,
    // ' name="' cannot stand inside another attribute's value.
    if (!uris && raw.indexOf("'") < 0) {
      const at = raw.indexOf(` ${local}="`);
      if (at >= 0) {
        const from = at + local.length + 3;
        return decode(raw.slice(from, raw.indexOf('"', from)));
      }
    }
    attributePattern.lastIndex = 0;
    for (let m; (m = attributePattern.exec(raw));) {
      const name = m[1];
      const colon = name.indexOf(':');
      const hit =
        colon < 0 ? !uris && name === local : uris && name.slice(colon + 1) === local && uris.includes(this.scope[name.slice(0, colon)]);
      if (hit) return decode(m[2] ?? m[3]);
    }
    return undefined;
  }
}

const name = '[A-Za-z_][\\w.-]*(?::[A-Za-z_][\\w.-]*)?';
const startPattern = new RegExp(`<(${name})((?:\\s+[A-Za-z_][\\w.:-]*\\s*=\\s*(?:"[^"<]*"|'[^'<]*'))*)\\s*(/?)>`, 'y');
const endPattern = new RegExp(`</(${name})\\s*>`, 'y');

// A tag, comment or text held back to wait for the rest of it: no office suite writes one longer.
const tokenLimit = 1 << 20;

// visitor.start(tag) and visitor.end(ns, local) for each element; visitor.text(string) for the text
// between tags, but only while visitor.wantText is true, so that layout between tags costs nothing.
export function walk(xml, visitor) {
  walker(visitor).feed(xml, true);
}

// walk() over a text that comes in pieces: feed(piece, last). What a piece ends in the middle of
// waits for the next; the text is never held whole.
export function walker(visitor) {
  const root = Object.create(null);
  root.xml = 'http://www.w3.org/XML/1998/namespace';
  root[''] = '';
  const open = [];
  const scopes = [];
  let scope = root;
  const tag = new Tag();
  let rest = '';
  const resolve = (qname, colon) => {
    const uri = colon < 0 ? scope[''] : scope[qname.slice(0, colon)];
    if (uri === undefined) throw corrupt();
    return uri;
  };
  function feed(piece, last) {
    const xml = rest ? rest + piece : piece;
    rest = '';
    const n = xml.length;
    // Whether what starts at `at` may go on in the next piece: then it waits for it.
    const wait = (at) => {
      if (last || n - at > tokenLimit) return false;
      rest = xml.slice(at);
      return true;
    };
    let i = 0;
    while (i < n) {
      const lt = xml.indexOf('<', i);
      if (lt < 0) {
        if (visitor.wantText && open.length && !wait(i)) visitor.text(decode(xml.slice(i)));
        break;
      }
      if (lt > i && visitor.wantText && open.length) visitor.text(decode(xml.slice(i, lt)));
      i = lt;
      if (lt + 9 > n && wait(lt)) return;
      const c = xml.charCodeAt(lt + 1);
      if (c === 33) {
        const cdata = xml.startsWith('<![CDATA[', lt);
        if (!cdata && !xml.startsWith('<!--', lt)) {
          // A document type could define entities; no office suite writes one into a workbook.
          throw corrupt();
        }
        const e = xml.indexOf(cdata ? ']]>' : '-->', lt + 4);
        if (e < 0) {
          if (wait(lt)) return;
          throw corrupt();
        }
        if (cdata) {
          if (!open.length) throw corrupt();
          if (visitor.wantText) visitor.text(xml.slice(lt + 9, e));
        }
        i = e + 3;
        continue;
      }
      if (c === 63) {
        const e = xml.indexOf('?>', lt + 2);
        if (e < 0) {
          if (wait(lt)) return;
          throw corrupt();
        }
        i = e + 2;
        continue;
      }
      if (c === 47) {
        // The usual end tag, </name>, is the name last opened: no pattern needed.
        const qname = open[open.length - 1];
        const after = lt + 2 + (qname?.length ?? 0);
        if (qname !== undefined && xml.charCodeAt(after) === 62 && xml.startsWith(qname, lt + 2)) i = after + 1;
        else {
          endPattern.lastIndex = lt;
          const m = endPattern.exec(xml);
          if (!m && wait(lt)) return;
          if (!m || qname !== m[1]) throw corrupt();
          i = endPattern.lastIndex;
        }
        open.pop();
        const colon = qname.indexOf(':');
        visitor.end(resolve(qname, colon), colon < 0 ? qname : qname.slice(colon + 1));
        if (scopes.length && scopes[scopes.length - 1][0] === open.length) scope = scopes.pop()[1];
        continue;
      }
      // A tag with no attributes (<v>, <t>, <is>) is read without the pattern.
      let j = lt + 1;
      for (let k = xml.charCodeAt(j); (k >= 97 && k <= 122) || (k >= 65 && k <= 90) || k === 58; k = xml.charCodeAt(++j));
      let qname;
      let raw = '';
      let empty = '';
      if (xml.charCodeAt(j) === 62 && j > lt + 1 && xml.charCodeAt(lt + 1) !== 58) {
        qname = xml.slice(lt + 1, j);
        i = j + 1;
      } else {
        startPattern.lastIndex = lt;
        const m = startPattern.exec(xml);
        if (!m && wait(lt)) return;
        if (!m) throw corrupt();
        [, qname, raw, empty] = m;
        i = startPattern.lastIndex;
      }
      let declared;
      if (raw.indexOf('xmlns') >= 0) {
        attributePattern.lastIndex = 0;
        for (let a; (a = attributePattern.exec(raw));) {
          const attribute = a[1];
          if (attribute !== 'xmlns' && !attribute.startsWith('xmlns:')) continue;
          declared ??= Object.create(scope);
          declared[attribute === 'xmlns' ? '' : attribute.slice(6)] = intern(decode(a[2] ?? a[3]));
        }
      }
      if (declared) {
        scopes.push([open.length, scope]);
        scope = declared;
      }
      const colon = qname.indexOf(':');
      tag.raw = raw;
      tag.scope = scope;
      tag.ns = resolve(qname, colon);
      tag.local = colon < 0 ? qname : qname.slice(colon + 1);
      open.push(qname);
      visitor.start(tag);
      if (empty) {
        open.pop();
        visitor.end(tag.ns, tag.local);
        if (declared) scope = scopes.pop()[1];
      }
    }
    if (last && open.length) throw corrupt();
  }
  return { feed };
}

// Office's _xHHHH_ escapes for characters XML cannot carry, decoded once: _x005F_x0041_ is "_x0041_".
export function unescapeOffice(text) {
  if (text.indexOf('_x') < 0) return text;
  return text.replace(/_x([0-9A-Fa-f]{4})_/g, (_, hex) => String.fromCharCode(parseInt(hex, 16)));
}

const xmlUnsafe =
  /[&<>"]|[\u0000-\u0008\u000b\u000c\u000e-\u001f\ufffe\uffff]|[\ud800-\udbff](?![\udc00-\udfff])|(?<![\ud800-\udbff])[\udc00-\udfff]|_(?=x[0-9A-Fa-f]{4}_)/g;
const escapes = { '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', _: '_x005F_' };

// Text as XML character data: markup escaped, characters XML cannot hold written the Office way.
export function encode(text) {
  return text.replace(
    xmlUnsafe,
    (c) =>
      escapes[c] ??
      (c.length === 1 && c.charCodeAt(0) < 0x20 ? `_x${c.charCodeAt(0).toString(16).padStart(4, '0').toUpperCase()}_` : '\ufffd'),
  );
}

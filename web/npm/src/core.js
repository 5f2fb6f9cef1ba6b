// The engine's calls over a WebAssembly instance, and the one load() that each platform's entry
// (node.js, browser.js, bundler.js) gives its hooks to. Texts cross in the module's memory, in UTF-8
// (the uppercase texts it writes come back in UTF-16); the module does all the work, this side
// only packs and unpacks.

const FAILURES = [undefined, 'empty', 'notANumber', 'tooManyDigits'];
// What one call takes: a text of at most this length, a batch of at most this many amounts. The
// module's memory has a maximum (web/CMakeLists.txt) that the largest call fits in with room.
const MAX_LENGTH = 2 ** 24;
const MAX_AMOUNTS = 2 ** 24;
// A batch crosses in parts of about this many units of text, so that its copy in the module's
// memory stays small and no joined string approaches the engine's own limit on a string's length.
const PART = 2 ** 22;
const VERDICTS = ['ok', 'warn', 'fail'];
const SEVERITIES = ['error', 'warning'];
const encoder = new TextEncoder();
const decoder = new TextDecoder();
const decoder16 = new TextDecoder('utf-16le');
// Node's Buffer copies UTF-16 into a string at the speed of memory; elsewhere the standard
// decoder does.
const NodeBuffer =
  typeof process === 'object' && process.versions && process.versions.node && typeof Buffer === 'function' ? Buffer : undefined;
function utf16(bytes) {
  return NodeBuffer ? NodeBuffer.from(bytes.buffer, bytes.byteOffset, bytes.byteLength).toString('ucs2') : decoder16.decode(bytes);
}

// The bit of each choice of a style, as the module numbers them.
const CHOICES = ['unit', 'closing', 'closeAfterJiao', 'prefix', 'wide', 'amount'];
function choiceBits(ex) {
  return Object.fromEntries(CHOICES.map((name, i) => [name, ex.tessaly_style_bits(i)]));
}

// A style that cannot be read (a getter or proxy that throws) is the default, as a non-object is.
function styleBits(style, bit) {
  if (style === null || typeof style !== 'object') return bit.closeAfterJiao;
  try {
    return (
      (style.unit === '元' ? bit.unit : 0) |
      (style.closing === '正' ? bit.closing : 0) |
      (style.closeAfterJiao === undefined || style.closeAfterJiao ? bit.closeAfterJiao : 0) |
      (style.prefix ? bit.prefix : 0) |
      (style.wide ? bit.wide : 0)
    );
  } catch {
    return bit.closeAfterJiao;
  }
}

function styleOf(bits, bit) {
  return {
    unit: bits & bit.unit ? '元' : '圆',
    closing: bits & bit.closing ? '正' : '整',
    closeAfterJiao: (bits & bit.closeAfterJiao) !== 0,
    prefix: (bits & bit.prefix) !== 0,
    wide: (bits & bit.wide) !== 0,
  };
}

// Any value as the text it stands for; never throws.
function textOf(value) {
  if (typeof value === 'string') return value;
  if (value === null || value === undefined) return '';
  try {
    return String(value);
  } catch {
    return '\uFFFD';
  }
}

// Whether writeMany's caller asked for the texts alone; options that cannot be read ask nothing.
function textsAsked(options) {
  try {
    return options !== null && typeof options === 'object' && options.texts === true;
  } catch {
    return false;
  }
}

// The amounts of a batch as a list, or null when there are more than a call takes. Anything that
// is neither a list nor iterable, or that throws while it is read, is no amounts.
function listOf(amounts) {
  try {
    if (Array.isArray(amounts)) return amounts.length <= MAX_AMOUNTS ? amounts : null;
    if (amounts === null || (typeof amounts !== 'object' && typeof amounts !== 'string')) return [];
    const list = [];
    if (typeof amounts[Symbol.iterator] === 'function') {
      for (const a of amounts) if (list.push(a) > MAX_AMOUNTS) return null;
      return list;
    }
    const n = amounts.length;
    if (!(n > 0)) return [];
    if (n > MAX_AMOUNTS) return null;
    for (let i = 0; i < n; i++) list.push(amounts[i]);
    return list;
  } catch {
    return [];
  }
}

// What a call gives when it cannot look: a text past the limit, or a fault in the engine (it ran
// out of memory, say), after which the call goes to a fresh instance.
const TOO_LONG = `文本过长：超过 ${MAX_LENGTH} 个字符，未作处理`;
const FAULT = '引擎出错，已重新启动，请重试';

// The calls over `instance` of `module`. None throws: a call that traps (a fault in the engine,
// or an allocation that failed) gives its failure, and the calls after it go to a fresh instance,
// never to the one left mid-call. A spare instance stands ready for that, since a browser's main
// thread refuses to make one synchronously; the next spare is made asynchronously.
function engine(module, instance, spare) {
  let ex, bit, memory, u8, u16, u32, resultAt, inPtr, inCap, making;

  function start(instance) {
    ex = (instance ?? new WebAssembly.Instance(module, {})).exports;
    ex._initialize();
    bit ??= choiceBits(ex);
    memory = ex.memory;
    u8 = undefined;
    resultAt = ex.tessaly_result() >>> 2;
    inPtr = 0;
    inCap = 0;
  }

  // The views follow the memory when it grows, which detaches the buffer they view (their
  // length is then 0): that is cheaper to ask on every call than the memory's buffer.
  function view() {
    if (u8 === undefined || u8.length === 0) {
      const buffer = memory.buffer;
      u8 = new Uint8Array(buffer);
      u16 = new Uint16Array(buffer);
      u32 = new Uint32Array(buffer);
    }
  }

  function reserve(size) {
    if (size > inCap) {
      inCap = Math.max(size, inCap * 2, 256);
      inPtr = ex.tessaly_input(inCap);
    }
    view();
  }

  // Encodes `s` into the input at byte `at`; returns the end. Short ASCII texts (most
  // amounts) are copied by hand, which is cheaper than a call into the encoder.
  function put(s, at) {
    const n = s.length;
    reserve(at + n * 3);
    let i = 0;
    const base = inPtr + at;
    if (n <= 64) {
      for (; i < n; i++) {
        const c = s.charCodeAt(i);
        if (c >= 0x80) break;
        u8[base + i] = c;
      }
      if (i === n) return at + n;
    }
    return at + i + encoder.encodeInto(i ? s.slice(i) : s, u8.subarray(base + i, inPtr + inCap)).written;
  }

  function output() {
    view();
    const data = u32[resultAt];
    return u8.subarray(data, data + u32[resultAt + 1]);
  }

  // A record: words [first, lead length, count, then severity, position, length of each],
  // then the texts.
  function record() {
    const bytes = output();
    const w = bytes.byteOffset >>> 2;
    const count = u32[w + 2];
    let at = 12 + count * 12;
    const leadEnd = at + u32[w + 1];
    const lead = decoder.decode(bytes.subarray(at, leadEnd));
    at = leadEnd;
    const findings = new Array(count);
    for (let k = 0; k < count; k++) {
      const f = w + 3 + k * 3;
      const end = at + u32[f + 2];
      findings[k] = {
        severity: SEVERITIES[u32[f]],
        position: u32[f + 1],
        message: decoder.decode(bytes.subarray(at, end)),
      };
      at = end;
    }
    return { first: u32[w], lead, findings };
  }

  // The instance that trapped is left as it stopped; the calls go on in the spare or, where
  // none is ready (two traps in quick succession), in one made at once where that is allowed.
  // Otherwise the calls give their failure until the one being made is there.
  function replace() {
    try {
      if (spare) start(spare);
      else start();
    } catch {
      ex = undefined;
    }
    spare = undefined;
    makeSpare();
  }

  function makeSpare() {
    if (making) return;
    making = WebAssembly.instantiate(module, {}).then(
      (made) => {
        making = undefined;
        if (ex) spare = made;
        else {
          start(made);
          makeSpare();
        }
      },
      () => (making = undefined),
    );
  }

  // `call` unless it throws, in which case `failed()`: a trap, or a value from the caller that
  // broke a rule of the language, gives the call's failure and never leaves the instance in use.
  function guarded(call, failed) {
    return function (...args) {
      if (ex === undefined) return failed(...args);
      try {
        return call(...args);
      } catch {
        replace();
        return failed(...args);
      }
    };
  }

  function write(amount, style) {
    const s = textOf(amount);
    if (s.length > MAX_LENGTH) return { failure: 'tooLong' };
    const failure = ex.tessaly_write(put(s, 0), styleBits(style, bit));
    if (failure) return { failure: FAILURES[failure] };
    view();
    // An uppercase text is a few dozen units: taken from the view directly.
    const at = u32[resultAt] >>> 1;
    return { text: String.fromCharCode.apply(null, u16.subarray(at, at + (u32[resultAt + 1] >>> 1))) };
  }

  // The texts of a batch from `from` to `to` (`size` units with their line ends), one line each,
  // straight into the input in one pass: ASCII by hand, the rest through the encoder. A line
  // break in an amount stands as a space, as the engine takes it (a blank around the amount, a
  // gap inside it). Returns the bytes' length.
  function putLines(texts, from, to, size) {
    reserve(size * 3);
    const end = inPtr + inCap;
    let at = inPtr;
    for (let i = from; i < to; i++) {
      const s = texts[i];
      const n = s.length;
      let k = 0;
      for (; k < n; k++) {
        const c = s.charCodeAt(k);
        if (c >= 0x80) break;
        u8[at + k] = c === 10 ? 32 : c;
      }
      at += k;
      if (k < n) {
        const rest = k ? s.slice(k) : s;
        at += encoder.encodeInto(rest.includes('\n') ? rest.replaceAll('\n', ' ') : rest, u8.subarray(at, end)).written;
      }
      u8[at++] = 10;
    }
    return at - 1 - inPtr;
  }

  // A part of a batch in one call into the engine, its texts decoded in one pass, into `out`
  // from `from`: a text or null each with `texts`, a result object each without.
  function writePart(texts, from, to, size, bits, asTexts, out) {
    ex.tessaly_write_many(putLines(texts, from, to, size), bits);
    const lines = utf16(output()).split('\n');
    for (let k = 0, i = from; i < to; k++, i++) {
      const line = lines[k];
      const failed = line.length === 1 && line.charCodeAt(0) < 4;
      out[i] = asTexts ? (failed ? null : line) : failed ? { failure: FAILURES[line.charCodeAt(0)] } : { text: line };
    }
  }

  function writeMany(amounts, style, options) {
    const list = listOf(amounts);
    if (list === null || list.length === 0) return [];
    const texts = list.every((a) => typeof a === 'string') ? list : list.map(textOf);
    const bits = styleBits(style, bit);
    const asTexts = textsAsked(options);
    const out = new Array(texts.length);
    let from = 0;
    let size = 0;
    for (let i = 0; i < texts.length; i++) {
      const n = texts[i].length;
      if (n > MAX_LENGTH || size + n > PART) {
        if (from < i) writePart(texts, from, i, size, bits, asTexts, out);
        from = i;
        size = 0;
        if (n > MAX_LENGTH) {
          out[i] = asTexts ? null : { failure: 'tooLong' };
          from = i + 1;
          continue;
        }
      }
      size += n + 1;
    }
    if (from < texts.length) writePart(texts, from, texts.length, size, bits, asTexts, out);
    return out;
  }

  function writeManyFailed(amounts, style, options) {
    const list = listOf(amounts);
    const failed = textsAsked(options) ? null : { failure: 'fault' };
    return list === null ? [] : list.map(() => (failed ? { ...failed } : null));
  }

  function houseBits(house) {
    return house === undefined || house === null ? -1 : styleBits(house, bit);
  }

  const refused = (message) => [{ severity: 'error', position: 0, message }];

  function read(upper, house) {
    const s = textOf(upper);
    if (s.length > MAX_LENGTH) return readFailed(refused(TOO_LONG));
    ex.tessaly_read(put(s, 0), houseBits(house));
    const { first, lead, findings } = record();
    const reading = { findings, style: styleOf(first, bit) };
    return first & bit.amount ? { amount: lead, ...reading } : reading;
  }

  function readFailed(findings = refused(FAULT)) {
    return { findings, style: styleOf(bit.closeAfterJiao, bit) };
  }

  function check(amount, upper, house) {
    const a = textOf(amount);
    const u = textOf(upper);
    if (a.length > MAX_LENGTH || u.length > MAX_LENGTH) return checkFailed(refused(TOO_LONG));
    const amountEnd = put(a, 0);
    const end = put(u, amountEnd);
    ex.tessaly_check(amountEnd, end, houseBits(house));
    const { first, findings } = record();
    return { verdict: VERDICTS[first], findings };
  }

  function checkFailed(findings = refused(FAULT)) {
    return { verdict: 'fail', findings };
  }

  // A scan's record: words [words, count, then per result its flags, each mention's six words,
  // the findings' count and three words each], then every text in UTF-8, decoded at once and
  // sliced by the UTF-16 lengths the words give.
  function scan(text, house) {
    const s = textOf(text);
    if (s.length > MAX_LENGTH) return scanFailed(refused(TOO_LONG));
    ex.tessaly_scan(put(s, 0), houseBits(house));
    const bytes = output();
    let w = bytes.byteOffset >>> 2;
    const count = u32[w + 1];
    const all = decoder.decode(bytes.subarray(u32[w] * 4));
    let at = 0;
    const slice = (n) => all.slice(at, (at += n));
    const mention = () => {
      const m = { start: u32[w], end: u32[w + 1], line: u32[w + 2], column: u32[w + 3], text: slice(u32[w + 4]) };
      if (u32[w + 5] !== 0xffffffff) m.amount = slice(u32[w + 5]);
      w += 6;
      return m;
    };
    const results = new Array(count);
    w += 2;
    for (let i = 0; i < count; i++) {
      const flags = u32[w++];
      const result = {};
      if (flags & 1) result.upper = mention();
      if (flags & 2) result.digits = mention();
      if (flags >>> 2) result.verdict = VERDICTS[(flags >>> 2) - 1];
      const findings = new Array(u32[w++]);
      for (let k = 0; k < findings.length; k++, w += 3) {
        findings[k] = { severity: SEVERITIES[u32[w]], position: u32[w + 1], message: slice(u32[w + 2]) };
      }
      result.findings = findings;
      results[i] = result;
    }
    return results;
  }

  // A text that could not be scanned is one result with no mention, failed with its finding.
  function scanFailed(findings = refused(FAULT)) {
    return [{ verdict: 'fail', findings }];
  }

  start(instance);
  spare ??= new WebAssembly.Instance(module, {});
  return Object.freeze({
    write: guarded(write, () => ({ failure: 'fault' })),
    writeMany: guarded(writeMany, writeManyFailed),
    read: guarded(read, () => readFailed()),
    check: guarded(check, () => checkFailed()),
    scan: guarded(scan, () => scanFailed()),
  });
}

// A browser's main thread may refuse to instantiate a module synchronously; load() never asks.
async function instantiate(module) {
  const [instance, spare] = await Promise.all([WebAssembly.instantiate(module, {}), WebAssembly.instantiate(module, {})]);
  return engine(module, instance, spare);
}

const isFetched = (source) => source !== null && typeof source === 'object' && typeof source.arrayBuffer === 'function' && 'ok' in source;

// Bytes as the engine compiles them: any view (a DataView too) is taken as the bytes it covers.
function bytesOf(source) {
  if (ArrayBuffer.isView(source)) return new Uint8Array(source.buffer, source.byteOffset, source.byteLength);
  if (source instanceof ArrayBuffer || (typeof SharedArrayBuffer === 'function' && source instanceof SharedArrayBuffer)) return source;
  throw new TypeError("tessaly: load() takes the module's bytes, a WebAssembly.Module, its URL or path, or a fetch() response");
}

// What a fetch() brought, checked before it is compiled: a server that answers a missing file
// with a page, or a status that is not ok, is said as such rather than as a compile error.
async function fetchedBytes(response, where) {
  const name = `tessaly: cannot load tessaly.wasm: ${response.url || where || 'the response'}`;
  if (!response.ok) throw new Error(`${name} answered ${response.status}${response.statusText ? ' ' + response.statusText : ''}`);
  const bytes = new Uint8Array(await response.arrayBuffer());
  if (bytes[0] !== 0 || bytes[1] !== 0x61 || bytes[2] !== 0x73 || bytes[3] !== 0x6d) {
    const type = response.headers?.get?.('content-type');
    const start = decoder.decode(bytes.subarray(0, 24)).replace(/\s+/g, ' ');
    throw new Error(`${name} sent ${bytes.length ? `"${start}"` : 'nothing'}${type ? ` (${type})` : ''}, not a WebAssembly module`);
  }
  return bytes;
}

// The one load(): `platform` says where the package's own module is (`packaged()`, which may
// say there is no such place), and reads what is local to it (`read(url or path)`, undefined
// for what must be fetched).
export async function loadFrom(platform, source) {
  source = await source;
  if (source === undefined) source = platform.packaged();
  if (source instanceof WebAssembly.Module) return instantiate(source);
  if (typeof source === 'string' || source instanceof URL) {
    const local = await platform.read(source);
    source = local ?? (await fetchedBytes(await fetch(source), String(source)));
  } else if (isFetched(source)) source = await fetchedBytes(source);
  return instantiate(await WebAssembly.compile(bytesOf(source)));
}

export function loadSyncFrom(platform, source) {
  if (source === undefined) source = platform.packaged();
  if (source instanceof WebAssembly.Module) return engine(source);
  if (typeof source === 'string' || source instanceof URL) source = platform.readSync(source);
  return engine(new WebAssembly.Module(bytesOf(source)));
}

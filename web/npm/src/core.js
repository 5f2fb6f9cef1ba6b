// The engine's calls over a WebAssembly instance. Texts cross in the module's memory, in UTF-8
// (the uppercase texts it writes come back in UTF-16); the module does all the work, this side
// only packs and unpacks.

const FAILURES = [undefined, 'empty', 'notANumber', 'tooManyDigits'];
const VERDICTS = ['ok', 'warn', 'fail'];
const SEVERITIES = ['error', 'warning'];
const encoder = new TextEncoder();
const decoder = new TextDecoder();
const decoder16 = new TextDecoder('utf-16le');
// Node's Buffer copies UTF-16 into a string at the speed of memory; elsewhere the standard
// decoder does.
const NodeBuffer =
  typeof process === 'object' && process.versions && process.versions.node && typeof Buffer === 'function'
    ? Buffer
    : undefined;
function utf16(bytes) {
  return NodeBuffer
    ? NodeBuffer.from(bytes.buffer, bytes.byteOffset, bytes.byteLength).toString('ucs2')
    : decoder16.decode(bytes);
}

// The bit of each choice of a style, as the module numbers them.
const CHOICES = ['unit', 'closing', 'closeAfterJiao', 'prefix', 'wide', 'amount'];
function choiceBits(ex) {
  return Object.fromEntries(CHOICES.map((name, i) => [name, ex.tessaly_style_bits(i)]));
}

function styleBits(style, bit) {
  if (style === null || typeof style !== 'object') return bit.closeAfterJiao;
  return (
    (style.unit === '元' ? bit.unit : 0) |
    (style.closing === '正' ? bit.closing : 0) |
    (style.closeAfterJiao === undefined || style.closeAfterJiao ? bit.closeAfterJiao : 0) |
    (style.prefix ? bit.prefix : 0) |
    (style.wide ? bit.wide : 0)
  );
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

// The calls over `instance` of `module`; the module starts a fresh instance after a trap.
function engine(module, instance) {
  let ex, bit, memory, buffer, u8, u16, u32, resultAt, inPtr, inCap;

  function start(instance) {
    ex = (instance ?? new WebAssembly.Instance(module, {})).exports;
    ex._initialize();
    bit = choiceBits(ex);
    memory = ex.memory;
    buffer = undefined;
    resultAt = ex.tessaly_result() >>> 2;
    inPtr = 0;
    inCap = 0;
  }

  // The views follow the memory when it grows.
  function view() {
    if (memory.buffer !== buffer) {
      buffer = memory.buffer;
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

  // A trap would leave the instance's stack mid-call; the calls go on in a fresh one.
  function guarded(call) {
    return function (...args) {
      try {
        return call(...args);
      } catch (e) {
        if (e instanceof WebAssembly.RuntimeError) start();
        throw e;
      }
    };
  }

  function write(amount, style) {
    const end = put(textOf(amount), 0);
    const failure = ex.tessaly_write(end, styleBits(style, bit));
    if (failure) return { failure: FAILURES[failure] };
    view();
    // An uppercase text is a few dozen units: taken from the view directly.
    const at = u32[resultAt] >>> 1;
    return { text: String.fromCharCode.apply(null, u16.subarray(at, at + (u32[resultAt + 1] >>> 1))) };
  }

  function writeMany(amounts, style) {
    const list = Array.isArray(amounts) ? amounts : Array.from(amounts ?? []);
    if (list.length === 0) return [];
    const texts = list.every((a) => typeof a === 'string') ? list : list.map(textOf);
    const bits = styleBits(style, bit);
    if (ex.tessaly_write_many(put(texts.join('\n'), 0), bits) !== texts.length) {
      // A line break in an amount: the engine takes it as it takes a space (a blank around the
      // amount, a gap inside it), so a space stands in for it in the batch.
      ex.tessaly_write_many(put(texts.map((s) => s.replaceAll('\n', ' ')).join('\n'), 0), bits);
    }
    return utf16(output())
      .split('\n')
      .map((line) =>
        line.length === 1 && line.charCodeAt(0) < 4 ? { failure: FAILURES[line.charCodeAt(0)] } : { text: line },
      );
  }

  function houseBits(house) {
    return house === undefined || house === null ? -1 : styleBits(house, bit);
  }

  function read(upper, house) {
    const end = put(textOf(upper), 0);
    ex.tessaly_read(end, houseBits(house));
    const { first, lead, findings } = record();
    const reading = { findings, style: styleOf(first, bit) };
    return first & bit.amount ? { amount: lead, ...reading } : reading;
  }

  function check(amount, upper, house) {
    const amountEnd = put(textOf(amount), 0);
    const end = put(textOf(upper), amountEnd);
    ex.tessaly_check(amountEnd, end, houseBits(house));
    const { first, findings } = record();
    return { verdict: VERDICTS[first], findings };
  }

  start(instance);
  return Object.freeze({
    write: guarded(write),
    writeMany: guarded(writeMany),
    read: guarded(read),
    check: guarded(check),
  });
}

// A browser's main thread may refuse to instantiate a module synchronously; load() never asks.
async function instantiate(module) {
  return engine(module, await WebAssembly.instantiate(module, {}));
}

// Tessaly: amounts of money in uppercase Chinese financial numerals, written, read and checked.

/** How an amount is written. Every field is optional; the default is 圆, 整, closed after 角. */
export interface Style {
  /** The unit of the yuan: 圆 (default) or 元. */
  unit: '圆' | '元';
  /** The closing character: 整 (default) or 正. */
  closing: '整' | '正';
  /** Close after 角 too: 伍角整 (default true) rather than 伍角. */
  closeAfterJiao: boolean;
  /** 人民币 in front (before 负). Default false. */
  prefix: boolean;
  /** Up to sixteen integer digits instead of nine. Default false. */
  wide: boolean;
}

/**
 * Why an amount could not be written: `tooLong` for a text longer than 16,777,216 (2^24) units,
 * `fault` when the engine stopped on a fault (it ran out of memory, say); the next call goes to
 * a fresh instance.
 */
export type Failure = 'empty' | 'notANumber' | 'tooManyDigits' | 'tooLong' | 'fault';

/** The uppercase text of an amount, or why there is none. */
export type Written = { text: string; failure?: undefined } | { failure: Failure; text?: undefined };

/** One thing found in an uppercase text, or in the digits beside it. */
export interface Finding {
  severity: 'error' | 'warning';
  /**
   * The character concerned, counted in code points from 1 (a character outside the Basic
   * Multilingual Plane, such as 😀, is one, though it is two units of a JavaScript string); 0 for
   * the whole text or the digits. `[...text][position - 1]` is the character.
   */
  position: number;
  /** Short plain Chinese, position included. */
  message: string;
}

/** What an uppercase text names. */
export interface Reading {
  /** [-]digits.dd; absent when any finding is an error. */
  amount?: string;
  findings: Finding[];
  /** The style the text is written in, so that the amount can be written back the same way. */
  style: Style;
}

export interface Check {
  /** fail: the text has an error, the digits are not a number, or the two differ; warn: correct with warnings. */
  verdict: 'ok' | 'warn' | 'fail';
  findings: Finding[];
}

/** One amount found in a text by scan(). */
export interface Mention {
  /** Where it stands, in UTF-16 units as JavaScript counts them: `text.slice(start, end)` is the amount as written. */
  start: number;
  end: number;
  /** Its line, from 1 (LF, CR LF and CR end a line), and its first character's column in that line, in code points from 1. */
  line: number;
  column: number;
  /**
   * What read() or check() is given for it: an uppercase amount without the spaces inside it,
   * digits as a plain number with 万 or 亿 applied ("100000" for 10万元, "-1680.32" for -¥1,680.32).
   */
  text: string;
  /** [-]digits.dd; absent for an uppercase amount with an error. */
  amount?: string;
}

/**
 * An uppercase amount and the digits paired with it, or either alone. A pair has the verdict and
 * findings of check(digits.text, upper.text, house), an uppercase amount alone those of
 * read(upper.text, house) (fail with an error, warn with warnings only); digits alone have no
 * verdict. With neither, the text could not be scanned (too long, or a fault): the finding says why.
 */
export interface Found {
  upper?: Mention;
  digits?: Mention;
  verdict?: 'ok' | 'warn' | 'fail';
  /** Positions count the characters of upper.text. */
  findings: Finding[];
}

/** The engine. No call throws for any input: a text that cannot be used gives a failure or findings. */
export interface Tessaly {
  /** The uppercase form of an amount in digits ("41823.51" gives 肆万壹仟捌佰贰拾叁圆伍角壹分), rounded to fen half away from zero. */
  write(amount: string, style?: Partial<Style>): Written;
  /**
   * write() for each amount, crossing into the engine once per few million units of text; no
   * more than 2^24 amounts (a longer batch gives []).
   */
  writeMany(amounts: readonly string[], style?: Partial<Style>, options?: { texts?: false }): Written[];
  /** The texts alone, for speed: no object per amount, null where write() gives a failure (it says which). */
  writeMany(amounts: readonly string[], style: Partial<Style> | undefined, options: { texts: true }): (string | null)[];
  /**
   * Reads an uppercase amount in any style, up to sixteen integer digits. With a house style,
   * a departure from it (圆 for 元, 整 for 正, no 人民币…) is a warning naming it.
   */
  read(upper: string, house?: Partial<Style>): Reading;
  /** Checks an uppercase text against the amount in digits beside it; a house style as for read(). */
  check(amount: string, upper: string, house?: Partial<Style>): Check;
  /**
   * Finds every amount in a running text (a contract, a voucher), uppercase and in digits, pairs
   * each uppercase amount with the nearest digits in its sentence (in a table row, the row's
   * cells; a row labelled 大写 and the next labelled 小写, each with its one amount, are one
   * pair), and checks each pair; in the order of the text, as `tessaly-convert --scan --all`.
   */
  scan(text: string, house?: Partial<Style>): Found[];
}

/**
 * Where the module comes from: its bytes, the compiled module, its URL or the URL's string
 * (http:, https:, and in Node file: or a file path), a fetch() response, or a promise of any
 * of these. What is fetched must be ok and a WebAssembly module, or load() rejects saying what
 * arrived.
 */
export type Source = Bytes | WebAssembly.Module | URL | string | Fetched | PromiseLike<Bytes | WebAssembly.Module | URL | string | Fetched>;

/** The module's bytes. */
export type Bytes = ArrayBuffer | ArrayBufferView;

/** A fetch() response for the module. */
export interface Fetched {
  readonly ok: boolean;
  arrayBuffer(): Promise<ArrayBuffer>;
}

/**
 * Loads the engine; without a source, the package's own tessaly.wasm (carried inside the bundle
 * where a bundler builds it, fetched from beside the package's script in a browser). Where there
 * is no such place (a classic script or worker), it rejects saying what to pass.
 */
export function load(source?: Source): Promise<Tessaly>;

/** Loads the engine at once. Without a source (the package's own tessaly.wasm) or from a path, in Node only. */
export function loadSync(source?: Bytes | WebAssembly.Module | URL | string): Tessaly;

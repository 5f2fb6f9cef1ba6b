// Node: the package's tessaly.wasm lies beside this file; paths and file: URLs are read from
// disk, http: and https: fetched. Built to ES module and CommonJS alike, so the file's place is
// its module's URL in one and __dirname in the other.
import { readFileSync } from 'node:fs';
import { readFile } from 'node:fs/promises';
import { join } from 'node:path';

import { loadFrom, loadSyncFrom } from './core.js';

const packagedWasm = typeof __dirname === 'string' ? join(__dirname, 'tessaly.wasm') : new URL('./tessaly.wasm', import.meta.url);
const nodePlatform = {
  packaged: () => packagedWasm,
  read(source) {
    const file = localFile(source);
    return file === undefined ? undefined : readFile(file);
  },
  readSync(source) {
    const file = localFile(source);
    if (file === undefined) throw new TypeError('tessaly: loadSync reads files; for a module on the web, use load()');
    return readFileSync(file);
  },
};

// A path, or a file: URL as a URL or its string; undefined for another scheme. A one-letter
// scheme is a Windows drive.
function localFile(source) {
  if (typeof source === 'string' && !/^[a-z][a-z0-9+.-]+:/i.test(source)) return source;
  const url = new URL(source);
  return url.protocol === 'file:' ? url : undefined;
}

export const load = (source) => loadFrom(nodePlatform, source);
export const loadSync = (source) => loadSyncFrom(nodePlatform, source);

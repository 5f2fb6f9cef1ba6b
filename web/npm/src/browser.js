import { loadFrom, loadSyncFrom } from './core.js';

// Browsers and workers: the package's tessaly.wasm fetched from beside this file,
// where there is a file to be beside.
function packagedUrl() {
  try {
    return new URL('./tessaly.wasm', import.meta.url);
  } catch {
    throw new Error(
      'tessaly: there is no default location for tessaly.wasm here (a classic script or worker, or a bundle without import.meta.url): pass load() its URL, its bytes or a WebAssembly.Module',
    );
  }
}

const browserPlatform = {
  packaged: packagedUrl,
  read: () => undefined,
  readSync() {
    throw new TypeError('tessaly: loadSync takes the module or its bytes here; use load()');
  },
};

export const load = (source) => loadFrom(browserPlatform, source);
// Synchronous loading needs the module or its bytes at hand.
export const loadSync = (source) => loadSyncFrom(browserPlatform, source);

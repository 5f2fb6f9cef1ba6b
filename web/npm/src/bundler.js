// Bundlers (Vite, webpack, esbuild and the like, through the "module" condition): the module's
// bytes travel inside the script, so that nothing is fetched from a place the bundler did not
// know to carry the file to, nor from a dev server that answers any path with its page.
import { loadFrom, loadSyncFrom } from './core.js';
import packagedBytes from './tessaly.wasm';

const bundlerPlatform = {
  packaged: () => packagedBytes,
  read: () => undefined,
  readSync() {
    throw new TypeError('tessaly: loadSync takes the module or its bytes here; use load()');
  },
};

export const load = (source) => loadFrom(bundlerPlatform, source);
export const loadSync = (source) => loadSyncFrom(bundlerPlatform, source);

// Node: the package's tessaly.wasm lies beside this file; paths and file: URLs are read from
// disk, http: and https: fetched.
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

const load = (source) => loadFrom(nodePlatform, source);
const loadSync = (source) => loadSyncFrom(nodePlatform, source);

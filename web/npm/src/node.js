
// Node: the module given, or the package's tessaly.wasm read from beside this file.
function bytesOf(source) {
  if (source === undefined) return readFileSync(packagedWasm);
  if (typeof source === 'string' || source instanceof URL) return readFileSync(source);
  return source;
}

async function load(source) {
  source = await source;
  if (source instanceof WebAssembly.Module) return instantiate(source);
  if (typeof source === 'string' && /^https?:/.test(source)) source = new URL(source);
  if (source instanceof URL && source.protocol !== 'file:') {
    const response = await fetch(source);
    if (!response.ok) throw new Error(`tessaly: cannot load ${source}: ${response.status}`);
    source = await response.arrayBuffer();
  }
  if (typeof Response !== 'undefined' && source instanceof Response) source = await source.arrayBuffer();
  return instantiate(await WebAssembly.compile(bytesOf(source)));
}

function loadSync(source) {
  if (source instanceof WebAssembly.Module) return engine(source);
  return engine(new WebAssembly.Module(bytesOf(source)));
}


// Browsers, workers and bundlers: the module given, or the package's tessaly.wasm fetched from
// beside this file.
async function compile(source) {
  if (source instanceof WebAssembly.Module) return source;
  if (source === undefined) source = new URL('./tessaly.wasm', import.meta.url);
  if (typeof source === 'string' || source instanceof URL) source = fetch(source);
  source = await source;
  if (typeof Response !== 'undefined' && source instanceof Response) {
    if (!source.ok) throw new Error(`tessaly: cannot load ${source.url}: ${source.status}`);
    source = await source.arrayBuffer();
  }
  return WebAssembly.compile(source);
}

export async function load(source) {
  return instantiate(await compile(source));
}

// Synchronous loading needs the module or its bytes at hand.
export function loadSync(source) {
  if (source instanceof WebAssembly.Module) return engine(source);
  if (source === undefined || typeof source === 'string' || source instanceof URL)
    throw new TypeError('tessaly: loadSync takes the module or its bytes here; use load()');
  return engine(new WebAssembly.Module(source));
}

// A worker that reads one file at a time for a section, watched: one that says nothing for this
// long while at work is taken to be stuck on a hostile file (one at work reports its progress well
// within it) and the section is told, to drop it; a fresh one takes the next file.
import { toWorker } from './protocol.js';

const silenceLimit = 20000;

// `source()` gives the worker's code, asked for when the first worker starts; `heard(data)` takes
// each message, `crashed()` an error the worker did not catch, `failed(message)` the silence or a
// file the browser could not read.
export function watchedWorker(source, { heard, crashed, failed }) {
  let url;
  let worker;
  let busySince = 0;
  let lastHeard = 0;
  setInterval(() => {
    if (busySince && performance.now() - lastHeard > silenceLimit) failed('处理时间过长，已停止。这个文件可能有问题；页面可以继续使用。');
  }, 1000);
  return {
    // A fresh worker, handed the engine's module; the one before, if any, is ended.
    start(module) {
      worker?.terminate();
      url ??= URL.createObjectURL(new Blob([source()], { type: 'text/javascript' }));
      worker = new Worker(url);
      worker.onmessage = ({ data }) => {
        lastHeard = performance.now();
        heard(data);
      };
      worker.onerror = (event) => {
        event.preventDefault();
        crashed();
      };
      worker.postMessage({ type: toWorker.init, module });
    },
    stop() {
      worker?.terminate();
      worker = undefined;
    },
    post(message) {
      worker.postMessage(message);
    },
    // The file's bytes moved to the worker, to be read there. A file that gave way to another, or
    // was stopped, while the browser read it is dropped.
    async open(file) {
      const reader = worker;
      let buffer;
      try {
        buffer = await file.arrayBuffer();
      } catch {
        if (worker === reader) failed('无法读取这个文件。');
        return;
      }
      if (worker === reader) worker.postMessage({ type: toWorker.open, name: file.name, buffer }, [buffer]);
    },
    get started() {
      return worker !== undefined;
    },
    get busy() {
      return busySince > 0;
    },
    set busy(on) {
      busySince = on ? (lastHeard = performance.now()) : 0;
    },
  };
}

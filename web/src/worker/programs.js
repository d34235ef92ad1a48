// SPDX-License-Identifier: MIT
// The programs a worker holds: each one's script, and its WebAssembly compiled once here;
// and fresh instances of them, one made ahead for each program's next run, so that a run
// does not wait for one.

// The WebAssembly, gzipped as base64, compiled.
async function compile(wasmGzip) {
  const bytes = Uint8Array.from(atob(wasmGzip), (c) => c.charCodeAt(0));
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
  return WebAssembly.compile(await new Response(stream).arrayBuffer());
}

// A fresh instance of a compiled program. Its standard output and error are caught byte
// by byte (nothing added, nothing dropped), its exit status through onExit, and what its
// page build hands over as data (failure, picture: web/module/) in `notes`.
function newInstance({create, module}) {
  const made = {stdout: [], stderr: [], notes: {}, exitCode: null};
  made.instance = module.then((compiled) => new Promise((resolve, reject) => create({
    instantiateWasm(imports, receiveInstance) {
      WebAssembly.instantiate(compiled, imports).then((instance) => receiveInstance(instance, compiled), reject);
      return {};
    },
    preRun: [(m) => m.FS.init(() => null, (byte) => made.stdout.push(byte & 255),
                              (byte) => made.stderr.push(byte & 255))],
    onExit: (code) => { made.exitCode = code; },
    panelbakeNotes: {
      failure: (kind, message) => { made.notes.failure = made.notes.failure || {kind, message}; },
      picture: (width, height, data) => { made.notes.picture = {width, height, data}; },
    },
  }).then(resolve, reject)));
  made.instance.catch(() => {});  // a failure is reported by the run that takes it
  return made;
}

// The programs of one worker: load() takes a program the page hands over ({factory,
// script, wasmGzip}); fresh(factory) gives an instance for one run; query(factory) one
// that runs no program, kept for the page's questions (rules, names).
export function createPrograms() {
  const loaded = {};
  const ahead = {};
  const queries = {};
  return {
    load({factory, script, wasmGzip}) {
      const url = URL.createObjectURL(new Blob([script], {type: 'text/javascript'}));
      importScripts(url);
      URL.revokeObjectURL(url);
      loaded[factory] = {create: self[factory], module: compile(wasmGzip)};
    },
    has: (factory) => Boolean(loaded[factory]),
    fresh(factory) {
      const made = ahead[factory] || newInstance(loaded[factory]);
      ahead[factory] = null;
      return made;
    },
    // Made once the run before has ended.
    prepareNext(factory) {
      ahead[factory] = newInstance(loaded[factory]);
    },
    query(factory) {
      if (!queries[factory]) queries[factory] = newInstance(loaded[factory]).instance;
      return queries[factory];
    },
  };
}

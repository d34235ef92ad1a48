// @ts-check
// SPDX-License-Identifier: MIT
// The programs a worker holds: each one's script, and its WebAssembly compiled once here;
// and fresh instances of them, one made ahead for each program's next run, so that a run
// does not wait for one.

/** @typedef {import('../protocol.js').Program} Program */
/** @typedef {import('../protocol.js').ProgramFiles} ProgramFiles */

/**
 * The parts of emscripten's file system a run uses.
 * @typedef {{
 *   init: (input: () => null, output: (byte: number) => void, error: (byte: number) => void) => void,
 *   mkdir: (path: string) => void, chdir: (path: string) => void, symlink: (target: string, path: string) => void,
 *   mount: (type: unknown, options: object, path: string) => void,
 *   writeFile: (path: string, data: Uint8Array | string, options?: {canOwn: boolean}) => void,
 *   readFile: (path: string) => Uint8Array, unlink: (path: string) => void,
 *   readdir: (path: string) => string[], lstat: (path: string) => {mode: number},
 *   stat: (path: string) => {size: number}, analyzePath: (path: string) => {exists: boolean},
 *   isDir: (mode: number) => boolean, isFile: (mode: number) => boolean,
 *   open: (path: string, flags: string) => unknown, close: (stream: unknown) => void,
 *   read: (stream: unknown, buffer: Uint8Array, offset: number, length: number, position: number) => number,
 * }} FileSystem
 */

/**
 * An instance of a program, as emscripten makes it: the parts the worker uses.
 * @typedef {{
 *   FS: FileSystem, WORKERFS: unknown, HEAPU8: Uint8Array,
 *   callMain: (args: string[]) => number,
 *   ccall: (name: string, returns: string | null, types: string[], args: unknown[]) => any,
 * }} Instance
 */

/**
 * What a program's page build hands over as data (web/module/), beside its messages.
 * @typedef {{
 *   failure?: {kind: string, message: string},
 *   picture?: {width: number, height: number, data: Uint8Array},
 *   panelPicture?: {width: number, height: number, values: Uint8Array, colours: Uint8Array},
 *   compressed?: {raw: number, stream: number},
 * }} Notes
 */

/**
 * An instance on its way, with what its run prints and hands over.
 * @typedef {{instance: Promise<Instance>, stdout: number[], stderr: number[], notes: Notes, exitCode: number | null}} Made
 */

/** @typedef {{create: (options: object) => Promise<Instance>, module: Promise<WebAssembly.Module>}} Loaded */

// The WebAssembly, gzipped as base64, compiled.
/** @param {string} wasmGzip */
async function compile(wasmGzip) {
  const bytes = Uint8Array.from(atob(wasmGzip), (c) => c.charCodeAt(0));
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
  return WebAssembly.compile(await new Response(stream).arrayBuffer());
}

// A fresh instance of a compiled program. Its standard output and error are caught byte
// by byte (nothing added, nothing dropped), its exit status through onExit, and what its
// page build hands over as data in `notes`.
/** @param {Loaded} loaded @returns {Made} */
function newInstance({create, module}) {
  /** @type {Made} */
  const made = {instance: Promise.reject(), stdout: [], stderr: [], notes: {}, exitCode: null};
  made.instance = module.then((compiled) => new Promise((resolve, reject) => create({
    /** @param {WebAssembly.Imports} imports @param {(instance: WebAssembly.Instance, module: WebAssembly.Module) => void} receive */
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(compiled, imports).then((instance) => receive(instance, compiled), reject);
      return {};
    },
    preRun: [(/** @type {Instance} */ m) => m.FS.init(() => null, (byte) => made.stdout.push(byte & 255),
                                                       (byte) => made.stderr.push(byte & 255))],
    onExit: (/** @type {number} */ code) => { made.exitCode = code; },
    panelbakeNotes: {
      failure: (/** @type {string} */ kind, /** @type {string | undefined} */ message) => {
        made.notes.failure = made.notes.failure || {kind, message: message || ''};
      },
      picture: (/** @type {number} */ width, /** @type {number} */ height, /** @type {Uint8Array} */ data) => {
        made.notes.picture = {width, height, data};
      },
      panelPicture: (/** @type {number} */ width, /** @type {number} */ height, /** @type {Uint8Array} */ values,
                     /** @type {Uint8Array} */ colours) => {
        made.notes.panelPicture = {width, height, values, colours};
      },
      compressed: (/** @type {string} */ layout, /** @type {number} */ raw, /** @type {number} */ stream) => {
        made.notes.compressed = {raw, stream};
      },
    },
  }).then(resolve, reject)));
  made.instance.catch(() => {});  // a failure is reported by the run that takes it
  return made;
}

/**
 * @typedef {{
 *   load: (files: ProgramFiles) => void,
 *   fresh: (factory: Program) => Made,
 *   prepareNext: (factory: Program) => void,
 *   query: (factory: Program) => Promise<Instance>,
 * }} Programs
 */

// The programs of one worker: load() takes a program the page hands over; fresh(factory)
// gives an instance for one run; query(factory) one that runs no program, kept for the
// page's questions (questions.js).
/** @returns {Programs} */
export function createPrograms() {
  /** @type {Partial<Record<Program, Loaded>>} */
  const loaded = {};
  /** @type {Partial<Record<Program, Made | null>>} */
  const ahead = {};
  /** @type {Partial<Record<Program, Promise<Instance>>>} */
  const queries = {};
  /** @param {Program} factory */
  const programOf = (factory) => {
    const program = loaded[factory];
    if (!program) throw new Error(`${factory} is not loaded`);
    return program;
  };
  return {
    load({factory, script, wasmGzip}) {
      const url = URL.createObjectURL(new Blob([script], {type: 'text/javascript'}));
      importScripts(url);
      URL.revokeObjectURL(url);
      loaded[factory] = {create: /** @type {any} */ (self)[factory], module: compile(wasmGzip)};
    },
    fresh(factory) {
      const made = ahead[factory] || newInstance(programOf(factory));
      ahead[factory] = null;
      return made;
    },
    // Made once the run before has ended.
    prepareNext(factory) {
      ahead[factory] = newInstance(programOf(factory));
    },
    query(factory) {
      return queries[factory] || (queries[factory] = newInstance(programOf(factory)).instance);
    },
  };
}

// @ts-check
// SPDX-License-Identifier: MIT
// The page's side of its workers (worker/): the programs loaded once a page, the workers
// started from the worker's bundle, and the calls sent to them (protocol.js). A JobWorker
// is a worker and its calls. A call abandoned (its AbortSignal aborted) rejects at once
// with an AbortError, and is not run if it has not begun; ending the worker (abandon())
// rejects every call in it so. The page has three: the conversions' worker, which keeps a
// spare started beforehand so that the call after an abandon does not wait for a start; the
// questions' worker, for the questions of the C++ side that a picture's work under way may
// not hold up (the byte inspector's, C text read back); and the worker of window.panelbake
// (api.js). Only the first keeps a spare.
import {METHODS} from './protocol.js';
import {workerScript} from './worker-text.js';

/** @typedef {import('./protocol.js').Program} Program */
/** @typedef {import('./protocol.js').ProgramFiles} ProgramFiles */
/** @typedef {import('./protocol.js').Method} Method */
/** @typedef {import('./protocol.js').FromWorker} FromWorker */
/** @typedef {(factory: Program) => Promise<ProgramFiles>} ProgramLoader */
/** @typedef {{url: string | null, count: (change: number) => void, lastId: number}} Shared the same for every worker */
/** @typedef {{signal?: AbortSignal, transfer?: Transferable[]}} CallOptions */
/** @typedef {{resolve: (result: any) => void, reject: (error: unknown) => void, stopListening: () => void}} Call */
/** @typedef {{worker: Worker, calls: Map<number, Call>}} Started */

// Each program's site script (web/embed-program.js) records its script and WebAssembly
// under its factory's name. panelbake's is loaded with the page; panelbake-prepare's, with
// the decoders, on first need. The page's thread does nothing more with them: a worker
// decodes and compiles the WebAssembly.
/** @type {Record<Program, string>} */
const PROGRAM_SCRIPTS = {createPanelbake: 'panelbake-module.js', createPanelbakePrepare: 'panelbake-prepare-module.js'};

/** @param {string} src @returns {Promise<void>} */
export function loadScript(src) {
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = src;
    script.onload = () => resolve();
    script.onerror = () => reject(new Error(`${src} could not be loaded`));
    document.head.append(script);
  });
}

// The programs of the page: load(factory) resolves to what hands it to a worker.
/** @returns {ProgramLoader} */
export function createProgramLoader() {
  /** @type {Partial<Record<Program, Promise<ProgramFiles> | null>>} */
  const loaded = {};
  /** @param {Program} factory @returns {Promise<ProgramFiles>} */
  const load = async (factory) => {
    /** @type {{panelbakePrograms?: Partial<Record<Program, ProgramFiles>>}} */
    const page = /** @type {any} */ (self);
    if (!(page.panelbakePrograms && page.panelbakePrograms[factory])) await loadScript(PROGRAM_SCRIPTS[factory]);
    const {script, wasmGzip} = /** @type {Partial<Record<Program, ProgramFiles>>} */ (page.panelbakePrograms)[factory] ||
      {script: '', wasmGzip: ''};
    return {factory, script, wasmGzip};
  };
  return (factory) => {
    let program = loaded[factory];
    if (!program) {
      program = loaded[factory] = load(factory);
      program.catch(() => { loaded[factory] = null; });
    }
    return program;
  };
}

// The calls sent to any worker and not yet answered or abandoned, on the page's root
// element (data-worker-jobs): 0 when nothing more can come from a worker.
/** @returns {(change: number) => void} */
export function createJobCount() {
  let underWay = 0;
  /** @param {number} change */
  const count = (change) => {
    underWay += change;
    document.documentElement.dataset.workerJobs = String(underWay);
  };
  count(0);
  return count;
}

// The rejection of a call abandoned.
export const abandoned = () => new DOMException('The call was abandoned', 'AbortError');

/** @param {unknown} error */
export const isAbandoned = (error) => error instanceof DOMException && error.name === 'AbortError';

export class JobWorker {
  /** @param {Shared} shared */
  constructor(shared) {
    this.shared = shared;
    /** @type {ProgramFiles[]} handed to every worker started */
    this.programs = [];
    this.current = this.start();
    /** @type {Started | null} */
    this.spare = null;
    this.spareKept = false;
  }

  // A worker, given the programs.
  /** @returns {Started} */
  start() {
    if (!this.shared.url) this.shared.url = URL.createObjectURL(new Blob([workerScript], {type: 'text/javascript'}));
    const started = {worker: new Worker(this.shared.url), calls: new Map()};
    started.worker.onmessage = (/** @type {MessageEvent<FromWorker>} */ {data}) => this.settle(started, data);
    started.worker.onerror = (event) => {
      event.preventDefault();
      this.stop(started, new Error(`The worker stopped: ${event.message || 'no reason given'}`));
    };
    for (const program of this.programs) started.worker.postMessage({program});
    return started;
  }

  // Keeps a spare worker started and given the programs.
  keepSpare() {
    this.spareKept = true;
    if (!this.spare) this.spare = this.start();
  }

  // Calls `method` with `args` once the programs are handed over. Resolves to its result;
  // rejects with an AbortError once `signal` aborts.
  /**
   * @param {Method} method @param {unknown} args @param {ProgramFiles[]} programs @param {CallOptions} options
   * @returns {Promise<any>}
   */
  call(method, args, programs, {signal, transfer = []}) {
    if (signal && signal.aborted) return Promise.reject(abandoned());
    for (const program of programs) {
      if (this.programs.some(({factory}) => factory === program.factory)) continue;
      this.programs.push(program);
      for (const started of [this.current, this.spare]) started?.worker.postMessage({program});
    }
    const id = ++this.shared.lastId;
    const started = this.current;
    return new Promise((resolve, reject) => {
      const onAbort = () => {
        if (!this.forget(started, id)) return;
        started.worker.postMessage({drop: id});
        reject(abandoned());
      };
      signal?.addEventListener('abort', onAbort, {once: true});
      started.calls.set(id, {resolve, reject, stopListening: () => signal?.removeEventListener('abort', onAbort)});
      this.shared.count(1);
      started.worker.postMessage({id, method, args}, transfer);
    });
  }

  // The call of `id`, taken off the worker's; undefined where it is settled already.
  /** @param {Started} started @param {number} id */
  forget(started, id) {
    const call = started.calls.get(id);
    if (!call) return undefined;
    started.calls.delete(id);
    call.stopListening();
    this.shared.count(-1);
    return call;
  }

  /** @param {Started} started @param {FromWorker} answer */
  settle(started, answer) {
    const call = this.forget(started, answer.id);
    if (!call) return;
    if ('error' in answer) call.reject(new Error(answer.error));
    else call.resolve(answer.result);
  }

  // Ends a worker, its calls rejected with `error`, and goes on with another.
  /** @param {Started} started @param {unknown} error */
  stop(started, error) {
    for (const id of [...started.calls.keys()]) this.forget(started, id)?.reject(error);
    started.worker.terminate();
    if (started !== this.current) return;
    this.current = this.spare || this.start();
    this.spare = this.spareKept ? this.start() : null;
  }

  busy() {
    return this.current.calls.size > 0;
  }

  // Ends the work under way: its calls, and any after them, are abandoned.
  abandon() {
    if (this.busy()) this.stop(this.current, abandoned());
  }
}

/**
 * The calls of a worker, typed by the protocol: each resolves to its method's result, once
 * the programs it needs are loaded.
 * @typedef {{
 *   worker: JobWorker,
 *   call: <M extends Method>(method: M, args: import('./protocol.js').ArgsOf<M>, options?: CallOptions) =>
 *     Promise<import('./protocol.js').ResultOf<M>>,
 * }} Methods
 */

/** @param {JobWorker} worker @param {ProgramLoader} loadProgram @returns {Methods} */
export function workerMethods(worker, loadProgram) {
  return {
    worker,
    async call(method, args, options = {}) {
      const needed = method === 'run' ? [/** @type {{factory: Program}} */ (args).factory] : METHODS[method];
      const programs = await Promise.all(needed.map(loadProgram));
      return worker.call(method, args, programs, options);
    },
  };
}

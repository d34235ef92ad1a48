// @ts-check
// SPDX-License-Identifier: MIT
// window.panelbake, the interface for scripts in the page and for tests.
//
// run(args, files) runs panelbake as a new process would: a fresh instance in a fresh,
// empty working directory holding `files` (relative path -> Uint8Array). It resolves to
// {code, stdout, stderr, files}: the exit status as a shell sees it, exactly the bytes
// written to standard output and standard error (read as UTF-8), and every file in the
// working directory after the run. prepare(args, files) runs panelbake-prepare in the same
// way. The runs go one after another in a worker of their own, apart from the page's.
// ready resolves once the page's worker has run panelbake: compiled and warm; readyAt is
// the time it did.
import {JobWorker, workerMethods} from './bridge.js';
import {PANELBAKE, PREPARE} from './protocol.js';

/** @typedef {import('./protocol.js').Program} Program */

/**
 * @param {import('./bridge.js').Shared} shared @param {import('./bridge.js').ProgramLoader} loadProgram
 * @param {Promise<void>} ready
 */
export function createApi(shared, loadProgram, ready) {
  /** @type {import('./bridge.js').Methods | null} */
  let methods = null;
  /** @param {Program} factory @param {unknown[]} args @param {Record<string, Uint8Array>} files */
  const runIn = async (factory, args, files) => {
    if (!methods) methods = workerMethods(new JobWorker(shared), loadProgram);
    const result = await methods.call('run', {factory, args: args.map(String), files, pictures: {}});
    if (result.code === null) throw new Error(result.stderr.trim());
    const {code, stdout, stderr, files: written} = result;
    return {code, stdout, stderr, files: written};
  };
  const api = {
    run: (/** @type {unknown[]} */ args, files = {}) => runIn(PANELBAKE, args, files),
    prepare: (/** @type {unknown[]} */ args, files = {}) => runIn(PREPARE, args, files),
    /** @type {number | null} */
    readyAt: null,
    /** @type {Promise<void>} */
    ready: Promise.resolve(),
  };
  api.ready = ready.then(() => { api.readyAt = performance.now(); });
  return api;
}

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
import {Lane, PANELBAKE, PREPARE, workerMethods} from './bridge.js';

export function createApi(shared, loadProgram, ready) {
  let methods = null;
  const runIn = async (factory, args, files) => {
    if (!methods) methods = workerMethods(new Lane(shared), loadProgram);
    const result = await methods.run(factory, args.map(String), files);
    if (result.code === null) throw new Error(result.stderr.trim());
    return result;
  };
  const api = {
    run: (args, files = {}) => runIn(PANELBAKE, args, files),
    prepare: (args, files = {}) => runIn(PREPARE, args, files),
    readyAt: null,
  };
  api.ready = ready.then(() => { api.readyAt = performance.now(); });
  return api;
}

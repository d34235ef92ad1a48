// SPDX-License-Identifier: MIT
// The page's side of its workers (worker/): the programs loaded once a page, the workers
// started from the worker's bundle, and the typed methods that send them jobs. A lane is a
// worker and its jobs: abandon() ends the worker and every job in it (they resolve to
// null), and the lane goes on with a spare started beforehand.
import {workerScript} from './worker-text.js';

// Each program's site script (web/embed-program.js) records its script and WebAssembly
// under its factory's name. panelbake's is loaded with the page; panelbake-prepare's, with
// the decoders, on first need. The page's thread does nothing more with them: a worker
// decodes and compiles the WebAssembly.
export const PANELBAKE = 'createPanelbake';
export const PREPARE = 'createPanelbakePrepare';
const PROGRAM_SCRIPTS = {[PANELBAKE]: 'panelbake-module.js', [PREPARE]: 'panelbake-prepare-module.js'};

export function loadScript(src) {
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = src;
    script.onload = resolve;
    script.onerror = () => reject(new Error(`${src} could not be loaded`));
    document.head.append(script);
  });
}

// The programs of the page: load(factory) resolves to what hands it to a worker.
export function createProgramLoader() {
  const loaded = {};
  return (factory) => {
    if (!loaded[factory]) {
      loaded[factory] = (async () => {
        if (!(self.panelbakePrograms && self.panelbakePrograms[factory])) await loadScript(PROGRAM_SCRIPTS[factory]);
        const {script, wasmGzip} = self.panelbakePrograms[factory];
        return {factory, script, wasmGzip};
      })();
      loaded[factory].catch(() => { loaded[factory] = null; });
    }
    return loaded[factory];
  };
}

// The jobs sent to any worker and not yet answered or abandoned, on the page's root element
// (data-worker-jobs): 0 when nothing more can come from a worker.
export function createJobCount() {
  let underWay = 0;
  const count = (change) => {
    underWay += change;
    document.documentElement.dataset.workerJobs = String(underWay);
  };
  count(0);
  return count;
}

// A worker that stopped answers each of its jobs with this.
const stoppedResult = (reason) => ({code: null, stdout: '', stderr: `${reason}\n`, failure: {kind: 'stopped'}});

// A lane's worker, with the programs it holds and its jobs (id -> {resolve, reject}).
function startWorker(lane) {
  if (!lane.shared.url) lane.shared.url = URL.createObjectURL(new Blob([workerScript], {type: 'text/javascript'}));
  const worker = new Worker(lane.shared.url);
  const entry = {worker, jobs: new Map(), programs: new Set()};
  worker.onmessage = ({data}) => lane.settle(entry, data.id, data);
  worker.onerror = (event) => {
    event.preventDefault();
    lane.stop(entry, stoppedResult(`The worker stopped: ${event.message || 'no reason given'}`));
  };
  for (const program of lane.programs) {
    worker.postMessage({program});
    entry.programs.add(program);
  }
  return entry;
}

export class Lane {
  // shared: {url, count (createJobCount), lastId}, the same for every lane of the page.
  constructor(shared) {
    this.shared = shared;
    this.programs = [];
    this.current = startWorker(this);
    this.spare = null;
    this.spareKept = false;
  }

  // Keeps a spare worker started and given the programs, so that the job after an
  // abandon does not wait for a start.
  keepSpare() {
    this.spareKept = true;
    if (!this.spare) this.spare = startWorker(this);
  }

  // Calls `method` of the lane's worker with `args`, once the programs named are loaded
  // (given as what createProgramLoader resolved to). Resolves to the result, or null when
  // abandoned.
  call(method, args, programs = [], transfer = []) {
    for (const program of programs) {
      if (this.programs.includes(program)) continue;
      this.programs.push(program);
      for (const entry of [this.current, this.spare]) {
        if (entry) entry.worker.postMessage({program});
      }
    }
    const id = ++this.shared.lastId;
    const entry = this.current;
    return new Promise((resolve, reject) => {
      entry.jobs.set(id, {resolve, reject});
      this.shared.count(1);
      entry.worker.postMessage({id, method, args}, transfer);
    });
  }

  settle(entry, id, {result, error}) {
    const job = entry.jobs.get(id);
    if (!job) return;
    entry.jobs.delete(id);
    this.shared.count(-1);
    if (error === undefined) job.resolve(result);
    else job.reject(new Error(error));
  }

  // Ends a worker's jobs with `result` (null: abandoned) and goes on with another worker.
  stop(entry, result) {
    for (const id of [...entry.jobs.keys()]) this.settle(entry, id, {result});
    entry.worker.terminate();
    if (entry !== this.current) return;
    this.current = this.spare || startWorker(this);
    this.spare = this.spareKept ? startWorker(this) : null;
  }

  busy() {
    return this.current.jobs.size > 0;
  }

  abandon() {
    if (this.busy()) this.stop(this.current, null);
  }
}

// The worker's methods, typed: each resolves to its result, or null when abandoned. The
// programs a method needs are loaded first.
export function workerMethods(lane, loadProgram) {
  const needing = async (factories) => Promise.all(factories.map(loadProgram));
  return {
    lane,
    rules: async () => lane.call('rules', {}, await needing([PANELBAKE])),
    names: async (sources) => lane.call('names', {sources}, await needing([PANELBAKE])),
    prepare: async (job) => lane.call('prepare', job, await needing([PREPARE])),
    convert: async (job) => lane.call('convert', job, await needing([PANELBAKE])),
    adjust: async (job) => lane.call('adjust', job, await needing([PANELBAKE, PREPARE])),
    blobs: async (keys) => lane.call('blobs', {keys}),
    run: async (factory, args, files = {}, pictures = {}) =>
      lane.call('run', {factory, args, files, pictures}, await needing([factory])),
  };
}

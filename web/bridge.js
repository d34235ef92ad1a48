// SPDX-License-Identifier: MIT
// The page's side of its worker (worker.js): the programs loaded once a page, the
// workers started from the text of panelbakeWorker, and the jobs sent to them; and
// window.panelbake, the interface for scripts in the page and for tests.
'use strict';

// ---- The programs ------------------------------------------------------------------------

// Each program's site script (embed-program.js) records its script and its WebAssembly
// under its factory's name. panelbake's is loaded with the page; panelbake-prepare's, with
// the decoders, on first need. The page's thread does nothing more with them: a worker
// decodes and compiles the WebAssembly.
const PROGRAM_SCRIPTS = {createPanelbake: 'panelbake-module.js', createPanelbakePrepare: 'panelbake-prepare-module.js'};
const loadedPrograms = {};

function loadScript(src) {
  return new Promise((resolve, reject) => {
    const script = document.createElement('script');
    script.src = src;
    script.onload = resolve;
    script.onerror = () => reject(new Error(`${src} could not be loaded`));
    document.head.append(script);
  });
}

// Resolves to the message that hands the program to a worker: its script's text and its
// WebAssembly (gzipped, as base64), which each worker compiles once.
function loadProgram(factory) {
  if (!loadedPrograms[factory]) {
    loadedPrograms[factory] = (async () => {
      if (!(self.panelbakePrograms && self.panelbakePrograms[factory])) await loadScript(PROGRAM_SCRIPTS[factory]);
      const {script, wasmGzip} = self.panelbakePrograms[factory];
      return {type: 'program', factory, script, wasmGzip};
    })();
    loadedPrograms[factory].catch(() => { delete loadedPrograms[factory]; });
  }
  return loadedPrograms[factory];
}

// ---- Workers -----------------------------------------------------------------------------

let workerUrl = null;
let lastJob = 0;

// The jobs sent to any worker and not yet answered or abandoned, on the page's root element
// (data-worker-jobs): 0 when nothing more can come from a worker.
let jobsUnderWay = 0;
function countJobs(change) {
  jobsUnderWay += change;
  document.documentElement.dataset.workerJobs = String(jobsUnderWay);
}
countJobs(0);

// A worker and the jobs sent to it. abandon() ends the worker and every job in it (they
// resolve to null) and goes on with a fresh one; a lane that keeps a spare (keepSpare(),
// once the page is ready) has it started and given the programs already, so that the next
// job does not wait for a start.
class Lane {
  constructor() {
    this.spareKept = false;
    this.programs = [];
    this.jobs = new Map();  // id -> {resolve, worker}
    this.worker = this.start();
    this.spare = null;
  }

  keepSpare() {
    this.spareKept = true;
    if (!this.spare) this.spare = this.start();
  }

  start() {
    if (!workerUrl) {
      workerUrl = URL.createObjectURL(new Blob([`(${panelbakeWorker})();\n`], {type: 'text/javascript'}));
    }
    const worker = new Worker(workerUrl);
    worker.onmessage = (event) => this.settle(event.data.id, event.data.result);
    worker.onerror = (event) => {
      event.preventDefault();
      this.stopped(worker, `The worker stopped: ${event.message || 'no reason given'}`);
    };
    for (const program of this.programs) worker.postMessage(program);
    return worker;
  }

  settle(id, result) {
    const job = this.jobs.get(id);
    if (!job) return;
    this.jobs.delete(id);
    countJobs(-1);
    job.resolve(result);
  }

  // Sends a job; the programs it needs are loaded (loadProgram) beforehand.
  post(message, programs, transfer = []) {
    for (const program of programs) {
      if (this.programs.includes(program)) continue;
      this.programs.push(program);
      this.worker.postMessage(program);
      if (this.spare) this.spare.postMessage(program);
    }
    const id = ++lastJob;
    return new Promise((resolve) => {
      this.jobs.set(id, {resolve, worker: this.worker});
      countJobs(1);
      this.worker.postMessage({...message, id}, transfer);
    });
  }

  // Ends the worker's jobs with `reason` (null: abandoned) and goes on with another worker.
  stopped(worker, reason) {
    for (const [id, job] of this.jobs) {
      if (job.worker === worker) {
        this.settle(id, reason === null ? null : {code: null, stdout: '', stderr: `${reason}\n`, files: {}});
      }
    }
    worker.terminate();
    if (worker !== this.worker) return;
    this.worker = this.spare || this.start();
    this.spare = this.spareKept ? this.start() : null;
  }

  busy() {
    return this.jobs.size > 0;
  }

  abandon() {
    if (this.busy()) this.stopped(this.worker, null);
  }
}

// ---- The interface -----------------------------------------------------------------------

// window.panelbake.run(args, files) runs panelbake as a new process would: a fresh instance
// in a fresh, empty working directory holding `files` (relative path -> Uint8Array). It
// resolves to {code, stdout, stderr, files}: the exit status as a shell sees it, exactly the
// bytes written to standard output and standard error (read as UTF-8), and every file in
// the working directory after the run. window.panelbake.prepare(args, files) runs
// panelbake-prepare in the same way. The runs go one after another in a worker of their
// own, apart from the page's.
window.panelbake = (() => {
  let lane = null;
  async function runIn(factory, args, files) {
    const program = await loadProgram(factory);
    if (!lane) lane = new Lane();
    const result = await lane.post({type: 'run', factory, args: args.map(String), files}, [program]);
    if (result.code === null) throw new Error(result.stderr.trim());
    return result;
  }
  const api = {
    run: (args, files = {}) => runIn('createPanelbake', args, files),
    prepare: (args, files = {}) => runIn('createPanelbakePrepare', args, files),
    readyAt: null,
  };
  return api;
})();

// The page's own lane: a newer job abandons the one under way (page.js decides when).
const pageLane = new Lane();

// Ready once the page's worker has run panelbake (its usage text): compiled and warm.
window.panelbake.ready = loadProgram('createPanelbake')
  .then((program) => pageLane.post({type: 'run', factory: 'createPanelbake', args: []}, [program]))
  .then(() => {
    window.panelbake.readyAt = performance.now();
    pageLane.keepSpare();
  });

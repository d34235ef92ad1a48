// @ts-check
// SPDX-License-Identifier: MIT
// The page's worker. It holds the programs (panelbake, and panelbake-prepare once a job
// needs it), each compiled here once, and answers the page's calls (../protocol.js): the
// jobs (jobs.js), which run the programs in fresh instances, and the questions of the C++
// side (questions.js), one after another in the order sent; the making of Blobs runs beside
// them. The page's side (../bridge.js) starts it from this bundle's text.
import {BESIDE} from '../protocol.js';
import * as jobs from './jobs.js';
import {createPreparedBmps} from './prepared-bmps.js';
import {createPrograms} from './programs.js';
import * as questions from './questions.js';

/** @typedef {import('../protocol.js').Method} Method */
/** @typedef {import('../protocol.js').ToWorker} ToWorker */

/** @type {{[M in Method]: import('./jobs.js').Job<M>}} */
const ANSWERS = {
  prepare: jobs.prepare, convert: jobs.convert, adjust: jobs.adjust, layoutFile: jobs.layoutFile,
  pagesInOneRun: jobs.pagesInOneRun, run: jobs.run, blobs: jobs.blobs,
  rules: questions.rules, sources: questions.sources, place: questions.place, panelPlace: questions.panelPlace, readArray: questions.readArray,
  checkOptions: questions.checkOptions, claims: questions.claims,
};

// The buffers a result holds, handed over without a copy.
/** @param {unknown} value @param {Set<ArrayBufferLike>} found @returns {ArrayBuffer[]} */
function transferable(value, found = new Set()) {
  if (value instanceof Uint8Array) found.add(value.buffer);
  else if (value && typeof value === 'object' && !(value instanceof Blob)) {
    for (const inner of Object.values(value)) transferable(inner, found);
  }
  return /** @type {ArrayBuffer[]} */ ([...found]);
}

function serve() {
  const held = {programs: createPrograms(), bmps: createPreparedBmps()};
  /** @type {Set<number>} calls no longer wanted */
  const dropped = new Set();
  let queue = Promise.resolve();
  /** @param {{id: number, method: Method, args: any}} call */
  const answer = async ({id, method, args}) => {
    if (dropped.delete(id)) return;
    try {
      const result = await ANSWERS[method](held, args);
      self.postMessage({id, result}, {transfer: transferable(result)});
    } catch (error) {
      self.postMessage({id, error: String(error instanceof Error ? error.message : error)});
    }
  };
  self.onmessage = (/** @type {MessageEvent<ToWorker>} */ {data}) => {
    if ('program' in data) held.programs.load(data.program);
    else if ('drop' in data) dropped.add(data.drop);
    else if (BESIDE.includes(data.method)) answer(data);
    else queue = queue.then(() => answer(data));
  };
}

serve();

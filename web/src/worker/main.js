// SPDX-License-Identifier: MIT
// The page's worker. It holds the programs (panelbake, and panelbake-prepare once a picture
// needs it), each compiled here once, and runs the page's jobs (jobs.js) one after another
// in fresh instances; the making of Blobs runs beside them. The page's side (../bridge.js)
// starts it from this bundle's text and calls its methods: {id, method, args} is answered
// {id, result} or {id, error}, and {program} hands over a program, unanswered.
import {createHeld} from './held.js';
import * as jobs from './jobs.js';
import {createPrograms} from './programs.js';

const METHODS = {
  prepare: jobs.prepare, convert: jobs.convert, adjust: jobs.adjust, run: jobs.run, blobs: jobs.blobs,
  rules: jobs.rules, names: jobs.names,
};

// The buffers a result holds, handed over without a copy.
function transferable(value, found = new Set()) {
  if (value instanceof Uint8Array) found.add(value.buffer);
  else if (value && typeof value === 'object' && !(value instanceof Blob)) {
    for (const inner of Object.values(value)) transferable(inner, found);
  }
  return [...found];
}

function serve() {
  const worker = {programs: createPrograms(), held: createHeld()};
  let queue = Promise.resolve();
  const answer = async ({id, method, args}) => {
    try {
      const result = await METHODS[method](worker, args);
      self.postMessage({id, result}, transferable(result));
    } catch (error) {
      self.postMessage({id, error: String(error && error.message ? error.message : error)});
    }
  };
  self.onmessage = ({data}) => {
    if (data.program) worker.programs.load(data.program);
    else if (data.method === 'blobs') answer(data);
    else queue = queue.then(() => answer(data));
  };
}

serve();

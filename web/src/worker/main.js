// SPDX-License-Identifier: MIT
// The page's worker. It holds the programs (panelbake, and panelbake-prepare once a picture
// needs it), each compiled here once, and runs the page's jobs (jobs.js) one after another
// in fresh instances. The page's side (../bridge.js) starts it from this bundle's text and
// calls its methods: {id, method, args} is answered {id, result} or {id, error}, and
// {program} hands over a program, unanswered.
import * as jobs from './jobs.js';
import {createPrograms} from './programs.js';

const METHODS = {
  prepare: jobs.prepare, convert: jobs.convert, adjust: jobs.adjust, run: jobs.run,
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
  const programs = createPrograms();
  let queue = Promise.resolve();
  self.onmessage = ({data}) => {
    if (data.program) {
      programs.load(data.program);
      return;
    }
    queue = queue.then(async () => {
      try {
        const result = await METHODS[data.method](programs, data.args);
        self.postMessage({id: data.id, result}, transferable(result));
      } catch (error) {
        self.postMessage({id: data.id, error: String(error && error.message ? error.message : error)});
      }
    });
  };
}

serve();

// SPDX-License-Identifier: MIT
// Download all: every header and preview converted, each GIF's frames header, and the table
// header, which panelbake-prepare writes as on the command line (the BMPs given to it pass
// through unchanged), zipped with fflate, loaded on first use.
import {PREPARE, loadScript} from './bridge.js';
import {TABLE_NAME} from './command.js';
import {doneEntries} from './state.js';

const blobBytes = async (blob) => new Uint8Array(await blob.arrayBuffer());

// The zip's files by name, or null where the options changed meanwhile.
async function zipFiles(state, methods) {
  const run = state.run;
  const made = doneEntries(state).filter((entry) => !entry.result.failed);
  // The BMPs converted: the entries' own, held in the worker, or the adjusted ones.
  const sources = made.map((entry) => entry.result.source);
  const pictures = Object.fromEntries(sources.map(({name, entry, blob}) =>
    [name, entry ? {key: entry.key, blob: entry.blob} : {key: null, blob}]));
  const table = await methods.run(PREPARE, ['--table', TABLE_NAME, ...sources.map(({name}) => name)], {}, pictures);
  if (!table || state.run !== run) return null;
  const tableName = `${TABLE_NAME}.h`;
  if (table.code !== 0 || !table.files[tableName]) {
    throw new Error(`panelbake-prepare could not write ${tableName} (exit code ${table.code})`);
  }
  const files = {[tableName]: table.files[tableName]};
  for (const source of state.sources) {
    if (source.framesHeader) files[source.framesHeader.name] = source.framesHeader.bytes;
  }
  for (const {result} of made) {
    files[result.header.name] = await blobBytes(result.header.blob);
    files[result.preview.name] = await blobBytes(result.preview.blob);
  }
  return files;
}

// The zip's bytes, or null where the options changed meanwhile. `loaded` keeps fflate's
// loading: {script}.
export async function zipAll(state, methods, loaded) {
  const files = await zipFiles(state, methods);
  if (!files) return null;
  if (!loaded.script) loaded.script = loadScript('fflate.js').catch((error) => { loaded.script = null; throw error; });
  await loaded.script;
  return new Promise((resolve, reject) => {
    self.fflate.zip(files, {level: 6}, (error, zipped) => (error ? reject(error) : resolve(zipped)));
  });
}

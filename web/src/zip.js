// @ts-check
// SPDX-License-Identifier: MIT
// Download all: every header and preview converted, each GIF's frames header, and the table
// header, which panelbake-prepare writes as on the command line (the BMPs given to it pass
// through unchanged); or, in another layout or compressed, what the one step writes; zipped
// with fflate, loaded on first use.
import {loadScript} from './bridge.js';
import {TABLE_NAME} from './command.js';
import {preparationFailure} from './failures.js';
import {isOneStep, oneStep, runOneStep} from './one-step.js';
import {PREPARE} from './protocol.js';
import {madeEntries} from './state.js';

/** @typedef {import('./state.js').State} State */
/** @typedef {import('./bridge.js').Methods} Methods */
/** @typedef {Record<string, Uint8Array>} Files */

/** @param {Blob} blob */
const blobBytes = async (blob) => new Uint8Array(await blob.arrayBuffer());

// The zip's files by name.
/** @param {State} state @param {Methods} methods @param {AbortSignal} signal @returns {Promise<Files>} */
async function zipFiles(state, methods, signal) {
  const made = madeEntries(state);
  // The BMPs converted: the entries' own, kept in the worker, or the adjusted ones.
  const bmps = made.map((entry) => entry.result.bmp);
  const pictures = Object.fromEntries(bmps.map(({name, entry, blob}) =>
    [name, entry ? {key: entry.key, blob: entry.blob} : {key: null, blob}]));
  const table = await methods.call('run', {factory: PREPARE, args: ['--table', TABLE_NAME, ...bmps.map(({name}) => name)],
                                           files: {}, pictures}, {signal});
  const tableName = `${TABLE_NAME}.h`;
  if (table.code !== 0 || !table.files[tableName]) {
    throw new Error(`panelbake-prepare could not write ${tableName} (exit code ${table.code})`);
  }
  /** @type {Files} */
  const files = {[tableName]: table.files[tableName]};
  for (const source of state.sources) {
    if (source.framesHeader) files[source.framesHeader.name] = source.framesHeader.bytes;
  }
  for (const {result} of made) {
    files[result.header.name] = await blobBytes(result.header.blob);
    if (result.preview) files[result.preview.name] = await blobBytes(result.preview.blob);
  }
  return files;
}

// With a layout other than pages, or compressed frames, the files of panelbake-prepare's
// one step as the command line shows it (the compressed frames' run made for their sizes,
// where it is the same).
/** @param {State} state @param {Methods} methods @param {AbortSignal} signal @returns {Promise<Files>} */
async function oneStepFiles(state, methods, signal) {
  const step = oneStep(state);
  const done = state.compressed && state.compressed.text === step.text ? state.compressed.done
    : await runOneStep(methods, step, signal);
  if (done.code !== 0) throw new Error(preparationFailure(done));
  return done.files;
}

// The zip's bytes; abandoned where the options change meanwhile. `loaded` keeps fflate's
// loading.
/** @param {State} state @param {Methods} methods @param {{script: Promise<void> | null}} loaded */
export async function zipAll(state, methods, loaded) {
  const signal = state.runAbort.signal;
  const files = await (isOneStep(state) ? oneStepFiles : zipFiles)(state, methods, signal);
  if (!loaded.script) loaded.script = loadScript('fflate.js').catch((error) => { loaded.script = null; throw error; });
  await loaded.script;
  signal.throwIfAborted();
  /** @type {{zip: (files: Files, options: object, done: (error: Error | null, zipped: Uint8Array) => void) => void}} */
  const fflate = /** @type {any} */ (self).fflate;
  return new Promise((resolve, reject) => {
    fflate.zip(files, {level: 6}, (error, zipped) => (error ? reject(error) : resolve(zipped)));
  });
}

// @ts-check
// SPDX-License-Identifier: MIT
// The one job of a picture, whether it is the only one or one of forty: prepared once
// (prepareSource), then each of its BMPs converted with the options (convertEntry), in the
// conversions' worker (bridge.js). Each takes the signal of the work it is part of: once
// that is abandoned, it rejects with an AbortError, and the caller goes on to newer work.
import {isAbandoned} from './bridge.js';
import {adjustedOutput} from './command.js';
import {conversionFailure, decodingFailure, pageFailure, preparationFailure} from './failures.js';
import {BW, adjustedPlan, flat, oneStepGroups, panelPictureGroups, panelbakeGroups} from './options.js';
import {PREPARE} from './protocol.js';
import {HEADER_SHOWN} from './views/result.js';

/** @typedef {import('./state.js').State} State */
/** @typedef {import('./state.js').Source} Source */
/** @typedef {import('./state.js').Entry} Entry */
/** @typedef {import('./state.js').Result} Result */
/** @typedef {import('./state.js').Made} Made */
/** @typedef {import('./state.js').Options} Options */
/** @typedef {import('./protocol.js').Rules} Rules */
/** @typedef {import('./protocol.js').Converted} Converted */
/** @typedef {import('./bridge.js').Methods} Methods */

// An entry of a source: its key is the one its bytes are kept under in the worker, the
// source's id and the BMP's name.
/** @param {Source} source @param {Partial<Entry> & {name: string}} fields @returns {Entry} */
const newEntry = (source, fields) => ({key: `${source.id}/${fields.name}`, source, blob: null, blobAsked: false, size: 0,
                                      error: null, messages: null, result: null, ...fields});

// Rethrows an abandonment; any other failure is the page's to say.
/** @param {unknown} error */
const failure = (error) => {
  if (isAbandoned(error)) throw error;
  return pageFailure(error);
};

// A source's entries: its BMP as it is (a BMP taken as it is), or those panelbake-prepare
// made of it, or one that says why there are none; and its frames header, if it has one.
/** @param {Methods} methods @param {Source} source @param {AbortSignal} signal */
export async function prepareSource(methods, source, signal) {
  if (source.kind === 'bmp' && !source.renamed) {
    return {entries: [newEntry(source, {name: source.bmp, blob: source.file, size: source.file.size})], framesHeader: null};
  }
  let made;
  try {
    made = await methods.call('prepare', {key: source.id, name: source.name, file: source.file,
                                          output: source.renamed ? source.bmp : null, byBrowser: source.kind === 'browser'},
                              {signal});
  } catch (error) {
    return {entries: [newEntry(source, {name: source.name, error: failure(error)})], framesHeader: null};
  }
  if (made.code !== 0 || made.bmps.length === 0) {
    return {entries: [newEntry(source, {name: source.name, error: decodingFailure(source, made), messages: made})],
            framesHeader: null};
  }
  return {entries: made.bmps.map(({name, key, size}) => newEntry(source, {name, key, size})), framesHeader: made.framesHeader};
}

// The result of a conversion that failed: why, and the messages.
/** @param {number} run @param {string} failed @param {{stdout?: string, stderr?: string}} said @returns {Result} */
const failedResult = (run, failed, said = {}) => ({run, failed, stdout: said.stdout || '', stderr: said.stderr || ''});

// The result of a conversion that made its files, or why not; `layout` and `bmp` as Made has them.
/**
 * @param {number} run @param {Options} options @param {Converted & {prepared?: import('./protocol.js').PreparedBmp}} done
 * @param {Made['bmp']} bmp
 * @returns {Result}
 */
function madeResult(run, options, done, bmp) {
  const drawn = options.layout !== 'pages';
  const {picture, header, preview, stdout, stderr} = done;
  if (done.code !== 0 || !picture || !header || !(preview || drawn)) {
    return failedResult(run, drawn ? preparationFailure(done) : conversionFailure(done, options), done);
  }
  return {run, failed: null, layout: options.layout, picture, header, preview, prepared: done.prepared || null, stdout,
          stderr, bmp};
}

// An entry converted with the options of `run`: panelbake on its BMP, or with adjustments
// panelbake-prepare first, as on the command line, or panelbake-prepare's file in another
// layout.
/** @param {Methods} methods @param {Entry} entry @param {State} state @param {AbortSignal} signal @returns {Promise<Result>} */
export async function convertEntry(methods, entry, {run, options, rules, entries}, signal) {
  const opts = /** @type {Options} */ (options);
  const rulesOf = /** @type {Rules} */ (rules);
  if (opts.panel !== BW && entries.filter((e) => e.source === entry.source).length > 1) {
    return animationRefused(methods, entry.source, run, flat(/** @type {string[][]} */ (oneStepGroups(opts, rulesOf))), signal);
  }
  const job = {name: entry.name, picture: {key: entry.key, blob: entry.blob}, headerShown: HEADER_SHOWN};
  const own = {name: entry.name, entry, blob: null};
  const oneStep = oneStepGroups(opts, rulesOf);
  const plan = adjustedPlan(opts, rulesOf);
  try {
    if (oneStep) {
      const pictureGroups = panelPictureGroups(opts, rulesOf);
      const done = await methods.call('layoutFile', {...job, layout: opts.layout, panel: opts.panel, args: flat(oneStep),
                                                     pictureArgs: pictureGroups && flat(pictureGroups)}, {signal});
      return madeResult(run, opts, done, own);
    }
    if (!plan) return madeResult(run, opts, await methods.call('convert', {...job, args: flat(panelbakeGroups(opts))}, {signal}), own);
    const done = await methods.call('adjust', {...job, output: adjustedOutput(entry), prepareArgs: flat(plan.prepare),
                                               args: flat(plan.convert)}, {signal});
    if ('preparation' in done) return failedResult(run, preparationFailure(done.preparation), done.preparation);
    const prepared = done.prepared;
    return madeResult(run, opts, done, prepared ? {name: prepared.name, entry: null, blob: prepared.blob} : own);
  } catch (error) {
    return failedResult(run, failure(error));
  }
}

// An animation's frames are black and white only: the command line's step on the
// animation itself says why not (a frame's BMP alone would be taken).
/** @param {Methods} methods @param {Source} source @param {number} run @param {string[]} args @param {AbortSignal} signal */
async function animationRefused(methods, source, run, args, signal) {
  try {
    const done = await methods.call('run', {factory: PREPARE, args: [source.name, ...args], files: {},
                                            pictures: {[source.name]: {key: null, blob: source.file}}}, {signal});
    return failedResult(run, preparationFailure(done), done);
  } catch (error) {
    return failedResult(run, failure(error));
  }
}

// The first result of a still picture chosen alone, with panelbake's options alone (pages,
// no adjustment, no -v, whose messages are panelbake's): both steps in one run of
// panelbake-prepare, before its BMP is prepared and kept for the next options. Resolves to
// the picture's entry with its result for `run`, or null where the two steps are taken.
/** @param {Methods} methods @param {Source} source @param {State} state @param {AbortSignal} signal */
export async function firstResult(methods, source, {run, options, rules}, signal) {
  const opts = /** @type {Options} */ (options);
  const rulesOf = /** @type {Rules} */ (rules);
  if (source.kind !== 'prepare' || source.format === 'GIF' || opts.verbose || oneStepGroups(opts, rulesOf) ||
      adjustedPlan(opts, rulesOf)) {
    return null;
  }
  let done;
  try {
    done = await methods.call('pagesInOneRun', {name: source.name, file: source.file,
                                                args: flat(panelbakeGroups(opts)), headerShown: HEADER_SHOWN}, {signal});
  } catch (error) {
    failure(error);
    return null;
  }
  if (!done || !done.picture || !done.header) return null;
  const entry = newEntry(source, {name: source.bmp});
  const {picture, header, preview, stdout, stderr} = done;
  entry.result = {run, failed: null, layout: opts.layout, picture, header, preview, prepared: null, stdout, stderr,
                  bmp: {name: entry.name, entry, blob: null}};
  return entry;
}

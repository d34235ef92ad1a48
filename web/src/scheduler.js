// @ts-check
// SPDX-License-Identifier: MIT
// The page's work, one job after another in the conversions' worker: the sources prepared
// in their order, and their entries converted with the newest options, the one shown
// first. The work of a pick stops when a newer pick comes (state.pickAbort), and a
// conversion for older options when newer ones come (state.runAbort): its call is
// abandoned, and where it has been under way for longer than ABANDON_AFTER_MS and the
// picture has its Blob, from which a fresh worker reads it, the worker is ended too. A
// BMP that panelbake-prepare would write where another picture of the list writes its own
// is refused, as on the command line, by panelbake-prepare's claim check.
import {isAbandoned} from './bridge.js';
import {adjustedOutput} from './command.js';
import {adjustedPlan, oneStepGroups} from './options.js';
import {convertEntry, firstResult, prepareSource} from './pipeline.js';
import {isCurrent, isList} from './state.js';

/** @typedef {import('./state.js').State} State */
/** @typedef {import('./state.js').Source} Source */
/** @typedef {import('./state.js').Entry} Entry */
/** @typedef {import('./state.js').Result} Result */
/** @typedef {import('./bridge.js').Methods} Methods */
/** @typedef {{prepared: (entries: Entry[]) => void, converted: (entry: Entry) => Promise<void>, idle: () => void}} Views */

const ABANDON_AFTER_MS = 100;

// A signal aborted when any of the signals given is.
/** @param {AbortSignal[]} signals */
function eitherSignal(...signals) {
  const either = new AbortController();
  for (const signal of signals) {
    if (signal.aborted) either.abort();
    else signal.addEventListener('abort', () => either.abort(), {once: true});
  }
  return either.signal;
}

// In a list, a BMP that an entry listed before writes (a GIF's frame walk_00.bmp and a
// picture walk_00.png) is refused, as panelbake-prepare's claim check refuses it on the
// command line: its header would replace the other's. Asked where panelbake-prepare is
// loaded, for a list with a picture it prepares: the names of BMPs taken as they are are
// kept apart already (pageBmpNames).
/** @param {State} state @param {Methods} methods @param {Entry[]} entries @param {AbortSignal} signal */
async function refuseClaimed(state, methods, entries, signal) {
  if (state.sources.length < 2 || state.sources.every((source) => source.kind === 'bmp')) return;
  const claiming = entries.filter((entry) => !entry.error);
  const earlier = state.entries.filter((entry) => !entry.error).map((entry) => entry.name);
  const refusals = await methods.call('claims', {paths: [...earlier, ...claiming.map((entry) => entry.name)]}, {signal});
  claiming.forEach((entry, i) => {
    const refused = refusals[earlier.length + i];
    if (!refused) return;
    entry.error = refused;
    entry.name = entry.source.name;
    entry.blob = null;
  });
}

// With adjustments, the BMP panelbake-prepare writes for an entry may be the one it writes
// for one listed before (logo.bmp gives logo_prepared.bmp, and so does logo_prepared.png):
// the later one is refused, as panelbake-prepare refuses to write over the first on the
// command line (in another layout no BMP is written). Why, or ''.
/** @param {State} state @param {Methods} methods @param {Entry} entry @param {AbortSignal} signal */
async function claimAdjusted(state, methods, entry, signal) {
  const options = /** @type {import('./state.js').Options} */ (state.options);
  const rules = /** @type {import('./protocol.js').Rules} */ (state.rules);
  if (!isList(state) || !adjustedPlan(options, rules) || oneStepGroups(options, rules)) return '';
  const before = state.entries.slice(0, state.entries.indexOf(entry)).filter((other) => !other.error);
  const paths = [...before, entry].map(adjustedOutput);
  const refusals = await methods.call('claims', {paths}, {signal});
  return refusals[refusals.length - 1];
}

// The next job: the entry shown, then the sources not yet prepared, then the entries not
// yet converted with the newest options.
/** @param {State} state */
function nextTask(state) {
  const shown = state.selected;
  if (shown && !shown.error && !isCurrent(state, shown)) return {convert: shown};
  const source = state.sources.find((s) => !s.settled);
  if (source) return {prepare: source};
  const entry = state.entries.find((e) => !e.error && !isCurrent(state, e));
  return entry ? {convert: entry} : null;
}

// A picture chosen alone is shown first from one run of panelbake-prepare, where it can be;
// its BMP is prepared and kept after that, for the next options. The entry shown, or null.
/** @param {State} state @param {Methods} methods @param {Views} views @param {Source} source @param {AbortSignal} signal */
async function showFirst(state, methods, views, source, signal) {
  if (state.sources.length !== 1) return null;
  const entry = await firstResult(methods, source, state, eitherSignal(signal, state.runAbort.signal));
  if (!entry) return null;
  state.entries.push(entry);
  views.prepared([entry]);
  return entry;
}

/** @param {State} state @param {Methods} methods @param {Views} views @param {Source} source */
async function prepare(state, methods, views, source) {
  const signal = state.pickAbort.signal;
  const shown = await showFirst(state, methods, views, source, signal);
  const {entries, framesHeader} = await prepareSource(methods, source, signal);
  source.settled = true;
  source.framesHeader = framesHeader;
  // The BMP of an entry shown first is kept under its key (the same name, from the same source).
  if (shown) return void Object.assign(shown, {size: entries[0].size, error: entries[0].error});
  await refuseClaimed(state, methods, entries, signal);
  state.entries.push(...entries);
  views.prepared(entries);
}

/** @param {State} state @param {Methods} methods @param {Views} views @param {Entry} entry */
async function convert(state, methods, views, entry) {
  const {run} = state;
  const signal = eitherSignal(state.pickAbort.signal, state.runAbort.signal);
  const taken = await claimAdjusted(state, methods, entry, signal);
  state.underWay = {run, started: performance.now(), entry};
  try {
    /** @type {Result} */
    const result = taken ? {run, failed: taken, stdout: '', stderr: ''} : await convertEntry(methods, entry, state, signal);
    entry.result = result;
  } finally {
    state.underWay = null;
  }
  await views.converted(entry);
}

/** @param {State} state @param {Methods} methods @param {Views} views */
export function createScheduler(state, methods, views) {
  async function work() {
    if (state.working) return;
    state.working = true;
    try {
      for (let task = nextTask(state); task; task = nextTask(state)) {
        try {
          await (task.prepare ? prepare(state, methods, views, task.prepare)
            : convert(state, methods, views, /** @type {Entry} */ (task.convert)));
        } catch (error) {
          if (!isAbandoned(error)) throw error;  // newer work is next
        }
      }
    } finally {
      state.working = false;
    }
    views.idle();
  }

  return {
    work,
    idle: () => !state.working,
    // Newer options: the conversion for older ones is abandoned, and ended where it is long
    // under way.
    newOptions() {
      const {underWay} = state;
      if (underWay && underWay.run !== state.run && underWay.entry.blob &&
          performance.now() - underWay.started > ABANDON_AFTER_MS) {
        methods.worker.abandon();
      }
      work();
    },
    // A new pick: whatever is under way is ended.
    newPick() {
      methods.worker.abandon();
    },
  };
}

// SPDX-License-Identifier: MIT
// The page's work, one job after another in its worker: the sources prepared in their
// order, and their entries converted with the newest options, the one shown first. Only
// the newest options count: a conversion under way for older ones is waited for and its
// result dropped, or, under way for longer than ABANDON_AFTER_MS, ended with its worker
// where the picture has its Blob, from which a fresh worker reads it. A new pick ends
// whatever is under way.
import {convertEntry, prepareSource} from './pipeline.js';
import {adjustedOutput} from './command.js';
import {adjustedPlan} from './options.js';
import {isList} from './state.js';

const ABANDON_AFTER_MS = 100;

const current = (state, entry) => Boolean(entry.result && entry.result.run === state.run);

const takenNameError = (taken, name, entry) =>
  `${taken.source.name} gives ${name} already: rename ${entry.source.name} to take it too.`;

// In a list, a BMP named as one listed before (a GIF's frame walk_00.bmp and a picture
// walk_00.png) is refused, as on the command line: its header would replace the other's.
function refuseTakenName(state, entry) {
  const name = entry.name.toLowerCase();
  const taken = state.entries.find((other) => !other.error && other.name.toLowerCase() === name);
  if (entry.error || !taken) return;
  entry.error = takenNameError(taken, entry.name, entry);
  entry.name = entry.source.name;
  entry.blob = null;
}

// With adjustments, the BMP panelbake-prepare writes for an entry may be the one it writes
// for one listed before (logo.bmp gives logo_prepared.bmp, and so does logo_prepared.png):
// the later one is refused, as panelbake-prepare refuses to write over the first on the
// command line. Why, or null.
function takenAdjustedName(state, entry) {
  if (!isList(state) || !adjustedPlan(state.options, state.rules)) return null;
  const output = adjustedOutput(entry).toLowerCase();
  const before = state.entries.slice(0, state.entries.indexOf(entry));
  const taken = before.find((other) => !other.error && adjustedOutput(other).toLowerCase() === output);
  return taken ? takenNameError(taken, adjustedOutput(entry), entry) : null;
}

// The next job: the entry shown, then the sources not yet prepared, then the entries not
// yet converted with the newest options.
function nextTask(state) {
  const shown = state.selected;
  if (shown && !shown.error && !current(state, shown)) return {convert: shown};
  const source = state.sources.find((s) => !s.settled);
  if (source) return {prepare: source};
  const entry = state.entries.find((e) => !e.error && !current(state, e));
  return entry ? {convert: entry} : null;
}

// views: {prepared(entry), converted(entry), idle()}, called as the work goes on.
export function createScheduler(state, methods, views) {
  let working = false;
  let underWay = null;  // {run, started, entry} of a conversion under way

  async function prepare(source) {
    const pick = state.picks;
    const entries = await prepareSource(methods, source);
    if (pick !== state.picks || !entries) return;
    source.settled = true;
    if (state.sources.length > 1) for (const entry of entries) refuseTakenName(state, entry);
    state.entries.push(...entries);
    views.prepared(entries);
  }

  async function convert(entry) {
    const {picks, run} = state;
    const taken = takenAdjustedName(state, entry);
    underWay = {run, started: performance.now(), entry};
    const result = taken ? {run, failed: taken, stdout: '', stderr: ''} : await convertEntry(methods, entry, state);
    underWay = null;
    if (picks !== state.picks || !result || result.run !== state.run) return;
    entry.result = result;
    await views.converted(entry);
  }

  async function work() {
    if (working) return;
    working = true;
    try {
      for (let task = nextTask(state); task; task = nextTask(state)) {
        await (task.prepare ? prepare(task.prepare) : convert(task.convert));
      }
    } finally {
      working = false;
    }
    views.idle();
  }

  return {
    work,
    idle: () => !working,
    // A newer run's options: a conversion long under way for older ones is ended.
    newOptions() {
      if (underWay && underWay.run !== state.run && underWay.entry.blob &&
          performance.now() - underWay.started > ABANDON_AFTER_MS) {
        methods.lane.abandon();
      }
      work();
    },
    // A new pick: whatever is under way is ended.
    newPick() {
      methods.lane.abandon();
    },
  };
}

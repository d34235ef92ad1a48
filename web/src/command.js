// @ts-check
// SPDX-License-Identifier: MIT
// The command line that gives what the page shows: its steps, each a program and its
// arguments (a word, or a group of an option and its value), joined by &&.
import {$} from './dom.js';
import {adjustedPlan, oneStepGroups, panelPictureGroups, panelbakeGroups} from './options.js';
import {isList} from './state.js';

/** @typedef {import('./state.js').State} State */
/** @typedef {import('./state.js').Source} Source */
/** @typedef {import('./state.js').Entry} Entry */
/** @typedef {import('./options.js').Group} Group */
/** @typedef {(string | Group)[]} Step a program and its arguments */

export const TABLE_NAME = 'pictures';  // the table header pictures.h, and the zip pictures.zip

// The BMP panelbake converts for an entry with adjustments: from a picture panelbake-prepare
// decodes, the name the command line gives it (photo.jpg -> photo.bmp); from a BMP, which it
// would otherwise write over, a name of its own beside it, given with -o.
/** @param {Entry} entry */
export function adjustedOutput(entry) {
  return entry.source.kind === 'prepare' ? entry.name : entry.source.adjustedBmp;
}

// The steps for no picture, or one that gives one BMP: panelbake-prepare first where the
// page prepares or adjusts the picture with it.
/** @param {State} state @param {import('./options.js').Plan | null} plan @param {import('./state.js').Options} options */
function singleSteps(state, plan, options) {
  const source = state.sources[0];
  const groups = panelbakeGroups(options);
  if (!source) {
    const {bmp, adjustedBmp} = /** @type {{bmp: string, adjustedBmp: string}} */ (state.placeholder);
    return plan ? [['panelbake-prepare', bmp, ...plan.prepare, ['-o', adjustedBmp]], ['panelbake', adjustedBmp, ...plan.convert]]
      : [['panelbake', bmp, ...groups]];
  }
  const name = state.selected && !state.selected.error ? state.selected.name : source.bmp;
  if (source.kind === 'prepare') {
    return plan ? [['panelbake-prepare', source.name, ...plan.prepare], ['panelbake', name, ...plan.convert]]
      : [['panelbake-prepare', source.name], ['panelbake', name, ...groups]];
  }
  return plan ? [['panelbake-prepare', name, ...plan.prepare, ['-o', source.adjustedBmp]],
                  ['panelbake', source.adjustedBmp, ...plan.convert]]
    : [['panelbake', name, ...groups]];
}

// The sources that gave a BMP, each with the names of its BMPs (before it is prepared, the
// one its name gives).
/** @param {State} state */
function listedSources(state) {
  /** @type {{source: Source, bmps: string[]}[]} */
  const listed = [];
  for (const source of state.sources) {
    const entries = state.entries.filter((entry) => entry.source === source);
    if (entries.length > 0 && entries.every((entry) => entry.error)) continue;  // not prepared
    listed.push({source, bmps: entries.length ? entries.map((entry) => entry.name) : [source.bmp]});
  }
  return listed;
}

// The pictures of a list as panelbake-prepare's table takes them: one renamed apart from
// another's BMP is prepared with -o first (before) and its BMPs given; a picture the
// browser decoded is given as its prepared BMP, which panelbake-prepare passes through.
/** @param {State} state */
export function tableInputs(state) {
  /** @type {Step[]} */
  const before = [];
  /** @type {{name: string, source: Source}[]} */
  const inputs = [];
  /** @type {string[]} */
  const bmps = [];
  for (const {source, bmps: names} of listedSources(state)) {
    if (source.renamed && source.kind !== 'browser') {
      before.push(['panelbake-prepare', source.name, ['-o', source.bmp]]);
      inputs.push(...names.map((name) => ({name, source})));
    } else {
      inputs.push({name: source.kind === 'browser' ? source.bmp : source.name, source});
    }
    bmps.push(...names);
  }
  return {before, inputs, bmps};
}

// Several pictures, or an animation's frames: each prepared with the table, then each BMP
// converted.
/** @param {State} state @param {import('./state.js').Options} options @returns {Step[]} */
function listSteps(state, options) {
  const {before, inputs, bmps} = tableInputs(state);
  const groups = panelbakeGroups(options);
  return [...before, ['panelbake-prepare', ['--table', TABLE_NAME], ...inputs.map(({name}) => name)],
          ...bmps.map((name) => ['panelbake', name, ...groups])];
}

// Whether the frames of the one animation shown are compressed (Compress frames).
/** @param {State} state */
export const compressing = (state) => Boolean(state.options && state.options.compress && state.sources.length === 1 &&
  state.entries.filter((entry) => !entry.error).length > 1);

// The input of one picture's one step: the picture, or, decoded by the browser, its BMP.
/** @param {State} state */
export function singleInput(state) {
  const source = state.sources[0];
  if (!source) return state.placeholder ? state.placeholder.bmp : '';
  return source.kind === 'browser' ? source.bmp : source.name;
}

// panelbake-prepare's one step, with a layout other than pages or compressed frames: on
// the picture, or on a list's with the table. A panel's picture alone is also written as
// its BMP, in a step before (a table of a panel's arrays writes none).
/** @param {State} state @param {Group[]} groups @param {Group[] | null} pictureGroups @returns {Step[]} */
function oneStepSteps(state, groups, pictureGroups) {
  const input = singleInput(state);
  if (state.sources.length < 2 && pictureGroups) {
    return [['panelbake-prepare', input, ...pictureGroups], ['panelbake-prepare', input, ...groups]];
  }
  if (state.sources.length < 2) return [['panelbake-prepare', input, ...groups]];
  const {before, inputs} = tableInputs(state);
  return [...before, ['panelbake-prepare', ['--table', TABLE_NAME], ...inputs.map(({name}) => name), ...groups]];
}

// With adjustments: each picture prepared at the display's size as on its own, the table
// made over the BMPs written, which pass through, then each converted.
/** @param {State} state @param {import('./options.js').Plan} plan @returns {Step[]} */
function adjustedListSteps(state, plan) {
  /** @type {Step[]} */
  const prepares = [];
  /** @type {string[]} */
  const bmps = [];
  for (const {source, bmps: names} of listedSources(state)) {
    if (source.kind === 'prepare') {
      prepares.push(['panelbake-prepare', source.name, ...plan.prepare, ...(source.renamed ? [['-o', source.bmp]] : [])]);
      bmps.push(...names);
    } else {
      const input = source.kind === 'browser' ? source.bmp : source.name;
      prepares.push(['panelbake-prepare', input, ...plan.prepare, ['-o', source.adjustedBmp]]);
      bmps.push(source.adjustedBmp);
    }
  }
  return [...prepares, ['panelbake-prepare', ['--table', TABLE_NAME], ...bmps],
          ...bmps.map((name) => ['panelbake', name, ...plan.convert])];
}

// The steps of the command line that gives what the page shows and Download all gives: of
// a picture alone, or of a list (several pictures, or an animation's frames).
/** @param {State} state @returns {Step[]} */
export function commandSteps(state) {
  const options = /** @type {import('./state.js').Options} */ (state.options);
  const rules = /** @type {import('./protocol.js').Rules} */ (state.rules);
  const oneStep = oneStepGroups(options, rules, compressing(state));
  if (oneStep) return oneStepSteps(state, oneStep, isList(state) ? null : panelPictureGroups(options, rules));
  const plan = adjustedPlan(options, rules);
  if (!isList(state)) return singleSteps(state, plan, options);
  return plan ? adjustedListSteps(state, plan) : listSteps(state, options);
}

/** @param {string} s */
const shellWord = (s) => (/^[\w@%+=:,./-]+$/.test(s) ? s : `'${s.replace(/'/g, `'\\''`)}'`);

// The command line, each word or option with its value in a span that the line does not
// break inside.
/** @param {State} state */
export function showCommand(state) {
  if (!state.rules || !state.options) return;
  const items = commandSteps(state).flatMap((step, i) => [...(i ? [null] : []), ...step]);
  $('command').replaceChildren(...items.flatMap((item, i) => {
    const span = document.createElement('span');
    span.textContent = item === null ? '&&' : (Array.isArray(item) ? item : [item]).map(shellWord).join(' ');
    return i ? [' ', span] : [span];
  }));
}

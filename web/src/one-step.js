// @ts-check
// SPDX-License-Identifier: MIT
// panelbake-prepare's one step, run in the worker as the command line shows it: with a
// layout other than pages (Download all) and for compressed frames. Its arguments, and the
// pictures it reads by name: a picture panelbake-prepare decodes as it was chosen, any
// other as the BMP the page holds of it.
import {commandSteps, compressing, singleInput, tableInputs} from './command.js';
import {flat, oneStepGroups} from './options.js';
import {PREPARE} from './protocol.js';

/** @typedef {import('./state.js').State} State */
/** @typedef {import('./state.js').Source} Source */
/** @typedef {import('./protocol.js').HeldPicture} HeldPicture */
/** @typedef {{args: string[], text: string, pictures: Record<string, HeldPicture>}} OneStep */

/** @param {State} state @param {Source} source @param {string} name @returns {HeldPicture} */
function pictureOf(state, source, name) {
  if (source.kind === 'prepare' && !source.renamed) return {key: null, blob: source.file};
  const entries = state.entries.filter((entry) => entry.source === source && !entry.error);
  const entry = entries.find((e) => e.name === name) || entries[0];
  return {key: entry.key, blob: entry.blob};
}

// Whether the options make the command line one step of panelbake-prepare's.
/** @param {State} state */
export const isOneStep = (state) => Boolean(state.options && state.rules &&
  oneStepGroups(state.options, state.rules, compressing(state)));

// The step's arguments (its text, to tell one run from another) and pictures.
/** @param {State} state @returns {OneStep} */
export function oneStep(state) {
  const steps = commandSteps(state);
  const args = flat(/** @type {string[][]} */ (steps[steps.length - 1].slice(1).map((word) => [word].flat())));
  const inputs = state.sources.length < 2 ? [{name: singleInput(state), source: state.sources[0]}]
    : tableInputs(state).inputs;
  const pictures = Object.fromEntries(inputs.map(({name, source}) => [name, pictureOf(state, source, name)]));
  return {args, text: args.join('\n'), pictures};
}

// The step run: {code, stdout, stderr, files, failure, compressed}.
/** @param {import('./bridge.js').Methods} methods @param {OneStep} step @param {AbortSignal} signal */
export const runOneStep = (methods, {args, pictures}, signal) =>
  methods.call('run', {factory: PREPARE, args, files: {}, pictures}, {signal});

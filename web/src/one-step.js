// SPDX-License-Identifier: MIT
// panelbake-prepare's one step, run in the worker as the command line shows it: with a
// layout other than pages (Download all) and for compressed frames. Its arguments, and the
// pictures it reads by name: a picture panelbake-prepare decodes as it was chosen, any
// other as the BMP the page holds of it.
import {PREPARE} from './bridge.js';
import {commandSteps, compressing, singleInput, tableInputs} from './command.js';
import {flat, oneStepGroups} from './options.js';

function pictureOf(state, source, name) {
  if (source.kind === 'prepare' && !source.apart) return {key: null, blob: source.file};
  const entries = state.entries.filter((entry) => entry.source === source && !entry.error);
  const entry = entries.find((e) => e.name === name) || entries[0];
  return {key: entry.key, blob: entry.blob};
}

// Whether the options make the command line one step of panelbake-prepare's.
export const isOneStep = (state) => Boolean(oneStepGroups(state.options, state.rules, compressing(state)));

// The step's arguments (its text, to tell one run from another) and pictures.
export function oneStep(state) {
  const steps = commandSteps(state);
  const args = flat(steps[steps.length - 1].slice(1));
  const inputs = state.sources.length < 2 ? [{name: singleInput(state), source: state.sources[0]}]
    : tableInputs(state).inputs;
  const pictures = Object.fromEntries(inputs.map(({name, source}) => [name, pictureOf(state, source, name)]));
  return {args, text: args.join('\n'), pictures};
}

// The step run: {code, stdout, stderr, files, failure, compressed}, or null when abandoned.
export const runOneStep = (methods, {args, pictures}) => methods.run(PREPARE, args, {}, pictures);

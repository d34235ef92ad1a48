// SPDX-License-Identifier: MIT
// The options as the controls set them, and the arguments the programs take for them, as
// groups: an option with its value is one group (["-h", "64"]), so that the command line
// shown keeps them together.
import {$} from './dom.js';

// The controls' values: sizes and the threshold as typed (trimmed), the rest as chosen.
export function readOptions() {
  return {
    width: $('width').value.trim(),
    height: $('height').value.trim(),
    memory: document.querySelector('input[name=memory]:checked').value,
    verbose: $('verbose').checked,
    rotate: $('rotate').value,
    flipH: $('flip-h').checked,
    flipV: $('flip-v').checked,
    invert: $('invert').checked,
    threshold: $('threshold').value.trim(),
    dither: $('dither').value,
  };
}

export const flat = (groups) => groups.flat();

// panelbake's -w and -h; an empty size is not given.
export function sizeGroups({width, height}) {
  return [...(width ? [['-w', width]] : []), ...(height ? [['-h', height]] : [])];
}

// panelbake's options of its output: how the array is declared, and -v.
export function outputGroups({memory, verbose}) {
  return [...(memory ? [[memory]] : []), ...(verbose ? [['-v']] : [])];
}

export const panelbakeGroups = (options) => [...sizeGroups(options), ...outputGroups(options)];

// Whether the rule chosen takes a threshold (a Bayer matrix sets its own cuts).
export function takesThreshold(options, rules) {
  const rule = rules.dithers.find(({name}) => name === options.dither);
  return !rule || rule.takesThreshold;
}

// panelbake-prepare's adjustments and black and white, in the order its usage lists them.
function adjustmentGroups(options, rules) {
  const groups = [];
  if (options.rotate) groups.push(['--rotate', options.rotate]);
  if (options.flipH) groups.push(['--flip', 'h']);
  if (options.flipV) groups.push(['--flip', 'v']);
  if (options.invert) groups.push(['--invert']);
  const reduce = [];
  // An empty threshold, like an empty size, is not given.
  const threshold = options.threshold;
  if (threshold && threshold !== String(rules.threshold.default) && takesThreshold(options, rules)) {
    reduce.push(['--threshold', threshold]);
  }
  if (options.dither) reduce.push(['--dither', options.dither]);
  return {adjust: groups, reduce};
}

// What the page runs for the options: null for panelbake alone (with -w and -h, on the
// prepared picture); otherwise panelbake-prepare with the adjustments at the display's
// size, then panelbake pixel for pixel: {prepare, convert}, each groups of arguments.
export function adjustedPlan(options, rules) {
  const {adjust, reduce} = adjustmentGroups(options, rules);
  if (adjust.length === 0 && reduce.length === 0) return null;
  return {prepare: [...adjust, ...sizeGroups(options), ...reduce], convert: outputGroups(options)};
}

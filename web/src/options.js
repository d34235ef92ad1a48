// @ts-check
// SPDX-License-Identifier: MIT
// The options as the controls set them, and the arguments the programs take for them, as
// groups: an option with its value is one group (["-h", "64"]), so that the command line
// shown keeps them together.
import {$} from './dom.js';

/** @typedef {import('./state.js').Options} Options */
/** @typedef {import('./protocol.js').Rules} Rules */
/** @typedef {string[]} Group an option with its value, or a word alone */
/** @typedef {{prepare: Group[], convert: Group[]}} Plan */

export const PAGES = 'pages';  // panelbake's own layout: its header and preview, in two steps
export const BW = 'bw';        // the panel of black and white, panelbake's own

// The panel's colours as --palette takes them, from their fields: '' where each is the
// panel's own.
function paletteText() {
  const fields = /** @type {HTMLInputElement[]} */ ([...$('panel-colours').querySelectorAll('input[type=color]')]);
  return fields.every((field) => field.value === field.dataset.standard) ? '' : fields.map((field) => field.value).join(',');
}

// The controls' values: sizes and the threshold as typed (trimmed), the rest as chosen.
/** @returns {Options} */
export function readOptions() {
  const memory = /** @type {HTMLInputElement} */ (document.querySelector('input[name=memory]:checked'));
  return {
    width: $('width').value.trim(),
    height: $('height').value.trim(),
    memory: memory.value,
    verbose: $('verbose').checked,
    rotate: $('rotate').value,
    flipH: $('flip-h').checked,
    flipV: $('flip-v').checked,
    invert: $('invert').checked,
    threshold: $('threshold').value.trim(),
    dither: $('dither').value,
    layout: $('layout').value || PAGES,
    panel: $('panel').value || BW,
    colours: paletteText(),
    compress: $('compress').checked,
    palette: $('palette').value,
  };
}

/** @param {Group[]} groups */
export const flat = (groups) => groups.flat();

// panelbake's -w and -h; an empty size is not given.
/** @param {Options} options @returns {Group[]} */
export function sizeGroups({width, height}) {
  return [...(width ? [['-w', width]] : []), ...(height ? [['-h', height]] : [])];
}

// panelbake's options of its output: how the array is declared, and -v.
/** @param {Options} options @returns {Group[]} */
export function outputGroups({memory, verbose}) {
  return [...(memory ? [[memory]] : []), ...(verbose ? [['-v']] : [])];
}

/** @param {Options} options */
export const panelbakeGroups = (options) => [...sizeGroups(options), ...outputGroups(options)];

// The panel chosen, from the rules.
/** @param {Options} options @param {Rules} rules */
export const panelOf = (options, rules) => rules.panels.find(({name}) => name === options.panel) || rules.panels[0];

// Whether the rule chosen takes a threshold (a Bayer matrix sets its own cuts, and a panel
// of colours takes the nearest of them).
/** @param {Options} options @param {Rules} rules */
export function takesThreshold(options, rules) {
  if (options.panel !== BW) return false;
  const rule = rules.dithers.find(({name}) => name === options.dither);
  return !rule || rule.takesThreshold;
}

// panelbake-prepare's adjustments and black and white, in the order its usage lists them.
/** @param {Options} options @param {Rules} rules */
function adjustmentGroups(options, rules) {
  /** @type {Group[]} */
  const groups = [];
  if (options.rotate) groups.push(['--rotate', options.rotate]);
  if (options.flipH) groups.push(['--flip', 'h']);
  if (options.flipV) groups.push(['--flip', 'v']);
  if (options.invert) groups.push(['--invert']);
  /** @type {Group[]} */
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
/** @param {Options} options @param {Rules} rules @returns {Plan | null} */
export function adjustedPlan(options, rules) {
  const {adjust, reduce} = adjustmentGroups(options, rules);
  if (adjust.length === 0 && reduce.length === 0) return null;
  return {prepare: [...adjust, ...sizeGroups(options), ...reduce], convert: outputGroups(options)};
}

// panelbake-prepare's one step for the options with a layout other than pages (its file
// written from the picture as panelbake converts it, adjusted and at the display's size)
// or for compressed frames: groups of arguments, or null where panelbake converts. A
// Python module is declared by no -pgm or -pic30.
/** @param {Options} options @param {Rules} rules @returns {Group[] | null} */
export function oneStepGroups(options, rules, compress = false) {
  if (options.layout === PAGES && !compress && options.panel === BW) return null;
  const {adjust, reduce} = adjustmentGroups(options, rules);
  const layout = panelOf(options, rules).layouts.find(({name}) => name === options.layout);
  const declared = layout && layout.python ? {...options, memory: ''} : options;
  return [...panelGroups(options), ...adjust, ...sizeGroups(options), ...reduce, ...(compress ? [['--compress']] : []),
          ...(options.layout === PAGES ? [] : [['--for', options.layout]]), ...outputGroups(declared)];
}

// The panel and its colours where they are not black and white's.
/** @param {Options} options @returns {Group[]} */
const panelGroups = ({panel, colours}) => (panel === BW ? [] : [['--panel', panel], ...(colours ? [['--palette', colours]] : [])]);

// panelbake-prepare's step that writes a panel's picture (logo_acep7.bmp), beside the one of
// its arrays: the same groups without --for, nor how the arrays are declared; null for
// black and white.
/** @param {Options} options @param {Rules} rules @returns {Group[] | null} */
export function panelPictureGroups(options, rules) {
  if (options.panel === BW) return null;
  const {adjust, reduce} = adjustmentGroups(options, rules);
  return [...panelGroups(options), ...adjust, ...sizeGroups(options), ...reduce, ...(options.verbose ? [['-v']] : [])];
}

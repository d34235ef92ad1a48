// @ts-check
// SPDX-License-Identifier: MIT
// The adjustment controls as the C++ side's rules make them: the dithering rules offered,
// the threshold's default and range; the threshold's field and slider following each other
// and standing aside for a rule that sets its own cuts; and the notes beside the fields: on
// a threshold panelbake-prepare refuses (as its parser says), on what panelbake makes of a
// size that is not one, and on Compress frames where the command line refuses it.
import {$, showNote} from './dom.js';
import {flat, takesThreshold} from './options.js';

/** @typedef {import('./protocol.js').Rules} Rules */
/** @typedef {import('./state.js').Options} Options */
/** @typedef {import('./bridge.js').Methods} Methods */

/** @param {import('./protocol.js').Layout[]} layouts */
const layoutOptions = (layouts) => layouts.map(({name, readBy}) => new Option(`${name}: ${readBy}`, name));

// The dither list, the panels, the layouts and the threshold's range, from the rules.
/** @param {Rules} rules */
export function setUpControls(rules) {
  $('panel').replaceChildren(...rules.panels.map(({name, colours}) =>
    new Option(`${name}: ${colours.map((colour) => colour.name).join(', ')}`, name)));
  $('array-panel').replaceChildren(new Option('the text\'s own', ''), ...rules.panels.map(({name}) => new Option(name, name)));
  setArrayPanel(rules, '');
  setPanel(rules, rules.panels[0].name);
  const dither = $('dither');
  dither.replaceChildren(new Option('none', ''), ...rules.dithers.map(({name, takesThreshold: cut}) =>
    new Option(cut ? name : `${name}: ordered, its own cuts`, name)));
  const slider = $('threshold-slider');
  slider.min = String(rules.threshold.least);
  slider.max = String(rules.threshold.most);
  slider.value = $('threshold').value = String(rules.threshold.default);
  $('threshold-range').textContent = `${rules.threshold.least}–${rules.threshold.most} (${rules.threshold.default}:` +
    ' panelbake\'s own cut)';
}

// The panel chosen (one the rules do not have: black and white): Draw with offers the
// layouts it takes (the one chosen stays where it is one of them), a field for each of its
// colours by value (`colours` as --palette gives them, else its own), and the threshold only
// for black and white.
/** @param {Rules} rules @param {string} name */
export function setPanel(rules, name, colours = '') {
  const panel = rules.panels.find((p) => p.name === name) || rules.panels[0];
  $('panel').value = panel.name;
  const layout = $('layout').value;
  $('layout').replaceChildren(...layoutOptions(panel.layouts));
  if (panel.layouts.some((l) => l.name === layout)) $('layout').value = layout;
  const given = colours.split(',');
  $('panel-colour-fields').replaceChildren(...panel.colours.map(({value, name: colourName, standard}, i) => {
    const field = Object.assign(document.createElement('input'), {type: 'color', value: standard});
    field.dataset.standard = standard;
    if (/^#[0-9a-f]{6}$/i.test(given[i] || '')) field.value = given[i].toLowerCase();
    const label = document.createElement('label');
    label.append(field, ` ${value} ${colourName}`);
    return label;
  }));
  const bw = panel === rules.panels[0];
  $('panel-colours').hidden = bw;
  $('threshold-label').hidden = $('threshold-fields').hidden = $('threshold-hint').hidden = !bw;
}

// Bytes back to a picture's panel: its layouts offered (for the text's own panel, every
// layout a panel takes, once each), the one chosen kept where it is one of them.
/** @param {Rules} rules @param {string} name */
export function setArrayPanel(rules, name) {
  const panel = rules.panels.find((p) => p.name === name);
  const all = rules.panels.flatMap((p) => p.layouts);
  const layouts = panel ? panel.layouts : all.filter((layout, i) => all.findIndex((l) => l.name === layout.name) === i);
  const layout = $('array-layout').value;
  $('array-layout').replaceChildren(...layoutOptions(layouts));
  if (layouts.some((l) => l.name === layout)) $('array-layout').value = layout;
}

// The panel's colours back to its own.
export function resetPanelColours() {
  for (const field of /** @type {NodeListOf<HTMLInputElement>} */ ($('panel-colour-fields').querySelectorAll('input'))) {
    field.value = field.dataset.standard || field.value;
  }
}

// The threshold means nothing to a rule with its own cuts; its field and slider follow
// each other (`from` is the control changed), the slider as near the field's value as it
// goes.
/** @param {Rules} rules @param {Options} options @param {HTMLElement | undefined} from */
export function showThreshold(rules, options, from) {
  const field = $('threshold');
  const slider = $('threshold-slider');
  field.disabled = slider.disabled = !takesThreshold(options, rules);
  if (from === slider) field.value = slider.value;
  else slider.value = field.value.trim() || String(rules.threshold.default);
}

// Beside the threshold: why panelbake-prepare refuses the value typed, as its parser says
// it; nothing where the value is taken, or not given.
/** @param {Methods} questions @param {Options} options @param {Rules} rules @param {AbortSignal} signal */
export async function showThresholdNote(questions, options, rules, signal) {
  const given = options.threshold && options.threshold !== String(rules.threshold.default) && takesThreshold(options, rules);
  const problem = given ? await questions.call('checkOptions', {args: ['picture.png', '--threshold', options.threshold]},
                                               {signal}) : '';
  showNote($('threshold-note'), problem ? `panelbake-prepare refuses it: ${problem}.` : '');
  $('threshold').setAttribute('aria-invalid', String(Boolean(problem)));
}

// Compress frames, where the command line refuses it with the rest of the options (the
// player is C, and a Python module is not): unticked and not offered, with the reason.
/** @param {Methods} questions @param {import('./options.js').Group[] | null} step the one step compressed @param {AbortSignal} signal */
export async function showCompressNote(questions, step, signal) {
  const problem = step ? await questions.call('checkOptions', {args: ['animation.gif', ...flat(step)]}, {signal}) : '';
  const compress = $('compress');
  compress.disabled = Boolean(problem);
  if (problem) compress.checked = false;
  showNote($('compress-note'), problem ? `Not with these options: ${problem}.` : '');
  return !problem;
}

// Beside the size fields: a size that is not a whole number of 1 or more, and what
// panelbake made of it (`picture`, the newest result's, when there is one).
/** @param {Options} options @param {{width: number, height: number} | null} picture */
export function showSizeNotes(options, picture) {
  const notes = [];
  for (const [option, text, side, what] of /** @type {const} */ ([['-w', options.width, 'width', 'wide'],
                                                                    ['-h', options.height, 'height', 'high']])) {
    if (!text || /^[1-9]\d*$/.test(text)) continue;
    const made = picture ? ` panelbake made the picture ${picture[side]} ${picture[side] === 1 ? 'pixel' : 'pixels'} ${what}.` : '';
    notes.push(`${option} "${text}" is not a size of 1 or more.${made}`);
  }
  showNote($('size-note'), notes.join(' '));
}

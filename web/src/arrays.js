// @ts-check
// SPDX-License-Identifier: MIT
// Bytes back to a picture: a C array pasted or loaded is read by panelbake-prepare's reader
// of C arrays (asked in the questions' worker), which draws what fits of it, and shown in
// the page's preview with its byte inspector, as the display shows the bytes in the layout
// chosen. A reading of a new text, or of another array of it, sets the layout and the width
// to those its form tells (panelbake-prepare's own files, panelbake's size macros); a
// width its macros filled in goes with a text that has none, and a width typed stays.
import {isAbandoned} from './bridge.js';
import {setArrayPanel} from './controls.js';
import {$, showNote} from './dom.js';
import {pageFailure} from './failures.js';
import {bytesText, counted} from './text.js';

/** @typedef {import('./state.js').State} State */
/** @typedef {import('./protocol.js').ReadArray} ReadArray */
/** @typedef {import('./bridge.js').Methods} Methods */
/** @typedef {(picture: import('./protocol.js').Picture | null, layout: string, summary: string) => void} Show */

const ARRAY_TEXT_SHOWN = 1 << 20;  // characters of a loaded file shown in the box
const ARRAY_READ_AFTER_MS = 150;   // typing pauses this long before the text is read

/** @param {string[]} problems */
function showArrayProblems(problems) {
  const list = $('array-problems');
  list.replaceChildren(...problems.map((problem) => {
    const item = document.createElement('li');
    item.textContent = problem;
    return item;
  }));
  list.hidden = problems.length === 0;
}

// What the summary says of a reading: the picture read and what of the bytes did not fit
// it, or why there is none (with problems, the first; the others are listed under the box).
/** @param {ReadArray} read */
export function arraySummary(read) {
  if (read.refusal) {
    const more = read.problemCount - 1;
    return read.refusal.split('\n')[0] + (more > 0 ? ` (and ${counted(more, 'more problem')}, listed under the box).` : '');
  }
  return `${read.read.charAt(0).toUpperCase()}${read.read.slice(1)}` + read.unfit.map((said) => `; ${said}`).join('') + '.' +
    read.notes.map((note) => ` ${note}`).join('');
}

/** @param {ReadArray} read */
function showChoice({arrays, chosen}) {
  $('array-choice').hidden = arrays.length < 2;
  if (arrays.length < 2) return;
  $('array-name').replaceChildren(...arrays.map(({name, line, count}) =>
    new Option(`${name || 'without a name'}, line ${line}: ${bytesText(count)}`, name)));
  $('array-name').selectedIndex = chosen;
}

// A panel's picture read back is shown in the panel's own colours (a value it has no colour
// for, white).
/** @param {State} state @param {ReadArray} read */
function colourPanel(state, read) {
  const picture = read.picture;
  const panel = picture && picture.panel && state.rules && state.rules.panels.find(({name}) => name === read.panel);
  if (!picture || !picture.panel || !panel) return;
  picture.panel.colours.fill(255);
  for (const {value, standard} of panel.colours) {
    picture.panel.colours.set([1, 3, 5].map((at) => parseInt(standard.slice(at, at + 2), 16)), 3 * value);
  }
}

// The layout and width a fresh reading found in the text, set in their controls.
/** @param {State} state @param {ReadArray} read */
function fillFromText(state, read) {
  const width = $('array-width');
  if (read.told.layout) $('array-layout').value = read.told.layout;
  if (read.told.width > 0) {
    width.value = state.arrays.filledWidth = String(read.told.width);
  } else if (state.arrays.filledWidth !== null && width.value.trim() === state.arrays.filledWidth) {
    width.value = '';
    state.arrays.filledWidth = null;
  }
}

// Reads the text and shows its bytes: a fresh reading (a new text, another array) or one
// in the layout and width the controls give. An edit keeps the array chosen before, found
// by its name.
/** @param {State} state @param {Methods} questions @param {Show} show @param {boolean} fresh @param {string} [choice] */
async function readArray(state, questions, show, fresh, choice) {
  const arrays = state.arrays;
  clearTimeout(arrays.timer);
  arrays.reading.abort();
  arrays.reading = new AbortController();
  const text = arrays.loaded ? arrays.loaded.text : $('array-text').value;
  if (!text.trim()) {
    arrays.read = null;
    showArrayProblems([]);
    $('array-choice').hidden = true;
    return;
  }
  const typed = $('array-width').value.trim();
  const width = fresh && typed === arrays.filledWidth ? '' : typed;
  const kept = choice === undefined ? (arrays.read && arrays.read.arrays[arrays.read.chosen]?.name) || '' : choice;
  let read;
  try {
    read = await questions.call('readArray', {text, choice: kept, panel: $('array-panel').value,
                                              layout: $('array-layout').value, width, fresh}, {signal: arrays.reading.signal});
  } catch (error) {
    if (!isAbandoned(error)) show(null, '', `The text could not be read: ${pageFailure(error)}`);
    return;
  }
  arrays.read = read;
  colourPanel(state, read);
  if (fresh) fillFromText(state, read);
  showChoice(read);
  showArrayProblems(read.problems);
  show(read.picture, read.layout, arraySummary(read));
}

// A file's text goes into the box; one too long for it is kept aside and said so.
/** @param {State} state @param {File | undefined} file @param {() => void} read @param {Show} show */
async function loadArrayFile(state, file, read, show) {
  if (!file) return;
  let text;
  try {
    text = await file.text();
  } catch (error) {
    show(null, '', `${file.name} could not be read.`);
    return;
  }
  state.arrays.loaded = text.length > ARRAY_TEXT_SHOWN ? {name: file.name, text} : null;
  $('array-text').value = state.arrays.loaded ? '' : text;
  showNote($('array-loaded'), state.arrays.loaded ? `${file.name} is read: ${counted(text.length, 'character')}, too` +
    ' many to show in the box. Typing in the box replaces it.' : '');
  read();
}

// The section's controls. `show` shows what the bytes make, or why nothing.
/** @param {State} state @param {Methods} questions @param {Show} show */
export function wireArrays(state, questions, show) {
  const fresh = () => readArray(state, questions, show, true);
  const again = () => readArray(state, questions, show, false);
  /** @param {File | undefined} file */
  const load = (file) => loadArrayFile(state, file, fresh, show);
  $('array-text').addEventListener('input', () => {
    if (state.arrays.loaded) {
      state.arrays.loaded = null;
      $('array-loaded').hidden = true;
    }
    clearTimeout(state.arrays.timer);
    state.arrays.timer = window.setTimeout(fresh, ARRAY_READ_AFTER_MS);
  });
  $('array-name').addEventListener('change', () => readArray(state, questions, show, true, $('array-name').value));
  $('array-layout').addEventListener('change', again);
  $('array-panel').addEventListener('change', () => {
    if (state.rules) setArrayPanel(state.rules, $('array-panel').value);
    again();
  });
  $('array-width').addEventListener('input', () => {
    state.arrays.filledWidth = null;
    again();
  });
  $('array-file').addEventListener('change', () => load($('array-file').files?.[0]));
  // A file dropped on the box is read as text, not taken as a picture; text dropped on it
  // is the browser's to insert.
  $('array-text').addEventListener('drop', (event) => {
    event.stopPropagation();
    $('drop').classList.remove('over');
    if (!event.dataTransfer || !event.dataTransfer.files.length) return;
    event.preventDefault();
    load(event.dataTransfer.files[0]);
  });
  return {loadArrayFile: load};
}

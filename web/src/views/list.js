// @ts-check
// SPDX-License-Identifier: MIT
// The list of pictures: each BMP (a GIF gives one per frame) with a small preview, its
// name and what it was made from, its size and messages; a picture that failed says why.
// Selecting one shows it below. It is shown for several pictures, and for one that gives
// several BMPs. The rows are the list's items, in the entries' order; a small preview says
// which result it shows (data-drawn), so that it is drawn once.
import {compressing} from '../command.js';
import {$} from '../dom.js';
import {isOneStep} from '../one-step.js';
import {isCurrent, isList, madeEntries} from '../state.js';
import {bytesText, counted, firstLines} from '../text.js';
import {pageColumnPixels} from './preview.js';

/** @typedef {import('../state.js').State} State */
/** @typedef {import('../state.js').Entry} Entry */
/** @typedef {import('../protocol.js').Picture} Picture */

const THUMB_WIDTH = 128;        // the largest small preview, in pixels: 1 to 1 up to 128 × 64
const THUMB_HEIGHT = 64;
const THUMB_MESSAGE_LINES = 3;  // lines of a picture's messages shown in the list

/** @param {string} className */
function span(className, text = '') {
  const element = document.createElement('span');
  element.className = className;
  element.textContent = text;
  return element;
}

// A row; `select` is called with the entry when it is chosen.
/** @param {Entry} entry @param {(entry: Entry) => void} select */
function makeRow(entry, select) {
  const row = document.createElement('li');
  const button = document.createElement('button');
  button.type = 'button';
  button.className = 'entry';
  const thumb = document.createElement('canvas');
  thumb.className = 'thumb';
  thumb.hidden = true;
  thumb.setAttribute('aria-hidden', 'true');
  // The file it comes from, where that is not the BMP itself (a GIF's frame, a PNG).
  const from = entry.source.name !== entry.name ? `from ${entry.source.name}` : '';
  button.append(thumb, span('name', entry.name), span('source', from), span('size'), span('messages'));
  button.addEventListener('click', () => select(entry));
  row.append(button);
  return row;
}

// The small preview: the 1-bit result in the display's colours, every pixel where it fits,
// else sampled; `drawn` names the result, and one drawn already is not drawn again.
/** @param {HTMLCanvasElement} canvas @param {Picture | null} picture @param {string} drawn */
function drawThumb(canvas, picture, drawn) {
  canvas.hidden = !picture;
  if (!picture || canvas.dataset.drawn === drawn) return;
  const {width, height} = picture;
  const scale = Math.min(1, THUMB_WIDTH / width, THUMB_HEIGHT / height);
  const w = Math.max(1, Math.round(width * scale));
  const h = Math.max(1, Math.round(height * scale));
  canvas.width = w;
  canvas.height = h;
  /** @type {CanvasRenderingContext2D} */ (canvas.getContext('2d')).putImageData(pageColumnPixels(picture, w, h, scale), 0, 0);
  canvas.dataset.drawn = drawn;
}

/** @param {State} state @param {Entry} entry @param {HTMLElement} row */
function showRow(state, entry, row) {
  const [size, messages] = row.querySelectorAll('.size, .messages');
  const canvas = /** @type {HTMLCanvasElement} */ (row.querySelector('canvas'));
  const result = entry.result && isCurrent(state, entry) ? entry.result : null;
  const why = entry.error || (result && result.failed);
  row.classList.toggle('failed', Boolean(why));
  row.classList.toggle('stale', !why && !result);
  if (why) {
    size.textContent = '';
    messages.textContent = why;
    drawThumb(canvas, null, '');
  } else if (!result || result.failed !== null) {
    size.textContent = bytesText(entry.size);
    messages.textContent = 'Converting…';
  } else {
    const {picture, header} = result;
    size.textContent = `${picture.width} × ${picture.height} pixels, ${bytesText(picture.grid.bytes)}` +
      ` (header ${bytesText(header.blob.size)})`;
    const [shown, more] = firstLines(result.stdout + result.stderr, THUMB_MESSAGE_LINES);
    messages.textContent = more ? `${shown}… and ${counted(more, 'more line')}` : shown;
    drawThumb(canvas, picture, `${result.run}`);
  }
}

// The rows of entries new to the list are added, and every row shows its entry.
/** @param {State} state @param {(entry: Entry) => void} select */
export function showList(state, select) {
  $('batch').hidden = !isList(state);
  const list = $('batch-list');
  const rows = /** @type {HTMLElement[]} */ ([...list.children]);
  const fresh = state.entries.slice(rows.length).map((entry) => makeRow(entry, select));
  if (fresh.length > 0) list.append(...fresh);
  state.entries.forEach((entry, i) => {
    const row = rows[i] || fresh[i - rows.length];
    showRow(state, entry, row);
    /** @type {HTMLElement} */ (row.firstChild).setAttribute('aria-current', String(entry === state.selected));
  });
}

// The small previews are drawn again (in other colours).
export function forgetThumbs() {
  for (const canvas of $('batch-list').querySelectorAll('canvas')) delete canvas.dataset.drawn;
}

export function clearList() {
  $('batch').hidden = true;
  $('batch-list').replaceChildren();
  $('batch-zip').hidden = true;
}

// Whether every entry is converted with the newest options, or failed.
/** @param {State} state */
export const listDone = (state) => state.sources.every((source) => source.settled) &&
  state.entries.every((entry) => entry.error || isCurrent(state, entry));

// What Download all gives: panelbake's headers and previews and the table; or, in one step
// of panelbake-prepare, what that writes.
/** @param {State} state */
function zipHint(state) {
  if (compressing(state)) {
    return 'Download all gives one zip of what the command line above writes: the compressed frames\' header and' +
      ' panelbake_play.h, which plays them.';
  }
  if (isOneStep(state)) {
    return 'Download all gives one zip of what the command line above writes: the files of the layout chosen, and no' +
      ' preview BMPs.';
  }
  return 'Download all gives one zip: every header and preview BMP, and pictures.h, which includes the headers and' +
    ' declares the table of their arrays, pictures, and its count, PICTURES_COUNT.';
}

/** @param {State} state */
export function showListState(state) {
  if (!isList(state)) return;
  $('batch-hint').textContent = zipHint(state);
  const done = listDone(state);
  const made = madeEntries(state);
  const failures = state.entries.filter((entry) => entry.error || (isCurrent(state, entry) && entry.result?.failed)).length;
  const count = state.sources.length > 1 ? counted(state.sources.length, 'picture') : counted(state.entries.length, 'frame');
  $('batch-state').textContent = done
    ? `${counted(made.length, 'picture')} converted` + (failures ? `, ${counted(failures, 'failure')}.` : '.')
    : `Preparing and converting ${count}…`;
  $('batch-download').disabled = !done || made.length === 0;
}

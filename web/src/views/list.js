// SPDX-License-Identifier: MIT
// The list of pictures: each BMP (a GIF gives one per frame) with a small preview, its
// name and what it was made from, its size and messages; a picture that failed says why.
// Selecting one shows it below. It is shown for several pictures, and for one that gives
// several BMPs.
import {$} from '../dom.js';
import {isList, doneEntries} from '../state.js';
import {bytesText, counted, firstLines} from '../text.js';
import {pageColumnPixels} from './preview.js';

const THUMB_WIDTH = 128;        // the largest small preview, in pixels: 1 to 1 up to 128 × 64
const THUMB_HEIGHT = 64;
const THUMB_MESSAGE_LINES = 3;  // lines of a picture's messages shown in the list

function span(className, text = '') {
  const element = document.createElement('span');
  element.className = className;
  element.textContent = text;
  return element;
}

// A row; `select` is called with the entry when it is chosen.
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
// else sampled.
function drawThumb(canvas, picture) {
  canvas.hidden = !picture;
  if (!picture) return;
  const {width, height} = picture;
  const scale = Math.min(1, THUMB_WIDTH / width, THUMB_HEIGHT / height);
  const w = Math.max(1, Math.round(width * scale));
  const h = Math.max(1, Math.round(height * scale));
  canvas.width = w;
  canvas.height = h;
  canvas.getContext('2d').putImageData(pageColumnPixels(picture, w, h, scale), 0, 0);
}

export function showRow(state, entry) {
  if (!entry.row) return;
  const [size, messages] = entry.row.querySelectorAll('.size, .messages');
  const result = entry.result && entry.result.run === state.run ? entry.result : null;
  const why = entry.error || (result && result.failed);
  entry.row.classList.toggle('failed', Boolean(why));
  entry.row.classList.toggle('stale', !why && !result);
  if (why) {
    size.textContent = '';
    messages.textContent = why;
    drawThumb(entry.row.querySelector('canvas'), null);
  } else if (!result) {
    size.textContent = bytesText(entry.size);
    messages.textContent = 'Converting…';
  } else {
    const {picture, header} = result;
    size.textContent = `${picture.width} × ${picture.height} pixels, ${bytesText(picture.data.length)}` +
      ` (header ${bytesText(header.blob.size)})`;
    const [shown, more] = firstLines(result.stdout + result.stderr, THUMB_MESSAGE_LINES);
    messages.textContent = more ? `${shown}… and ${counted(more, 'more line')}` : shown;
    if (entry.thumbDrawn !== result) drawThumb(entry.row.querySelector('canvas'), picture);
    entry.thumbDrawn = result;
  }
}

// The rows of entries new to the list are added.
export function showList(state, select) {
  $('batch').hidden = !isList(state);
  const list = $('batch-list');
  const fresh = state.entries.filter((entry) => !entry.row);
  for (const entry of fresh) entry.row = makeRow(entry, select);
  if (fresh.length > 0) list.append(...fresh.map((entry) => entry.row));
  for (const entry of state.entries) showRow(state, entry);
  for (const entry of state.entries) {
    entry.row.firstChild.setAttribute('aria-current', String(entry === state.selected));
  }
}

export function clearList() {
  $('batch').hidden = true;
  $('batch-list').replaceChildren();
  $('batch-zip').hidden = true;
}

// Whether every entry is converted with the newest options, or failed.
export const listDone = (state) => state.sources.every((source) => source.settled) &&
  state.entries.every((entry) => entry.error || (entry.result && entry.result.run === state.run));

export function showListState(state) {
  if (!isList(state)) return;
  const done = listDone(state);
  const made = doneEntries(state).filter((entry) => !entry.result.failed);
  const failures = state.entries.filter((entry) => entry.error || (entry.result && entry.result.run === state.run &&
    entry.result.failed)).length;
  const count = state.sources.length > 1 ? counted(state.sources.length, 'picture') : counted(state.entries.length, 'frame');
  $('batch-state').textContent = done
    ? `${counted(made.length, 'picture')} converted` + (failures ? `, ${counted(failures, 'failure')}.` : '.')
    : `Preparing and converting ${count}…`;
  $('batch-download').disabled = !done || made.length === 0;
}

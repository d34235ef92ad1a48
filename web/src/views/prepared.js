// @ts-check
// SPDX-License-Identifier: MIT
// The prepared picture of the entry shown: its BMP to download (with adjustments, the one
// panelbake-prepare made at the display's size, as the command line writes it), a GIF's
// frames header, the frame chooser of one GIF, and the note on a picture the browser
// decoded.
import {$, offerDownload} from '../dom.js';
import {isCurrent} from '../state.js';
import {bytesText} from '../text.js';

/** @typedef {import('../state.js').State} State */
/** @typedef {import('../state.js').Entry} Entry */
/** @typedef {import('../state.js').Source} Source */

// The BMP offered: the adjusted one of the newest result, else the entry's own where
// panelbake-prepare made it (a BMP taken as it is offers none).
/** @param {State} state @param {Entry} entry */
function preparedBmp(state, entry) {
  const result = entry.result && isCurrent(state, entry) ? entry.result : null;
  if (result && result.failed === null && result.prepared) return result.prepared;
  if (entry.source.kind === 'bmp' && !entry.source.renamed) return null;
  return entry.blob ? {name: entry.name, blob: entry.blob, size: entry.size} : null;
}

/** @param {State} state @param {Source} source */
function showFrames(state, source) {
  const frames = state.entries.filter((entry) => entry.source === source);
  const chooser = $('frame');
  $('frames').hidden = state.sources.length !== 1 || frames.length < 2;
  if (frames.length > 1 && chooser.options.length !== frames.length) {
    chooser.replaceChildren(...frames.map(({name}, i) => new Option(`${i + 1} of ${frames.length}: ${name}`, String(i))));
  }
  if (frames.length > 1) chooser.value = String(frames.indexOf(/** @type {Entry} */ (state.selected)));
}

/** @param {State} state */
export function showPrepared(state) {
  const entry = state.selected;
  if (!entry || entry.error) {
    $('prepared').hidden = true;
    $('frames').hidden = true;
    $('frame').replaceChildren();
    return;
  }
  const {source} = entry;
  const bmp = preparedBmp(state, entry);
  const header = source.framesHeader;
  $('prepared').hidden = !bmp && !header && source.kind !== 'browser';
  $('prepared-download').hidden = !bmp;
  if (bmp) {
    offerDownload($('prepared-download'), bmp.name, bmp.blob, 'image/bmp');
    $('prepared-download').textContent = `Download the prepared BMP, ${bmp.name} (${bytesText(bmp.size)})`;
  }
  $('frames-header-download').hidden = !header;
  if (header) {
    offerDownload($('frames-header-download'), header.name, header.bytes, 'text/plain');
    $('frames-header-download').textContent = `Download the frames header, ${header.name}`;
  }
  $('decoded-by-browser').hidden = source.kind !== 'browser';
  showFrames(state, source);
}

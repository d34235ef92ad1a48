// @ts-check
// SPDX-License-Identifier: MIT
// Compress frames, offered for the one animation shown: the sizes of its frames, raw and
// compressed, as panelbake-prepare --compress makes them (the run the flow keeps for
// Download all, state.compressed).
import {$} from '../dom.js';
import {preparationFailure} from '../failures.js';
import {bytesText, numberText} from '../text.js';

/** @typedef {import('../state.js').State} State */

/** @param {import('../protocol.js').ResultOf<'run'>} done */
const sizesText = (done) => {
  if (done.code !== 0 || !done.compressed) return preparationFailure(done);
  const {raw, stream} = done.compressed;
  return `${bytesText(raw)} of frames raw, ${bytesText(stream)} compressed` +
    ` (${numberText(Math.round(100 * stream / raw))} %).`;
};

// Whether the choice is offered: for one picture that gave frames.
/** @param {State} state */
export const compressOffered = (state) =>
  state.sources.length === 1 && state.entries.filter((entry) => !entry.error).length > 1;

// The sizes of the run of `text`, or that it is under way (none where nothing is compressed).
/** @param {State} state @param {string | null} text */
export function showCompressed(state, text) {
  $('compress-choice').hidden = !compressOffered(state);
  const done = state.compressed && state.compressed.text === text ? state.compressed.done : null;
  $('compress-sizes').textContent = text === null ? '' : done ? sizesText(done) : 'Compressing…';
}

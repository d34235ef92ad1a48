// SPDX-License-Identifier: MIT
// Compress frames, offered for the one animation shown: the sizes of its frames, raw and
// compressed, as panelbake-prepare --compress makes them, run as the command line shows it.
// The run is kept (state.compressed) for Download all, which gives what it writes: the
// compressed frames header and panelbake_play.h.
import {compressing} from '../command.js';
import {$} from '../dom.js';
import {preparationFailure} from '../failures.js';
import {oneStep, runOneStep} from '../one-step.js';
import {bytesText, numberText} from '../text.js';

const sizesText = (done) => {
  if (done.code !== 0 || !done.compressed) return preparationFailure(done);
  const {raw, stream} = done.compressed;
  return `${bytesText(raw)} of frames raw, ${bytesText(stream)} compressed` +
    ` (${numberText(Math.round(100 * stream / raw))} %).`;
};

export async function showCompressed(state, methods) {
  const frames = state.entries.filter((entry) => !entry.error).length;
  $('compress-choice').hidden = state.sources.length !== 1 || frames < 2;
  const sizes = $('compress-sizes');
  if (!compressing(state)) {
    sizes.textContent = '';
    return;
  }
  const step = oneStep(state);
  if (state.compressed && state.compressed.text === step.text) {
    sizes.textContent = sizesText(state.compressed.done);
    return;
  }
  sizes.textContent = 'Compressing…';
  const done = await runOneStep(methods, step);
  if (!done || !compressing(state) || oneStep(state).text !== step.text) return;
  state.compressed = {text: step.text, done};
  sizes.textContent = sizesText(done);
}

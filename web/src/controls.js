// SPDX-License-Identifier: MIT
// The adjustment controls as the C++ side's rules make them: the dithering rules offered,
// the threshold's default and range; the threshold's field and slider following each other
// and standing aside for a rule that sets its own cuts; and the notes beside the size
// fields on what panelbake makes of a size that is not one.
import {$} from './dom.js';
import {takesThreshold} from './options.js';

// The dither list and the threshold's range, from the rules.
export function setUpControls(rules) {
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

// The threshold means nothing to a rule with its own cuts; its field and slider follow
// each other (`from` is the control changed).
export function showThreshold(rules, options, from) {
  const field = $('threshold');
  const slider = $('threshold-slider');
  field.disabled = slider.disabled = !takesThreshold(options, rules);
  if (from === slider) field.value = slider.value;
  else if (/^\d+$/.test(field.value.trim()) && Number(field.value) <= rules.threshold.most) slider.value = field.value.trim();
}

// Beside the size fields: a size that is not a whole number of 1 or more, and what
// panelbake made of it (`picture`, the newest result's, when there is one).
export function showSizeNotes(options, picture) {
  const notes = [];
  for (const [option, text, side, what] of [['-w', options.width, 'width', 'wide'], ['-h', options.height, 'height', 'high']]) {
    if (!text || /^[1-9]\d*$/.test(text)) continue;
    const made = picture ? ` panelbake made the picture ${picture[side]} ${picture[side] === 1 ? 'pixel' : 'pixels'} ${what}.` : '';
    notes.push(`${option} "${text}" is not a size of 1 or more.${made}`);
  }
  $('size-note').hidden = notes.length === 0;
  $('size-note').textContent = notes.join(' ');
}

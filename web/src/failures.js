// SPDX-License-Identifier: MIT
// What a failure means, as the page says it: from the kind of failure panelbake hands over
// and panelbake-prepare's documented exit codes, never from the text of a message.
import {numberText} from './text.js';

// panelbake's failures (web/module/panelbake_page.cpp names them), as the README's table
// of exit codes says them.
const CONVERSION_MEANINGS = {
  'source-not-opened': "the picture can't be opened",
  'not-supported-bmp': 'the file opens but is not a BMP this program reads',
  'source-out-of-memory': 'reading the picture ran out of memory',
  'preview-not-written': "the preview can't be written or read back",
  'header-not-written': "the header can't be written (it is never left half written)",
  'target-too-large': 'the target is too large (a side beyond 32 bits, or more than 268,435,456 pixels)',
  'conversion-out-of-memory': 'memory ran out while converting',
};

// panelbake-prepare's exit codes (its usage's table).
const PREPARATION_MEANINGS = {
  1: 'an option is wrong', 2: "the picture can't be read", 3: 'the picture is damaged or not one it reads',
  4: 'the picture is too large', 5: 'an output exists', 6: "an output can't be written", 7: 'memory ran out',
};

// A conversion by panelbake that failed: {code, stderr, failure} as the worker answers.
export function conversionFailure({code, stderr, failure}, options) {
  if (code === null) return `panelbake stopped unexpectedly: ${stderr.trim()}`;
  const kind = failure ? failure.kind : null;
  const hint = kind === 'not-supported-bmp' && !options.verbose ? ' Tick -v to see why.' : '';
  return `Failed with exit code ${numberText(code)}: ${CONVERSION_MEANINGS[kind] || 'the conversion failed'}.${hint}`;
}

// panelbake-prepare's adjustments that failed.
export function preparationFailure({code, stderr, failure}) {
  if (code === null) return `panelbake-prepare stopped unexpectedly: ${stderr.trim()}`;
  const reason = failure ? failure.message : '';
  return `panelbake-prepare failed with exit code ${code}: ${PREPARATION_MEANINGS[code] || 'it failed'}` +
    `${reason ? ` (${reason})` : ''}.`;
}

// A picture that could not be prepared.
export function decodingFailure(source, {code, stderr, failure}) {
  if (failure && failure.kind === 'browser') return 'The picture could not be decoded: the browser does not read it';
  if (code === null) return `The picture could not be decoded: panelbake-prepare stopped unexpectedly: ${stderr.trim()}`;
  const reason = failure && failure.message ? failure.message : `${source.name} gave no picture`;
  return `The picture could not be decoded: ${reason}`;
}

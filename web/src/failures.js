// @ts-check
// SPDX-License-Identifier: MIT
// The page's words for a failure, all of them here. A failure comes as data from the
// programs' page builds (web/module/): panelbake's kind of failure (RunFailure,
// converter/run_notes.h) or panelbake-prepare's exit (PrepareExit, prepare/prepare_run.h),
// each by its name, with panelbake-prepare's message. The page reads no message's text for
// its meaning.
import {numberText} from './text.js';

/** @typedef {import('./protocol.js').RunSaid} RunSaid */

// panelbake's kinds of failure, as the README's table of exit codes says them.
/** @type {Record<string, string>} */
const CONVERSION_MEANINGS = {
  'no-picture': 'no picture was given',
  'source-not-opened': "the picture can't be opened",
  'not-supported-bmp': 'the file opens but is not a BMP this program reads',
  'source-out-of-memory': 'reading the picture ran out of memory',
  'preview-not-written': "the preview can't be written or read back",
  'header-not-written': "the header can't be written (it is never left half written)",
  'target-too-large': 'the target is too large (a side beyond 32 bits, or more than 268,435,456 pixels)',
  'conversion-out-of-memory': 'memory ran out while converting',
};

// panelbake-prepare's exits, as its usage says them.
/** @type {Record<string, string>} */
const PREPARATION_MEANINGS = {
  'command-line-error': 'an option is wrong',
  'source-unreadable': "the picture can't be read",
  'not-a-picture': 'the picture is damaged or not one it reads',
  'picture-too-large': 'the picture is too large',
  'output-exists': 'an output exists',
  'output-failed': "an output can't be written",
  'out-of-memory': 'memory ran out',
  'array-unfit': "the array's layout or width is not told, or its bytes do not fill its picture",
  'frames-too-large': 'the frames are too large for panelbake_play.h',
};

// How a picture that gives no BMP is introduced, by panelbake-prepare's exit.
/** @type {Record<string, string>} */
const NOT_PREPARED = {
  'picture-too-large': 'The picture is too large',
  'out-of-memory': 'The picture takes more memory than there is',
  'source-unreadable': 'The picture could not be read',
};
const NOT_DECODED = 'The picture could not be decoded';

// A conversion by panelbake that failed: the run's exit and failure.
/** @param {RunSaid} done @param {{verbose: boolean}} options */
export function conversionFailure({code, stderr, failure}, options) {
  if (code === null) return `panelbake stopped unexpectedly: ${stderr.trim()}`;
  const kind = failure ? failure.kind : '';
  const hint = kind === 'not-supported-bmp' && !options.verbose ? ' Tick -v to see why.' : '';
  return `Failed with exit code ${numberText(code)}: ${CONVERSION_MEANINGS[kind] || 'the conversion failed'}.${hint}`;
}

// panelbake-prepare's adjustments, or its file in a layout, that failed.
/** @param {RunSaid} done */
export function preparationFailure({code, stderr, failure}) {
  if (code === null) return `panelbake-prepare stopped unexpectedly: ${stderr.trim()}`;
  const meaning = (failure && PREPARATION_MEANINGS[failure.kind]) || 'it failed';
  const reason = failure ? failure.message : '';
  return `panelbake-prepare failed with exit code ${code}: ${meaning}${reason ? ` (${reason})` : ''}.`;
}

// A picture that could not be prepared.
/** @param {{name: string}} source @param {RunSaid} done */
export function decodingFailure(source, {code, stderr, failure}) {
  if (failure && failure.kind === 'browser') return `${NOT_DECODED}: the browser does not read it`;
  if (code === null) return `${NOT_DECODED}: panelbake-prepare stopped unexpectedly: ${stderr.trim()}`;
  const reason = failure && failure.message ? failure.message : `${source.name} gave no picture`;
  return `${(failure && NOT_PREPARED[failure.kind]) || NOT_DECODED}: ${reason}`;
}

// Why a picture's file cannot be read at all.
/** @param {{name: string}} source */
export const unreadable = (source) => `${source.name} could not be read.`;

// A failure that is no program's: the worker stopped, say.
/** @param {unknown} error */
export const pageFailure = (error) => (error instanceof Error ? error.message : String(error));

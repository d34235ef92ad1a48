// @ts-check
// SPDX-License-Identifier: MIT
// The page's questions of the C++ side, answered by an instance of a program that runs
// none (web/module/): the rules, what the pictures chosen are, how a layout's bytes fill a
// picture and where a pixel lies in them, C text read back into a picture, and whether
// panelbake-prepare takes a command line. Bytes go in and out through the instance's
// memory, not as text.
import {PANELBAKE, PREPARE} from '../protocol.js';
import {decodedByBrowser} from './browser-picture.js';

/** @typedef {import('./programs.js').Programs} Programs */
/**
 * @template {import('../protocol.js').Method} M
 * @typedef {import('./jobs.js').Job<M>} Job
 */

const ARRAY_TEXT = '/array.txt';
const HEAD_BYTES = 12;  // of a picture chosen, to tell its format

// The threshold, the dithering rules and the layouts.
/** @type {Job<'rules'>} */
export async function rules({programs}) {
  const instance = await programs.query(PANELBAKE);
  return JSON.parse(instance.ccall('panelbake_page_rules', 'string', [], []));
}

// The formats of the pictures chosen together, from their first bytes (none where a file
// cannot be read), and their BMPs' names.
/** @type {Job<'sources'>} */
export async function sources({programs}, {files}) {
  const instance = await programs.query(PANELBAKE);
  const heads = await Promise.all(files.map((file) => file.slice(0, HEAD_BYTES).arrayBuffer()
    .then((head) => new Uint8Array(head), () => null)));
  /** @type {{bmp: string, adjustedBmp: string, renamed: boolean}[]} */
  const names = JSON.parse(instance.ccall('panelbake_page_names', 'string', ['string'],
                                          [files.map((file) => file.name).join('\n')]));
  return heads.map((head, i) => {
    if (!head) return {format: '', byBrowser: false, ...names[i]};  // a file that cannot be read
    const format = instance.ccall('panelbake_page_format', 'string', ['array', 'number'], [head, head.length]);
    return {format, byBrowser: format === 'unknown' && decodedByBrowser(head), ...names[i]};
  });
}

// The grid of a layout's bytes for a width x height picture of a panel (of each array).
/** @param {Programs} programs @param {string} layout @param {number} width @param {number} height */
export async function gridOf(programs, layout, width, height, panel = 'bw') {
  const instance = await programs.query(PANELBAKE);
  return JSON.parse(instance.ccall('panelbake_page_grid', 'string', ['string', 'string', 'number', 'number'],
                                   [layout, panel, width, height]));
}

// Where pixel (x, y) of a width x height picture lies in a layout's bytes.
/** @type {Job<'place'>} */
export async function place({programs}, {layout, width, height, x, y}) {
  const instance = await programs.query(PANELBAKE);
  return JSON.parse(instance.ccall('panelbake_page_place', 'string', ['string', 'number', 'number', 'number', 'number'],
                                   [layout, width, height, x, y]));
}

// Where pixel (x, y) of a panel's width x height picture lies in the arrays of a layout.
/** @type {Job<'panelPlace'>} */
export async function panelPlace({programs}, {layout, panel, width, height, x, y}) {
  const instance = await programs.query(PREPARE);
  return JSON.parse(instance.ccall('panelbake_page_panel_place', 'string',
                                   ['string', 'string', 'number', 'number', 'number', 'number'],
                                   [layout, panel, width, height, x, y]));
}

// C text read by panelbake-prepare's own reader of C arrays (web/module/page_arrays.cpp),
// as the arrays of the panel, in the layout and at the width the page gives, or, in a fresh
// reading, those the text tells; its picture's page columns, or a panel's values (their
// colours are the page's to give), from the instance's memory.
/** @type {Job<'readArray'>} */
export async function readArray({programs}, {text, choice, panel, layout, width, fresh}) {
  const instance = await programs.query(PREPARE);
  instance.FS.writeFile(ARRAY_TEXT, text);
  const read = JSON.parse(instance.ccall('panelbake_page_panel_array', 'string',
                                         ['string', 'string', 'string', 'string', 'string', 'number'],
                                         [ARRAY_TEXT, choice, panel, layout, width, fresh ? 1 : 0]));
  instance.FS.unlink(ARRAY_TEXT);
  if (read.picture) {
    const at = instance.ccall('panelbake_page_array_bytes', 'number', [], []);
    read.picture.data = instance.HEAPU8.slice(at, at + read.picture.columnBytes);
  }
  if (read.picture && read.picture.values) {
    const at = instance.ccall('panelbake_page_array_values', 'number', [], []);
    read.picture.panel = {panel: read.panel, values: instance.HEAPU8.slice(at, at + read.picture.values),
                          colours: new Uint8Array(48)};
  }
  return read;
}

// Why panelbake-prepare refuses the arguments (after its name), or '' where it takes them.
/** @type {Job<'checkOptions'>} */
export async function checkOptions({programs}, {args}) {
  const instance = await programs.query(PREPARE);
  return instance.ccall('panelbake_page_options', 'string', ['string'], [args.join('\n')]);
}

// Each of the outputs, in the pictures' order, refused where one before it writes it, as a
// run of panelbake-prepare claims its outputs: the refusal, or ''.
/** @type {Job<'claims'>} */
export async function claims({programs}, {paths}) {
  const instance = await programs.query(PREPARE);
  return JSON.parse(instance.ccall('panelbake_page_claims', 'string', ['string'], [paths.join('\n')]));
}

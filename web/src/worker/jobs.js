// @ts-check
// SPDX-License-Identifier: MIT
// The page's jobs, each one or two runs of the programs: a picture prepared, a prepared
// BMP converted (after panelbake-prepare's adjustments, where asked for, or into a layout
// of display libraries), the prepared BMPs as Blobs, and a run as a script asks for it.
// `bmps` (prepared-bmps.js) keeps the prepared BMPs; a picture to convert is {key, blob},
// its key there and its Blob.
import {PANELBAKE, PREPARE} from '../protocol.js';
import {browserPicture} from './browser-picture.js';
import {gridOf} from './questions.js';
import {fileBlob, fileBytes, fileStart, runProgram} from './runs.js';

/** @typedef {import('./programs.js').Programs} Programs */
/** @typedef {import('./prepared-bmps.js').PreparedBmps} PreparedBmps */
/** @typedef {import('./runs.js').Run} Run */
/** @typedef {{programs: Programs, bmps: PreparedBmps}} Held what a worker holds */
/**
 * @template {import('../protocol.js').Method} M
 * @typedef {(held: Held, args: import('../protocol.js').ArgsOf<M>) => Promise<import('../protocol.js').ResultOf<M>>} Job
 */

const ADJUSTED_DIR = 'adjusted';
const BLOB_PIECE = 4 << 20;

// What a run said, for the page: its exit status, messages, and the failure it handed over.
/** @param {Run} run @returns {import('../protocol.js').RunSaid} */
const runSaid = ({code, stdout, stderr, notes}) => ({code, stdout, stderr, failure: notes.failure || null});

// A picture prepared by panelbake-prepare (one the browser decodes, handed over as pixels
// with alpha). Its BMPs (a GIF's frames) are kept under `key`/their names and answered with
// their sizes; its frames header comes as bytes.
/** @type {Job<'prepare'>} */
export async function prepare({programs, bmps}, {key, name, file, output, byBrowser}) {
  const source = byBrowser ? await browserPicture(file) : file;
  if (!source) {
    return {code: null, stdout: '', stderr: '', failure: {kind: 'browser', message: ''}, bmps: [], framesHeader: null};
  }
  const args = output ? [name, '-o', output] : [name];
  const run = await runProgram(programs, {factory: PREPARE, args, lent: {[name]: source}});
  const made = run.written.filter((path) => /\.bmp$/i.test(path)).sort().map((path) => {
    const bytes = fileBytes(run, path);
    bmps.put(`${key}/${path}`, bytes);
    return {name: path, key: `${key}/${path}`, size: bytes.length};
  });
  const header = run.written.find((path) => path.endsWith('.h'));
  return {...runSaid(run), bmps: made, framesHeader: header ? {name: header, bytes: fileBytes(run, header)} : null};
}

// A written file for the page: its name, its Blob and its first `shown` bytes.
/** @param {Run} run @param {string | undefined} path @param {string} type @param {number} shown */
const shownFile = (run, path, type, shown) =>
  (path ? {name: path, blob: fileBlob(run, path, type), start: fileStart(run, path, shown)} : null);

// The picture a run handed over, with the grid of the layout its file holds: as page
// columns, or a panel's values and colours.
/** @param {Programs} programs @param {Run} run @param {string} layout @param {string} panel */
async function pictureOf(programs, run, layout, panel = 'bw') {
  if (run.code !== 0) return null;
  const {picture, panelPicture} = run.notes;
  if (panelPicture) {
    const {width, height, values, colours} = panelPicture;
    return {width, height, data: new Uint8Array(0), panel: {panel, values, colours},
            grid: await gridOf(programs, layout, width, height, panel)};
  }
  return picture ? {...picture, grid: await gridOf(programs, layout, picture.width, picture.height)} : null;
}

// What a run that writes panelbake's header and preview gives the page.
/** @param {Programs} programs @param {Run} run @param {number} headerShown */
async function pagesResult(programs, run, headerShown) {
  const preview = run.written.find((path) => path.endsWith('.bmp'));
  return {
    ...runSaid(run),
    picture: await pictureOf(programs, run, 'pages'),
    header: shownFile(run, run.written.find((path) => path.endsWith('.h')), 'text/plain', headerShown),
    preview: preview ? {name: preview, blob: fileBlob(run, preview, 'image/bmp')} : null,
  };
}

// panelbake on the BMP `name` given as `bytes`.
/** @param {Programs} programs @param {string} name @param {Uint8Array} bytes @param {string[]} args @param {number} headerShown */
async function convertBytes(programs, name, bytes, args, headerShown) {
  const run = await runProgram(programs, {factory: PANELBAKE, args: [name, ...args], owned: {[name]: bytes}});
  return pagesResult(programs, run, headerShown);
}

/** @type {Job<'convert'>} */
export async function convert({programs, bmps}, {picture, name, args, headerShown}) {
  return convertBytes(programs, name, await bmps.bytes(picture), args, headerShown);
}

// A picture's first result in one run: panelbake-prepare --for pages writes panelbake's own
// header and preview, byte for byte those of the two steps, without writing the prepared BMP
// for panelbake to read. Null where the run fails: the two steps then say why, as each
// program says it.
/** @type {Job<'pagesInOneRun'>} */
export async function pagesInOneRun({programs}, {name, file, args, headerShown}) {
  const run = await runProgram(programs, {factory: PREPARE, args: [name, '--for', 'pages', ...args],
                                          lent: {[name]: file}});
  const made = await pagesResult(programs, run, headerShown);
  return run.code === 0 && run.written.length === 2 && made.picture && made.header && made.preview ? made : null;
}

// panelbake-prepare --for on the BMP: the file of a layout other than pages (a header, an X
// bitmap or a Python module), and the picture as panelbake converts it (a panel's values),
// as data; no preview BMP is written, but a panel's BMP by its own step (`pictureArgs`).
/** @type {Job<'layoutFile'>} */
export async function layoutFile({programs, bmps}, {picture, name, layout, panel, args, pictureArgs, headerShown}) {
  const bytes = await bmps.bytes(picture);
  const run = await runProgram(programs, {factory: PREPARE, args: [name, ...args], owned: {[name]: bytes}});
  return {
    ...runSaid(run),
    picture: await pictureOf(programs, run, layout, panel),
    header: run.code === 0 ? shownFile(run, run.written[0], 'text/plain', headerShown) : null,
    preview: run.code === 0 && pictureArgs ? await panelBmp(programs, name, bytes, pictureArgs) : null,
  };
}

// A panel's picture, its BMP, as the step before the arrays' writes it (logo_acep7.bmp).
/** @param {Programs} programs @param {string} name @param {Uint8Array} bytes @param {string[]} args */
async function panelBmp(programs, name, bytes, args) {
  const run = await runProgram(programs, {factory: PREPARE, args: [name, ...args], owned: {[name]: bytes}});
  const path = run.code === 0 ? run.written.find((written) => written.endsWith('.bmp')) : undefined;
  return path ? {name: path, blob: fileBlob(run, path, 'image/bmp')} : null;
}

// The command line's two steps: panelbake-prepare on the BMP with the adjustments, writing
// `output` into a folder of its own (so that it may have the name the command line gives
// it, photo.jpg -> photo.bmp, beside the photo.bmp given), then panelbake on that.
/** @type {Job<'adjust'>} */
export async function adjust({programs, bmps}, {picture, name, output, prepareArgs, args, headerShown}) {
  const written = `${ADJUSTED_DIR}/${output}`;
  const run = await runProgram(programs, {factory: PREPARE, args: [name, ...prepareArgs, '-o', written],
                                          owned: {[name]: await bmps.bytes(picture)}, folders: [ADJUSTED_DIR]});
  if (run.code !== 0 || !run.written.includes(written)) return {preparation: runSaid(run)};
  const bytes = fileBytes(run, written);
  const converted = await convertBytes(programs, output, bytes, args, headerShown);
  const blob = new Blob([/** @type {BlobPart} */ (bytes)], {type: 'image/bmp'});
  return {...converted, prepared: {name: output, blob, size: bytes.length}};
}

// The kept BMPs of `keys` as Blobs, to download and for a fresh worker to read. Copying a
// large picture into a Blob takes a while: it goes in pieces, and the jobs that come
// meanwhile run between them.
/** @type {Job<'blobs'>} */
export async function blobs({bmps}, {keys}) {
  /** @type {Record<string, Blob>} */
  const made = {};
  for (const key of keys) {
    const bytes = bmps.get(key);
    if (!bytes) continue;
    const pieces = [];
    for (let at = 0; at < bytes.length; at += BLOB_PIECE) {
      pieces.push(new Blob([/** @type {BlobPart} */ (bytes.subarray(at, at + BLOB_PIECE))]));
      await new Promise((resolve) => setTimeout(resolve));
    }
    made[key] = new Blob(pieces, {type: 'image/bmp'});
  }
  return made;
}

// A run for a script in the page (window.panelbake.run and .prepare), or for Download all
// (`pictures`: name -> {key, blob}): every file in the working directory afterwards, the
// pictures given aside, as bytes; the failure and compressed frames' sizes handed over.
/** @type {Job<'run'>} */
export async function run({programs, bmps}, {factory, args, files, pictures}) {
  /** @type {Record<string, Uint8Array>} */
  const owned = {};
  for (const [name, picture] of Object.entries(pictures)) owned[name] = await bmps.bytes(picture);
  const done = await runProgram(programs, {factory, args, files, owned});
  const written = Object.fromEntries(done.written.map((path) => [path, fileBytes(done, path)]));
  return {...runSaid(done), files: written, compressed: done.notes.compressed || null};
}

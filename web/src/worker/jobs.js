// SPDX-License-Identifier: MIT
// The page's jobs, each one or two runs of the programs: a picture prepared, a prepared
// BMP converted (after panelbake-prepare's adjustments, where asked for), the prepared BMPs
// as Blobs, and the rules the page asks of the C++ side. `held` (held.js) keeps the
// prepared BMPs; a picture to convert is {key, blob}, its key in `held` and its Blob.
import {browserPicture} from './browser-picture.js';
import {fileBlob, fileBytes, fileStart, runProgram} from './runs.js';

const PANELBAKE = 'createPanelbake';
const PREPARE = 'createPanelbakePrepare';
const ADJUSTED_DIR = 'adjusted';
const BLOB_PIECE = 4 << 20;

// What a run said, for the page: its exit status, messages, and the failure it handed over.
const said = ({code, stdout, stderr, notes}) => ({code, stdout, stderr, failure: notes.failure || null});

// A picture prepared by panelbake-prepare (one the browser decodes, handed over as pixels
// with alpha). Its BMPs (a GIF's frames) are held under `key`/their names and answered with
// their sizes; its frames header comes as bytes.
export async function prepare({programs, held}, {key, name, file, output, byBrowser}) {
  const source = byBrowser ? await browserPicture(file) : file;
  if (!source) return {code: null, stdout: '', stderr: '', failure: {kind: 'browser'}, bmps: [], framesHeader: null};
  const args = output ? [name, '-o', output] : [name];
  const run = await runProgram(programs, {factory: PREPARE, args, lent: {[name]: source}});
  const bmps = run.written.filter((path) => /\.bmp$/i.test(path)).sort().map((path) => {
    const bytes = fileBytes(run, path);
    held.put(`${key}/${path}`, bytes);
    return {name: path, key: `${key}/${path}`, size: bytes.length};
  });
  const header = run.written.find((path) => path.endsWith('.h'));
  return {...said(run), bmps, framesHeader: header ? {name: header, bytes: fileBytes(run, header)} : null};
}

// panelbake on the BMP `name` given as `bytes`: the result's picture as data, its header's
// first `headerShown` bytes, and both files as Blobs.
async function convertBytes(programs, name, bytes, args, headerShown) {
  const run = await runProgram(programs, {factory: PANELBAKE, args: [name, ...args], owned: {[name]: bytes}});
  const header = run.written.find((path) => path.endsWith('.h'));
  const preview = run.written.find((path) => path.endsWith('.bmp'));
  const file = (path, type) => (path ? {name: path, blob: fileBlob(run, path, type)} : null);
  return {
    ...said(run),
    picture: run.code === 0 ? run.notes.picture || null : null,
    header: header ? {...file(header, 'text/plain'), start: fileStart(run, header, headerShown)} : null,
    preview: file(preview, 'image/bmp'),
  };
}

export async function convert({programs, held}, {picture, name, args, headerShown}) {
  return convertBytes(programs, name, await held.bytes(picture), args, headerShown);
}

// The command line's two steps: panelbake-prepare on the BMP with the adjustments, writing
// `output` into a folder of its own (so that it may have the name the command line gives
// it, photo.jpg -> photo.bmp, beside the photo.bmp given), then panelbake on that.
export async function adjust({programs, held}, {picture, name, output, prepareArgs, args, headerShown}) {
  const written = `${ADJUSTED_DIR}/${output}`;
  const run = await runProgram(programs, {factory: PREPARE, args: [name, ...prepareArgs, '-o', written],
                                          owned: {[name]: await held.bytes(picture)}, folders: [ADJUSTED_DIR]});
  if (run.code !== 0 || !run.written.includes(written)) return {preparation: said(run)};
  const bytes = fileBytes(run, written);
  const converted = await convertBytes(programs, output, bytes, args, headerShown);
  return {...converted, prepared: {name: output, blob: new Blob([bytes], {type: 'image/bmp'}), size: bytes.length}};
}

// The held BMPs of `keys` as Blobs, to download and for a fresh worker to read. Copying a
// large picture into a Blob takes a while: it goes in pieces, and the jobs that come
// meanwhile run between them.
export async function blobs({held}, {keys}) {
  const made = {};
  for (const key of keys.filter(held.has)) {
    const bytes = held.get(key);
    const pieces = [];
    for (let at = 0; at < bytes.length; at += BLOB_PIECE) {
      pieces.push(new Blob([bytes.subarray(at, at + BLOB_PIECE)]));
      await new Promise((resolve) => setTimeout(resolve));
    }
    made[key] = new Blob(pieces, {type: 'image/bmp'});
  }
  return made;
}

// A run for a script in the page (window.panelbake.run and .prepare), or for Download all
// (`pictures`: name -> {key, blob}): every file in the working directory afterwards, the
// pictures given aside, as bytes.
export async function run({programs, held}, {factory, args, files, pictures = {}}) {
  const owned = {};
  for (const [name, picture] of Object.entries(pictures)) owned[name] = await held.bytes(picture);
  const done = await runProgram(programs, {factory, args, files, owned});
  const written = Object.fromEntries(done.written.map((path) => [path, fileBytes(done, path)]));
  return {code: done.code, stdout: done.stdout, stderr: done.stderr, files: written};
}

// The rules: the threshold and the dithering names (web/module/panelbake_page.cpp).
export async function rules({programs}) {
  const instance = await programs.query(PANELBAKE);
  return JSON.parse(instance.ccall('panelbake_page_rules', 'string', [], []));
}

// The BMP names of the sources chosen together: [{bmp, beside, apart}], in their order.
export async function names({programs}, {sources}) {
  const instance = await programs.query(PANELBAKE);
  return JSON.parse(instance.ccall('panelbake_page_names', 'string', ['string'], [sources.join('\n')]));
}

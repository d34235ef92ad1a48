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
const ARRAY_TEXT = '/array.txt';

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

// A written file for the page: its name, its Blob and its first `shown` bytes.
const shownFile = (run, path, type, shown) =>
  (path ? {name: path, blob: fileBlob(run, path, type), start: fileStart(run, path, shown)} : null);

// panelbake on the BMP `name` given as `bytes`: the result's picture as data, its header's
// first `headerShown` bytes, and both files as Blobs.
async function convertBytes(programs, name, bytes, args, headerShown) {
  const run = await runProgram(programs, {factory: PANELBAKE, args: [name, ...args], owned: {[name]: bytes}});
  return pagesResult(run, headerShown);
}

// What a run that writes panelbake's header and preview gives the page.
function pagesResult(run, headerShown) {
  const preview = run.written.find((path) => path.endsWith('.bmp'));
  return {
    ...said(run),
    picture: run.code === 0 ? run.notes.picture || null : null,
    header: shownFile(run, run.written.find((path) => path.endsWith('.h')), 'text/plain', headerShown),
    preview: preview ? {name: preview, blob: fileBlob(run, preview, 'image/bmp')} : null,
  };
}

// A picture's first result in one run: panelbake-prepare --for pages writes panelbake's own
// header and preview, byte for byte those of the two steps, without writing the prepared BMP
// for panelbake to read. Null for a GIF (an animation's frames are prepared as BMPs) and
// where the run fails: the two steps then say why, as each program says it.
export async function first({programs}, {name, file, args, headerShown}) {
  if (await file.slice(0, 4).text() === 'GIF8') return null;
  const run = await runProgram(programs, {factory: PREPARE, args: [name, '--for', 'pages', ...args],
                                          lent: {[name]: file}});
  const made = pagesResult(run, headerShown);
  return run.code === 0 && run.written.length === 2 && made.picture && made.header && made.preview ? made : null;
}

// panelbake-prepare's one step on the BMP: the file of a layout other than pages (a
// header, an X bitmap or a Python module), and the picture as panelbake converts it, as
// data; no preview BMP is written.
export async function draw({programs, held}, {picture, name, args, headerShown}) {
  const run = await runProgram(programs, {factory: PREPARE, args: [name, ...args],
                                          owned: {[name]: await held.bytes(picture)}});
  return {
    ...said(run),
    picture: run.code === 0 ? run.notes.picture || null : null,
    header: run.code === 0 ? shownFile(run, run.written[0], 'text/plain', headerShown) : null,
    preview: null,
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
// pictures given aside, as bytes; the failure and compressed frames' sizes handed over.
export async function run({programs, held}, {factory, args, files, pictures = {}}) {
  const owned = {};
  for (const [name, picture] of Object.entries(pictures)) owned[name] = await held.bytes(picture);
  const done = await runProgram(programs, {factory, args, files, owned});
  const written = Object.fromEntries(done.written.map((path) => [path, fileBytes(done, path)]));
  return {code: done.code, stdout: done.stdout, stderr: done.stderr, files: written, ...said(done),
          compressed: done.notes.compressed || null};
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

// C text read by panelbake-prepare's own reader of C arrays (web/module/prepare_page.cpp):
// the array `choice` names, or the first of bytes; its bytes as a Uint8Array.
export async function readArray({programs}, {text, choice}) {
  const instance = await programs.query(PREPARE);
  instance.FS.writeFile(ARRAY_TEXT, text);
  const read = JSON.parse(instance.ccall('panelbake_page_array', 'string', ['string', 'string'], [ARRAY_TEXT, choice]));
  instance.FS.unlink(ARRAY_TEXT);
  const bytes = new Uint8Array(read.bytes.length / 2);
  for (let i = 0; i < bytes.length; i++) bytes[i] = parseInt(read.bytes.substr(2 * i, 2), 16);
  return {...read, bytes};
}

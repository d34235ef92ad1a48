// SPDX-License-Identifier: MIT
// The page's jobs, each one or two runs of the programs: a picture prepared, a prepared
// BMP converted (after panelbake-prepare's adjustments, where asked for), and the rules
// the page asks of the C++ side.
import {browserPicture} from './browser-picture.js';
import {fileBlob, fileBytes, fileStart, runProgram} from './runs.js';

const PANELBAKE = 'createPanelbake';
const PREPARE = 'createPanelbakePrepare';
const ADJUSTED_DIR = 'adjusted';

// What a run said, for the page: its exit status, messages, and the failure it handed over.
const said = ({code, stdout, stderr, notes}) => ({code, stdout, stderr, failure: notes.failure || null});

// A picture prepared by panelbake-prepare (one the browser decodes, handed over as pixels
// with alpha). Its BMPs (a GIF's frames) come back as Blobs, its frames header as bytes.
export async function prepare(programs, {name, file, output, byBrowser}) {
  const source = byBrowser ? await browserPicture(file) : file;
  if (!source) return {code: null, stdout: '', stderr: '', failure: {kind: 'browser'}, bmps: [], framesHeader: null};
  const args = output ? [name, '-o', output] : [name];
  const run = await runProgram(programs, {factory: PREPARE, args, lent: {[name]: source}});
  const bmps = run.written.filter((path) => /\.bmp$/i.test(path)).sort()
    .map((path) => ({name: path, blob: fileBlob(run, path, 'image/bmp')}))
    .map((bmp) => ({...bmp, size: bmp.blob.size}));
  const header = run.written.find((path) => path.endsWith('.h'));
  return {...said(run), bmps, framesHeader: header ? {name: header, bytes: fileBytes(run, header)} : null};
}

// panelbake on the BMP `name` (a Blob): the result's picture as data, its header's first
// `headerShown` bytes, and both files as Blobs.
export async function convert(programs, {name, blob, args, headerShown}) {
  const run = await runProgram(programs, {factory: PANELBAKE, args: [name, ...args], lent: {[name]: blob}});
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

// The command line's two steps: panelbake-prepare on the BMP with the adjustments, writing
// `output` into a folder of its own (so that it may have the name the command line gives
// it, photo.jpg -> photo.bmp, beside the lent photo.bmp), then panelbake on that.
export async function adjust(programs, {name, blob, output, prepareArgs, args, headerShown}) {
  const written = `${ADJUSTED_DIR}/${output}`;
  const run = await runProgram(programs, {factory: PREPARE, args: [name, ...prepareArgs, '-o', written],
                                          lent: {[name]: blob}, folders: [ADJUSTED_DIR]});
  if (run.code !== 0 || !run.written.includes(written)) return {preparation: said(run)};
  const prepared = fileBlob(run, written, 'image/bmp');
  const converted = await convert(programs, {name: output, blob: prepared, args, headerShown});
  return {...converted, prepared: {name: output, blob: prepared, size: prepared.size}};
}

// A run for a script in the page (window.panelbake.run and .prepare), or for Download all:
// every file in the working directory afterwards, the lent ones aside, as bytes.
export async function run(programs, {factory, args, files, lent}) {
  const done = await runProgram(programs, {factory, args, files, lent});
  const written = Object.fromEntries(done.written.map((path) => [path, fileBytes(done, path)]));
  return {code: done.code, stdout: done.stdout, stderr: done.stderr, files: written};
}

// The rules: the threshold and the dithering names (web/module/panelbake_page.cpp).
export async function rules(programs) {
  const instance = await programs.query(PANELBAKE);
  return JSON.parse(instance.ccall('panelbake_page_rules', 'string', [], []));
}

// The BMP names of the sources chosen together: [{bmp, beside}], in their order.
export async function names(programs, {sources}) {
  const instance = await programs.query(PANELBAKE);
  return JSON.parse(instance.ccall('panelbake_page_names', 'string', ['string'], [sources.join('\n')]));
}

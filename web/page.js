// SPDX-License-Identifier: MIT
// The page: any picture in, panelbake's header and preview out. Every picture is prepared
// by panelbake-prepare and converted by panelbake, both compiled to WebAssembly and run in
// the page's worker (bridge.js, worker.js); this thread only shows what they make.
'use strict';

// ---- Pictures ----------------------------------------------------------------------------

// How a picture is taken, from its first bytes: a BMP goes to panelbake as it is; a WebP or
// AVIF picture, which panelbake-prepare does not read, is decoded by the browser; anything
// else goes through panelbake-prepare, which says what it cannot decode.
async function pictureKind(file) {
  const head = String.fromCharCode(...new Uint8Array(await file.slice(0, 12).arrayBuffer()));
  if (head.startsWith('BM')) return 'bmp';
  if (/^RIFF[^]{4}WEBP|^[^]{4}ftypavi[fs]/.test(head)) return 'browser';
  return 'prepare';
}

const bmpName = (name) => name.replace(/\.[^.]*$/, '') + '.bmp';
// The BMP panelbake-prepare writes for an adjusted BMP, given with -o: it would otherwise
// write over its source.
const adjustedBmpName = (name) => name.replace(/\.[^.]*$/, '') + '_prepared.bmp';

// What a failed program says, its lines joined, without their "Error: ".
const failure = (stderr) => stderr.trim().split('\n').map((line) => line.replace(/^Error: /, '')).join(' ');

// The picture a preparation made: its BMP files in order (a GIF's frames) and the frames
// header, if any.
function preparedParts(files) {
  const names = Object.keys(files);
  const headerName = names.find((name) => name.endsWith('.h'));
  return {frames: names.filter((name) => /\.bmp$/i.test(name)).sort(),
          header: headerName ? {name: headerName, bytes: files[headerName]} : null};
}

// The worker's job for one conversion of the BMP `name`: panelbake on it, or with
// adjustments (plan) panelbake-prepare first, writing `output`, as the command line does.
function conversionJob(key, name, blob, output, plan, args) {
  return plan
    ? {type: 'adjust', key, name, blob, output, prepareArgs: plan.prepareArgs, args: plan.convertArgs}
    : {type: 'convert', key, name, blob, args};
}

// The header and preview a conversion of `source` wrote, or null where it failed.
function writtenFiles({code, files, image: made}, source) {
  const written = Object.keys(files).filter((name) => name !== source);
  const headerName = written.find((name) => name.endsWith('.h'));
  const previewName = written.find((name) => name.endsWith('.bmp'));
  return code === 0 && headerName && previewName && made ? {headerName, previewName} : null;
}

// Why a conversion failed, as the summary says it.
function conversionFailure(code, stderr) {
  return code === null ? `panelbake stopped unexpectedly: ${stderr.trim()}`
    : `Failed with exit code ${code}: ${exitMeaning(code, stderr)}.`;
}

// ---- What an exit code means (the README's table) ------------------------------------------

const EXIT_MEANINGS = [
  [255, /can not be openend/, "the picture can't be opened"],
  [255, /is not a supported BMP file/, 'the file opens but is not a BMP this program reads'],
  [255, /^Error opening file/m, 'reading the picture ran out of memory'],
  [254, /creating preview file/, "the preview can't be written or read back"],
  [254, /creating header file/, "the header can't be written (it is never left half written)"],
  [254, /target size is too large/,
   'the target is too large (a side beyond 32 bits, or more than 268,435,456 pixels)'],
  [254, /not enough memory/, 'memory ran out while converting'],
];

function exitMeaning(code, stderr) {
  const found = EXIT_MEANINGS.find(([c, pattern]) => c === code && pattern.test(stderr));
  return found ? found[2] : 'the conversion failed';
}

// ---- The page ------------------------------------------------------------------------------

const $ = (id) => document.getElementById(id);
const form = {
  picture: $('picture'), display: $('display'), width: $('width'), height: $('height'),
  verbose: $('verbose'), zoom: $('zoom'), frame: $('frame'),
};
// What other parts of the page add: the list of several pictures (batch.js) is told of every
// change of options, and gives the command line's steps while it is shown.
const pageHooks = {optionsChanged: () => {}, command: () => null};
const MARGIN = 8;  // left of the pixels: the page marks
const PANEL = [0xc9, 0xd8, 0xb6];
const INK = [0x1e, 0x26, 0x1e];
// Characters of a large header shown in the text box: laying out text takes the page's thread
// about 0.3 ms a kilobyte, so a whole megabyte of a large picture's header would hold the
// page still for a third of a second. Copy and Download give all of it.
const HEADER_SHOWN = 32 << 10;
const MESSAGE_LINES_SHOWN = 400;  // lines of the messages shown
const DRAWN_PIXELS = 1 << 24;  // the largest preview drawn

// The chosen picture: {key, file, name, kind (pictureKind), prepared: {frames: [{name, size}],
// header} once prepared, frame: the index of the frame converted, blobs: name -> Blob}.
let picture = null;
let image = null;    // {width, height, data} of the last header
let cursor = null;   // {x, y} of the pixel pointed at
let zoom = 1;
let headerBytes = null;
const downloads = {};

const shellWord = (s) => (/^[\w@%+=:,./-]+$/.test(s) ? s : `'${s.replace(/'/g, `'\\''`)}'`);
// Made while the page loads: a number format's first use takes tens of milliseconds.
const numbers = new Intl.NumberFormat('en');
numbers.format(0);
const counted = (n, what) => `${numbers.format(n)} ${what}${n === 1 ? '' : 's'}`;
const bytesText = (n) => counted(n, 'byte');

function optionArgs() {
  return [...sizeArgs(), ...outputArgs()];
}

function sizeArgs() {
  const args = [];
  const width = form.width.value.trim();
  const height = form.height.value.trim();
  if (width) args.push('-w', width);
  if (height) args.push('-h', height);
  return args;
}

// The options of panelbake's output: how the array is declared, and -v.
function outputArgs() {
  const args = [];
  const memory = document.querySelector('input[name=memory]:checked').value;
  if (memory) args.push(memory);
  if (form.verbose.checked) args.push('-v');
  return args;
}

// A link to bytes or a Blob; a Blob from the worker is linked as it is, without a copy.
function offerDownload(link, name, data, type) {
  if (downloads[link.id]) URL.revokeObjectURL(downloads[link.id]);
  downloads[link.id] = URL.createObjectURL(data instanceof Blob ? data : new Blob([data], {type}));
  link.href = downloads[link.id];
  link.download = name;
}

// The name of the BMP panelbake converts: the chosen one, or the prepared one (a GIF's frame).
function sourceName(chosen) {
  if (chosen.prepared) return chosen.prepared.frames[chosen.frame].name;
  return chosen.kind === 'bmp' ? chosen.name : bmpName(chosen.name);
}

// The command line's steps for the chosen picture: with panelbake-prepare first where the
// page prepares the picture with it, or adjusts it (controls.js).
function pictureSteps() {
  const plan = adjustedPlan();
  if (plan) return adjustedSteps(picture, plan);
  const steps = [['panelbake', picture ? sourceName(picture) : 'picture.bmp', ...optionArgs()]];
  if (picture && picture.kind === 'prepare') steps.unshift(['panelbake-prepare', picture.name]);
  return steps;
}

// The command line that gives the same result.
function showCommand() {
  const steps = pageHooks.command() || pictureSteps();
  // Each word in a span that is not broken, at a hyphen say, where the line wraps.
  const words = steps.flatMap((step, i) => [...(i ? ['&&'] : []), ...step.map(shellWord)]);
  $('command').replaceChildren(...words.flatMap((word, i) => {
    const span = document.createElement('span');
    span.textContent = word;
    return i ? [' ', span] : [span];
  }));
}

// Conversions go to the page's worker, which holds the prepared picture. Only the newest
// options count: a change while a conversion is under way waits for it and its result is
// dropped; one under way for longer than ABANDON_AFTER_MS is ended with its worker instead,
// and a fresh worker reads the picture from its Blob. A new pick ends whatever is under way.
const ABANDON_AFTER_MS = 100;
let current = null;  // the job under way: {picture, args, kind: 'prepare' or 'convert', started}
let waiting = null;  // the newest job, held back until the one under way ends
let lanePicture = null;  // the picture of the jobs last sent to the worker

function convert() {
  rememberSettings();
  showCommand();
  pageHooks.optionsChanged();
  if (!picture) return;
  const job = {picture, args: optionArgs(), plan: adjustedPlan()};
  setBusy(true);
  const endable = current && current.kind === 'convert' && picture.blobs &&
    performance.now() - current.started > ABANDON_AFTER_MS;
  if (current && current.picture === picture && !endable) {
    waiting = job;
    return;
  }
  // A worker is ended for a job under way, or for another picture's (its Blobs, say); the
  // worker holding this picture goes on.
  if (current || lanePicture !== picture) pageLane.abandon();
  lanePicture = picture;
  waiting = null;
  start(job);
}

// A program for the worker (loadProgram), or the Error that loading it gave.
async function programOrError(factory) {
  try {
    return await loadProgram(factory);
  } catch (error) {
    return error;
  }
}

async function start(job) {
  current = job;
  const chosen = job.picture;
  job.kind = 'prepare';
  job.started = performance.now();
  const program = await programOrError('createPanelbake');
  if (current !== job) return;
  if (!chosen.prepared) {
    const result = await prepareInWorker(chosen);
    if (current !== job || result === null) return;  // a newer picture was chosen
    if (!takePrepared(chosen, result)) {
      current = null;
      setBusy(false);
      return;
    }
    showCommand();
  }
  for (;;) {
    if (waiting) {
      job = current = waiting;
      waiting = null;
    }
    job.kind = 'convert';
    job.started = performance.now();
    const held = sourceName(chosen);
    const blob = chosen.blobs ? chosen.blobs[held] : null;
    let converted;
    let name = held;
    if (program instanceof Error) {
      converted = Promise.resolve({code: null, stdout: '', stderr: `${program.message}\n`, files: {}});
    } else if (job.plan) {
      // Adjusted: panelbake-prepare on the held BMP, then panelbake on what it wrote.
      name = adjustedName(chosen);
      const prepare = await programOrError('createPanelbakePrepare');
      if (current !== job) return;
      if (waiting) continue;
      converted = prepare instanceof Error
        ? Promise.resolve({code: null, stdout: '', stderr: `${prepare.message}\n`, files: {}, step: 'panelbake-prepare'})
        : pageLane.post(conversionJob(chosen.key, held, blob, name, job.plan, job.args), [program, prepare]);
    } else {
      converted = pageLane.post(conversionJob(chosen.key, held, blob, name, null, job.args), [program]);
    }
    const result = await converted;
    if (current !== job || result === null) return;  // abandoned for a newer job
    if (waiting) continue;  // newer options came meanwhile: this result is dropped
    current = null;
    if (job.plan || chosen.adjusted) takeAdjusted(chosen, result, name);
    if (showResult(result, name)) {
      // The preview is drawn in a task of its own, after the rest of the result is laid out.
      const shown = image;
      await new Promise((resolve) => setTimeout(resolve));
      if (image === shown) drawPreview();
    }
    if (!current) setBusy(false);
    askForBlobsWhenIdle(chosen);
    return;
  }
}

// The picture prepared in the worker: by panelbake-prepare, or for a format it does not
// read, by the browser. Resolves to the result, or null when abandoned.
async function prepareInWorker(chosen) {
  const byBrowser = chosen.kind === 'browser';
  const programs = [];
  if (!byBrowser) {
    try {
      programs.push(await loadProgram('createPanelbakePrepare'));
    } catch (error) {
      return {code: null, stdout: '', stderr: `${error.message}\n`, files: {}};
    }
    if (current === null || current.picture !== chosen) return null;
  }
  return pageLane.post({type: 'prepare', key: chosen.key, name: chosen.name, blob: chosen.file, byBrowser}, programs);
}

// The worker's prepared BMP files as Blobs: to download, and for a fresh worker to read.
// Making them copies the picture, which takes a while for a large one; they are asked for
// once the page has had no job under way for BLOBS_AFTER_MS after a result, so that a change
// of options right after it does not wait for them.
const BLOBS_AFTER_MS = 400;
let blobsTimer = null;
function askForBlobsWhenIdle(chosen) {
  if (chosen.blobs || chosen.blobsAsked) return;
  clearTimeout(blobsTimer);
  blobsTimer = setTimeout(() => {
    if (chosen !== picture) return;
    if (current) askForBlobsWhenIdle(chosen);
    else keepBlobs(chosen);
  }, BLOBS_AFTER_MS);
}

async function keepBlobs(chosen) {
  chosen.blobsAsked = true;
  const result = await pageLane.post({type: 'blobs', key: chosen.key}, []);
  if (!result || result.code !== 0 || Object.keys(result.files).length === 0) {
    chosen.blobsAsked = false;
    return;
  }
  chosen.blobs = result.files;
  if (chosen === picture) showPrepared(chosen);
}

// Keeps what the preparation made, the names and sizes of the BMP (or one per frame) and a
// GIF's frames header. A picture that could not be decoded is said so, and nothing is
// converted.
function takePrepared(chosen, {code, stdout, stderr, files}) {
  const {frames, header} = preparedParts(files);
  if (code !== 0 || frames.length === 0) {
    showMessages(stdout, stderr);
    const reason = failure(stderr);
    failed(`The picture could not be decoded: ${reason || `${chosen.name} gave no picture`}`);
    return false;
  }
  chosen.prepared = {frames: frames.map((name) => ({name, size: files[name]})), header};
  chosen.frame = 0;
  showPrepared(chosen);
  return true;
}

function showPrepared(chosen) {
  const {frames, header} = chosen.prepared;
  // Adjusted, the BMP panelbake-prepare wrote at the display's size (controls.js).
  const frame = chosen.adjusted || frames[chosen.frame];
  const blob = chosen.adjusted ? chosen.adjusted.blob : chosen.blobs && chosen.blobs[frame.name];
  $('prepared').hidden = false;
  $('prepared-download').hidden = !blob;
  if (blob) {
    offerDownload($('prepared-download'), frame.name, blob, 'image/bmp');
    $('prepared-download').textContent = `Download the prepared BMP, ${frame.name} (${bytesText(frame.size)})`;
  }
  $('frames-header-download').hidden = !header;
  if (header) {
    offerDownload($('frames-header-download'), header.name, header.bytes, 'text/plain');
    $('frames-header-download').textContent = `Download the frames header, ${header.name}`;
  }
  $('frames').hidden = frames.length < 2;
  if (frames.length > 1 && form.frame.options.length !== frames.length) {
    form.frame.replaceChildren(...frames.map(({name}, i) =>
      new Option(`${i + 1} of ${frames.length}: ${name}`, String(i))));
  }
  form.frame.value = String(chosen.frame);
  $('decoded-by-browser').hidden = chosen.kind !== 'browser';
}

// The report says whether a conversion is under way, and counts the results shown.
function setBusy(busy) {
  $('report').dataset.state = busy ? 'busy' : 'done';
  $('report').setAttribute('aria-busy', String(busy));
}

// The first `count` lines of a text, and the number of lines after them.
function firstLines(text, count) {
  let end = 0;
  for (let n = 0; n < count; n++) {
    end = text.indexOf('\n', end) + 1;
    if (end === 0) return [text, 0];
  }
  const rest = text.slice(end);
  return [text.slice(0, end), rest.split('\n').length - (rest.endsWith('\n') ? 1 : 0)];
}

// The program's messages sit outside the live region: only the summary is announced. Of
// many messages (a warning per pixel, say) the first lines are shown, which a browser lays
// out in a moment, and all of them can be downloaded.
function showMessages(stdout, stderr) {
  const messages = $('messages');
  messages.replaceChildren();
  let cut = false;
  for (const [text, className] of [[stdout, ''], [stderr, 'stderr']]) {
    if (!text) continue;
    const [shown, more] = firstLines(text, MESSAGE_LINES_SHOWN);
    const span = document.createElement('span');
    span.className = className;
    span.textContent = more ? `${shown}… and ${counted(more, 'more line')}\n` : shown;
    messages.append(span);
    cut = cut || more > 0;
  }
  messages.hidden = !stdout && !stderr;
  $('messages-download').hidden = !cut;
  if (cut) offerDownload($('messages-download'), 'messages.txt', stdout + stderr, 'text/plain');
}

function failed(summary) {
  $('report').dataset.results = Number($('report').dataset.results || 0) + 1;
  $('summary').textContent = summary;
  $('summary').className = 'failed';
  $('preview-area').hidden = true;
  $('files-area').hidden = true;
  image = null;
}

// Shows a run's result, all but the preview (drawPreview). False for a failure.
function showResult({code, stdout, stderr, files, image: made, step, blobs = {}}, source) {
  showMessages(stdout, stderr);
  if (step === 'panelbake-prepare') {
    failed(preparationFailure(code, stderr));
    return false;
  }
  const wrote = writtenFiles({code, files, image: made}, source);
  if (!wrote) {
    const hint = code !== null && /not a supported BMP/.test(stderr) && !form.verbose.checked ? ' Tick -v to see why.' : '';
    failed(conversionFailure(code, stderr) + hint);
    return false;
  }
  const {headerName, previewName} = wrote;
  $('report').dataset.results = Number($('report').dataset.results || 0) + 1;

  const header = files[headerName];
  image = made;
  const pages = Math.ceil(image.height / 8);
  $('summary').className = '';
  $('summary').textContent = `${image.width} × ${image.height} pixels: ${counted(pages, 'page')}` +
    ` × ${counted(image.width, 'column')} = ${bytesText(image.data.length)}. Header ${bytesText(header.length)},` +
    ` preview BMP ${bytesText(files[previewName].length)}.`;

  $('header-name').textContent = headerName;
  const text = new TextDecoder().decode(header.length > HEADER_SHOWN ? header.subarray(0, HEADER_SHOWN) : header);
  $('header').value = text;
  $('header-note').hidden = header.length <= HEADER_SHOWN;
  $('header-note').textContent = `Shown here: the first ${bytesText(HEADER_SHOWN)}. Copy and Download give all of it.`;
  headerBytes = header;
  offerDownload($('header-download'), headerName, blobs[headerName] || header, 'text/plain');
  offerDownload($('preview-download'), previewName, blobs[previewName] || files[previewName], 'image/bmp');
  $('files-area').hidden = false;
  $('preview-area').hidden = false;
  if (cursor && (cursor.x >= image.width || cursor.y >= image.height)) cursor = null;
  return true;
}

// Page-column bytes from elsewhere (arrays.js: a C array read back) shown as a result is: the
// summary, and the preview with the byte inspector; with no bytes, the summary of why not. No
// header or preview file goes with them. A picture's job under way is not shown over them: its
// result is dropped when it comes.
function showBytes(made, summary) {
  current = waiting = null;
  setBusy(false);
  showMessages('', '');
  if (!made) {
    failed(summary);
    return;
  }
  $('report').dataset.results = Number($('report').dataset.results || 0) + 1;
  $('summary').className = '';
  $('summary').textContent = summary;
  $('files-area').hidden = true;
  $('preview-area').hidden = false;
  image = made;
  if (cursor && (cursor.x >= image.width || cursor.y >= image.height)) cursor = null;
  drawPreview();
}

// ---- The preview, as the display shows it --------------------------------------------------

// The width inside the preview's panel, kept by a ResizeObserver: reading it from the layout
// would have the browser lay out the page there and then, in the middle of drawing a result.
// 0 while the panel is hidden.
let panelWidth = 0;

// Page-column bytes as the display shows them (bit 0 the top row of its page), w x h pixels
// at `scale`: each pixel is the source pixel its top-left corner falls on.
function pageColumnPixels({width, height, data}, w, h, scale) {
  const pixels = new ImageData(w, h);
  const columns = new Int32Array(w);
  for (let x = 0; x < w; x++) columns[x] = Math.min(width - 1, Math.floor(x / scale));
  for (let ty = 0, i = 0; ty < h; ty++) {
    const y = Math.min(height - 1, Math.floor(ty / scale));
    const row = (y >> 3) * width;
    const bit = y & 7;
    for (let x = 0; x < w; x++, i += 4) {
      const colour = (data[row + columns[x]] >> bit) & 1 ? INK : PANEL;
      pixels.data[i] = colour[0];
      pixels.data[i + 1] = colour[1];
      pixels.data[i + 2] = colour[2];
      pixels.data[i + 3] = 255;
    }
  }
  return pixels;
}

function drawPreview() {
  const canvas = $('preview');
  const {width, height} = image;
  if (width * height > DRAWN_PIXELS) {
    canvas.width = canvas.height = 0;
    cursor = null;
    showPixel();
    $('pixel-text').textContent = `The preview is too large to draw here (${width} × ${height} pixels):` +
      ' download the preview BMP below.';
    return;
  }
  const room = Math.max(1, (panelWidth || canvas.parentElement.parentElement.clientWidth - 24) - MARGIN);
  const chosen = Number(form.zoom.value);
  const fit = Math.min(16, Math.floor(room / width), Math.floor(480 / height));
  zoom = Math.max(1, chosen || fit);
  if ((width * zoom + MARGIN) * height * zoom > 4 * DRAWN_PIXELS || width * zoom > 16000 || height * zoom > 16000) zoom = 1;

  const pixels = pageColumnPixels(image, width, height, 1);
  const actual = document.createElement('canvas');
  actual.width = width;
  actual.height = height;
  actual.getContext('2d').putImageData(pixels, 0, 0);

  canvas.width = MARGIN + width * zoom;
  canvas.height = height * zoom;
  canvas.dataset.zoom = zoom;
  canvas.dataset.left = MARGIN;
  const context = canvas.getContext('2d');
  context.fillStyle = '#aebd9b';
  context.fillRect(0, 0, MARGIN, canvas.height);
  context.imageSmoothingEnabled = false;
  context.drawImage(actual, MARGIN, 0, width * zoom, height * zoom);
  // Page boundaries: a mark beside every page, a line across where the pixels are large enough.
  for (let page = 1; page * 8 < height; page++) {
    const y = page * 8 * zoom;
    context.fillStyle = '#c01c28';
    context.fillRect(0, y, MARGIN, 1);
    if (zoom >= 3) {
      context.fillStyle = 'rgba(192, 28, 40, 0.55)';
      context.fillRect(MARGIN, y, width * zoom, 1);
    }
  }
  canvas.setAttribute('aria-label', `Preview, ${width} × ${height} pixels in ${Math.ceil(height / 8)} pages.` +
    ' Arrow keys move over the pixels and tell each pixel\'s byte.');
  showPixel();
}

function showPixel() {
  const columnMark = $('column-mark');
  const pixelMark = $('pixel-mark');
  if (!cursor || !image) {
    columnMark.hidden = pixelMark.hidden = true;
    $('pixel-text').textContent = '';
    $('byte-diagram').textContent = '';
    return;
  }
  const {x, y} = cursor;
  const {width, height, data} = image;
  const page = y >> 3;
  const bit = y & 7;
  const index = page * width + x;
  const byte = data[index];
  const binary = byte.toString(2).padStart(8, '0');
  const hex = '0x' + byte.toString(16).padStart(2, '0');
  const value = (byte >> bit) & 1;
  $('pixel-text').textContent = `Pixel x ${x}, y ${y}: page ${page}, column ${x}, index ${page} × ${width}` +
    ` + ${x} = ${index}, byte ${hex} = ${binary.slice(0, 4)} ${binary.slice(4)} binary;` +
    ` this pixel is bit ${bit} = ${value} (${value ? 'black' : 'white'}).`;
  const lines = [`${' '.repeat(String(height).length + 5)}column ${x}`];
  for (let b = 0; b < 8; b++) {
    const row = page * 8 + b;
    const set = (byte >> b) & 1;
    const cell = row < height ? (set ? '[#]' : '[ ]') : ' - ';
    lines.push(`row ${String(row).padEnd(String(height).length)}  ${cell}  bit ${b} = ${set}` +
      (row >= height ? '  (no row)' : '') + (b === bit ? ' \u25c0 this pixel' : ''));
  }
  lines.push(`byte ${index} = ${binary.slice(0, 4)} ${binary.slice(4)} binary = ${hex}`);
  $('byte-diagram').textContent = lines.join('\n');

  const canvas = $('preview');
  const scale = canvas.getBoundingClientRect().width / canvas.width || 1;
  const place = (mark, left, top, w, h) => {
    Object.assign(mark.style, {left: `${left * scale}px`, top: `${top * scale}px`,
      width: `${w * scale}px`, height: `${h * scale}px`});
    mark.hidden = false;
  };
  place(columnMark, MARGIN + x * zoom, page * 8 * zoom, zoom, Math.min(8, height - page * 8) * zoom);
  place(pixelMark, MARGIN + x * zoom, y * zoom, zoom, zoom);
}

function pointAt(event) {
  if (!image) return;
  const canvas = $('preview');
  const box = canvas.getBoundingClientRect();
  const scale = canvas.width / box.width;
  const x = Math.floor(((event.clientX - box.left) * scale - MARGIN) / zoom);
  const y = Math.floor((event.clientY - box.top) * scale / zoom);
  if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
  if (cursor && cursor.x === x && cursor.y === y) return;
  cursor = {x, y};
  showPixel();
}

const KEY_MOVES = {ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1]};
function moveByKey(event) {
  const move = KEY_MOVES[event.key];
  if (!move || !image) return;
  event.preventDefault();
  const step = event.shiftKey ? 8 : 1;
  const clamp = (v, end) => Math.min(end - 1, Math.max(0, v));
  const {x, y} = cursor || {x: 0, y: 0};
  cursor = {x: clamp(x + move[0] * step, image.width), y: clamp(y + move[1] * step, image.height)};
  showPixel();
}

// ---- Wiring ----------------------------------------------------------------------------------

// Every pick wins over the ones before it: a pick still reading its first bytes when a
// newer one comes is dropped, and a job under way for an older picture is abandoned.
let picks = 0;
async function takePicture(file) {
  if (!file) return;
  const pick = ++picks;
  $('summary').className = '';
  $('summary').textContent = `Reading ${file.name}…`;
  setBusy(true);
  let kind;
  try {
    kind = await pictureKind(file);
  } catch (error) {
    kind = null;
  }
  if (pick !== picks) return;
  if (!kind) {
    picture = null;
    pageLane.abandon();
    current = waiting = null;
    showCommand();
    failed(`${file.name} could not be read.`);
    setBusy(false);
    return;
  }
  picture = {key: String(pick), file, name: file.name, kind, prepared: null, frame: 0, blobs: null};
  if (kind === 'bmp') {
    picture.prepared = {frames: [{name: file.name, size: file.size}], header: null};
    picture.blobs = {[file.name]: file};
  }
  $('prepared').hidden = true;
  $('frames').hidden = true;
  form.frame.replaceChildren();
  $('decoded-by-browser').hidden = true;
  if (kind !== 'bmp') $('summary').textContent = `Decoding ${file.name}…`;
  cursor = null;
  convert();
}

async function copyText(text, button) {
  try {
    await navigator.clipboard.writeText(text);
  } catch (error) {
    const box = document.createElement('textarea');
    box.value = text;
    document.body.append(box);
    box.select();
    document.execCommand('copy');
    box.remove();
  }
  button.textContent = 'Copied';
  $('announce').textContent = `Copied: ${button.getAttribute('aria-label').replace('Copy ', '')}`;
  setTimeout(() => {
    button.textContent = 'Copy';
    $('announce').textContent = '';
  }, 1500);
}

function presetFromSize() {
  const size = `${form.width.value.trim()}x${form.height.value.trim()}`;
  form.display.value = [...form.display.options].some((o) => o.value === size) ? size : '';
}

form.picture.addEventListener('change', () => takePictures([...form.picture.files]));
form.display.addEventListener('change', () => {
  if (form.display.value) [form.width.value, form.height.value] = form.display.value.split('x');
  convert();
});
for (const input of [form.width, form.height]) {
  input.addEventListener('input', () => { presetFromSize(); convert(); });
}
for (const input of document.querySelectorAll('input[name=memory], #verbose')) {
  input.addEventListener('change', convert);
}
form.frame.addEventListener('change', () => {
  if (!picture || !picture.prepared) return;
  picture.frame = Number(form.frame.value);
  picture.adjusted = null;
  showPrepared(picture);
  convert();
});
form.zoom.addEventListener('change', () => { if (image) drawPreview(); });
new ResizeObserver(([entry]) => {
  const width = Math.floor(entry.contentRect.width);
  if (width === panelWidth) return;
  const shown = panelWidth;
  panelWidth = width;
  if (shown && width && image && form.zoom.value === '0') drawPreview();
}).observe(document.querySelector('.panel'));

$('preview').addEventListener('pointermove', pointAt);
$('preview').addEventListener('pointerdown', pointAt);
$('preview').addEventListener('keydown', moveByKey);
$('preview').addEventListener('focus', () => {
  if (image && !cursor) {
    cursor = {x: 0, y: 0};
    showPixel();
  }
});
$('copy-header').addEventListener('click', (e) =>
  copyText(new TextDecoder().decode(headerBytes), e.currentTarget));
$('copy-command').addEventListener('click', (e) => copyText($('command').textContent, e.currentTarget));

// A picture dropped anywhere on the page is taken, not opened by the browser.
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  $('drop').classList.add('over');
});
document.addEventListener('dragleave', (event) => {
  if (!event.relatedTarget) $('drop').classList.remove('over');
});
document.addEventListener('drop', (event) => {
  event.preventDefault();
  $('drop').classList.remove('over');
  takeDropped(event.dataTransfer);
});

// The result's parts are laid out and drawn once the page is ready, hidden again at once: the
// first layout of their fonts and the first drawing take tens of milliseconds, which a
// first result would otherwise wait for.
window.panelbake.ready.then(() => {
  if (image) return;
  const areas = [$('preview-area'), $('files-area'), $('messages')];
  for (const area of areas) area.hidden = false;
  document.body.getBoundingClientRect();
  const pixel = document.createElement('canvas');
  pixel.width = pixel.height = 1;
  pixel.getContext('2d').putImageData(new ImageData(1, 1), 0, 0);
  $('preview').getContext('2d').drawImage(pixel, 0, 0);
  for (const area of areas) area.hidden = true;
});

restoreSettings();
presetFromSize();
convert();

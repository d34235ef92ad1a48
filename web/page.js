// SPDX-License-Identifier: MIT
// The page: any picture in, panelbake's header and preview out. Every conversion is a run of
// panelbake itself, compiled to WebAssembly (panelbake-module.js), inside this browser.
'use strict';

// ---- One conversion function, for the page and for tests ---------------------------------

// window.panelbake.run(args, files) runs the program as a new process would: a fresh instance
// of the module, in a fresh, empty working directory holding `files` (relative path ->
// Uint8Array). It resolves to {code, stdout, stderr, files}: the exit status as a shell sees
// it, exactly the bytes written to standard output and standard error (read as UTF-8), and
// every file in the working directory after the run.
window.panelbake = (() => {
  const WORK_DIR = '/work';
  const utf8 = new TextDecoder();

  function writeFiles(FS, files) {
    for (const [path, bytes] of Object.entries(files)) {
      let dir = WORK_DIR;
      for (const part of path.split('/').slice(0, -1)) {
        dir += '/' + part;
        if (!FS.analyzePath(dir).exists) FS.mkdir(dir);
      }
      FS.writeFile(WORK_DIR + '/' + path, bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes));
    }
  }

  function readFiles(FS, dir, prefix, found) {
    for (const name of FS.readdir(dir)) {
      if (name === '.' || name === '..') continue;
      const mode = FS.stat(dir + '/' + name).mode;
      if (FS.isDir(mode)) readFiles(FS, dir + '/' + name, prefix + name + '/', found);
      else if (FS.isFile(mode)) found[prefix + name] = FS.readFile(dir + '/' + name);
    }
    return found;
  }

  let compiled;  // the compiled WebAssembly (a Promise), shared by the runs after the first

  async function run(args, files = {}) {
    const stdout = [];
    const stderr = [];
    const module = await createPanelbake({
      wasmCompiled: compiled,
      preRun: [(m) => {
        // Standard output and error byte by byte: nothing added, nothing dropped.
        m.FS.init(() => null, (byte) => stdout.push(byte & 255), (byte) => stderr.push(byte & 255));
        m.FS.mkdir(WORK_DIR);
        m.FS.chdir(WORK_DIR);
        writeFiles(m.FS, files);
      }],
    });
    compiled = module.wasmCompiled;
    let status;
    try {
      status = module.callMain(args.map(String));
    } catch (error) {
      // exit() inside the program may end the run with this exception instead of a return.
      if (!error || error.name !== 'ExitStatus') throw error;
      status = error.status;
    }
    return {
      code: status & 255,
      stdout: utf8.decode(new Uint8Array(stdout)),
      stderr: utf8.decode(new Uint8Array(stderr)),
      files: readFiles(module.FS, WORK_DIR, '', {}),
    };
  }

  // Ready once a first run (the usage text) has gone through: the module is loaded and warm.
  const api = {run, readyAt: null};
  api.ready = run([]).then(() => { api.readyAt = performance.now(); });
  return api;
})();

// ---- Pictures into BMP files ---------------------------------------------------------------

const isBmp = (bytes) => bytes.length >= 2 && bytes[0] === 0x42 && bytes[1] === 0x4d;  // "BM"

// A channel C with alpha A laid on white, rounded as Pillow's paste with a mask rounds.
// The canvas may hand back C slightly changed for partly transparent pixels (it keeps C × A);
// C × A / 255 rounds to the same value either way.
const onWhite = (c, a) => 255 - a + Math.round(c * a / 255);

// A 24-bit BMP with the 40-byte info header, bottom-up, as Pillow writes it (96 dpi).
function bmp24(width, height, rgba) {
  const stride = (width * 3 + 3) & ~3;
  const bmp = new Uint8Array(54 + stride * height);
  const view = new DataView(bmp.buffer);
  bmp.set([0x42, 0x4d]);
  view.setUint32(2, bmp.length, true);
  view.setUint32(10, 54, true);
  view.setUint32(14, 40, true);
  view.setInt32(18, width, true);
  view.setInt32(22, height, true);
  view.setUint16(26, 1, true);
  view.setUint16(28, 24, true);
  view.setUint32(34, stride * height, true);
  view.setInt32(38, 3780, true);
  view.setInt32(42, 3780, true);
  for (let y = 0; y < height; y++) {
    let out = 54 + (height - 1 - y) * stride;
    for (let i = y * width * 4, end = i + width * 4; i < end; i += 4) {
      const a = rgba[i + 3];
      bmp[out++] = onWhite(rgba[i + 2], a);
      bmp[out++] = onWhite(rgba[i + 1], a);
      bmp[out++] = onWhite(rgba[i], a);
    }
  }
  return bmp;
}

// A BMP goes to panelbake as it is; any other picture the browser decodes is laid on white.
// What the browser cannot decode goes as it is too, and panelbake says what it makes of it.
async function preparePicture(file) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  const asItIs = {name: file.name, bytes, source: file.name, prepared: false};
  if (isBmp(bytes) || /\.bmp$/i.test(file.name)) return asItIs;
  let picture;
  try {
    picture = await createImageBitmap(file, {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
  } catch (error) {
    return asItIs;
  }
  const {width, height} = picture;
  const canvas = document.createElement('canvas');
  canvas.width = width;
  canvas.height = height;
  const context = canvas.getContext('2d', {willReadFrequently: true});
  context.drawImage(picture, 0, 0);
  picture.close();
  const rgba = context.getImageData(0, 0, width, height).data;
  const name = file.name.replace(/\.[^.]*$/, '') + '.bmp';
  return {name, bytes: bmp24(width, height, rgba), source: file.name, prepared: true, width, height};
}

// ---- The header's bytes --------------------------------------------------------------------

function readHeader(bytes) {
  const start = bytes.indexOf(0x7b);  // "{"
  const text = new TextDecoder().decode(bytes.subarray(0, start));
  const size = (what) => Number(new RegExp(`^#define \\S+_${what}\\s+(\\d+)`, 'm').exec(text)[1]);
  const width = size('WIDTH');
  const height = size('HEIGHT');
  const data = new Uint8Array(width * Math.ceil(height / 8));
  const hex = (c) => (c <= 57 ? c - 48 : (c | 32) - 87);
  let n = 0;
  for (let i = start; n < data.length && i < bytes.length - 3; i++) {  // after "{"
    if (bytes[i] === 0x30 && bytes[i + 1] === 0x78) {  // "0x"
      data[n++] = hex(bytes[i + 2]) * 16 + hex(bytes[i + 3]);
      i += 3;
    }
  }
  return {width, height, data};
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
  verbose: $('verbose'), zoom: $('zoom'),
};
const MARGIN = 8;  // left of the pixels: the page marks
const PANEL = [0xc9, 0xd8, 0xb6];
const INK = [0x1e, 0x26, 0x1e];
const HEADER_SHOWN = 1 << 20;  // characters of a large header shown in the text box
const DRAWN_PIXELS = 1 << 24;  // the largest preview drawn

let picture = null;  // {name, bytes, source, prepared}
let image = null;    // {width, height, data} of the last header
let cursor = null;   // {x, y} of the pixel pointed at
let zoom = 1;
let headerBytes = null;
const downloads = {};

const shellWord = (s) => (/^[\w@%+=:,./-]+$/.test(s) ? s : `'${s.replace(/'/g, `'\\''`)}'`);
const counted = (n, what) => `${n.toLocaleString('en')} ${what}${n === 1 ? '' : 's'}`;
const bytesText = (n) => counted(n, 'byte');

function optionArgs() {
  const args = [];
  const width = form.width.value.trim();
  const height = form.height.value.trim();
  if (width) args.push('-w', width);
  if (height) args.push('-h', height);
  const memory = document.querySelector('input[name=memory]:checked').value;
  if (memory) args.push(memory);
  if (form.verbose.checked) args.push('-v');
  return args;
}

function offerDownload(link, name, bytes, type) {
  if (downloads[link.id]) URL.revokeObjectURL(downloads[link.id]);
  downloads[link.id] = URL.createObjectURL(new Blob([bytes], {type}));
  link.href = downloads[link.id];
  link.download = name;
}

// Conversions run one at a time; a change during a run converts again once it is done.
let converting = false;
let wanted = false;
async function convert() {
  $('command').textContent =
    ['panelbake', picture ? picture.name : 'picture.bmp', ...optionArgs()].map(shellWord).join(' ');
  if (!picture) return;
  wanted = true;
  if (converting) return;
  converting = true;
  setBusy(true);
  try {
    while (wanted) {
      wanted = false;
      const {name, bytes} = picture;
      let result;
      try {
        result = await window.panelbake.run([name, ...optionArgs()], {[name]: bytes});
      } catch (error) {
        result = {code: null, stdout: '', stderr: `${error}\n`, files: {}};
      }
      showResult(result, name);
    }
  } finally {
    converting = false;
    setBusy(false);
  }
}

// The report says whether a conversion is under way, and counts the results shown.
function setBusy(busy) {
  $('report').dataset.state = busy ? 'busy' : 'done';
  $('report').setAttribute('aria-busy', String(busy));
}

function showResult({code, stdout, stderr, files}, source) {
  $('report').dataset.results = Number($('report').dataset.results || 0) + 1;
  const messages = $('messages');
  messages.replaceChildren(stdout);
  if (stderr) {
    const span = document.createElement('span');
    span.className = 'stderr';
    span.textContent = stderr;
    messages.append(span);
  }
  messages.hidden = !stdout && !stderr;

  const made = Object.keys(files).filter((name) => name !== source);
  const headerName = made.find((name) => name.endsWith('.h'));
  const previewName = made.find((name) => name.endsWith('.bmp'));
  if (code !== 0 || !headerName || !previewName) {
    const hint = /not a supported BMP/.test(stderr) && !form.verbose.checked ? ' Tick -v to see why.' : '';
    $('summary').textContent = code === null ? 'panelbake stopped unexpectedly.'
      : `Failed with exit code ${code}: ${exitMeaning(code, stderr)}.${hint}`;
    $('summary').className = 'failed';
    $('preview-area').hidden = true;
    $('files-area').hidden = true;
    image = null;
    return;
  }

  const header = files[headerName];
  image = readHeader(header);
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
  offerDownload($('header-download'), headerName, header, 'text/plain');
  offerDownload($('preview-download'), previewName, files[previewName], 'image/bmp');
  $('files-area').hidden = false;
  $('preview-area').hidden = false;
  if (cursor && (cursor.x >= image.width || cursor.y >= image.height)) cursor = null;
  drawPreview();
}

// ---- The preview, as the display shows it --------------------------------------------------

function drawPreview() {
  const canvas = $('preview');
  const {width, height, data} = image;
  if (width * height > DRAWN_PIXELS) {
    canvas.width = canvas.height = 0;
    cursor = null;
    showPixel();
    $('pixel-text').textContent = `The preview is too large to draw here (${width} × ${height} pixels):` +
      ' download the preview BMP below.';
    return;
  }
  const room = Math.max(1, canvas.parentElement.parentElement.clientWidth - MARGIN - 24);
  const chosen = Number(form.zoom.value);
  const fit = Math.min(16, Math.floor(room / width), Math.floor(480 / height));
  zoom = Math.max(1, chosen || fit);
  if ((width * zoom + MARGIN) * height * zoom > 4 * DRAWN_PIXELS || width * zoom > 16000 || height * zoom > 16000) zoom = 1;

  const pixels = new ImageData(width, height);
  for (let y = 0, i = 0; y < height; y++) {
    const row = (y >> 3) * width;
    const bit = y & 7;
    for (let x = 0; x < width; x++, i += 4) {
      const colour = (data[row + x] >> bit) & 1 ? INK : PANEL;
      pixels.data[i] = colour[0];
      pixels.data[i + 1] = colour[1];
      pixels.data[i + 2] = colour[2];
      pixels.data[i + 3] = 255;
    }
  }
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

async function takePicture(file) {
  if (!file) return;
  $('summary').className = '';
  $('summary').textContent = `Reading ${file.name}…`;
  setBusy(true);
  try {
    picture = await preparePicture(file);
  } catch (error) {
    picture = null;
    $('summary').className = 'failed';
    $('summary').textContent = `${file.name} could not be read: ${error.message}`;
    setBusy(converting);
    return;
  }
  $('prepared').hidden = !picture.prepared;
  if (picture.prepared) {
    offerDownload($('prepared-download'), picture.name, picture.bytes, 'image/bmp');
    $('prepared-download').textContent = `Download the prepared BMP, ${picture.name}` +
      ` (${picture.width} × ${picture.height}, 24 bits, ${bytesText(picture.bytes.length)})`;
  }
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

form.picture.addEventListener('change', () => takePicture(form.picture.files[0]));
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
form.zoom.addEventListener('change', () => { if (image) drawPreview(); });
window.addEventListener('resize', () => { if (image && form.zoom.value === '0') drawPreview(); });

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
  takePicture(event.dataTransfer.files[0]);
});

presetFromSize();
convert();

// SPDX-License-Identifier: MIT
// The preview, as the display shows it: page-column bytes drawn in the display's colours,
// square pixels, zoomable, the page boundaries marked every 8 rows; and the byte inspector,
// which tells the byte and bit of the pixel pointed at or moved to with the arrow keys.
import {$} from '../dom.js';

const MARGIN = 8;  // left of the pixels: the page marks
const PANEL = [0xc9, 0xd8, 0xb6];
const INK = [0x1e, 0x26, 0x1e];
export const DRAWN_PIXELS = 1 << 24;  // the largest preview drawn

// Page-column bytes as the display shows them (bit 0 the top row of its page), w x h pixels
// at `scale`: each pixel is the source pixel its top-left corner falls on.
export function pageColumnPixels({width, height, data}, w, h, scale) {
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

// The zoom: the one chosen, or the largest that fits the panel; 1 where the canvas would be
// too large.
function zoomFor(state, canvas) {
  const {width, height} = state.image;
  const room = Math.max(1, (state.panelWidth || canvas.parentElement.parentElement.clientWidth - 24) - MARGIN);
  const fit = Math.min(16, Math.floor(room / width), Math.floor(480 / height));
  const zoom = Math.max(1, Number($('zoom').value) || fit);
  const tooLarge = (width * zoom + MARGIN) * height * zoom > 4 * DRAWN_PIXELS || width * zoom > 16000 || height * zoom > 16000;
  return tooLarge ? 1 : zoom;
}

function drawMarks(context, {width, height}, zoom) {
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
}

export function drawPreview(state) {
  const canvas = $('preview');
  const {width, height} = state.image;
  if (width * height > DRAWN_PIXELS) {
    canvas.width = canvas.height = 0;
    state.cursor = null;
    showPixel(state);
    $('pixel-text').textContent = `The preview is too large to draw here (${width} × ${height} pixels):` +
      ' download the preview BMP below.';
    return;
  }
  const zoom = state.zoom = zoomFor(state, canvas);
  const actual = document.createElement('canvas');
  actual.width = width;
  actual.height = height;
  actual.getContext('2d').putImageData(pageColumnPixels(state.image, width, height, 1), 0, 0);
  canvas.width = MARGIN + width * zoom;
  canvas.height = height * zoom;
  canvas.dataset.zoom = zoom;
  canvas.dataset.left = MARGIN;
  const context = canvas.getContext('2d');
  context.fillStyle = '#aebd9b';
  context.fillRect(0, 0, MARGIN, canvas.height);
  context.imageSmoothingEnabled = false;
  context.drawImage(actual, MARGIN, 0, width * zoom, height * zoom);
  drawMarks(context, state.image, zoom);
  canvas.setAttribute('aria-label', `Preview, ${width} × ${height} pixels in ${Math.ceil(height / 8)} pages.` +
    ' Arrow keys move over the pixels and tell each pixel\'s byte.');
  showPixel(state);
}

// The eight rows of the pixel's page column, its byte in binary and hex.
function byteDiagram({x, y}, {width, height, data}) {
  const page = y >> 3;
  const index = page * width + x;
  const byte = data[index];
  const binary = byte.toString(2).padStart(8, '0');
  const lines = [`${' '.repeat(String(height).length + 5)}column ${x}`];
  for (let b = 0; b < 8; b++) {
    const row = page * 8 + b;
    const set = (byte >> b) & 1;
    const cell = row < height ? (set ? '[#]' : '[ ]') : ' - ';
    lines.push(`row ${String(row).padEnd(String(height).length)}  ${cell}  bit ${b} = ${set}` +
      (row >= height ? '  (no row)' : '') + (b === (y & 7) ? ' \u25c0 this pixel' : ''));
  }
  lines.push(`byte ${index} = ${binary.slice(0, 4)} ${binary.slice(4)} binary = 0x${byte.toString(16).padStart(2, '0')}`);
  return lines.join('\n');
}

function placeMarks(state) {
  const {x, y} = state.cursor;
  const {zoom} = state;
  const page = y >> 3;
  const canvas = $('preview');
  const scale = canvas.getBoundingClientRect().width / canvas.width || 1;
  const place = (mark, left, top, w, h) => {
    Object.assign(mark.style, {left: `${left * scale}px`, top: `${top * scale}px`,
      width: `${w * scale}px`, height: `${h * scale}px`});
    mark.hidden = false;
  };
  place($('column-mark'), MARGIN + x * zoom, page * 8 * zoom, zoom, Math.min(8, state.image.height - page * 8) * zoom);
  place($('pixel-mark'), MARGIN + x * zoom, y * zoom, zoom, zoom);
}

export function showPixel(state) {
  if (!state.cursor || !state.image) {
    $('column-mark').hidden = $('pixel-mark').hidden = true;
    $('pixel-text').textContent = '';
    $('byte-diagram').textContent = '';
    return;
  }
  const {x, y} = state.cursor;
  const {width, data} = state.image;
  const page = y >> 3;
  const bit = y & 7;
  const index = page * width + x;
  const byte = data[index];
  const binary = byte.toString(2).padStart(8, '0');
  const value = (byte >> bit) & 1;
  $('pixel-text').textContent = `Pixel x ${x}, y ${y}: page ${page}, column ${x}, index ${page} × ${width}` +
    ` + ${x} = ${index}, byte 0x${byte.toString(16).padStart(2, '0')} = ${binary.slice(0, 4)} ${binary.slice(4)}` +
    ` binary; this pixel is bit ${bit} = ${value} (${value ? 'black' : 'white'}).`;
  $('byte-diagram').textContent = byteDiagram(state.cursor, state.image);
  placeMarks(state);
}

const KEY_MOVES = {ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1]};

// The pointer and the arrow keys move the inspected pixel.
export function wireInspector(state) {
  const canvas = $('preview');
  const pointAt = (event) => {
    if (!state.image) return;
    const box = canvas.getBoundingClientRect();
    const scale = canvas.width / box.width;
    const x = Math.floor(((event.clientX - box.left) * scale - MARGIN) / state.zoom);
    const y = Math.floor((event.clientY - box.top) * scale / state.zoom);
    if (x < 0 || y < 0 || x >= state.image.width || y >= state.image.height) return;
    if (state.cursor && state.cursor.x === x && state.cursor.y === y) return;
    state.cursor = {x, y};
    showPixel(state);
  };
  canvas.addEventListener('pointermove', pointAt);
  canvas.addEventListener('pointerdown', pointAt);
  canvas.addEventListener('keydown', (event) => {
    const move = KEY_MOVES[event.key];
    if (!move || !state.image) return;
    event.preventDefault();
    const step = event.shiftKey ? 8 : 1;
    const clamp = (v, end) => Math.min(end - 1, Math.max(0, v));
    const {x, y} = state.cursor || {x: 0, y: 0};
    state.cursor = {x: clamp(x + move[0] * step, state.image.width), y: clamp(y + move[1] * step, state.image.height)};
    showPixel(state);
  });
  canvas.addEventListener('focus', () => {
    if (state.image && !state.cursor) {
      state.cursor = {x: 0, y: 0};
      showPixel(state);
    }
  });
}

// SPDX-License-Identifier: MIT
// The preview, as the display shows it: the picture's pixels drawn in the colours of the
// display chosen, square pixels, zoomable, the page boundaries marked every 8 rows; and the
// byte inspector, which tells the byte and bit, in the layout drawn with, of the pixel
// pointed at or moved to with the arrow keys.
import {$} from '../dom.js';
import {layoutByte} from '../layouts.js';
import {binaryText, hexText} from '../text.js';

const MARGIN = 8;  // left of the pixels: the page marks
export const DRAWN_PIXELS = 1 << 24;  // the largest preview drawn

// The displays' colours: the panel (a pixel off), the ink (a black pixel of the preview, a
// set bit, lit on an OLED) and the preview's frame; the two-colour OLED is yellow in its
// top 16 rows.
const BLUE_INK = [0x4c, 0xc2, 0xff];
const OLED = {panel: [0x0a, 0x0b, 0x10], frame: '#33353d'};
const PALETTES = {
  lcd: {panel: [0xc9, 0xd8, 0xb6], ink: [0x1e, 0x26, 0x1e], frame: '#aebd9b'},
  white: {...OLED, ink: [0xf4, 0xf6, 0xff]},
  blue: {...OLED, ink: BLUE_INK},
  'yellow-blue': {...OLED, ink: BLUE_INK, top: {rows: 16, ink: [0xff, 0xd6, 0x2e]}},
  paper: {panel: [0xf7, 0xf6, 0xf1], ink: [0x14, 0x14, 0x14], frame: '#d6d5cf'},
};

export const palette = () => PALETTES[$('palette').value] || PALETTES.lcd;

// Page-column bytes as the display shows them (bit 0 the top row of its page), w x h pixels
// at `scale`: each pixel is the source pixel its top-left corner falls on.
export function pageColumnPixels({width, height, data}, w, h, scale) {
  const colours = palette();
  const pixels = new ImageData(w, h);
  const columns = new Int32Array(w);
  for (let x = 0; x < w; x++) columns[x] = Math.min(width - 1, Math.floor(x / scale));
  for (let ty = 0, i = 0; ty < h; ty++) {
    const y = Math.min(height - 1, Math.floor(ty / scale));
    const row = (y >> 3) * width;
    const bit = y & 7;
    const ink = colours.top && y < colours.top.rows ? colours.top.ink : colours.ink;
    for (let x = 0; x < w; x++, i += 4) {
      const colour = (data[row + columns[x]] >> bit) & 1 ? ink : colours.panel;
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
  const colours = palette();
  canvas.dataset.panel = colours.panel.join(',');
  canvas.closest('.panel').style.background = colours.frame;
  const context = canvas.getContext('2d');
  context.fillStyle = colours.frame;
  context.fillRect(0, 0, MARGIN, canvas.height);
  context.imageSmoothingEnabled = false;
  context.drawImage(actual, MARGIN, 0, width * zoom, height * zoom);
  drawMarks(context, state.image, zoom);
  canvas.setAttribute('aria-label', `Preview, ${width} × ${height} pixels in ${Math.ceil(height / 8)} pages.` +
    ' Arrow keys move over the pixels and tell each pixel\'s byte.');
  showPixel(state);
}

// The layout the picture is inspected in: the one its bytes were written in.
const layoutOf = (state) => state.rules.layouts.find(({name}) => name === state.layoutShown) || state.rules.layouts[0];

// The eight pixels of the pixel's byte in the layout (a page column's rows, or a row's
// columns), its byte in binary and hex.
function byteDiagram(state, {x, y}, place) {
  const {down} = layoutOf(state);
  const end = down ? state.image.height : state.image.width;
  const digits = String(end).length;
  const lines = [`${' '.repeat(digits + (down ? 5 : 8))}${down ? `column ${x}` : `row ${y}`}`];
  for (const {at, bit, set, inside} of place.pixels) {
    const cell = inside ? (set ? '[#]' : '[ ]') : ' - ';
    lines.push(`${down ? 'row' : 'column'} ${String(at).padEnd(digits)}  ${cell}  bit ${bit} = ${set}` +
      (inside ? '' : `  (no ${down ? 'row' : 'column'})`) + (at === (down ? y : x) ? ' \u25c0 this pixel' : ''));
  }
  lines.push(`byte ${place.index} = ${binaryText(place.byte)} binary = ${hexText(place.byte)}`);
  return lines.join('\n');
}

function placeMarks(state, place) {
  const {x, y} = state.cursor;
  const {zoom} = state;
  const {down} = layoutOf(state);
  const canvas = $('preview');
  const scale = canvas.getBoundingClientRect().width / canvas.width || 1;
  const mark = (element, left, top, w, h) => {
    Object.assign(element.style, {left: `${left * scale}px`, top: `${top * scale}px`,
      width: `${w * scale}px`, height: `${h * scale}px`});
    element.hidden = false;
  };
  const count = place.pixels.filter(({inside}) => inside).length;
  if (down) mark($('column-mark'), MARGIN + x * zoom, place.first * zoom, zoom, count * zoom);
  else mark($('column-mark'), MARGIN + place.first * zoom, y * zoom, count * zoom, zoom);
  mark($('pixel-mark'), MARGIN + x * zoom, y * zoom, zoom, zoom);
}

// What the inspector says of the pixel: in panelbake's pages, its page and column; in
// another layout, its band (page or row) and byte of that layout.
function pixelText(state, place) {
  const {x, y} = state.cursor;
  const {width} = state.image;
  const layout = layoutOf(state);
  const value = (place.byte >> place.bit) & 1;
  const where = layout.name === 'pages' ? `page ${y >> 3}, column ${x}, index ${y >> 3} × ${width} + ${x} = ${place.index}`
    : `${layout.name}'s byte ${place.index} (${layout.down ? `page ${y >> 3}` : `row ${y}`})`;
  return `Pixel x ${x}, y ${y}: ${where}, byte ${hexText(place.byte)} = ` +
    `${binaryText(place.byte)} binary; this pixel is bit ${place.bit} = ${value} (${value ? 'black' : 'white'}).`;
}

export function showPixel(state) {
  if (!state.cursor || !state.image) {
    $('column-mark').hidden = $('pixel-mark').hidden = true;
    $('pixel-text').textContent = '';
    $('byte-diagram').textContent = '';
    return;
  }
  const place = layoutByte(layoutOf(state), state.image, state.cursor.x, state.cursor.y);
  $('pixel-text').textContent = pixelText(state, place);
  $('byte-diagram').textContent = byteDiagram(state, state.cursor, place);
  placeMarks(state, place);
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

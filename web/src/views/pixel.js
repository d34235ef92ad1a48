// @ts-check
// SPDX-License-Identifier: MIT
// The byte inspector's words and marks: of the pixel pointed at (state.cursor), where the
// C++ side says it lies in the bytes of the layout shown (state.place): its byte and bit,
// the byte's value, and the byte's eight pixels (a page column's rows, or a row's columns).
import {$} from '../dom.js';
import {binaryText, hexText} from '../text.js';
import {MARGIN, palette, pixelSet} from './preview.js';

/** @typedef {import('../state.js').State} State */
/** @typedef {import('../protocol.js').Place} Place */
/** @typedef {import('../protocol.js').Picture} Picture */

/** @param {number} mask */
const bitOf = (mask) => 31 - Math.clz32(mask);

// The byte's value from the picture shown: the bits of its pixels that are set.
/** @param {Picture} image @param {Place} place */
const byteValue = (image, place) =>
  place.pixels.reduce((byte, {x, y, mask, inside}) => byte | (inside && pixelSet(image, x, y) ? mask : 0), 0);

// A pixel by the words of the display's look: black or white as in the preview BMP, lit or
// not on an OLED.
/** @param {number} set */
const pixelWord = (set) => (palette().lit ? (set ? 'lit' : 'unlit') : (set ? 'black' : 'white'));

// The eight pixels of the pixel's byte, its byte in binary and hex.
/** @param {{x: number, y: number}} cursor @param {Picture} image @param {Place} place @param {number} byte */
function byteDiagram({x, y}, image, place, byte) {
  const down = place.pixels.every((pixel) => pixel.x === x);
  const digits = String(down ? image.height : image.width).length;
  const lines = [`${' '.repeat(digits + (down ? 5 : 8))}${down ? `column ${x}` : `row ${y}`}`];
  for (const pixel of place.pixels) {
    const at = down ? pixel.y : pixel.x;
    const set = (byte & pixel.mask) ? 1 : 0;
    const cell = pixel.inside ? (set ? '[#]' : '[ ]') : ' - ';
    lines.push(`${down ? 'row' : 'column'} ${String(at).padEnd(digits)}  ${cell}  bit ${bitOf(pixel.mask)} = ${set}` +
      (pixel.inside ? '' : `  (no ${down ? 'row' : 'column'})`) + (pixel.x === x && pixel.y === y ? ' \u25c0 this pixel' : ''));
  }
  lines.push(`byte ${place.byte} = ${binaryText(byte)} binary = ${hexText(byte)}`);
  return lines.join('\n');
}

// The byte's pixels outlined, and the pixel's own.
/** @param {State} state @param {{x: number, y: number}} cursor @param {Place} place */
function placeMarks(state, {x, y}, place) {
  const canvas = $('preview');
  const zoom = Number(canvas.dataset.zoom);
  const scale = canvas.getBoundingClientRect().width / canvas.width || 1;
  /** @param {HTMLElement} element @param {number} left @param {number} top @param {number} w @param {number} h */
  const mark = (element, left, top, w, h) => {
    Object.assign(element.style, {left: `${left * scale}px`, top: `${top * scale}px`,
      width: `${w * scale}px`, height: `${h * scale}px`});
    element.hidden = false;
  };
  const inside = place.pixels.filter((pixel) => pixel.inside);
  const xs = inside.map((pixel) => pixel.x);
  const ys = inside.map((pixel) => pixel.y);
  const [left, top] = [Math.min(...xs), Math.min(...ys)];
  mark($('column-mark'), MARGIN + left * zoom, top * zoom, (Math.max(...xs) - left + 1) * zoom,
       (Math.max(...ys) - top + 1) * zoom);
  mark($('pixel-mark'), MARGIN + x * zoom, y * zoom, zoom, zoom);
}

// What the inspector says of the pixel: in panelbake's pages, its page, column and index;
// in another layout, the index of its byte in that layout and its page or row.
/** @param {State} state @param {{x: number, y: number}} cursor @param {Picture} image @param {Place} place @param {number} byte */
function pixelText(state, {x, y}, image, place, byte) {
  const mask = place.pixels.find((pixel) => pixel.x === x && pixel.y === y)?.mask || 0;
  const set = (byte & mask) ? 1 : 0;
  const where = state.layoutShown === 'pages'
    ? `page ${place.band}, column ${x}, index ${place.band} × ${image.width} + ${x} = ${place.byte}`
    : `byte ${place.byte} of the ${state.layoutShown} layout (${place.bandName} ${place.band})`;
  return `Pixel x ${x}, y ${y}: ${where}, byte ${hexText(byte)} = ` +
    `${binaryText(byte)} binary; this pixel is bit ${bitOf(mask)} = ${set} (${pixelWord(set)}).`;
}

// Shows the pixel inspected, or nothing where none is.
/** @param {State} state */
export function showPixel(state) {
  const {cursor, image, place} = state;
  if (!cursor || !image || !place || $('preview').width === 0) {
    $('column-mark').hidden = $('pixel-mark').hidden = true;
    $('pixel-text').textContent = image && $('preview').width === 0 ? $('pixel-text').textContent : '';
    $('byte-diagram').textContent = '';
    return;
  }
  const byte = byteValue(image, place);
  $('pixel-text').textContent = pixelText(state, cursor, image, place, byte);
  $('byte-diagram').textContent = byteDiagram(cursor, image, place, byte);
  placeMarks(state, cursor, place);
}

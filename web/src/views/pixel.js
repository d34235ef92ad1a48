// @ts-check
// SPDX-License-Identifier: MIT
// The byte inspector's words and marks: of the pixel pointed at (state.cursor), where the
// C++ side says it lies in the bytes of the layout shown (state.place): its byte and bit,
// the byte's value, and the byte's eight pixels (a page column's rows, or a row's columns);
// of a panel's pixel, its value and colour, and its bits, nibble or plane.
import {$} from '../dom.js';
import {binaryText, hexText} from '../text.js';
import {MARGIN, palette, pixelSet} from './preview.js';

/** @typedef {import('../state.js').State} State */
/** @typedef {import('../protocol.js').Place} Place */
/** @typedef {import('../protocol.js').PanelPlace} PanelPlace */
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

/** @param {number} mask */
const lowBitOf = (mask) => 31 - Math.clz32(mask & -mask);

// The bits of a panel's pixel in one of its arrays: its value where the array holds values,
// all of its bits in the plane of its value, none in another plane.
/** @param {number} value @param {number} mask @param {number} plane */
const panelBits = (value, mask, plane) => (plane < 0 ? (value << lowBitOf(mask)) & mask : (value === plane ? mask : 0));

// A byte of a panel's array from its pixels' values; where 0 is ink, every bit the opposite.
/** @param {Picture} image @param {PanelPlace} place @param {number} plane */
function panelByte(image, place, plane) {
  const values = /** @type {import('../protocol.js').PanelValues} */ (image.panel).values;
  const byte = place.pixels.reduce((b, {x, y, mask, inside}) =>
    b | (inside ? panelBits(values[y * image.width + x], mask, plane) : 0), 0);
  return place.inkIsZero ? ~byte & 255 : byte;
}

// A pixel's bits in words: "bit 5", "bits 7–6", "the high nibble (bits 7–4)", and what they hold.
/** @param {number} mask @param {number} byte */
function bitsWords(mask, byte) {
  const [high, low] = [bitOf(mask), lowBitOf(mask)];
  const held = ((byte & mask) >>> low).toString(2).padStart(high - low + 1, '0');
  if (high === low) return `bit ${high} = ${held}`;
  const range = `bits ${high}–${low}`;
  return `${high - low === 3 ? `the ${low ? 'high' : 'low'} nibble (${range})` : range} = ${held}`;
}

// A panel's value by its colour's name.
/** @param {State} state @param {Picture} image @param {number} value */
function colourName(state, image, value) {
  const panel = state.rules && state.rules.panels.find(({name}) => image.panel && name === image.panel.panel);
  const colour = panel && panel.colours.find((c) => c.value === value);
  return colour ? colour.name : 'no colour';
}

// An array of a panel's by its part of the picture: a plane, a half, or all of it.
/** @param {import('../protocol.js').PanelArray} array */
const arrayWords = ({suffix, plane}) => (suffix ? `the ${suffix.slice(1)} ${plane < 0 ? 'half' : 'plane'}` : 'the array');

// What the inspector says of a panel's pixel: its value and colour, its byte in the array
// that holds it (in each plane of a panel of planes), and its bits there.
/** @param {State} state @param {{x: number, y: number}} cursor @param {Picture} image @param {PanelPlace} place */
function panelText(state, {x, y}, image, place) {
  const values = /** @type {import('../protocol.js').PanelValues} */ (image.panel).values;
  const value = values[y * image.width + x];
  const mask = place.pixels.find((pixel) => pixel.x === x && pixel.y === y)?.mask || 0;
  const parts = place.arrays.filter((array, i) => array.plane >= 0 || i === place.array).map((array) => {
    const byte = panelByte(image, place, array.plane);
    return `${arrayWords(array)} byte ${place.byte} = ${hexText(byte)} = ${binaryText(byte)} binary, ${bitsWords(mask, byte)}`;
  });
  return `Pixel x ${x}, y ${y}: value ${value} (${colourName(state, image, value)}), ` +
    `${place.bandName} ${place.band} of the ${state.layoutShown} layout; ${parts.join('; ')}.`;
}

// The pixels of a panel's byte, each with its value and colour.
/** @param {State} state @param {{x: number, y: number}} cursor @param {Picture} image @param {PanelPlace} place */
function panelDiagram(state, cursor, image, place) {
  const values = /** @type {import('../protocol.js').PanelValues} */ (image.panel).values;
  const digits = String(image.width).length;
  const lines = place.pixels.map((pixel) => {
    const value = values[pixel.y * image.width + pixel.x];
    const words = pixel.inside ? `${value} ${colourName(state, image, value)}` : '(no column)';
    const bits = bitOf(pixel.mask) === lowBitOf(pixel.mask) ? `bit ${bitOf(pixel.mask)}`
      : `bits ${bitOf(pixel.mask)}–${lowBitOf(pixel.mask)}`;
    return `column ${String(pixel.x).padEnd(digits)}  ${bits}  ${words}` + (pixel.x === cursor.x ? ' \u25c0' : '');
  });
  return [`row ${cursor.y}`, ...lines].join('\n');
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
  if (image.panel && 'arrays' in place) {
    $('pixel-text').textContent = panelText(state, cursor, image, place);
    $('byte-diagram').textContent = panelDiagram(state, cursor, image, place);
  } else {
    const byte = byteValue(image, place);
    $('pixel-text').textContent = pixelText(state, cursor, image, place, byte);
    $('byte-diagram').textContent = byteDiagram(cursor, image, place, byte);
  }
  placeMarks(state, cursor, place);
}

// @ts-check
// SPDX-License-Identifier: MIT
// The preview, as the display shows it: the picture's pixels drawn in the colours of the
// display chosen (a panel's in its own), square pixels, zoomable, the page boundaries marked
// every 8 rows. The
// picture comes as page columns, as panelbake converts it (bit 0 the top row of a page).
// The canvas says its zoom and the left margin of its pixels (data-zoom, data-left).
import {$} from '../dom.js';

/** @typedef {import('../state.js').State} State */
/** @typedef {import('../protocol.js').Picture} Picture */
/** @typedef {[number, number, number]} Colour */
/** @typedef {{panel: Colour, ink: Colour, frame: string, lit: boolean, top?: {rows: number, ink: Colour}}} Palette */

export const MARGIN = 8;  // left of the pixels: the page marks
export const DRAWN_PIXELS = 1 << 24;  // the largest preview drawn

// The displays' colours: the panel (a pixel off), the ink (a black pixel of the preview, a
// set bit, lit on an OLED) and the preview's frame; the two-colour OLED is yellow in its
// top 16 rows.
/** @type {Colour} */
const BLUE_INK = [0x4c, 0xc2, 0xff];
/** @type {{panel: Colour, frame: string, lit: boolean}} */
const OLED = {panel: [0x0a, 0x0b, 0x10], frame: '#33353d', lit: true};
/** @type {Record<string, Palette>} */
const PALETTES = {
  lcd: {panel: [0xc9, 0xd8, 0xb6], ink: [0x1e, 0x26, 0x1e], frame: '#aebd9b', lit: false},
  white: {...OLED, ink: [0xf4, 0xf6, 0xff]},
  blue: {...OLED, ink: BLUE_INK},
  'yellow-blue': {...OLED, ink: BLUE_INK, top: {rows: 16, ink: [0xff, 0xd6, 0x2e]}},
  paper: {panel: [0xf7, 0xf6, 0xf1], ink: [0x14, 0x14, 0x14], frame: '#d6d5cf', lit: false},
};

/** @returns {Palette} */
export const palette = () => PALETTES[$('palette').value] || PALETTES.lcd;

// Whether pixel (x, y) of page-column bytes is set: black in the preview BMP.
/** @param {{width: number, data: Uint8Array}} picture @param {number} x @param {number} y */
export const pixelSet = ({width, data}, x, y) => (data[(y >> 3) * width + x] >> (y & 7)) & 1;

// A panel's values in its colours, w x h pixels at `scale`.
/** @param {{width: number, height: number, panel: import('../protocol.js').PanelValues}} picture @param {number} w @param {number} h @param {number} scale */
function panelPixels({width, height, panel}, w, h, scale) {
  const pixels = new ImageData(w, h);
  const {values, colours} = panel;
  for (let ty = 0, i = 0; ty < h; ty++) {
    const row = Math.min(height - 1, Math.floor(ty / scale)) * width;
    for (let x = 0; x < w; x++, i += 4) {
      const at = 3 * (values[row + Math.min(width - 1, Math.floor(x / scale))] & 15);
      pixels.data.set(colours.subarray(at, at + 3), i);
      pixels.data[i + 3] = 255;
    }
  }
  return pixels;
}

// Page-column bytes as the display shows them (a panel's values in its colours), w x h
// pixels at `scale`: each pixel is the source pixel its top-left corner falls on.
/** @param {{width: number, height: number, data: Uint8Array, panel?: import('../protocol.js').PanelValues}} picture @param {number} w @param {number} h @param {number} scale */
export function pageColumnPixels(picture, w, h, scale) {
  if (picture.panel) return panelPixels({...picture, panel: picture.panel}, w, h, scale);
  const colours = palette();
  const pixels = new ImageData(w, h);
  const columns = new Int32Array(w);
  for (let x = 0; x < w; x++) columns[x] = Math.min(picture.width - 1, Math.floor(x / scale));
  for (let ty = 0, i = 0; ty < h; ty++) {
    const y = Math.min(picture.height - 1, Math.floor(ty / scale));
    const ink = colours.top && y < colours.top.rows ? colours.top.ink : colours.ink;
    for (let x = 0; x < w; x++, i += 4) {
      const colour = pixelSet(picture, columns[x], y) ? ink : colours.panel;
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
/** @param {State} state @param {Picture} image @param {HTMLCanvasElement} canvas */
function zoomFor(state, image, canvas) {
  const {width, height} = image;
  const panel = /** @type {HTMLElement} */ (canvas.closest('.panel'));
  const room = Math.max(1, (state.panelWidth || panel.clientWidth - 24) - MARGIN);
  const fit = Math.min(16, Math.floor(room / width), Math.floor(480 / height));
  const zoom = Math.max(1, Number($('zoom').value) || fit);
  const tooLarge = (width * zoom + MARGIN) * height * zoom > 4 * DRAWN_PIXELS || width * zoom > 16000 || height * zoom > 16000;
  return tooLarge ? 1 : zoom;
}

/** @param {CanvasRenderingContext2D} context @param {Picture} image @param {number} zoom */
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

// Draws the picture shown (state.image). Returns whether it is drawn: one too large is
// not, and says so.
/** @param {State} state */
export function drawPreview(state) {
  const canvas = $('preview');
  const image = /** @type {Picture} */ (state.image);
  const {width, height} = image;
  if (width * height > DRAWN_PIXELS) {
    canvas.width = canvas.height = 0;
    $('pixel-text').textContent = `The preview is too large to draw here (${width} × ${height} pixels)` +
      (state.showing === 'picture' ? ': download the preview BMP below.' : '.');
    return false;
  }
  const zoom = zoomFor(state, image, canvas);
  const actual = document.createElement('canvas');
  actual.width = width;
  actual.height = height;
  /** @type {CanvasRenderingContext2D} */ (actual.getContext('2d')).putImageData(pageColumnPixels(image, width, height, 1), 0, 0);
  canvas.width = MARGIN + width * zoom;
  canvas.height = height * zoom;
  canvas.dataset.zoom = String(zoom);
  canvas.dataset.left = String(MARGIN);
  const colours = image.panel ? PALETTES.paper : palette();
  canvas.dataset.panel = colours.panel.join(',');
  /** @type {HTMLElement} */ (canvas.closest('.panel')).style.background = colours.frame;
  const context = /** @type {CanvasRenderingContext2D} */ (canvas.getContext('2d'));
  context.fillStyle = colours.frame;
  context.fillRect(0, 0, MARGIN, canvas.height);
  context.imageSmoothingEnabled = false;
  context.drawImage(actual, MARGIN, 0, width * zoom, height * zoom);
  if (!image.panel) drawMarks(context, image, zoom);
  canvas.setAttribute('aria-label', `Preview, ${width} × ${height} pixels` +
    (image.panel ? ` in the colours of ${image.panel.panel}.` : ` in ${Math.ceil(height / 8)} pages.`) +
    ' Arrow keys move over the pixels and tell each pixel\'s byte.');
  return true;
}

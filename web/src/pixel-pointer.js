// @ts-check
// SPDX-License-Identifier: MIT
// The byte inspector's control: the pointer and the arrow keys move the pixel inspected
// (state.cursor), and the C++ side is asked where it lies in the bytes of the layout shown
// (state.place; of a panel's picture, in which of its arrays), which views/pixel.js then
// shows.
import {isAbandoned} from './bridge.js';
import {$} from './dom.js';
import {MARGIN} from './views/preview.js';
import {showPixel} from './views/pixel.js';

/** @typedef {import('./state.js').State} State */
/** @typedef {import('./bridge.js').Methods} Methods */

// Asks where the pixel inspected lies, and shows it once the newest answer comes.
/** @param {State} state @param {Methods} questions */
export async function inspect(state, questions) {
  state.placeAsked.abort();
  state.placeAsked = new AbortController();
  const {cursor, image, layoutShown} = state;
  if (!cursor || !image || $('preview').width === 0) {
    state.place = null;
    showPixel(state);
    return;
  }
  const asked = {layout: layoutShown, width: image.width, height: image.height, ...cursor};
  const signal = state.placeAsked.signal;
  try {
    state.place = image.panel ? await questions.call('panelPlace', {...asked, panel: image.panel.panel}, {signal})
      : await questions.call('place', asked, {signal});
  } catch (error) {
    if (isAbandoned(error)) return;
    throw error;
  }
  showPixel(state);
}

// The pixel inspected moved to (x, y), or none; one outside the picture shown is none.
/** @param {State} state @param {Methods} questions @param {{x: number, y: number} | null} cursor */
export function moveTo(state, questions, cursor) {
  const image = state.image;
  const inside = cursor && image && cursor.x < image.width && cursor.y < image.height;
  state.cursor = inside ? cursor : null;
  return inspect(state, questions);
}

const KEY_MOVES = {ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1]};

// The pointer and the arrow keys move the inspected pixel.
/** @param {State} state @param {Methods} questions */
export function wireInspector(state, questions) {
  const canvas = $('preview');
  /** @param {PointerEvent} event */
  const pointAt = (event) => {
    if (!state.image) return;
    const box = canvas.getBoundingClientRect();
    const scale = canvas.width / box.width;
    const zoom = Number(canvas.dataset.zoom);
    const x = Math.floor(((event.clientX - box.left) * scale - MARGIN) / zoom);
    const y = Math.floor((event.clientY - box.top) * scale / zoom);
    if (x < 0 || y < 0 || x >= state.image.width || y >= state.image.height) return;
    if (state.cursor && state.cursor.x === x && state.cursor.y === y) return;
    moveTo(state, questions, {x, y});
  };
  canvas.addEventListener('pointermove', pointAt);
  canvas.addEventListener('pointerdown', pointAt);
  canvas.addEventListener('keydown', (event) => {
    const move = KEY_MOVES[/** @type {keyof KEY_MOVES} */ (event.key)];
    if (!move || !state.image) return;
    event.preventDefault();
    const step = event.shiftKey ? 8 : 1;
    /** @param {number} v @param {number} end */
    const clamp = (v, end) => Math.min(end - 1, Math.max(0, v));
    const {x, y} = state.cursor || {x: 0, y: 0};
    moveTo(state, questions, {x: clamp(x + move[0] * step, state.image.width), y: clamp(y + move[1] * step, state.image.height)});
  });
  canvas.addEventListener('focus', () => {
    if (state.image && !state.cursor) moveTo(state, questions, {x: 0, y: 0});
  });
}

// @ts-check
// SPDX-License-Identifier: MIT
// The page's elements by their ids (index.html), typed, and small helpers of them.

/**
 * @typedef {{
 *   'announce': HTMLElement, 'adjust-hint': HTMLElement, 'array-choice': HTMLElement, 'array-file': HTMLInputElement,
 *   'array-hint': HTMLElement, 'array-layout': HTMLSelectElement, 'array-panel': HTMLSelectElement, 'array-loaded': HTMLElement,
 *   'array-name': HTMLSelectElement, 'array-problems': HTMLUListElement, 'array-size-hint': HTMLElement,
 *   'array-text': HTMLTextAreaElement, 'array-width': HTMLInputElement, 'arrays': HTMLDetailsElement,
 *   'batch': HTMLElement, 'batch-download': HTMLButtonElement, 'batch-hint': HTMLElement, 'batch-list': HTMLOListElement,
 *   'batch-state': HTMLElement, 'batch-zip': HTMLAnchorElement, 'byte-diagram': HTMLElement,
 *   'column-mark': HTMLElement, 'command': HTMLElement, 'compress': HTMLInputElement,
 *   'compress-choice': HTMLElement, 'compress-note': HTMLElement, 'compress-sizes': HTMLElement,
 *   'copy-command': HTMLButtonElement, 'copy-header': HTMLButtonElement,
 *   'decoded-by-browser': HTMLElement, 'display': HTMLSelectElement, 'dither': HTMLSelectElement, 'drop': HTMLElement,
 *   'files-area': HTMLElement, 'flip-h': HTMLInputElement, 'flip-v': HTMLInputElement, 'frame': HTMLSelectElement,
 *   'frames': HTMLElement, 'frames-header-download': HTMLAnchorElement, 'header': HTMLTextAreaElement,
 *   'header-download': HTMLAnchorElement, 'header-name': HTMLElement, 'header-note': HTMLElement,
 *   'height': HTMLInputElement, 'invert': HTMLInputElement, 'layout': HTMLSelectElement, 'messages': HTMLElement,
 *   'messages-download': HTMLAnchorElement, 'palette': HTMLSelectElement, 'panel': HTMLSelectElement,
 *   'panel-colours': HTMLFieldSetElement, 'panel-colour-fields': HTMLElement, 'panel-colours-reset': HTMLButtonElement,
 *   'threshold-label': HTMLElement, 'threshold-fields': HTMLElement, 'threshold-hint': HTMLElement, 'paste': HTMLButtonElement,
 *   'picture': HTMLInputElement, 'pixel-mark': HTMLElement, 'pixel-text': HTMLElement, 'prepared': HTMLElement,
 *   'prepared-download': HTMLAnchorElement, 'preview': HTMLCanvasElement, 'preview-area': HTMLElement,
 *   'preview-download': HTMLAnchorElement, 'report': HTMLElement, 'rotate': HTMLSelectElement,
 *   'size-note': HTMLElement, 'summary': HTMLElement, 'threshold': HTMLInputElement,
 *   'threshold-note': HTMLElement, 'threshold-range': HTMLElement, 'threshold-slider': HTMLInputElement,
 *   'verbose': HTMLInputElement, 'width': HTMLInputElement, 'zoom': HTMLSelectElement,
 * }} Elements
 */

/**
 * @template {keyof Elements} K
 * @param {K} id
 * @returns {Elements[K]}
 */
export const $ = (id) => /** @type {Elements[K]} */ (document.getElementById(id));

// A link to bytes or a Blob; a Blob from the worker is linked as it is, without a copy.
// The link's address before is let go.
/** @param {HTMLAnchorElement} link @param {string} name @param {Blob | Uint8Array | string} data @param {string} type */
export function offerDownload(link, name, data, type) {
  if (link.href.startsWith('blob:')) URL.revokeObjectURL(link.href);
  link.href = URL.createObjectURL(data instanceof Blob ? data : new Blob([/** @type {BlobPart} */ (data)], {type}));
  link.download = name;
}

// The report says whether the shown picture's work is under way, and counts the results
// shown (data-state, data-results).
/** @param {boolean} busy */
export function setBusy(busy) {
  $('report').dataset.state = busy ? 'busy' : 'done';
  $('report').setAttribute('aria-busy', String(busy));
}

export function countResult() {
  $('report').dataset.results = String(Number($('report').dataset.results || 0) + 1);
}

/** @param {string} text */
export function setSummary(text, failed = false) {
  $('summary').textContent = text;
  $('summary').className = failed ? 'failed' : '';
}

// A note beside a control: shown with its text, hidden without one.
/** @param {HTMLElement} note @param {string} text */
export function showNote(note, text) {
  note.hidden = !text;
  note.textContent = text;
}

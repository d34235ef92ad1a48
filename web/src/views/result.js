// @ts-check
// SPDX-License-Identifier: MIT
// The result shown: the summary, the messages, the header's first bytes with Copy and
// Download and the preview's download; or why there is none. The preview itself is
// preview.js's. Every result shown, or failure, is counted on the report (data-results).
import {$, countResult, offerDownload, setSummary} from '../dom.js';
import {bytesText, counted} from '../text.js';
import {showMessages} from './messages.js';

/** @typedef {import('../state.js').Made} Made */
/** @typedef {import('../protocol.js').Picture} Picture */

// Bytes of a header handed to the page's thread: the text box shows no more. Laying out
// text takes the page's thread about 0.3 ms a kilobyte, so a whole megabyte of a large
// picture's header would hold the page still for a third of a second; Copy and Download
// give all of it.
export const HEADER_SHOWN = 32 << 10;

/** @param {string} summary */
export function showFailure(summary) {
  countResult();
  setSummary(summary, true);
  $('preview-area').hidden = true;
  $('files-area').hidden = true;
}

// A picture's size and its bytes in the layout of its file: "84 × 52 pixels: 52 rows × 11
// bytes = 572 bytes".
/** @param {Picture} picture */
export const pictureText = ({width, height, grid}) => `${width} × ${height} pixels: ${counted(grid.bands, grid.band)} ×` +
  ` ${counted(grid.bandBytes, grid.byte)} = ${bytesText(grid.bytes)}`;

/** @param {import('../protocol.js').ShownFile} header */
function showHeader(header) {
  $('header-name').textContent = header.name;
  $('header').value = new TextDecoder().decode(header.start);
  $('header-note').hidden = header.blob.size <= HEADER_SHOWN;
  $('header-note').textContent = `Shown here: the first ${bytesText(HEADER_SHOWN)}. Copy and Download give all of it.`;
  offerDownload($('header-download'), header.name, header.blob, 'text/plain');
}

// A conversion's result, all but the preview, which is drawn after the rest is laid out.
/** @param {Made} made */
export function showResult(made) {
  showMessages(made.stdout, made.stderr);
  countResult();
  const {picture, header, preview} = made;
  setSummary(`${pictureText(picture)}. ` + (preview ? `Header ${bytesText(header.blob.size)}, preview BMP` +
    ` ${bytesText(preview.blob.size)}.` : `${header.name}: ${bytesText(header.blob.size)}.`));
  showHeader(header);
  $('preview-download').hidden = !preview;
  if (preview) offerDownload($('preview-download'), preview.name, preview.blob, 'image/bmp');
  $('files-area').hidden = false;
  $('preview-area').hidden = false;
}

// Bytes from elsewhere (read back from C text) shown as a result is: the summary, and the
// preview with the byte inspector; no header or preview file goes with them.
/** @param {string} summary */
export function showBytes(summary) {
  showMessages('', '');
  countResult();
  setSummary(summary);
  $('files-area').hidden = true;
  $('preview-area').hidden = false;
}

// The header's whole text, from its Blob, to copy.
export const headerText = () => fetch($('header-download').href).then((response) => response.text());

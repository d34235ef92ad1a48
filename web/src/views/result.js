// SPDX-License-Identifier: MIT
// The result shown: the summary, the messages, the header's first bytes with Copy and
// Download, the preview's download, and the preview itself (preview.js); or why there is
// none. Every result shown, or failure, is counted on the report (data-results).
import {$, countResult, offerDownload, setSummary} from '../dom.js';
import {bytesText, counted} from '../text.js';
import {HEADER_SHOWN} from '../pipeline.js';
import {showMessages} from './messages.js';
import {drawPreview} from './preview.js';

export function showFailure(state, summary) {
  countResult();
  setSummary(summary, true);
  $('preview-area').hidden = true;
  $('files-area').hidden = true;
  state.image = null;
}

function showHeader(header) {
  $('header-name').textContent = header.name;
  $('header').value = new TextDecoder().decode(header.start);
  $('header-note').hidden = header.blob.size <= HEADER_SHOWN;
  $('header-note').textContent = `Shown here: the first ${bytesText(HEADER_SHOWN)}. Copy and Download give all of it.`;
  offerDownload($('header-download'), header.name, header.blob, 'text/plain');
}

// Shows a conversion's result, all but the preview, which is drawn in a task of its own
// after the rest is laid out. Resolves once it is drawn (or another result took its place).
export async function showResult(state, result) {
  showMessages(result.stdout, result.stderr);
  if (result.failed) {
    showFailure(state, result.failed);
    return;
  }
  countResult();
  const {picture, header, preview} = result;
  const pages = Math.ceil(picture.height / 8);
  setSummary(`${picture.width} × ${picture.height} pixels: ${counted(pages, 'page')} × ${counted(picture.width, 'column')}` +
    ` = ${bytesText(picture.data.length)}. Header ${bytesText(header.blob.size)}, preview BMP ${bytesText(preview.blob.size)}.`);
  showHeader(header);
  offerDownload($('preview-download'), preview.name, preview.blob, 'image/bmp');
  $('files-area').hidden = false;
  $('preview-area').hidden = false;
  state.image = picture;
  if (state.cursor && (state.cursor.x >= picture.width || state.cursor.y >= picture.height)) state.cursor = null;
  await new Promise((resolve) => setTimeout(resolve));
  if (state.image === picture) drawPreview(state);
}

// Page-column bytes from elsewhere (bytes read back from C text) shown as a result is: the
// summary, and the preview with the byte inspector; no header or preview file goes with
// them. With no bytes, the summary of why not.
export function showBytes(state, made, summary) {
  showMessages('', '');
  if (!made) {
    showFailure(state, summary);
    return;
  }
  countResult();
  setSummary(summary);
  $('files-area').hidden = true;
  $('preview-area').hidden = false;
  state.image = made;
  if (state.cursor && (state.cursor.x >= made.width || state.cursor.y >= made.height)) state.cursor = null;
  drawPreview(state);
}

// The header's whole text, from its Blob, to copy.
export const headerText = () => fetch($('header-download').href).then((response) => response.text());

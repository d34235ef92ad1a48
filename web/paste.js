// SPDX-License-Identifier: MIT
// A picture from the clipboard, taken as if chosen: Ctrl+V anywhere on the page but in a
// field, or the Paste button. Text pasted into a field stays text.
'use strict';

const PASTED_EXTENSIONS = {'image/jpeg': 'jpg', 'image/svg+xml': 'svg'};

// A clipboard's picture as a file named pasted.png (pasted.jpg, ...).
function pastedFile(blob) {
  const subtype = blob.type.replace(/^image\//, '').replace(/[^a-z0-9]/gi, '') || 'png';
  return new File([blob], `pasted.${PASTED_EXTENSIONS[blob.type] || subtype}`, {type: blob.type});
}

const typesInto = (element) => element instanceof Element &&
  Boolean(element.closest('input, textarea, select, [contenteditable]:not([contenteditable=false])'));

document.addEventListener('paste', (event) => {
  if (typesInto(event.target) || !event.clipboardData) return;
  const pictures = [...event.clipboardData.files].filter((file) => file.type.startsWith('image/'));
  if (pictures.length === 0) return;
  event.preventDefault();
  takePictures(pictures.map(pastedFile));
});

async function pasteFromClipboard() {
  let pictures = [];
  try {
    for (const item of await navigator.clipboard.read()) {
      const type = item.types.find((t) => t.startsWith('image/'));
      if (type) pictures.push(pastedFile(await item.getType(type)));
    }
  } catch (error) {
    pictures = null;
  }
  if (pictures && pictures.length > 0) {
    takePictures(pictures);
    return;
  }
  $('announce').textContent = '';
  $('summary').className = 'failed';
  $('summary').textContent = pictures ? 'The clipboard holds no picture.'
    : 'The clipboard could not be read: allow the page to read it, or press Ctrl+V.';
}

if (navigator.clipboard && navigator.clipboard.read) {
  $('paste').hidden = false;
  $('paste').addEventListener('click', pasteFromClipboard);
}

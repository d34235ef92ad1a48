// @ts-check
// SPDX-License-Identifier: MIT
// Pictures dropped anywhere on the page, folders read through, and pictures pasted from
// the clipboard: each taken as if chosen.
import {$, setSummary} from './dom.js';

// The files of a dropped folder that are taken: pictures by their extension.
const PICTURE_NAME = /\.(png|jpe?g|gif|bmp|webp|avif|pam)$/i;
// C text dropped on the page: a header to read back into a picture.
const C_TEXT_NAME = /\.(h|hpp|c|cpp|ino|txt)$/i;
/** @type {Record<string, string>} */
const PASTED_EXTENSIONS = {'image/jpeg': 'jpg', 'image/svg+xml': 'svg'};

/** @typedef {(files: File[]) => void} Take */
/** @typedef {(file: File) => void} LoadArrayFile */

// Every picture in a folder and the folders in it, in the order of their names; hidden
// files and folders (.git) are passed over, and a folder that cannot be read.
/** @param {FileSystemDirectoryEntry} folder @returns {Promise<File[]>} */
async function folderFiles(folder) {
  const reader = folder.createReader();
  /** @type {FileSystemEntry[]} */
  const children = [];
  for (;;) {
    /** @type {FileSystemEntry[]} */
    const some = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
    if (some.length === 0) break;
    children.push(...some);
  }
  children.sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
  /** @type {File[]} */
  const files = [];
  for (const child of children) {
    if (child.name.startsWith('.')) continue;
    if (child.isDirectory) {
      files.push(...await folderFiles(/** @type {FileSystemDirectoryEntry} */ (child)).catch(() => []));
    } else if (child.isFile && PICTURE_NAME.test(child.name)) {
      files.push(await new Promise((resolve, reject) => /** @type {FileSystemFileEntry} */ (child).file(resolve, reject)));
    }
  }
  return files;
}

// The files of a drop, folders read through: what the drop holds is taken while its event
// lasts, and the folders are read afterwards.
/** @param {DataTransfer} transfer @returns {Promise<File[]>} */
function droppedFiles(transfer) {
  const dropped = [...(transfer.items || [])].filter((item) => item.kind === 'file').map((item) => {
    const entry = item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
    return entry && entry.isDirectory ? folderFiles(/** @type {FileSystemDirectoryEntry} */ (entry)).catch(() => [])
      : [item.getAsFile()];
  });
  if (dropped.length === 0) return Promise.resolve([...transfer.files]);
  return Promise.all(dropped).then((lists) => /** @type {File[]} */ (lists.flat().filter(Boolean)));
}

// A drop on the page: its pictures are taken (`take`), or one header's bytes read back
// (`loadArrayFile`); a drop without either says so.
/** @param {DataTransfer} transfer @param {Take} take @param {LoadArrayFile} loadArrayFile */
async function takeDropped(transfer, take, loadArrayFile) {
  const holdsFiles = [...transfer.types].includes('Files');  // read while the drop lasts
  const files = await droppedFiles(transfer);
  if (files.length === 1 && C_TEXT_NAME.test(files[0].name)) {
    $('arrays').open = true;
    loadArrayFile(files[0]);
  } else if (files.length > 0) {
    take(files);
  } else if (holdsFiles) {
    setSummary('Nothing dropped is a picture: a folder gives the PNG, JPEG, GIF, BMP, WebP and AVIF files in it.', true);
  }
}

/** @param {Take} take @param {LoadArrayFile} loadArrayFile */
export function wireDrops(take, loadArrayFile) {
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    $('drop').classList.add('over');
  });
  document.addEventListener('dragleave', (event) => {
    if (!event.relatedTarget) $('drop').classList.remove('over');
  });
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    $('drop').classList.remove('over');
    if (event.dataTransfer) takeDropped(event.dataTransfer, take, loadArrayFile);
  });
}

// A clipboard's picture as a file named pasted.png (pasted.jpg, ...).
/** @param {Blob} blob */
function pastedFile(blob) {
  const subtype = blob.type.replace(/^image\//, '').replace(/[^a-z0-9]/gi, '') || 'png';
  return new File([blob], `pasted.${PASTED_EXTENSIONS[blob.type] || subtype}`, {type: blob.type});
}

/** @param {EventTarget | null} element */
const typesInto = (element) => element instanceof Element &&
  Boolean(element.closest('input, textarea, select, [contenteditable]:not([contenteditable=false])'));

/** @param {Take} take */
async function pasteFromClipboard(take) {
  /** @type {File[] | null} */
  let pictures = [];
  try {
    for (const item of await navigator.clipboard.read()) {
      const type = item.types.find((t) => t.startsWith('image/'));
      if (type) pictures?.push(pastedFile(await item.getType(type)));
    }
  } catch (error) {
    pictures = null;
  }
  if (pictures && pictures.length > 0) {
    take(pictures);
    return;
  }
  $('announce').textContent = '';
  setSummary(pictures ? 'The clipboard holds no picture.'
    : 'The clipboard could not be read: allow the page to read it, or press Ctrl+V.', true);
}

// Ctrl+V anywhere on the page but in a field, or the Paste button, takes a picture from the
// clipboard as if it were chosen. Text pasted into a field stays text.
/** @param {Take} take */
export function wirePaste(take) {
  document.addEventListener('paste', (event) => {
    if (typesInto(event.target) || !event.clipboardData) return;
    const pictures = [...event.clipboardData.files].filter((file) => file.type.startsWith('image/'));
    if (pictures.length === 0) return;
    event.preventDefault();
    take(pictures.map(pastedFile));
  });
  if (navigator.clipboard && 'read' in navigator.clipboard) {
    $('paste').hidden = false;
    $('paste').addEventListener('click', () => pasteFromClipboard(take));
  }
}

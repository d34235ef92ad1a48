// SPDX-License-Identifier: MIT
// Bytes back to a picture: a C array pasted or loaded is read (array-text.js) and shown in
// the page's preview with its byte inspector, as the display shows the page columns.
import {parseArrayText} from './array-text.js';
import {$} from './dom.js';
import {bytesText, counted, numberText} from './text.js';
import {DRAWN_PIXELS} from './views/preview.js';

const ARRAY_TEXT_SHOWN = 1 << 20;  // characters of a loaded file shown in the box
const ARRAY_READ_AFTER_MS = 150;   // typing pauses this long before the text is read

const arrayLabel = (read) => (read.name ? `${read.name} (line ${read.line})` : `The array on line ${read.line}`);

function showArrayProblems(problems) {
  const list = $('array-problems');
  list.replaceChildren(...problems.map((problem) => {
    const item = document.createElement('li');
    item.textContent = problem;
    return item;
  }));
  list.hidden = problems.length === 0;
}

// What the bytes make at the width given: the height (whole pages of that width, or the
// size macros' height when the count is theirs) and what is said of the count.
function heightAndSaid(read, width) {
  const count = read.bytes.length;
  const said = [];
  const macros = read.width && read.height ? {width: read.width, height: read.height} : null;
  const macroBytes = macros ? macros.width * Math.ceil(macros.height / 8) : 0;
  if (macros && macros.width === width && macroBytes === count) {
    said.push(`width and height from ${read.widthMacro} and ${read.heightMacro}`);
    return {height: macros.height, said};
  }
  if (macros && macroBytes !== count) {
    said.push(`the size macros say ${macros.width} × ${macros.height}, which takes ${bytesText(macroBytes)},` +
      ` not ${numberText(count)}`);
  } else if (macros) {
    said.push(`the size macros say ${macros.width} × ${macros.height}`);
  }
  const over = count % width;
  if (over > 0) {
    said.push(`${bytesText(count)} do not fill whole pages of ${counted(width, 'column')}:` +
      ` ${numberText(over)} ${over === 1 ? 'is' : 'are'} over, and ${numberText(width - over)}` +
      ` ${width - over === 1 ? 'is' : 'are'} missing for one more page`);
  }
  return {height: 8 * Math.floor(count / width), said};
}

// The picture of the bytes read, at the width given, or why there is none: [made, summary].
function arrayPicture(read, given) {
  if (read.problems.length > 0) {
    const count = read.problemCount;
    return [null, `${read.line ? arrayLabel(read) : 'The text'} could not be read: ${read.problems[0]}` +
      (count > 1 ? ` (and ${counted(count - 1, 'more problem')}, listed under the box)` : '') + '.'];
  }
  const count = read.bytes.length;
  const width = /^\d+$/.test(given) ? Number(given) : 0;
  if (width === 0) {
    return [null, `${arrayLabel(read)} holds ${bytesText(count)}. ` + (given
      ? 'Its width must be a whole number of pixels, 1 or more.'
      : 'Give its width in pixels, under the box: the text has no size macros for it.')];
  }
  const {height, said} = heightAndSaid(read, width);
  if (height === 0) return [null, `${arrayLabel(read)}: ${said.join('; ')}. Nothing to show: not one whole page.`];
  if (width * height > DRAWN_PIXELS) {
    return [null, `${arrayLabel(read)}: ${width} × ${height} pixels, too many to draw here` +
      ` (at most ${numberText(DRAWN_PIXELS)}).`];
  }
  const pages = Math.ceil(height / 8);
  const shown = width * pages;
  return [{width, height, data: read.bytes.subarray(0, shown)}, `${arrayLabel(read)}: ${width} × ${height} pixels,` +
    ` ${counted(pages, 'page')} × ${counted(width, 'column')} = ${bytesText(shown)}` +
    (said.length ? `; ${said.join('; ')}` : '') + '.' + (shown < count ? ` Shown: the first ${bytesText(shown)}.` : '') +
    read.notes.map((note) => ` ${note}`).join('')];
}

// The section's reading: `show(made, summary)` shows what the bytes make. state.arrays
// holds the text loaded (too long for the box), what was read of the text, and the width
// the size macros filled in (a width typed is the user's and stays).
export function wireArrays(state, show) {
  const arrays = state.arrays = {loaded: null, read: null, filledWidth: null};
  const width = $('array-width');
  let timer = null;
  const showArray = () => {
    if (!arrays.read) return;
    showArrayProblems(arrays.read.problems);
    show(...arrayPicture(arrays.read, width.value.trim()));
  };
  // Reads the text and shows its bytes. A new text, or another array of it, fills the width
  // from its size macros; one without them empties a width they filled before.
  const readArray = (choice) => {
    clearTimeout(timer);
    const text = arrays.loaded ? arrays.loaded.text : $('array-text').value;
    if (!text.trim()) {
      arrays.read = null;
      showArrayProblems([]);
      $('array-choice').hidden = true;
      return;
    }
    const kept = choice === undefined && arrays.read ? arrays.read.name : null;
    let read = parseArrayText(text, choice);
    // An edit keeps the array chosen before, found by its name.
    const again = kept === null ? -1 : read.arrays.findIndex(({name}) => name === kept);
    if (again >= 0 && again !== read.chosen) read = parseArrayText(text, again);
    arrays.read = read;
    fillWidth(arrays, width, read);
    showChoice(read);
    showArray();
  };
  wireArrayInputs(arrays, readArray, showArray, (fn) => { clearTimeout(timer); timer = setTimeout(fn, ARRAY_READ_AFTER_MS); });
  const load = (file) => loadArrayFile(arrays, file, readArray, show);
  $('array-file').addEventListener('change', () => load($('array-file').files[0]));
  // A file dropped on the box is read as text, not taken as a picture; text dropped on it
  // is the browser's to insert.
  $('array-text').addEventListener('drop', (event) => {
    event.stopPropagation();
    $('drop').classList.remove('over');
    if (!event.dataTransfer.files.length) return;
    event.preventDefault();
    load(event.dataTransfer.files[0]);
  });
  return {loadArrayFile: load};
}

function fillWidth(arrays, width, read) {
  if (read.width) {
    width.value = arrays.filledWidth = String(read.width);
  } else if (arrays.filledWidth !== null && width.value.trim() === arrays.filledWidth) {
    width.value = '';
    arrays.filledWidth = null;
  }
}

function showChoice({arrays, chosen}) {
  $('array-choice').hidden = arrays.length < 2;
  if (arrays.length < 2) return;
  $('array-name').replaceChildren(...arrays.map(({name, line, count}, i) =>
    new Option(`${name || 'without a name'}, line ${line}: ${bytesText(count)}`, String(i))));
  $('array-name').value = String(chosen);
}

// A file's text goes into the box; one too long for it is kept aside and said so.
async function loadArrayFile(arrays, file, readArray, show) {
  if (!file) return;
  let text;
  try {
    text = await file.text();
  } catch (error) {
    show(null, `${file.name} could not be read.`);
    return;
  }
  arrays.loaded = text.length > ARRAY_TEXT_SHOWN ? {name: file.name, text} : null;
  $('array-text').value = arrays.loaded ? '' : text;
  $('array-loaded').hidden = !arrays.loaded;
  $('array-loaded').textContent = arrays.loaded ? `${file.name} is read: ${counted(text.length, 'character')}, too many` +
    ' to show in the box. Typing in the box replaces it.' : '';
  readArray();
}

function wireArrayInputs(arrays, readArray, showArray, soon) {
  $('array-text').addEventListener('input', () => {
    if (arrays.loaded) {
      arrays.loaded = null;
      $('array-loaded').hidden = true;
    }
    soon(() => readArray());
  });
  $('array-name').addEventListener('change', () => readArray(Number($('array-name').value)));
  $('array-width').addEventListener('input', () => {
    arrays.filledWidth = null;
    showArray();
  });
}

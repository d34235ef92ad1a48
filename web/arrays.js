// SPDX-License-Identifier: MIT
// Bytes back to a picture: a C array pasted or loaded is read by arrayText.parseArrayText
// (array-text.js) and shown in the page's preview with its byte inspector (page.js's
// showBytes), as the display shows the page columns.
'use strict';

const arrayForm = {
  text: $('array-text'), file: $('array-file'), choice: $('array-choice'), name: $('array-name'),
  width: $('array-width'),
};
const ARRAY_TEXT_SHOWN = 1 << 20;  // characters of a loaded file shown in the box
const ARRAY_READ_AFTER_MS = 150;  // typing pauses this long before the text is read
let arrayLoaded = null;  // {name, text} of a loaded file too long for the box
let arrayRead = null;  // what parseArrayText made of the text
let arrayReadTimer = null;

const arrayLabel = (read) => (read.name ? `${read.name} (line ${read.line})` : `The array on line ${read.line}`);

// Reads the text (the loaded file's, or the box's) and shows its bytes. A new text, or
// another array of it, fills the width from its size macros when it has them.
function readArray(choice) {
  clearTimeout(arrayReadTimer);
  const text = arrayLoaded ? arrayLoaded.text : arrayForm.text.value;
  if (!text.trim()) {
    arrayRead = null;
    showArrayProblems([]);
    arrayForm.choice.hidden = true;
    return;
  }
  const kept = choice === undefined && arrayRead ? arrayRead.name : null;
  arrayRead = arrayText.parseArrayText(text, choice);
  // An edit keeps the array chosen before, found by its name.
  const again = kept === null ? -1 : arrayRead.arrays.findIndex(({name}) => name === kept);
  if (again >= 0 && again !== arrayRead.chosen) arrayRead = arrayText.parseArrayText(text, again);
  if (arrayRead.width) arrayForm.width.value = String(arrayRead.width);
  const {arrays, chosen} = arrayRead;
  arrayForm.choice.hidden = arrays.length < 2;
  if (arrays.length > 1) {
    arrayForm.name.replaceChildren(...arrays.map(({name, line, count}, i) =>
      new Option(`${name || 'without a name'}, line ${line}: ${bytesText(count)}`, String(i))));
    arrayForm.name.value = String(chosen);
  }
  showArray();
}

function showArrayProblems(problems) {
  const list = $('array-problems');
  list.replaceChildren(...problems.map((problem) => {
    const item = document.createElement('li');
    item.textContent = problem;
    return item;
  }));
  list.hidden = problems.length === 0;
}

// The picture of the bytes read, at the width given: whole pages of that width, or the
// size macros' height when the count is theirs. What does not fit is said in the summary.
function showArray() {
  const read = arrayRead;
  if (!read) return;
  showArrayProblems(read.problems);
  if (read.problems.length > 0) {
    const count = read.problemCount;
    showBytes(null, `${read.line ? arrayLabel(read) : 'The text'} could not be read: ${read.problems[0]}` +
      (count > 1 ? ` (and ${counted(count - 1, 'more problem')}, listed under the box)` : '') + '.');
    return;
  }
  const count = read.bytes.length;
  const given = arrayForm.width.value.trim();
  const width = /^\d+$/.test(given) ? Number(given) : 0;
  if (width === 0) {
    showBytes(null, `${arrayLabel(read)} holds ${bytesText(count)}. ` + (given
      ? 'Its width must be a whole number of pixels, 1 or more.'
      : 'Give its width in pixels, under the box: the text has no size macros for it.'));
    return;
  }
  const said = [];
  const macros = read.width && read.height ? {width: read.width, height: read.height} : null;
  const macroBytes = macros ? macros.width * Math.ceil(macros.height / 8) : 0;
  let height;
  if (macros && macros.width === width && macroBytes === count) {
    height = macros.height;
    said.push(`width and height from ${read.widthMacro} and ${read.heightMacro}`);
  } else {
    if (macros && macroBytes !== count) {
      said.push(`the size macros say ${macros.width} × ${macros.height}, which takes ${bytesText(macroBytes)},` +
        ` not ${numbers.format(count)}`);
    } else if (macros) {
      said.push(`the size macros say ${macros.width} × ${macros.height}`);
    }
    const over = count % width;
    if (over > 0) {
      said.push(`${bytesText(count)} do not fill whole pages of ${counted(width, 'column')}:` +
        ` ${numbers.format(over)} ${over === 1 ? 'is' : 'are'} over, and ${numbers.format(width - over)}` +
        ` ${width - over === 1 ? 'is' : 'are'} missing for one more page`);
    }
    height = 8 * Math.floor(count / width);
  }
  if (height === 0) {
    showBytes(null, `${arrayLabel(read)}: ${said.join('; ')}. Nothing to show: not one whole page.`);
    return;
  }
  if (width * height > DRAWN_PIXELS) {
    showBytes(null, `${arrayLabel(read)}: ${width} × ${height} pixels, too many to draw here` +
      ` (at most ${numbers.format(DRAWN_PIXELS)}).`);
    return;
  }
  const pages = Math.ceil(height / 8);
  const shown = width * pages;
  const summary = `${arrayLabel(read)}: ${width} × ${height} pixels, ${counted(pages, 'page')} ×` +
    ` ${counted(width, 'column')} = ${bytesText(shown)}` + (said.length ? `; ${said.join('; ')}` : '') + '.' +
    (shown < count ? ` Shown: the first ${bytesText(shown)}.` : '') +
    read.notes.map((note) => ` ${note}`).join('');
  showBytes({width, height, data: read.bytes.subarray(0, shown)}, summary);
}

function readArraySoon() {
  clearTimeout(arrayReadTimer);
  arrayReadTimer = setTimeout(() => readArray(), ARRAY_READ_AFTER_MS);
}

// A file's text goes into the box; one too long for it is kept aside and said so.
async function loadArrayFile(file) {
  if (!file) return;
  let text;
  try {
    text = await file.text();
  } catch (error) {
    showBytes(null, `${file.name} could not be read.`);
    return;
  }
  const note = $('array-loaded');
  arrayLoaded = text.length > ARRAY_TEXT_SHOWN ? {name: file.name, text} : null;
  arrayForm.text.value = arrayLoaded ? '' : text;
  note.hidden = !arrayLoaded;
  note.textContent = arrayLoaded ? `${file.name} is read: ${counted(text.length, 'character')}, too many to show in` +
    ' the box. Typing in the box replaces it.' : '';
  readArray();
}

arrayForm.text.addEventListener('input', () => {
  if (arrayLoaded) {
    arrayLoaded = null;
    $('array-loaded').hidden = true;
  }
  readArraySoon();
});
arrayForm.file.addEventListener('change', () => loadArrayFile(arrayForm.file.files[0]));
arrayForm.name.addEventListener('change', () => readArray(Number(arrayForm.name.value)));
arrayForm.width.addEventListener('input', showArray);
// A file dropped on the box is read as text, not taken as a picture; text dropped on it is
// the browser's to insert.
arrayForm.text.addEventListener('drop', (event) => {
  event.stopPropagation();
  $('drop').classList.remove('over');
  if (!event.dataTransfer.files.length) return;
  event.preventDefault();
  loadArrayFile(event.dataTransfer.files[0]);
});

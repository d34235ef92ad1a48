// SPDX-License-Identifier: MIT
// Bytes back to a picture: a C array pasted or loaded is read by panelbake-prepare's reader
// of C arrays, in a worker, and shown in the page's preview with its byte inspector, as
// the display shows the bytes in the layout chosen.
import {$} from './dom.js';
import {pageColumnsFrom} from './layouts.js';
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

// A band of the picture at `width` in the layout: a page of `width` columns, eight rows,
// or a row of whole bytes.
const bandOf = (layout, width) => (layout.down
  ? {bytes: width, rows: 8, name: 'page', words: `pages of ${counted(width, 'column')}`}
  : {bytes: Math.ceil(width / 8), rows: 1, name: 'row',
     words: `rows of ${counted(width, 'pixel')}, ${bytesText(Math.ceil(width / 8))} each`});

// What the bytes make at the width given: the height (whole bands of that width, or the
// size macros' height when the count is theirs) and what is said of the count.
function heightAndSaid(read, width, band) {
  const count = read.bytes.length;
  const said = [];
  const macros = read.width && read.height ? {width: read.width, height: read.height} : null;
  const macroBytes = macros ? bandOf(band.layout, macros.width).bytes * Math.ceil(macros.height / band.rows) : 0;
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
  const over = count % band.bytes;
  if (over > 0) {
    said.push(`${bytesText(count)} do not fill whole ${band.words}: ${numberText(over)} ${over === 1 ? 'is' : 'are'}` +
      ` over, and ${numberText(band.bytes - over)} ${band.bytes - over === 1 ? 'is' : 'are'} missing for one more` +
      ` ${band.name}`);
  }
  return {height: band.rows * Math.floor(count / band.bytes), said};
}

// Why the text gives no picture at the width given, or null.
function noPicture(read, given) {
  if (read.problems.length > 0) {
    const count = read.problemCount;
    return `${read.line ? arrayLabel(read) : 'The text'} could not be read: ${read.problems[0]}` +
      (count > 1 ? ` (and ${counted(count - 1, 'more problem')}, listed under the box)` : '') + '.';
  }
  if (/^\d+$/.test(given) && Number(given) > 0) return null;
  return `${arrayLabel(read)} holds ${bytesText(read.bytes.length)}. ` + (given
    ? 'Its width must be a whole number of pixels, 1 or more.'
    : 'Give its width in pixels, under the box: the text has no size macros for it.');
}

// The picture of the bytes read, at the width given, in the layout, or why there is none:
// [made, summary].
function arrayPicture(read, given, layout) {
  const why = noPicture(read, given);
  if (why) return [null, why];
  const width = Number(given);
  const band = {...bandOf(layout, width), layout};
  const {height, said} = heightAndSaid(read, width, band);
  if (height === 0) return [null, `${arrayLabel(read)}: ${said.join('; ')}. Nothing to show: not one whole ${band.name}.`];
  if (width * height > DRAWN_PIXELS) {
    return [null, `${arrayLabel(read)}: ${width} × ${height} pixels, too many to draw here` +
      ` (at most ${numberText(DRAWN_PIXELS)}).`];
  }
  const bands = Math.ceil(height / band.rows);
  const shown = band.bytes * bands;
  const bytes = read.bytes.subarray(0, shown);
  const data = layout.name === 'pages' ? bytes : pageColumnsFrom(layout, bytes, width, height);
  const across = layout.down ? counted(width, 'column') : bytesText(band.bytes);
  return [{width, height, data, layout: layout.name}, `${arrayLabel(read)}: ${width} × ${height} pixels,` +
    ` ${counted(bands, band.name)} × ${across} = ${bytesText(shown)}` +
    (said.length ? `; ${said.join('; ')}` : '') + '.' + (shown < read.bytes.length ? ` Shown: the first ${bytesText(shown)}.` : '') +
    read.notes.map((note) => ` ${note}`).join('')];
}

// The section's reading: `show(made, summary)` shows what the bytes make; `reader(job)`
// reads C text in a worker ({text, choice}: the array's name, '' for the first of bytes).
// state.arrays holds the text loaded (too long for the box), what was read of the text, the
// width the size macros filled in (a width typed is the user's and stays), and the number
// of the newest reading: an older one's answer is dropped.
export function wireArrays(state, show, reader) {
  const arrays = state.arrays = {loaded: null, read: null, filledWidth: null, asked: 0};
  const width = $('array-width');
  let timer = null;
  const showArray = () => {
    if (!arrays.read) return;
    showArrayProblems(arrays.read.problems);
    const layout = state.rules.layouts.find(({name}) => name === $('array-layout').value) || state.rules.layouts[0];
    show(...arrayPicture(arrays.read, width.value.trim(), layout));
  };
  // Reads the text and shows its bytes. A new text, or another array of it, fills the width
  // from its size macros; one without them empties a width they filled before. An edit
  // keeps the array chosen before, found by its name.
  const readArray = async (choice) => {
    clearTimeout(timer);
    const asked = ++arrays.asked;
    const text = arrays.loaded ? arrays.loaded.text : $('array-text').value;
    if (!text.trim()) {
      arrays.read = null;
      showArrayProblems([]);
      $('array-choice').hidden = true;
      return;
    }
    const kept = choice === undefined && arrays.read ? arrays.read.name : '';
    let read;
    try {
      read = await reader({text, choice: choice === undefined ? kept : choice});
      if (read && kept && !read.arrays.some(({name}) => name === kept)) read = await reader({text, choice: ''});
    } catch (error) {
      if (asked === arrays.asked) show(null, `The text could not be read: ${error.message}`);
      return;
    }
    if (!read || asked !== arrays.asked) return;
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
  $('array-name').replaceChildren(...arrays.map(({name, line, count}) =>
    new Option(`${name || 'without a name'}, line ${line}: ${bytesText(count)}`, name)));
  $('array-name').selectedIndex = chosen;
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
  $('array-name').addEventListener('change', () => readArray($('array-name').value));
  $('array-layout').addEventListener('change', showArray);
  $('array-width').addEventListener('input', () => {
    arrays.filledWidth = null;
    showArray();
  });
}

// SPDX-License-Identifier: MIT
// Several pictures at once: chosen together, dropped together or as a folder. Each is
// prepared and converted with the page's options, one after another in a worker of its own,
// and listed with a small preview; the one selected is shown in the large preview as a
// single picture is (page.js). "Download all" zips every header and preview with the table
// header that `panelbake-prepare --table` writes for them.
'use strict';

const TABLE_NAME = 'pictures';  // the table header pictures.h, and the zip pictures.zip
const THUMB_WIDTH = 128;        // the largest small preview, in pixels: 1 to 1 up to 128 × 64
const THUMB_HEIGHT = 64;
const THUMB_MESSAGE_LINES = 3;  // lines of a picture's messages shown in the list
// The files of a dropped folder that are taken: pictures by their extension.
const PICTURE_NAME = /\.(png|jpe?g|gif|bmp|webp|avif)$/i;

// The pictures listed, null while one picture or none is chosen.
//   items: a source each, {file, name (unique among them), kind, made: a Promise of
//          {entries, framesHeader} once prepared}
//   entries: the list's rows in order, a prepared BMP each (a GIF gives one per frame) or a
//          picture that could not be prepared: {key, name, blob, size, item, error, result,
//          row}; result is {headerName, header, previewName, preview (Blobs), messages,
//          width, height, bytes}
//   args: the options of the newest conversion, plan: its adjustedPlan() (controls.js),
//   run: its number
let batch = null;
let batchLane = null;
let batchEntries = 0;
let batchTurn = Promise.resolve();

// The lane's jobs go in turns, so that a preparation and the Blobs of what it held are not
// parted by another job.
function inTurn(task) {
  const result = batchTurn.then(task);
  batchTurn = result.catch(() => {});
  return result;
}

function lane() {
  if (!batchLane) batchLane = new Lane();
  return batchLane;
}

// Names made unique by their stem: two pictures that would give the same BMP or header
// (logo.png and logo.jpg, or the same name in two folders) become logo.png and logo_2.jpg.
function uniqueNames(files) {
  const stems = new Set();
  return files.map((file) => {
    const dot = file.name.lastIndexOf('.');
    const stem = dot > 0 ? file.name.slice(0, dot) : file.name;
    const extension = dot > 0 ? file.name.slice(dot) : '';
    let unique = stem;
    for (let n = 2; stems.has(unique.toLowerCase()); n++) unique = `${stem}_${n}`;
    stems.add(unique.toLowerCase());
    return unique + extension;
  });
}

// ---- Dropped files and folders -------------------------------------------------------------

// Every picture in a folder and the folders in it, in the order of their names; hidden
// files and folders (.git) are passed over, and a folder that cannot be read.
async function folderFiles(folder) {
  const reader = folder.createReader();
  const children = [];
  for (;;) {
    const some = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
    if (some.length === 0) break;
    children.push(...some);
  }
  children.sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
  const files = [];
  for (const child of children) {
    if (child.name.startsWith('.')) continue;
    if (child.isDirectory) {
      files.push(...await folderFiles(child).catch(() => []));
    } else if (child.isFile && PICTURE_NAME.test(child.name)) {
      files.push(await new Promise((resolve, reject) => child.file(resolve, reject)));
    }
  }
  return files;
}

// The files of a drop, folders read through: what the drop holds is taken while its event
// lasts, and the folders are read afterwards.
function droppedFiles(transfer) {
  const dropped = [...(transfer.items || [])].filter((item) => item.kind === 'file').map((item) => {
    const entry = item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
    return entry && entry.isDirectory ? folderFiles(entry).catch(() => []) : [item.getAsFile()];
  });
  if (dropped.length === 0) return Promise.resolve([...transfer.files]);
  return Promise.all(dropped).then((lists) => lists.flat().filter(Boolean));
}

// C text dropped on the page: a header to read back into a picture (arrays.js).
const C_TEXT_NAME = /\.(h|hpp|c|cpp|ino|txt)$/i;

// A drop on the page: its pictures are taken, or one header's bytes shown; a folder
// without any says so.
async function takeDropped(transfer) {
  const holdsFiles = [...transfer.types].includes('Files');  // read while the drop lasts
  const files = await droppedFiles(transfer);
  if (files.length === 1 && C_TEXT_NAME.test(files[0].name)) {
    $('arrays').open = true;
    loadArrayFile(files[0]);
  } else if (files.length > 0) {
    takePictures(files);
  } else if (holdsFiles) {
    $('summary').className = 'failed';
    $('summary').textContent = 'Nothing dropped is a picture: a folder gives the PNG, JPEG, GIF, BMP, WebP and' +
      ' AVIF files in it.';
  }
}

// ---- Taking pictures -----------------------------------------------------------------------

// One picture is taken as the page takes it; several are listed.
function takePictures(files) {
  if (files.length === 0) return;
  if (files.length === 1) {
    endBatch();
    takePicture(files[0]);
    return;
  }
  endBatch();
  // Whatever the page has under way for a picture before is over.
  ++picks;
  picture = null;
  pageLane.abandon();
  current = waiting = null;
  image = null;
  cursor = null;
  setBusy(false);
  $('summary').className = '';
  $('summary').textContent = `${counted(files.length, 'picture')} chosen: each is prepared and converted in turn.`;
  $('preview-area').hidden = $('files-area').hidden = $('prepared').hidden = true;
  $('messages').hidden = $('messages-download').hidden = true;
  const names = uniqueNames(files);
  batch = {items: files.map((file, i) => ({file, name: names[i], kind: null, made: null})),
           entries: [], args: null, run: 0, selected: null};
  $('batch').hidden = false;
  batchOptionsChanged();
}

function endBatch() {
  if (!batch) return;
  batch = null;
  if (batchLane) batchLane.abandon();
  $('batch').hidden = true;
  $('batch-list').replaceChildren();
}

// Called by page.js whenever the options may have changed: the list is converted again
// when they did. Only the newest options count: an older run stops at its next step.
function batchOptionsChanged() {
  if (!batch) return;
  const args = optionArgs();
  const plan = adjustedPlan();
  if (batch.args && JSON.stringify([args, plan]) === JSON.stringify([batch.args, batch.plan])) return;
  batch.args = args;
  batch.plan = plan;
  convertAll(++batch.run);
}

async function convertAll(run) {
  const mine = batch;
  const {args, plan} = mine;
  const still = () => batch === mine && mine.run === run;
  $('batch-zip').hidden = true;
  showBatchState();
  for (const item of mine.items) {
    if (!item.made) item.made = prepareItem(mine, item);
    const made = await item.made;
    if (!still()) return;
    if (!mine.entries.includes(made.entries[0])) {
      for (const entry of made.entries) refuseTakenName(mine, entry);
      mine.entries.push(...made.entries);
      $('batch-list').append(...made.entries.map(makeRow));
      showCommand();
    }
    for (const entry of made.entries) {
      if (entry.error && !entry.blob) continue;
      if (entry.run !== run) {
        entry.run = run;
        entry.row.classList.add('stale');
        const taken = plan && takenAdjustedName(mine, entry);
        if (taken) {
          entry.result = null;
          entry.error = taken;
        } else {
          await convertEntry(entry, args, plan, still);
        }
        if (!still()) return;
        entry.row.classList.remove('stale');
        showRow(entry);
      }
      if (!mine.selected && entry.result) selectEntry(entry);
    }
  }
  mine.done = run;
  if (!mine.selected && mine.entries.length > 0) selectEntry(mine.entries[0]);
  showBatchState();
}

// A BMP named as one listed before (a GIF's frame walk_00.bmp and a picture walk_00.png) is
// refused, as on the command line: its header would replace the other's.
function refuseTakenName(mine, entry) {
  const name = entry.name.toLowerCase();
  const taken = mine.entries.find((other) => other.blob && other.name.toLowerCase() === name);
  if (!entry.blob || !taken) return;
  entry.error = takenNameError(taken, entry.name, entry);
  entry.name = entry.item.name;
  entry.blob = null;
}

// With adjustments, the BMP panelbake-prepare writes for an entry may have the name it
// writes for one listed before (logo.bmp gives logo_prepared.bmp, and so does
// logo_prepared.png): the later one is refused, as panelbake-prepare refuses to write over
// the first on the command line. Why, or null.
function takenAdjustedName(mine, entry) {
  const output = adjustedName(entryPicture(entry));
  const before = mine.entries.slice(0, mine.entries.indexOf(entry));
  const taken = before.find((other) => other.blob && adjustedName(entryPicture(other)).toLowerCase() === output.toLowerCase());
  return taken ? takenNameError(taken, output, entry) : null;
}

const takenNameError = (taken, name, entry) =>
  `${taken.item.name} gives ${name} already: rename ${entry.item.name} to take it too.`;

// A picture prepared in the batch's worker: its BMP files as Blobs (a BMP as it is), or why
// it could not be.
async function prepareItem(mine, item) {
  const entry = (fields) => ({key: ++batchEntries, item, error: null, result: null, run: 0, ...fields});
  try {
    item.kind = await pictureKind(item.file);
  } catch (error) {
    return {entries: [entry({name: item.name, error: `${item.name} could not be read.`})]};
  }
  if (item.kind === 'bmp') {
    return {entries: [entry({name: item.name, blob: item.file, size: item.file.size})]};
  }
  const programs = [];
  if (item.kind !== 'browser') {
    try {
      programs.push(await loadProgram('createPanelbakePrepare'));
    } catch (error) {
      return {entries: [entry({name: item.name, error: error.message})]};
    }
  }
  const key = `batch-${item.name}`;
  const made = await inTurn(async () => {
    if (batch !== mine) return null;
    const prepared = await lane().post({type: 'prepare', key, name: item.name, blob: item.file,
                                        byBrowser: item.kind === 'browser'}, programs);
    if (!prepared || prepared.code !== 0) return {prepared};
    return {prepared, blobs: await lane().post({type: 'blobs', key}, [])};
  });
  if (!made || !made.prepared) return {entries: [entry({name: item.name, error: 'Abandoned.'})]};
  const {prepared, blobs} = made;
  const {frames, header} = preparedParts(prepared.files);
  if (prepared.code !== 0 || frames.length === 0 || !blobs || blobs.code !== 0) {
    const reason = failure(prepared.stderr) || `${item.name} gave no picture`;
    return {entries: [entry({name: item.name, error: `The picture could not be decoded: ${reason}`})]};
  }
  item.framesHeader = header;
  return {entries: frames.map((name) => entry({name, blob: blobs.files[name], size: prepared.files[name]}))};
}

// An entry as the page's picture: its BMP, converted as a single picture's is. A picture
// panelbake-prepare decoded keeps that kind, so that with adjustments its BMP has the name
// the command line gives it (adjustedName: photo.jpg -> photo.bmp, a GIF's frames
// walk_00.bmp ...); a BMP, which panelbake-prepare would otherwise write over, one given
// with -o.
function entryPicture(entry) {
  return {key: `batch-${entry.key}`, file: entry.blob, name: entry.name,
          kind: entry.item.kind === 'prepare' ? 'prepare' : 'bmp', frame: 0,
          prepared: {frames: [{name: entry.name, size: entry.size}], header: entry.item.framesHeader || null},
          blobs: {[entry.name]: entry.blob}};
}

// panelbake on one prepared BMP with the options, unless they are no longer the newest
// when its turn comes (still()); with adjustments (plan), panelbake-prepare first, as on
// the command line.
async function convertEntry(entry, args, plan, still) {
  const programs = [];
  try {
    programs.push(await loadProgram('createPanelbake'));
    if (plan) programs.push(await loadProgram('createPanelbakePrepare'));
  } catch (error) {
    entry.result = null;
    entry.error = error.message;
    return;
  }
  const output = plan ? adjustedName(entryPicture(entry)) : entry.name;
  const job = conversionJob(`batch-${entry.key}`, entry.name, entry.blob, output, plan, args);
  const result = await inTurn(() => still() && lane().post(job, programs));
  if (!result) return;  // abandoned, or newer options came
  const {code, stdout, stderr, image: made} = result;
  if (result.step === 'panelbake-prepare') {
    entry.result = null;
    entry.error = preparationFailure(code, stderr);
    return;
  }
  const wrote = writtenFiles(result, output);
  if (!wrote) {
    entry.result = null;
    entry.error = code === null ? conversionFailure(code, stderr) : `${conversionFailure(code, stderr)} ${failure(stderr)}`.trim();
    return;
  }
  const {headerName, previewName} = wrote;
  entry.error = null;
  // Kept as the worker's Blobs, which the browser may hold outside the page's memory: a
  // picture converted at its own size gives a header of many megabytes.
  const [shown, more] = firstLines(stdout + stderr, THUMB_MESSAGE_LINES);
  entry.result = {headerName, header: result.blobs[headerName], previewName, preview: result.blobs[previewName],
                  messages: more ? `${shown}… and ${counted(more, 'more line')}` : shown,
                  width: made.width, height: made.height, bytes: made.data.length,
                  source: {name: output, blob: result.preparedBlob || entry.blob}};
  entry.thumb = made;
}

// ---- The list ------------------------------------------------------------------------------

function makeRow(entry) {
  const row = document.createElement('li');
  const button = document.createElement('button');
  button.type = 'button';
  button.className = 'entry';
  const thumb = document.createElement('canvas');
  thumb.className = 'thumb';
  thumb.hidden = true;
  thumb.setAttribute('aria-hidden', 'true');
  const name = document.createElement('span');
  name.className = 'name';
  name.textContent = entry.name;
  const size = document.createElement('span');
  size.className = 'size';
  const messages = document.createElement('span');
  messages.className = 'messages';
  button.append(thumb, name, size, messages);
  button.addEventListener('click', () => selectEntry(entry));
  row.append(button);
  entry.row = row;
  showRow(entry);
  return row;
}

function showRow(entry) {
  const row = entry.row;
  const [, size, messages] = row.querySelectorAll('.name, .size, .messages');
  row.classList.toggle('failed', Boolean(entry.error));
  if (entry.error) {
    size.textContent = '';
    messages.textContent = entry.error;
    drawThumb(row.querySelector('canvas'), null);
    return;
  }
  if (!entry.result) {
    size.textContent = bytesText(entry.size);
    messages.textContent = 'Converting…';
    return;
  }
  const {width, height, bytes, header} = entry.result;
  size.textContent = `${width} × ${height} pixels, ${bytesText(bytes)} (header ${bytesText(header.size)})`;
  messages.textContent = entry.result.messages;
  if (entry.thumb) drawThumb(row.querySelector('canvas'), entry.thumb);
  entry.thumb = null;
}

// The small preview: the 1-bit result in the display's colours, every pixel where it fits,
// else sampled.
function drawThumb(canvas, made) {
  canvas.hidden = !made;
  if (!made) return;
  const {width, height} = made;
  const scale = Math.min(1, THUMB_WIDTH / width, THUMB_HEIGHT / height);
  const w = Math.max(1, Math.round(width * scale));
  const h = Math.max(1, Math.round(height * scale));
  canvas.width = w;
  canvas.height = h;
  canvas.getContext('2d').putImageData(pageColumnPixels(made, w, h, scale), 0, 0);
}

// The selected picture is shown as the page shows a single one: converted with the options,
// in the large preview with the byte inspector.
function selectEntry(entry) {
  batch.selected = entry;
  for (const row of $('batch-list').children) {
    row.firstChild.setAttribute('aria-current', String(row === entry.row));
  }
  ++picks;
  cursor = null;
  form.frame.replaceChildren();
  $('frames').hidden = true;
  $('decoded-by-browser').hidden = true;
  if (!entry.blob) {
    picture = null;
    pageLane.abandon();
    current = waiting = null;
    $('prepared').hidden = true;
    $('messages').hidden = true;
    failed(entry.error);
    setBusy(false);
    return;
  }
  const {item} = entry;
  picture = entryPicture(entry);
  if (item.kind === 'bmp') $('prepared').hidden = true;
  else showPrepared(picture);
  $('decoded-by-browser').hidden = item.kind !== 'browser';
  $('summary').className = '';
  $('summary').textContent = `Converting ${entry.name}…`;
  convert();
}

function showBatchState() {
  if (!batch) return;
  const done = batch.done === batch.run;
  const made = batch.entries.filter((entry) => entry.result);
  const failures = batch.entries.filter((entry) => entry.error).length;
  $('batch-state').textContent = done
    ? `${counted(made.length, 'picture')} converted` + (failures ? `, ${counted(failures, 'failure')}.` : '.')
    : `Preparing and converting ${counted(batch.items.length, 'picture')}…`;
  $('batch-download').disabled = !done || made.length === 0;
}

// The command line for the list: the pictures prepared with the table, then each BMP
// converted with the options. A picture the browser decoded is given as its prepared BMP
// (which can be downloaded when it is selected): panelbake-prepare does not read its
// format, and passes the BMP through. Its steps; null while no list is shown.
function batchCommand() {
  if (!batch) return null;
  const plan = adjustedPlan();
  if (plan) return adjustedBatchCommand(plan);
  const sources = [];
  const bmps = [];
  for (const item of batch.items) {
    const entries = batch.entries.filter((entry) => entry.item === item);
    if (entries.length > 0 && entries.every((entry) => !entry.blob)) continue;  // not prepared
    sources.push(item.kind === 'browser' ? bmpName(item.name) : item.name);
    bmps.push(...(entries.length ? entries.map((entry) => entry.name) : [bmpName(item.name)]));
  }
  return [['panelbake-prepare', '--table', TABLE_NAME, ...sources],
          ...bmps.map((name) => ['panelbake', name, ...optionArgs()])];
}

// With adjustments: each picture prepared at the display's size as on its own (a BMP with
// -o), the table made over the BMPs written, which pass through, then each converted.
function adjustedBatchCommand(plan) {
  const prepares = [];
  const bmps = [];
  for (const item of batch.items) {
    const entries = batch.entries.filter((entry) => entry.item === item && entry.blob);
    if (entries.length === 0 && batch.entries.some((entry) => entry.item === item)) continue;  // not prepared
    // As the page's picture: a picture the browser decoded is given as its prepared BMP.
    const shown = {kind: item.kind === 'prepare' ? 'prepare' : 'bmp',
                   name: item.kind === 'browser' ? bmpName(item.name) : item.name, prepared: null};
    prepares.push(adjustedSteps(shown, plan)[0]);
    if (item.kind !== 'prepare') bmps.push(adjustedName(shown));
    else bmps.push(...(entries.length ? entries.map((entry) => entry.name) : [bmpName(item.name)]));
  }
  return [...prepares, ['panelbake-prepare', '--table', TABLE_NAME, ...bmps],
          ...bmps.map((name) => ['panelbake', name, ...plan.convertArgs])];
}

// ---- Download all --------------------------------------------------------------------------

let fflateLoaded = null;

// Every header and preview converted, each GIF's frames header, and the table header, which
// panelbake-prepare writes as on the command line: the prepared BMPs given to it pass
// through unchanged.
async function zipAll() {
  const mine = batch;
  const run = mine.run;
  const made = mine.entries.filter((entry) => entry.result);
  const sources = made.map((entry) => entry.result.source);
  const lent = Object.fromEntries(sources.map(({name, blob}) => [name, blob]));
  const program = await loadProgram('createPanelbakePrepare');
  const table = await inTurn(() => lane().post({type: 'run', factory: 'createPanelbakePrepare',
                                                args: ['--table', TABLE_NAME, ...sources.map(({name}) => name)], lent},
                                               [program]));
  // Options changed meanwhile: the results are being made again.
  if (!table || batch !== mine || mine.run !== run) return null;
  const tableName = `${TABLE_NAME}.h`;
  if (table.code !== 0 || !table.files[tableName]) {
    throw new Error(`panelbake-prepare could not write ${tableName}: ${failure(table.stderr)}`);
  }
  const files = {[tableName]: table.files[tableName]};
  for (const item of mine.items) {
    if (item.framesHeader) files[item.framesHeader.name] = item.framesHeader.bytes;
  }
  for (const {result} of made) {
    files[result.headerName] = new Uint8Array(await result.header.arrayBuffer());
    files[result.previewName] = new Uint8Array(await result.preview.arrayBuffer());
  }
  if (!fflateLoaded) fflateLoaded = loadScript('fflate.js').catch((error) => { fflateLoaded = null; throw error; });
  await fflateLoaded;
  return new Promise((resolve, reject) => {
    fflate.zip(files, {level: 6}, (error, zipped) => (error ? reject(error) : resolve(zipped)));
  });
}

$('batch-download').addEventListener('click', async () => {
  const button = $('batch-download');
  button.disabled = true;
  $('batch-state').textContent = 'Making the zip…';
  try {
    const zipped = await zipAll();
    if (!zipped || !batch) {
      showBatchState();
      return;
    }
    const link = $('batch-zip');
    offerDownload(link, `${TABLE_NAME}.zip`, zipped, 'application/zip');
    link.textContent = `${TABLE_NAME}.zip, ${bytesText(zipped.length)}`;
    link.hidden = false;
    showBatchState();
    link.click();
  } catch (error) {
    $('batch-state').textContent = `The zip could not be made: ${error.message}`;
    button.disabled = false;
  }
});

pageHooks.optionsChanged = batchOptionsChanged;
pageHooks.command = batchCommand;

// SPDX-License-Identifier: MIT
// What the page does when pictures are taken, an entry is selected or the options change,
// and how the scheduler's progress shows: the list, the result of the entry selected, the
// command line and the prepared picture.
import {showCommand} from './command.js';
import {showSizeNotes, showThreshold} from './controls.js';
import {$, setBusy, setSummary} from './dom.js';
import {pictureKind} from './kinds.js';
import {readOptions} from './options.js';
import {createScheduler} from './scheduler.js';
import {counted} from './text.js';
import {clearList, showList, showListState, showRow} from './views/list.js';
import {showCompressed} from './views/compressed.js';
import {showMessages} from './views/messages.js';
import {showPrepared} from './views/prepared.js';
import {showFailure, showResult} from './views/result.js';

const isCurrent = (state, entry) => Boolean(entry.result && entry.result.run === state.run);

// The file control says what is shown, also after a drop or a paste.
function showChosen(files) {
  try {
    const transfer = new DataTransfer();
    for (const file of files) transfer.items.add(file);
    $('picture').files = transfer.files;
  } catch (error) {
    // a browser that lets no script set the control's files
  }
}

// The page as it is before a pick shows anything.
function clearPicture(state, files) {
  Object.assign(state, {sources: [], entries: [], selected: null, image: null, cursor: null, showing: 'picture',
                        compressed: null});
  clearList();
  $('prepared').hidden = $('preview-area').hidden = $('files-area').hidden = true;
  $('messages').hidden = $('messages-download').hidden = true;
  setSummary(files.length === 1 ? `Reading ${files[0].name}…`
    : `${counted(files.length, 'picture')} chosen: each is prepared and converted in turn.`);
  setBusy(true);
}

// The sources of a pick, with their kinds and BMP names; one that cannot be read gives an
// entry that says so.
function makeSources(state, files, kinds, names, pick) {
  state.sources = files.map((file, i) => ({id: `${pick}.${i}`, file, name: file.name, kind: kinds[i], ...names[i],
                                           settled: kinds[i] === null, error: null, framesHeader: null}));
  return state.sources.filter((source) => source.kind === null).map((source) =>
    ({key: `${source.id}:0`, source, name: source.name, error: `${source.name} could not be read.`, result: null, row: null}));
}

// The worker's prepared BMPs as Blobs: to download, and for a fresh worker to read. Making
// them copies the pictures, which takes a while for a large one, so for one picture they
// are asked for once the page has had nothing under way for BLOBS_AFTER_MS, and a change of
// options right after a result does not wait for them; a list's (or a GIF's frames), at
// once, so that a worker ended for newer options loses no picture a Blob does not keep.
const BLOBS_AFTER_MS = 400;

function blobKeeper(state, methods, scheduler) {
  let timer = null;
  const keep = async () => {
    const pick = state.picks;
    const entries = state.entries.filter((entry) => !entry.error && !entry.blob && !entry.blobAsked);
    if (entries.length === 0) return;
    for (const entry of entries) entry.blobAsked = true;
    const made = await methods.blobs(entries.map((entry) => entry.key));
    for (const entry of entries) entry.blob = (made && made[entry.key]) || entry.blob;
    for (const entry of entries) entry.blobAsked = Boolean(entry.blob);
    if (pick !== state.picks) return;
    if (entries.includes(state.selected)) showPrepared(state);
  };
  return {
    now: keep,
    whenIdle() {
      clearTimeout(timer);
      timer = setTimeout(() => (scheduler.idle() ? keep() : null), BLOBS_AFTER_MS);
    },
  };
}

export function createFlow(state, methods, settings) {
  const views = {};
  const scheduler = createScheduler(state, methods, views);
  views.blobs = blobKeeper(state, methods, scheduler);

  function showSelected(entry) {
    if (entry.error) {
      showMessages(entry.said ? entry.said.stdout : '', entry.said ? entry.said.stderr : '');
      showFailure(state, entry.error);
      setBusy(false);
      return;
    }
    setBusy(true);
    if (isCurrent(state, entry)) {
      showResult(state, entry.result).then(() => { if (state.selected === entry) setBusy(false); });
    } else {
      if (state.sources.length > 1) setSummary(`Converting ${entry.name}…`);
      scheduler.work();
    }
  }

  // An entry selected by the user is shown, also over bytes read back from C text; one the
  // work selects (the first of a pick) is shown unless those are.
  function select(entry, byUser = true) {
    Object.assign(state, {selected: entry, cursor: null});
    if (byUser) state.showing = 'picture';
    showList(state, select);
    showPrepared(state);
    showCommand(state);
    if (state.showing === 'picture') showSelected(entry);
    else scheduler.work();
  }

  fillViews(state, views, select);
  views.compressed = () => showCompressed(state, methods);

  return {
    select,
    take: (files, chosen) => take(state, methods, scheduler, views, files, chosen),
    optionsChanged: (from) => optionsChanged(state, scheduler, settings, select, from),
    redrawList: () => showList(state, select),
    // Compress frames changed: the command line, and the sizes; the zip offered is another.
    compressChanged() {
      state.options = readOptions();
      showCommand(state);
      $('batch-zip').hidden = true;
      views.compressed();
    },
    // Bytes read back from C text take the result's place until a picture's is asked for.
    showingBytes() {
      state.showing = 'bytes';
      setBusy(false);
    },
  };
}

// How the scheduler's progress shows: new entries listed (the first selected), a
// conversion's result in its row and, for the entry selected, below; and the end of the
// work.
function fillViews(state, views, select) {
  views.prepared = (entries) => {
    if (state.sources.length > 1 || entries.length > 1) views.blobs.now();
    showList(state, select);
    showListState(state);
    showCommand(state);
    if (state.selected) return;
    const first = entries.find((entry) => !entry.error);
    if (first) select(first, false);
    else if (state.sources.length === 1) select(entries[0], false);
  };

  views.converted = async (entry) => {
    showRow(state, entry);
    showListState(state);
    if (entry !== state.selected || state.showing !== 'picture') return;
    showPrepared(state);
    await showResult(state, entry.result);
    showSizeNotes(state.options, entry.result.picture || null);
    if (state.selected === entry && isCurrent(state, entry)) setBusy(false);
  };

  views.idle = () => {
    if (state.taking) return;
    views.blobs.whenIdle();
    if (!state.selected && state.entries.length > 0) select(state.entries[0], false);
    else if (!state.selected || state.selected.error || isCurrent(state, state.selected)) setBusy(false);
    showListState(state);
    views.compressed();
  };
}

async function take(state, methods, scheduler, views, files, chosen) {
  if (files.length === 0) return;
  const pick = ++state.picks;
  state.taking = true;
  scheduler.newPick();
  clearPicture(state, files);
  if (!chosen) showChosen(files);
  const kinds = await Promise.all(files.map((file) => pictureKind(file).catch(() => null)));
  if (pick !== state.picks) return;
  let names;
  try {
    names = await methods.names(files.map((file) => file.name));
  } catch (error) {
    names = error;
  }
  if (pick !== state.picks || !names) return;
  state.taking = false;
  if (names instanceof Error) {
    showFailure(state, names.message);
    setBusy(false);
    return;
  }
  const unread = makeSources(state, files, kinds, names, pick);
  if (files.length === 1 && kinds[0] !== 'bmp' && kinds[0] !== null) setSummary(`Decoding ${files[0].name}…`);
  showCommand(state);
  if (unread.length > 0) {
    state.entries.push(...unread);
    views.prepared(unread);
  }
  scheduler.work();
}

function optionsChanged(state, scheduler, settings, select, from) {
  if (!state.rules) return;
  state.options = readOptions();
  showThreshold(state.rules, state.options, from);
  state.options = readOptions();
  state.run++;
  settings.remember();
  showCommand(state);
  showSizeNotes(state.options, null);
  $('batch-zip').hidden = true;
  if (state.selected && !state.selected.error) {
    state.showing = 'picture';
    setBusy(true);
  }
  showList(state, select);
  showListState(state);
  scheduler.newOptions();
}

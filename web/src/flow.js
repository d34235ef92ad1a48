// @ts-check
// SPDX-License-Identifier: MIT
// What the page does when pictures are taken, an entry is selected or the options change,
// and how the scheduler's progress shows: the list, the result of the entry selected, the
// command line and the prepared picture. It writes the state of these (state.js), and
// hands the views what they show.
import {isAbandoned} from './bridge.js';
import {compressing, showCommand} from './command.js';
import {setUpControls, showCompressNote, showSizeNotes, showThreshold, showThresholdNote} from './controls.js';
import {$, setBusy, setSummary} from './dom.js';
import {pageFailure, unreadable} from './failures.js';
import {inspect} from './pixel-pointer.js';
import {oneStep, runOneStep} from './one-step.js';
import {oneStepGroups, readOptions} from './options.js';
import {createScheduler} from './scheduler.js';
import {isCurrent} from './state.js';
import {counted} from './text.js';
import {compressOffered, showCompressed} from './views/compressed.js';
import {clearList, forgetThumbs, showList, showListState} from './views/list.js';
import {showMessages} from './views/messages.js';
import {showPrepared} from './views/prepared.js';
import {drawPreview} from './views/preview.js';
import {showBytes, showFailure, showResult} from './views/result.js';

/** @typedef {import('./state.js').State} State */
/** @typedef {import('./state.js').Entry} Entry */
/** @typedef {import('./state.js').Made} Made */
/** @typedef {import('./protocol.js').Picture} Picture */
/** @typedef {import('./bridge.js').Methods} Methods */
// The conversions' worker, which also answers the questions of a pick and of the options
// (after the work before them), and the questions' worker, for those that may not wait: the
// byte inspector's and Bytes back to a picture.
/** @typedef {{work: Methods, questions: Methods}} Workers */
/** @typedef {{remember: () => void}} Settings */

// The prepared BMPs' Blobs: to download, and for a fresh worker to read. Making them copies
// the pictures, which takes a while for a large one, so for one picture they are asked for
// once the page has had nothing under way for BLOBS_AFTER_MS, and a change of options right
// after a result does not wait for them; a list's (or a GIF's frames), at once, so that a
// worker ended for newer options loses no picture a Blob does not keep.
const BLOBS_AFTER_MS = 400;

// The file control says what is shown, also after a drop or a paste.
/** @param {File[]} files */
function showChosen(files) {
  try {
    const transfer = new DataTransfer();
    for (const file of files) transfer.items.add(file);
    $('picture').files = transfer.files;
  } catch (error) {
    // a browser that lets no script set the control's files
  }
}

/** @param {State} state @param {Methods} methods */
async function keepBlobs(state, methods) {
  const entries = state.entries.filter((entry) => !entry.error && !entry.blob && !entry.blobAsked);
  if (entries.length === 0) return;
  for (const entry of entries) entry.blobAsked = true;
  /** @type {Record<string, Blob>} */
  let made = {};
  try {
    made = await methods.call('blobs', {keys: entries.map((entry) => entry.key)}, {signal: state.pickAbort.signal});
  } catch (error) {
    if (!isAbandoned(error)) throw error;
  }
  for (const entry of entries) {
    entry.blob = made[entry.key] || entry.blob;
    entry.blobAsked = Boolean(entry.blob);
  }
  if (state.selected && entries.includes(state.selected)) showPrepared(state);
}

// Shows a picture in the preview (state.image), in the layout its bytes are in, and the
// pixel inspected in it.
/** @param {State} state @param {Workers} workers @param {Picture} picture @param {string} layout */
function showImage(state, workers, picture, layout) {
  state.image = picture;
  state.layoutShown = layout;
  if (state.cursor && (state.cursor.x >= picture.width || state.cursor.y >= picture.height)) state.cursor = null;
  if (!drawPreview(state)) state.cursor = null;
  inspect(state, workers.questions);
}

// What the preview shows, and how: drawn again at another zoom, in other colours, for a
// panel of another width; and the bytes read back from C text, which take the result's
// place until a picture's is asked for (with no picture, the summary says why).
/** @param {State} state @param {Workers} workers @param {() => void} redrawList */
function previewFlow(state, workers, redrawList) {
  return {
    redraw(colours = false) {
      if (colours) {
        forgetThumbs();
        redrawList();
      }
      if (state.image) showImage(state, workers, state.image, state.layoutShown);
    },
    /** @param {number} width */
    panelResized(width) {
      const before = state.panelWidth;
      if (width === before) return;
      state.panelWidth = width;
      if (before && width && state.image && $('zoom').value === '0') showImage(state, workers, state.image, state.layoutShown);
    },
    /** @param {Picture | null} picture @param {string} layout @param {string} summary */
    showBytes(picture, layout, summary) {
      state.showing = 'bytes';
      setBusy(false);
      if (!picture) {
        state.image = null;
        showMessages('', '');
        showFailure(summary);
        return;
      }
      showBytes(summary);
      showImage(state, workers, picture, layout);
    },
  };
}

/** @param {State} state @param {Workers} workers @param {Settings} settings */
export function createFlow(state, workers, settings) {
  /** @type {import('./scheduler.js').Views} */
  const views = {prepared: () => {}, converted: async () => {}, idle: () => {}};
  const scheduler = createScheduler(state, workers.work, views);
  const flow = {
    select: (/** @type {Entry} */ entry, byUser = true) => select(entry, byUser),
    take: (/** @type {File[]} */ files, chosen = false) => take(state, workers, files, chosen, flow),
    optionsChanged: (/** @type {HTMLElement | undefined} */ from = undefined) => optionsChanged(state, workers, from, flow),
    compressChanged: () => compressChanged(state, workers),
    begin: (/** @type {import('./protocol.js').Rules} */ rules, /** @type {{bmp: string, adjustedBmp: string}} */ placeholder) => {
      state.rules = rules;
      state.placeholder = placeholder;
      setUpControls(rules);
    },
    redrawList: () => showList(state, flow.select),
    scheduler,
    settings,
    views,
    keepBlobsSoon() {
      clearTimeout(state.blobsTimer);
      state.blobsTimer = window.setTimeout(() => (scheduler.idle() ? keepBlobs(state, workers.work) : null), BLOBS_AFTER_MS);
    },
    keepBlobs: () => keepBlobs(state, workers.work),
    ...previewFlow(state, workers, () => showList(state, flow.select)),
  };

  // An entry selected by the user is shown, also over bytes read back from C text; one the
  // work selects (the first of a pick) is shown unless those are.
  /** @param {Entry} entry */
  function select(entry, byUser = true) {
    state.selected = entry;
    state.cursor = null;
    if (byUser) state.showing = 'picture';
    showList(state, flow.select);
    showPrepared(state);
    showCommand(state);
    if (state.showing === 'picture') showSelected(state, workers, scheduler, entry);
    else scheduler.work();
  }

  fillViews(state, workers, flow);
  return flow;
}

/** @param {State} state @param {Workers} workers @param {ReturnType<typeof createScheduler>} scheduler @param {Entry} entry */
function showSelected(state, workers, scheduler, entry) {
  if (entry.error) {
    showMessages(entry.messages ? entry.messages.stdout : '', entry.messages ? entry.messages.stderr : '');
    state.image = null;
    showFailure(entry.error);
    setBusy(false);
    return;
  }
  setBusy(true);
  if (isCurrent(state, entry)) {
    showEntryResult(state, workers, entry).then(() => { if (state.selected === entry) setBusy(false); });
  } else {
    if (state.sources.length > 1) setSummary(`Converting ${entry.name}…`);
    scheduler.work();
  }
}

// The entry's result: its files and summary at once, its preview in a task of its own
// after the rest is laid out.
/** @param {State} state @param {Workers} workers @param {Entry} entry */
async function showEntryResult(state, workers, entry) {
  const result = /** @type {import('./state.js').Result} */ (entry.result);
  if (result.failed !== null) {
    showMessages(result.stdout, result.stderr);
    state.image = null;
    showFailure(result.failed);
    return;
  }
  showResult(result);
  await new Promise((resolve) => setTimeout(resolve));
  if (state.selected === entry && entry.result === result && state.showing === 'picture') {
    showImage(state, workers, result.picture, result.layout);
  }
}

// How the scheduler's progress shows: new entries listed (the first selected), a
// conversion's result in its row and, for the entry selected, below; and the end of the
// work.
/** @param {State} state @param {Workers} workers @param {ReturnType<typeof createFlow>} flow */
function fillViews(state, workers, flow) {
  const {views} = flow;
  views.prepared = (entries) => {
    if (state.sources.length > 1 || entries.length > 1) flow.keepBlobs();
    if (compressOffered(state)) checkCompress(state, workers, flow);
    showList(state, flow.select);
    showListState(state);
    showCommand(state);
    if (state.selected) return;
    const first = entries.find((entry) => !entry.error);
    if (first) flow.select(first, false);
    else if (state.sources.length === 1) flow.select(entries[0], false);
  };

  views.converted = async (entry) => {
    showList(state, flow.select);
    showListState(state);
    if (entry !== state.selected || state.showing !== 'picture') return;
    showPrepared(state);
    await showEntryResult(state, workers, entry);
    const result = entry.result;
    showSizeNotes(/** @type {import('./state.js').Options} */ (state.options),
                  result && result.failed === null ? result.picture : null);
    if (state.selected === entry && isCurrent(state, entry)) setBusy(false);
  };

  views.idle = () => {
    if (state.taking) return;
    flow.keepBlobsSoon();
    if (!state.selected && state.entries.length > 0) flow.select(state.entries[0], false);
    else if (!state.selected || state.selected.error || isCurrent(state, state.selected)) setBusy(false);
    showListState(state);
    showCompressedFrames(state, workers);
  };
}

// The frames compressed as the command line shows it, for their sizes; the run is kept
// for Download all.
/** @param {State} state @param {Workers} workers */
async function showCompressedFrames(state, workers) {
  const step = compressing(state) ? oneStep(state) : null;
  showCompressed(state, step && step.text);
  if (!step || (state.compressed && state.compressed.text === step.text)) return;
  try {
    const done = await runOneStep(workers.work, step, state.runAbort.signal);
    state.compressed = {text: step.text, done};
  } catch (error) {
    if (!isAbandoned(error)) throw error;
  }
  showCompressed(state, compressing(state) ? oneStep(state).text : null);
}

// Compress frames, offered for an animation where the command line takes it with the
// other options; where it refuses it, not offered and unticked, with its reason, and the
// options are the others.
/** @param {State} state @param {Workers} workers @param {ReturnType<typeof createFlow>} flow */
async function checkCompress(state, workers, flow) {
  const options = /** @type {import('./state.js').Options} */ (state.options);
  const rules = /** @type {import('./protocol.js').Rules} */ (state.rules);
  try {
    const step = compressOffered(state) ? oneStepGroups(options, rules, true) : null;
    const taken = await showCompressNote(workers.work, step, state.runAbort.signal);
    if (!taken && options.compress) flow.optionsChanged();
  } catch (error) {
    if (!isAbandoned(error)) throw error;
  }
}

// Compress frames ticked or unticked: the command line, and the sizes; the zip offered is
// another.
/** @param {State} state @param {Workers} workers */
function compressChanged(state, workers) {
  state.options = readOptions();
  showCommand(state);
  $('batch-zip').hidden = true;
  showCompressedFrames(state, workers);
}

// The page as it is before a pick shows anything.
/** @param {State} state @param {File[]} files */
function clearPicture(state, files) {
  Object.assign(state, {sources: [], entries: [], selected: null, image: null, cursor: null, place: null,
                        showing: 'picture', compressed: null});
  clearList();
  $('prepared').hidden = $('preview-area').hidden = $('files-area').hidden = true;
  $('messages').hidden = $('messages-download').hidden = true;
  setSummary(files.length === 1 ? `Reading ${files[0].name}…`
    : `${counted(files.length, 'picture')} chosen: each is prepared and converted in turn.`);
  setBusy(true);
}

/**
 * @param {State} state @param {Workers} workers @param {File[]} files @param {boolean} chosen
 * @param {ReturnType<typeof createFlow>} flow
 */
async function take(state, workers, files, chosen, flow) {
  if (files.length === 0) return;
  const pick = ++state.picks;
  state.pickAbort.abort();
  state.pickAbort = new AbortController();
  state.taking = true;
  flow.scheduler.newPick();
  clearPicture(state, files);
  if (!chosen) showChosen(files);
  let facts;
  try {
    facts = await workers.work.call('sources', {files}, {signal: state.pickAbort.signal});
  } catch (error) {
    if (isAbandoned(error)) return;
    state.taking = false;
    showFailure(pageFailure(error));
    setBusy(false);
    return;
  }
  state.taking = false;
  state.sources = files.map((file, i) => {
    const {format, byBrowser, ...names} = facts[i];
    const kind = format === 'BMP' ? 'bmp' : byBrowser ? 'browser' : format ? 'prepare' : null;
    return {id: `${pick}.${i}`, file, name: file.name, kind, format, ...names, settled: kind === null, framesHeader: null};
  });
  if (files.length === 1 && state.sources[0].kind !== 'bmp') setSummary(`Decoding ${files[0].name}…`);
  showCommand(state);
  // A file that cannot be read gives an entry that says so.
  const unread = state.sources.filter((source) => source.kind === null).map((source) =>
    ({key: `${source.id}:0`, source, name: source.name, blob: null, blobAsked: false, size: 0, error: unreadable(source),
      messages: null, result: null}));
  if (unread.length > 0) {
    state.entries.push(...unread);
    flow.views.prepared(unread);
  }
  flow.scheduler.work();
}

/**
 * @param {State} state @param {Workers} workers @param {HTMLElement | undefined} from
 * @param {ReturnType<typeof createFlow>} flow
 */
function optionsChanged(state, workers, from, flow) {
  const rules = state.rules;
  if (!rules) return;
  showThreshold(rules, readOptions(), from);
  const options = state.options = readOptions();
  state.run++;
  state.runAbort.abort();
  state.runAbort = new AbortController();
  flow.settings.remember();
  showCommand(state);
  showSizeNotes(options, null);
  $('batch-zip').hidden = true;
  if (state.selected && !state.selected.error) {
    state.showing = 'picture';
    setBusy(true);
  }
  showList(state, flow.select);
  showListState(state);
  flow.scheduler.newOptions();
  // Asked of the conversions' worker after the conversion (panelbake-prepare is loaded there).
  showThresholdNote(workers.work, options, rules, state.runAbort.signal).catch((error) => {
    if (!isAbandoned(error)) throw error;
  });
  if (compressOffered(state)) checkCompress(state, workers, flow);
}

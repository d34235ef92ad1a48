// @ts-check
// SPDX-License-Identifier: MIT
// The page's state, in one place, every field declared here: the pictures chosen (one, or
// many as a list), the BMPs they give (the entries: a GIF gives one per frame), the options,
// the entry selected, the bytes read back from C text and the pixel inspected. Showing one
// picture is showing the selected entry of a list of one. The views draw from it and
// write none of it. Its writers are four: flow.js (a pick, a selection, the options, what is
// shown, and the prepared BMPs' Blobs), scheduler.js (the work: sources prepared, entries
// made and converted), arrays.js (Bytes back to a picture) and pixel-pointer.js (the pixel
// pointed at, and where it lies).

/** @typedef {import('./protocol.js').Rules} Rules */
/** @typedef {import('./protocol.js').Picture} Picture */
/** @typedef {import('./protocol.js').RunSaid} RunSaid */
/** @typedef {import('./protocol.js').ShownFile} ShownFile */
/** @typedef {import('./protocol.js').NamedBlob} NamedBlob */
/** @typedef {import('./protocol.js').PreparedBmp} PreparedBmp */
/** @typedef {import('./protocol.js').NamedBytes} NamedBytes */
/** @typedef {import('./protocol.js').Place} Place */
/** @typedef {import('./protocol.js').PanelPlace} PanelPlace */
/** @typedef {import('./protocol.js').ReadArray} ReadArray */

/**
 * The options as the controls set them (options.js): `palette` is the preview's look of a
 * display, `colours` the panel's as --palette takes them ('' for the panel's own).
 * @typedef {{
 *   width: string, height: string, memory: string, verbose: boolean, rotate: string, flipH: boolean,
 *   flipV: boolean, invert: boolean, threshold: string, dither: string, layout: string, compress: boolean,
 *   palette: string, panel: string, colours: string,
 * }} Options
 */

/**
 * A chosen file. Its format is panelbake-prepare's name of it ("PNG", ..., "unknown"; ''
 * where the file cannot be read). Its kind says who reads it: 'bmp' goes to panelbake as it
 * is, 'prepare' to panelbake-prepare, 'browser' is decoded by the browser for
 * panelbake-prepare; null where it cannot be read. Its BMP is `bmp`, which is not panelbake-prepare's own name
 * where `renamed` (another picture of the pick has that name: it is given with -o); an
 * adjusted BMP is prepared into `adjustedBmp` beside itself.
 * @typedef {{
 *   id: string, file: File, name: string, kind: 'bmp' | 'prepare' | 'browser' | null, format: string,
 *   bmp: string, adjustedBmp: string, renamed: boolean,
 *   settled: boolean, framesHeader: NamedBytes | null,
 * }} Source
 */

/**
 * A conversion's result for the options of `run`: what it made, or why it failed. `bmp` is
 * the BMP converted: an entry's own, or the adjusted one.
 * @typedef {{
 *   run: number, failed: null, layout: string, picture: Picture, header: ShownFile, preview: NamedBlob | null,
 *   prepared: PreparedBmp | null, stdout: string, stderr: string,
 *   bmp: {name: string, entry: Entry | null, blob: Blob | null},
 * }} Made
 * @typedef {{run: number, failed: string, stdout: string, stderr: string}} Failed
 * @typedef {Made | Failed} Result
 */

/**
 * A BMP to convert, by its key in the conversions' worker: a source's own, or one that
 * panelbake-prepare made of it; or, with `error`, why there is none. `messages` are those
 * of a preparation that failed.
 * @typedef {{
 *   key: string, source: Source, name: string, blob: Blob | File | null, blobAsked: boolean, size: number,
 *   error: string | null, messages: RunSaid | null, result: Result | null,
 * }} Entry
 */

/**
 * Bytes back to a picture: the text loaded (too long for its box), the newest reading of
 * the text and its AbortController, the width its size macros filled in (a width typed is
 * the user's and stays), and the timer of a reading after typing.
 * @typedef {{
 *   loaded: {name: string, text: string} | null, read: ReadArray | null, reading: AbortController,
 *   filledWidth: string | null, timer: number,
 * }} Arrays
 */

/**
 * @typedef {{
 *   rules: Rules | null, placeholder: {bmp: string, adjustedBmp: string} | null,
 *   options: Options | null, run: number, runAbort: AbortController,
 *   picks: number, pickAbort: AbortController, taking: boolean,
 *   sources: Source[], entries: Entry[], selected: Entry | null, showing: 'picture' | 'bytes',
 *   image: Picture | null, layoutShown: string, cursor: {x: number, y: number} | null,
 *   place: Place | PanelPlace | null,
 *   placeAsked: AbortController, panelWidth: number,
 *   compressed: {text: string, done: import('./protocol.js').ResultOf<'run'>} | null,
 *   working: boolean, underWay: {run: number, started: number, entry: Entry} | null, blobsTimer: number,
 *   arrays: Arrays,
 * }} State
 */

/** @returns {State} */
export function createState() {
  return {
    rules: null,        // what the C++ side says of the threshold, the dithering rules and the layouts
    placeholder: null,  // the names of picture.bmp, shown before a picture is chosen
    options: null,      // the newest options
    run: 0,             // their number: a result of an older run is not shown
    runAbort: new AbortController(),   // aborted when newer options come
    picks: 0,           // the number of the newest pick
    pickAbort: new AbortController(),  // aborted when a newer pick comes: its work stops
    taking: false,      // a pick is being read (what its files are asked for)
    sources: [],
    entries: [],
    selected: null,     // the entry shown
    showing: 'picture', // or 'bytes': bytes read back from C text are shown instead
    image: null,        // what the preview shows
    layoutShown: 'pages', // the layout its bytes are inspected in (the one its file has)
    cursor: null,       // the pixel pointed at
    place: null,        // where it lies in the bytes of that layout
    placeAsked: new AbortController(),  // the newest question of where it lies
    panelWidth: 0,      // the width inside the preview's panel, 0 while it is hidden
    compressed: null,   // the animation's compressed frames: the run's arguments as text, and its result
    working: false,     // the scheduler's work is under way
    underWay: null,     // the conversion under way
    blobsTimer: 0,      // the prepared BMPs' Blobs are asked for when it ends
    arrays: {loaded: null, read: null, reading: new AbortController(), filledWidth: null, timer: 0},
  };
}

// Whether several sources are listed (or one that gave several BMPs, a GIF's frames).
/** @param {State} state */
export const isList = (state) => state.sources.length > 1 || state.entries.length > 1;

// Whether the entry is converted with the newest options.
/** @param {State} state @param {Entry} entry */
export const isCurrent = (state, entry) => Boolean(entry.result && entry.result.run === state.run);

// The entries converted in the newest run.
/** @param {State} state */
export const doneEntries = (state) => state.entries.filter((entry) => isCurrent(state, entry));

// The entries made with the newest options.
/** @param {State} state @returns {(Entry & {result: Made})[]} */
export const madeEntries = (state) => /** @type {(Entry & {result: Made})[]} */ (
  doneEntries(state).filter((entry) => entry.result && !entry.result.failed));

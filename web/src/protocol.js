// @ts-check
// SPDX-License-Identifier: MIT
// What the page and its workers say to each other, for both sides (bridge.js and
// worker/main.js): the programs, each method a worker answers with the programs it needs
// loaded first, the types of its arguments and result, and the messages:
//
//   page -> worker  {program}          a program handed over (ProgramFiles), unanswered
//                   {id, method, args} a call, answered {id, result} or {id, error}
//                   {drop: id}         a call no longer wanted: not run unless under way
//
// A worker runs the calls one after another, in the order sent; the methods of BESIDE run
// at once, between them.

// Each program by its factory's name, under which its site script records it
// (web/embed-program.js).
export const PANELBAKE = 'createPanelbake';
export const PREPARE = 'createPanelbakePrepare';

/** @typedef {typeof PANELBAKE | typeof PREPARE} Program */
/** @typedef {{factory: Program, script: string, wasmGzip: string}} ProgramFiles */

// The methods and the programs each needs (a picture's grid is panelbake's to tell). `run`
// needs the program it runs.
/** @type {Readonly<{[M in Method]: readonly Program[]}>} */
export const METHODS = Object.freeze({
  prepare: [PREPARE],
  convert: [PANELBAKE],
  adjust: [PANELBAKE, PREPARE],
  layoutFile: [PREPARE, PANELBAKE],
  pagesInOneRun: [PREPARE, PANELBAKE],
  run: [],
  blobs: [],
  rules: [PANELBAKE],
  sources: [PANELBAKE],
  place: [PANELBAKE],
  panelPlace: [PREPARE],
  readArray: [PREPARE],
  checkOptions: [PREPARE],
  claims: [PREPARE],
});

export const BESIDE = Object.freeze(['blobs']);

/** @typedef {keyof Calls} Method */

/**
 * What a run of a program said: its exit status as a shell sees it (null where it did not
 * end by exiting), its messages, and the failure it handed over as data.
 * @typedef {{code: number | null, stdout: string, stderr: string, failure: Failure | null}} RunSaid
 */

/**
 * A failure as a program hands it over: panelbake's kind of failure, or panelbake-prepare's
 * exit by name, with its message; 'browser' where the browser decodes no picture, 'stopped'
 * where the worker stopped.
 * @typedef {{kind: string, message: string}} Failure
 */

/**
 * How a layout's bytes fill a picture: its bands (pages or rows), the bytes of each, and
 * their words.
 * @typedef {{bands: number, bandBytes: number, bytes: number, band: string, byte: string}} ByteGrid
 */

/**
 * A panel's picture as panelbake-prepare hands it over: each pixel's value, one byte a pixel,
 * rows from the top, the panel's name, and the colour of every value of 4 bits (red, green,
 * blue each).
 * @typedef {{panel: string, values: Uint8Array, colours: Uint8Array}} PanelValues
 */

/**
 * A picture as page-column bytes (bit 0 the top row of its page), as panelbake converts it,
 * or a panel's values (`data` then empty), and the grid of the layout its file holds.
 * @typedef {{width: number, height: number, data: Uint8Array, grid: ByteGrid, panel?: PanelValues}} Picture
 */

/** @typedef {{name: string, blob: Blob, start: Uint8Array}} ShownFile a file written, its first bytes shown */
/** @typedef {{name: string, blob: Blob}} NamedBlob */
/** @typedef {{name: string, blob: Blob, size: number}} PreparedBmp */
/** @typedef {{key: string | null, blob: Blob | File | null}} HeldPicture a prepared BMP by its key in the worker, and its Blob */
/** @typedef {{name: string, bytes: Uint8Array}} NamedBytes */

/**
 * @typedef {RunSaid & {picture: Picture | null, header: ShownFile | null, preview: NamedBlob | null}} Converted
 * @typedef {Converted & {prepared?: PreparedBmp}} Adjusted
 * @typedef {{name: string, picture: HeldPicture, args: string[], headerShown: number}} ConvertJob
 */

/**
 * The rules the page asks of the C++ side.
 * @typedef {{name: string, readBy: string, python: boolean}} Layout
 * @typedef {{name: string, takesThreshold: boolean}} Dither
 * @typedef {{value: number, name: string, standard: string}} PanelColour a value, its name and its colour by default
 * @typedef {{name: string, planes: number, colours: PanelColour[], layouts: Layout[]}} Panel
 * @typedef {{
 *   threshold: {default: number, least: number, most: number}, dithers: Dither[], layouts: Layout[], panels: Panel[],
 * }} Rules
 */

/**
 * What a picture chosen is: its format as panelbake-prepare tells it, whether the browser
 * decodes it instead, and its BMP's names (pageBmpNames in web/module/page_json.h).
 * @typedef {{format: string, byBrowser: boolean, bmp: string, adjustedBmp: string, renamed: boolean}} SourceFacts
 */

/**
 * Where a pixel lies in a layout's bytes: its byte, its band (page or row), and the pixels
 * of that byte in their order, each with the bit that holds it (inside: false past the
 * picture's edge).
 * @typedef {{x: number, y: number, mask: number, inside: boolean}} BytePixel
 * @typedef {{byte: number, band: number, bandName: string, pixels: BytePixel[]}} Place
 */

/**
 * Where a pixel of a panel's picture lies: its byte as Place says, in `array` of the arrays
 * the layout writes (each the file's array name's end, and the value a plane's bits are 1
 * for, or -1 where they hold the values); where 0 is ink every bit is the opposite.
 * @typedef {{suffix: string, plane: number}} PanelArray
 * @typedef {Place & {arrays: PanelArray[], array: number, inkIsZero: boolean}} PanelPlace
 */

/**
 * C text read back by panelbake-prepare's reader of C arrays. `arrays`, `chosen` and the
 * problems list what it holds; told, what its form says; the picture, or why there is none;
 * the panel read ('' with no picture) and the second array read with the first (a plane or
 * a half), or ''.
 * @typedef {{name: string, line: number, count: number}} ListedArray
 * @typedef {{
 *   arrays: ListedArray[], chosen: number, problems: string[], problemCount: number,
 *   told: {layout: string, width: number}, layout: string, width: number,
 *   picture: Picture | null, refusal: string, read: string, unfit: string[], notes: string[],
 *   panel: string, second: string,
 * }} ReadArray
 */

/**
 * Each method's arguments and result.
 * @typedef {{
 *   prepare: {args: {key: string, name: string, file: File, output: string | null, byBrowser: boolean},
 *             result: RunSaid & {bmps: {name: string, key: string, size: number}[], framesHeader: NamedBytes | null}},
 *   convert: {args: ConvertJob, result: Converted},
 *   adjust: {args: ConvertJob & {output: string, prepareArgs: string[]}, result: Adjusted | {preparation: RunSaid}},
 *   layoutFile: {args: ConvertJob & {layout: string, panel: string, pictureArgs: string[] | null}, result: Converted},
 *   pagesInOneRun: {args: {name: string, file: File, args: string[], headerShown: number}, result: Converted | null},
 *   run: {args: {factory: Program, args: string[], files: Record<string, Uint8Array>, pictures: Record<string, HeldPicture>},
 *         result: RunSaid & {files: Record<string, Uint8Array>, compressed: {raw: number, stream: number} | null}},
 *   blobs: {args: {keys: string[]}, result: Record<string, Blob>},
 *   rules: {args: {}, result: Rules},
 *   sources: {args: {files: File[]}, result: SourceFacts[]},
 *   place: {args: {layout: string, width: number, height: number, x: number, y: number}, result: Place},
 *   panelPlace: {args: {layout: string, panel: string, width: number, height: number, x: number, y: number},
 *                result: PanelPlace},
 *   readArray: {args: {text: string, choice: string, panel: string, layout: string, width: string, fresh: boolean},
 *              result: ReadArray},
 *   checkOptions: {args: {args: string[]}, result: string},
 *   claims: {args: {paths: string[]}, result: string[]},
 * }} Calls
 */

/**
 * @template {Method} M
 * @typedef {Calls[M]['args']} ArgsOf
 */
/**
 * @template {Method} M
 * @typedef {Calls[M]['result']} ResultOf
 */

/** @typedef {{id: number, method: Method, args: any} | {program: ProgramFiles} | {drop: number}} ToWorker */
/** @typedef {{id: number, result: any} | {id: number, error: string}} FromWorker */

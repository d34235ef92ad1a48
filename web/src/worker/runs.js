// @ts-check
// SPDX-License-Identifier: MIT
// One run of a program in a fresh instance, as a new process would run: in an empty
// working directory holding the files given, with the arguments after the program's name.

/** @typedef {import('./programs.js').FileSystem} FileSystem */
/** @typedef {import('./programs.js').Instance} Instance */
/** @typedef {import('./programs.js').Notes} Notes */
/** @typedef {import('./programs.js').Programs} Programs */
/** @typedef {import('../protocol.js').Program} Program */

/**
 * A run that ended: its exit status as a shell sees it (null where the program did not end
 * by exiting), the bytes of standard output and error as UTF-8 text, what the program
 * handed over as data, the files it left and the file system holding them.
 * @typedef {{code: number | null, stdout: string, stderr: string, notes: Notes, written: string[], FS: FileSystem}} Run
 */

const WORK_DIR = '/work';
const LENT_DIR = '/lent';
const PIECE = 4 << 20;  // a file's bytes are copied out in pieces of this size

/** @param {FileSystem} FS @param {string} path */
function makeParents(FS, path) {
  let dir = WORK_DIR;
  for (const part of path.split('/').slice(0, -1)) {
    dir += '/' + part;
    if (!FS.analyzePath(dir).exists) FS.mkdir(dir);
  }
}

// Pictures lent as Blobs are mounted read-only, without a copy into the instance's memory,
// and linked into the working directory under their names, beside which the programs
// write. Each read of such a file asks the browser for its bytes, which in Chromium takes
// most of a millisecond: a picture read once, in large pieces, is lent so (the picture
// chosen); one read in many small pieces, a row at a time, is lent as bytes (`owned`).
/** @param {Instance} instance @param {Record<string, Blob>} lent */
function lend(instance, lent) {
  const {FS} = instance;
  const names = Object.keys(lent);
  if (names.length === 0) return;
  FS.mkdir(LENT_DIR);
  FS.mount(instance.WORKERFS, {blobs: names.map((name) => ({name, data: lent[name]}))}, LENT_DIR);
  for (const name of names) {
    makeParents(FS, name);
    FS.symlink(`${LENT_DIR}/${name}`, `${WORK_DIR}/${name}`);
  }
}

// The paths of every file the run left in the working directory, the ones it was given
// (`given`) aside.
/** @param {FileSystem} FS @param {Set<string>} given @param {string[]} found @returns {string[]} */
function writtenFiles(FS, given, dir = WORK_DIR, prefix = '', found = []) {
  for (const name of FS.readdir(dir)) {
    if (name === '.' || name === '..') continue;
    const mode = FS.lstat(`${dir}/${name}`).mode;
    if (FS.isDir(mode)) writtenFiles(FS, given, `${dir}/${name}`, `${prefix}${name}/`, found);
    else if (FS.isFile(mode) && !given.has(prefix + name)) found.push(prefix + name);
  }
  return found;
}

// Runs a program: `files` (relative path -> Uint8Array) are written into the working
// directory, `owned` (name -> Uint8Array) given to it without a copy (the file system owns
// them for the run, which only reads them), `lent` (name -> Blob) mounted there, `folders`
// made.
/**
 * @param {Programs} programs
 * @param {{factory: Program, args: string[], files?: Record<string, Uint8Array>, owned?: Record<string, Uint8Array>,
 *          lent?: Record<string, Blob>, folders?: string[]}} run
 * @returns {Promise<Run>}
 */
export async function runProgram(programs, {factory, args, files = {}, owned = {}, lent = {}, folders = []}) {
  const made = programs.fresh(factory);
  const instance = await made.instance;
  const {FS} = instance;
  FS.mkdir(WORK_DIR);
  for (const [path, bytes] of Object.entries(files)) {
    makeParents(FS, path);
    FS.writeFile(`${WORK_DIR}/${path}`, bytes);
  }
  for (const [path, bytes] of Object.entries(owned)) {
    makeParents(FS, path);
    FS.writeFile(`${WORK_DIR}/${path}`, bytes, {canOwn: true});
  }
  lend(instance, lent);
  for (const folder of folders) FS.mkdir(`${WORK_DIR}/${folder}`);
  FS.chdir(WORK_DIR);
  /** @type {string | null} */
  let stopped = null;
  try {
    const returned = instance.callMain(args.map(String));
    if (made.exitCode === null) made.exitCode = returned;
  } catch (error) {
    stopped = String(error instanceof Error ? error.message : error);
  } finally {
    programs.prepareNext(factory);
  }
  const utf8 = new TextDecoder();
  const stderr = utf8.decode(new Uint8Array(made.stderr));
  return {
    code: stopped === null ? Number(made.exitCode) & 255 : null,
    stdout: utf8.decode(new Uint8Array(made.stdout)),
    stderr: stopped === null ? stderr : `${stderr}${stopped}\n`,
    notes: made.notes,
    written: writtenFiles(FS, new Set(Object.keys(owned))),
    FS,
  };
}

// A written file's bytes.
/** @param {Run} run @param {string} path */
export const fileBytes = (run, path) => run.FS.readFile(`${WORK_DIR}/${path}`);

// A written file as a Blob, its bytes copied out in pieces, so that a large picture never
// needs a second whole copy in the worker's memory.
/** @param {Run} run @param {string} path @param {string} type */
export function fileBlob(run, path, type) {
  const {FS} = run;
  const stream = FS.open(`${WORK_DIR}/${path}`, 'r');
  try {
    const size = FS.stat(`${WORK_DIR}/${path}`).size;
    const piece = new Uint8Array(Math.min(PIECE, size));
    const pieces = [];
    for (let at = 0; at < size;) {
      const got = FS.read(stream, piece, 0, piece.length, at);
      if (got <= 0) break;
      pieces.push(new Blob([piece.subarray(0, got)]));
      at += got;
    }
    return new Blob(pieces, {type});
  } finally {
    FS.close(stream);
  }
}

// The first `count` bytes of a written file.
/** @param {Run} run @param {string} path @param {number} count */
export function fileStart(run, path, count) {
  const {FS} = run;
  const stream = FS.open(`${WORK_DIR}/${path}`, 'r');
  try {
    const start = new Uint8Array(Math.min(count, FS.stat(`${WORK_DIR}/${path}`).size));
    FS.read(stream, start, 0, start.length, 0);
    return start;
  } finally {
    FS.close(stream);
  }
}

// SPDX-License-Identifier: MIT
// The page's worker. It holds the programs (panelbake, and panelbake-prepare once a picture
// needs it), each compiled here once, and the page's prepared picture, and runs each job in
// a fresh instance of a program, as a new process would run. bridge.js starts it
// from the text of this function (a Blob URL, which a page opened from disk may start too)
// and sends it messages, answered {type: 'done', id, result}:
//   {type: 'program', factory, script, wasmGzip}
//                                               a program: its script's text and its
//                                               WebAssembly, gzipped, as base64 (no answer)
//   {type: 'run', id, factory, args, files, lent}
//                                               one run in a working directory holding files
//                                               (and lent, read-only: name -> bytes or Blob)
//   {type: 'prepare', id, key, name, blob, byBrowser}
//                                               the chosen picture prepared by
//                                               panelbake-prepare (or, byBrowser, decoded by
//                                               the browser); its BMP files are held under
//                                               key, and answered with their sizes
//   {type: 'convert', id, key, name, blob, args}
//                                               panelbake run on the held BMP `name` (read
//                                               from blob first where not held); result.image
//                                               is the header's {width, height, data}, and
//                                               result.blobs the files written as Blobs
//   {type: 'adjust', id, key, name, blob, output, prepareArgs, args}
//                                               panelbake-prepare run on the held BMP `name`
//                                               with prepareArgs, writing `output`, then
//                                               panelbake on that with args, as 'convert',
//                                               and result.prepared holds what was written
//                                               (result.preparedBlob as a Blob);
//                                               a failed preparation is answered with
//                                               result.step 'panelbake-prepare'
//   {type: 'blobs', id, key}                    the held BMP files as Blobs, for download and
//                                               for a fresh worker
// Jobs are answered in the order sent, but for 'blobs', made beside the others.
function panelbakeWorker() {
  'use strict';
  const WORK_DIR = '/work';
  const programs = {};  // factory name -> {create, module: a Promise of the compiled WebAssembly.Module}
  let held = {key: null, files: {}};  // the page's picture: BMP file name -> bytes

  async function compile(wasmGzip) {
    const binary = atob(wasmGzip);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
    return WebAssembly.compile(await new Response(stream).arrayBuffer());
  }

  // The program's script defines its factory; its WebAssembly is compiled once, here.
  function loadProgram({factory, script, wasmGzip}) {
    const url = URL.createObjectURL(new Blob([script], {type: 'text/javascript'}));
    importScripts(url);
    URL.revokeObjectURL(url);
    programs[factory] = {create: self[factory], module: compile(wasmGzip)};
  }

  function makeParents(FS, path) {
    let dir = WORK_DIR;
    for (const part of path.split('/').slice(0, -1)) {
      dir += '/' + part;
      if (!FS.analyzePath(dir).exists) FS.mkdir(dir);
    }
  }

  // A file's bytes, taken from the in-memory file system without a copy where it holds
  // them in an array of their own (the instance is dropped after its run): a prepared
  // photo is tens of megabytes, and copying it would fault in as many fresh pages.
  function takeFile(FS, path) {
    const {node} = FS.lookupPath(path);
    const {contents, usedBytes} = node;
    if (!(contents instanceof Uint8Array) || contents.byteOffset !== 0 || contents.buffer.byteLength !== contents.length) {
      return FS.readFile(path);
    }
    node.contents = null;
    node.usedBytes = 0;
    return contents.length === usedBytes ? contents : contents.subarray(0, usedBytes);
  }

  // Every file under dir but the ones lent, by relative path.
  function readFiles(FS, dir, prefix, lent, found) {
    for (const name of FS.readdir(dir)) {
      if (name === '.' || name === '..' || lent.has(prefix + name)) continue;
      const mode = FS.stat(dir + '/' + name).mode;
      if (FS.isDir(mode)) readFiles(FS, dir + '/' + name, prefix + name + '/', lent, found);
      else if (FS.isFile(mode)) found[prefix + name] = takeFile(FS, dir + '/' + name);
    }
    return found;
  }

  // A fresh instance of a program, its standard output and error caught byte by byte:
  // nothing added, nothing dropped.
  function newInstance(factory) {
    const {create, module} = programs[factory];
    const made = {stdout: [], stderr: []};
    made.instance = module.then((compiled) => new Promise((resolve, reject) => {
      create({
        instantiateWasm(imports, receiveInstance) {
          WebAssembly.instantiate(compiled, imports).then((instance) => receiveInstance(instance, compiled), reject);
          return {};
        },
        preRun: [(m) => m.FS.init(() => null, (byte) => made.stdout.push(byte & 255),
                                  (byte) => made.stderr.push(byte & 255))],
      }).then(resolve, reject);
    }));
    made.instance.catch(() => {});  // a failure is reported by the run that takes it
    return made;
  }

  // Each program's instance for its next run, made once the run before has ended, so that
  // a run does not wait for one.
  const nextInstances = {};

  // A fresh instance of the program runs with the arguments after its name, in a working
  // directory holding `files` (relative path -> bytes, written in) and `lent` (name ->
  // bytes held here, or a Blob read here, which become a read-only file without a copy: a
  // run reads only the parts of the picture it reads). Resolves to {code, stdout, stderr, files}: the exit
  // status as a shell sees it, the bytes written to standard output and error as UTF-8
  // text, and every file in the directory afterwards but the lent ones.
  async function runProgram({factory, args, files = {}, lent = {}, folders = []}) {
    const made = nextInstances[factory] || newInstance(factory);
    delete nextInstances[factory];
    const instance = await made.instance;
    const FS = instance.FS;
    FS.mkdir(WORK_DIR);
    for (const [path, bytes] of Object.entries(files)) {
      makeParents(FS, path);
      FS.writeFile(WORK_DIR + '/' + path, bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes));
    }
    for (const [name, bytes] of Object.entries(lent)) {
      const data = bytes instanceof Blob ? await bytesOf(bytes) : bytes;
      FS.createDataFile(WORK_DIR, name, data, true, false, true);  // readable, not writable, owned
    }
    for (const folder of folders) FS.mkdir(WORK_DIR + '/' + folder);
    FS.chdir(WORK_DIR);
    let status;
    try {
      status = instance.callMain(args.map(String));
    } catch (error) {
      // exit() inside the program may end the run with this exception instead of a return.
      if (!error || error.name !== 'ExitStatus') throw error;
      status = error.status;
    } finally {
      nextInstances[factory] = newInstance(factory);
    }
    const utf8 = new TextDecoder();
    return {
      code: status & 255,
      stdout: utf8.decode(new Uint8Array(made.stdout)),
      stderr: utf8.decode(new Uint8Array(made.stderr)),
      files: readFiles(FS, WORK_DIR, '', new Set(Object.keys(lent)), {}),
    };
  }

  // A channel C with alpha A laid on white, as panelbake-prepare lays it.
  const onWhite = (c, a) => 255 - a + Math.round(c * a / 255);

  // A 24-bit BMP with the 40-byte info header, bottom-up, 96 dpi, as panelbake-prepare writes it.
  function bmp24(width, height, rgba) {
    const stride = (width * 3 + 3) & ~3;
    const bmp = new Uint8Array(54 + stride * height);
    const view = new DataView(bmp.buffer);
    bmp.set([0x42, 0x4d]);
    view.setUint32(2, bmp.length, true);
    view.setUint32(10, 54, true);
    view.setUint32(14, 40, true);
    view.setInt32(18, width, true);
    view.setInt32(22, height, true);
    view.setUint16(26, 1, true);
    view.setUint16(28, 24, true);
    view.setUint32(34, stride * height, true);
    view.setInt32(38, 3780, true);
    view.setInt32(42, 3780, true);
    for (let y = 0; y < height; y++) {
      let out = 54 + (height - 1 - y) * stride;
      for (let i = y * width * 4, end = i + width * 4; i < end; i += 4) {
        const a = rgba[i + 3];
        bmp[out++] = onWhite(rgba[i + 2], a);
        bmp[out++] = onWhite(rgba[i + 1], a);
        bmp[out++] = onWhite(rgba[i], a);
      }
    }
    return bmp;
  }

  // A picture in a format panelbake-prepare does not read, decoded by the browser without
  // colour-space conversion, as a 24-bit BMP. Resolves to {code, stdout, stderr, files} as a
  // run does: code 1 where the browser cannot decode it.
  async function decodeByBrowser(name, blob) {
    let picture;
    try {
      picture = await createImageBitmap(blob, {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
    } catch (error) {
      return {code: 1, stdout: '', stderr: 'the browser does not read it\n', files: {}};
    }
    const {width, height} = picture;
    const context = new OffscreenCanvas(width, height).getContext('2d', {willReadFrequently: true});
    context.drawImage(picture, 0, 0);
    picture.close();
    const rgba = context.getImageData(0, 0, width, height).data;
    const bmpName = name.replace(/\.[^.]*$/, '') + '.bmp';
    return {code: 0, stdout: '', stderr: '', files: {[bmpName]: bmp24(width, height, rgba)}};
  }

  // The page and width, height and bytes of a header panelbake wrote, read in the worker:
  // a large header is many megabytes of text.
  function readHeader(bytes) {
    const start = bytes.indexOf(0x7b);  // "{"
    const text = new TextDecoder().decode(bytes.subarray(0, start));
    const size = (what) => Number(new RegExp(`^#define \\S+_${what}\\s+(\\d+)`, 'm').exec(text)[1]);
    const width = size('WIDTH');
    const height = size('HEIGHT');
    const data = new Uint8Array(width * Math.ceil(height / 8));
    const hex = (c) => (c <= 57 ? c - 48 : (c | 32) - 87);
    let n = 0;
    for (let i = start; n < data.length && i < bytes.length - 3; i++) {  // after "{"
      if (bytes[i] === 0x30 && bytes[i + 1] === 0x78) {  // "0x"
        data[n++] = hex(bytes[i + 2]) * 16 + hex(bytes[i + 3]);
        i += 3;
      }
    }
    return {width, height, data};
  }

  async function bytesOf(blob) {
    return new Uint8Array(await blob.arrayBuffer());
  }

  // The chosen picture prepared: its BMP files are held, and answered with their sizes; a
  // GIF's frames header comes as it is.
  async function prepare({key, name, blob, byBrowser}) {
    held = {key, files: {}};
    const source = await bytesOf(blob);
    const result = byBrowser ? await decodeByBrowser(name, blob)
      : await runProgram({factory: 'createPanelbakePrepare', args: [name], lent: {[name]: source}});
    for (const [file, bytes] of Object.entries(result.files)) {
      if (!/\.bmp$/i.test(file)) continue;
      held.files[file] = bytes;
      result.files[file] = bytes.length;
    }
    return result;
  }

  // The held BMP `name`, read from blob first where it is not held.
  async function heldFile(key, name, blob) {
    if (held.key !== key) held = {key, files: {}};
    if (!held.files[name]) {
      if (!blob) throw new Error(`${name} is no longer held`);
      held.files[name] = await bytesOf(blob);
    }
    return held.files[name];
  }

  async function convertBytes(name, bytes, args) {
    const result = await runProgram({factory: 'createPanelbake', args: [name, ...args], lent: {[name]: bytes}});
    const header = Object.keys(result.files).find((file) => file.endsWith('.h'));
    if (result.code === 0 && header) result.image = readHeader(result.files[header]);
    // The files to download as Blobs, made here: a large picture's header is tens of megabytes,
    // and copying it into a Blob would hold the page's thread still.
    result.blobs = {};
    for (const [file, data] of Object.entries(result.files)) {
      result.blobs[file] = new Blob([data], {type: file.endsWith('.h') ? 'text/plain' : 'image/bmp'});
    }
    return result;
  }

  async function convert({key, name, blob, args}) {
    return convertBytes(name, await heldFile(key, name, blob), args);
  }

  // The command line's two steps. The held BMP is lent to panelbake-prepare as today, and
  // its output goes into a folder of its own, so that it may have the name the command
  // line gives it (photo.jpg -> photo.bmp) beside the held photo.bmp.
  const ADJUSTED_DIR = 'adjusted';
  async function adjust({key, name, blob, output, prepareArgs, args}) {
    const source = await heldFile(key, name, blob);
    const written = `${ADJUSTED_DIR}/${output}`;
    const prepared = await runProgram({factory: 'createPanelbakePrepare', args: [name, ...prepareArgs, '-o', written],
                                       lent: {[name]: source}, folders: [ADJUSTED_DIR]});
    if (prepared.code !== 0 || !prepared.files[written]) return {...prepared, files: {}, step: 'panelbake-prepare'};
    const result = await convertBytes(output, prepared.files[written], args);
    result.prepared = prepared.files[written];
    result.preparedBlob = new Blob([result.prepared], {type: 'image/bmp'});
    return result;
  }

  // Copying a large picture into a Blob takes a while: it goes in pieces, and the jobs
  // that come meanwhile run between them.
  const BLOB_PIECE = 4 << 20;
  async function blobs({key}) {
    const files = {};
    for (const [name, bytes] of Object.entries(held.key === key ? held.files : {})) {
      const pieces = [];
      for (let at = 0; at < bytes.length; at += BLOB_PIECE) {
        pieces.push(new Blob([bytes.subarray(at, at + BLOB_PIECE)]));
        await new Promise((resolve) => setTimeout(resolve));
      }
      files[name] = new Blob(pieces, {type: 'image/bmp'});
    }
    return {code: 0, stdout: '', stderr: '', files};
  }

  function transferable(result) {
    const arrays = Object.values(result.files).filter((data) => data instanceof Uint8Array);
    if (result.image) arrays.push(result.image.data);
    if (result.prepared) arrays.push(result.prepared);
    return arrays.map((data) => data.buffer);
  }

  const JOBS = {run: runProgram, prepare, convert, adjust, blobs};

  async function handle(message) {
    if (message.type === 'program') {
      loadProgram(message);
      return;
    }
    let result;
    try {
      result = await JOBS[message.type](message);
    } catch (error) {
      result = {code: null, stdout: '', stderr: `${error}\n`, files: {}};
    }
    self.postMessage({type: 'done', id: message.id, result}, transferable(result));
  }

  // Jobs run one after another; the making of Blobs runs beside them.
  let queue = Promise.resolve();
  self.onmessage = (event) => {
    if (event.data.type === 'blobs') handle(event.data);
    else queue = queue.then(() => handle(event.data));
  };
}

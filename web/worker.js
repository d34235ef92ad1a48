// SPDX-License-Identifier: MIT
// The page's worker. It holds the programs the page has compiled (panelbake, and
// panelbake-prepare once a picture needs it) and runs each job in a fresh instance of one,
// as a new process would run. bridge.js starts it from the text of this function (a Blob
// URL, which a page opened from disk may start too) and sends it messages:
//   {type: 'program', factory, script, module}  a program: its script's text and its
//                                               compiled WebAssembly.Module
//   {type: 'run', id, factory, args, files, blobs}
//                                               one run; answered {type: 'done', id, result};
//                                               with pictureBlobs, BMP files come back as Blobs;
//                                               with readHeader, result.image is the header's
//                                               {width, height, data}
//   {type: 'decode', id, name, blob}            a picture decoded by the browser into a
//                                               24-bit BMP; answered the same way
// Jobs run one after another, in the order sent.
function panelbakeWorker() {
  'use strict';
  const WORK_DIR = '/work';
  const BLOB_DIR = '/blobs';
  const programs = {};  // factory name -> {create, module}

  function loadProgram({factory, script, module}) {
    const url = URL.createObjectURL(new Blob([script], {type: 'text/javascript'}));
    importScripts(url);
    URL.revokeObjectURL(url);
    programs[factory] = {create: self[factory], module};
  }

  function makeParents(FS, path) {
    let dir = WORK_DIR;
    for (const part of path.split('/').slice(0, -1)) {
      dir += '/' + part;
      if (!FS.analyzePath(dir).exists) FS.mkdir(dir);
    }
  }

  // Every regular file under dir, by relative path. A picture mounted from a Blob is a
  // symbolic link in the working directory and is not read back.
  function readFiles(FS, dir, prefix, found) {
    for (const name of FS.readdir(dir)) {
      if (name === '.' || name === '..') continue;
      const mode = FS.lstat(dir + '/' + name).mode;
      if (FS.isDir(mode)) readFiles(FS, dir + '/' + name, prefix + name + '/', found);
      else if (FS.isFile(mode)) found[prefix + name] = FS.readFile(dir + '/' + name);
    }
    return found;
  }

  // A fresh instance of the program runs with the arguments after its name, in a working
  // directory holding `files` (relative path -> bytes, written in) and `blobs` (relative
  // path -> Blob, mounted read-only: a run reads only the parts of the file it reads).
  // Resolves to {code, stdout, stderr, files}: the exit status as a shell sees it, the
  // bytes written to standard output and error as UTF-8 text, and every file written.
  async function runProgram({factory, args, files = {}, blobs = {}}) {
    const {create, module} = programs[factory];
    const stdout = [];
    const stderr = [];
    const instance = await new Promise((resolve, reject) => {
      create({
        instantiateWasm(imports, receiveInstance) {
          WebAssembly.instantiate(module, imports).then((made) => receiveInstance(made, module), reject);
          return {};
        },
        preRun: [(m) => {
          // Standard output and error byte by byte: nothing added, nothing dropped.
          m.FS.init(() => null, (byte) => stdout.push(byte & 255), (byte) => stderr.push(byte & 255));
          m.FS.mkdir(WORK_DIR);
          for (const [path, bytes] of Object.entries(files)) {
            makeParents(m.FS, path);
            m.FS.writeFile(WORK_DIR + '/' + path, bytes instanceof Uint8Array ? bytes : new Uint8Array(bytes));
          }
          const mounted = Object.entries(blobs);
          if (mounted.length) {
            m.FS.mkdir(BLOB_DIR);
            m.FS.mount(m.WORKERFS, {blobs: mounted.map(([name, data]) => ({name, data}))}, BLOB_DIR);
            for (const [path] of mounted) {
              makeParents(m.FS, path);
              m.FS.symlink(BLOB_DIR + '/' + path, WORK_DIR + '/' + path);
            }
          }
          m.FS.chdir(WORK_DIR);
        }],
      }).then(resolve, reject);
    });
    let status;
    try {
      status = instance.callMain(args.map(String));
    } catch (error) {
      // exit() inside the program may end the run with this exception instead of a return.
      if (!error || error.name !== 'ExitStatus') throw error;
      status = error.status;
    }
    const utf8 = new TextDecoder();
    return {
      code: status & 255,
      stdout: utf8.decode(new Uint8Array(stdout)),
      stderr: utf8.decode(new Uint8Array(stderr)),
      files: readFiles(instance.FS, WORK_DIR, '', {}),
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
  // colour-space conversion, as a 24-bit BMP (a Blob). Resolves to {code, stderr, files}
  // as a run does: code 1 where the browser cannot decode it.
  async function decodeByBrowser({name, blob}) {
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
    return {code: 0, stdout: '', stderr: '', files: {[bmpName]: new Blob([bmp24(width, height, rgba)], {type: 'image/bmp'})}};
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

  // The page's pictures stay Blobs: a BMP goes back as one, which the page keeps and
  // mounts for each run, and which it offers for download without a copy.
  function asBlobs(result) {
    for (const [name, bytes] of Object.entries(result.files)) {
      if (/\.bmp$/i.test(name) && bytes instanceof Uint8Array) result.files[name] = new Blob([bytes], {type: 'image/bmp'});
    }
    return result;
  }

  function transferable(result) {
    const arrays = Object.values(result.files).filter((data) => data instanceof Uint8Array);
    if (result.image) arrays.push(result.image.data);
    return arrays.map((data) => data.buffer);
  }

  async function handle(message) {
    if (message.type === 'program') {
      loadProgram(message);
      return;
    }
    let result;
    try {
      result = message.type === 'decode' ? await decodeByBrowser(message) : await runProgram(message);
      if (message.pictureBlobs) asBlobs(result);
      const header = Object.keys(result.files).find((name) => name.endsWith('.h'));
      if (message.readHeader && result.code === 0 && header) result.image = readHeader(result.files[header]);
    } catch (error) {
      result = {code: null, stdout: '', stderr: `${error}\n`, files: {}};
    }
    self.postMessage({type: 'done', id: message.id, result}, transferable(result));
  }

  let queue = Promise.resolve();
  self.onmessage = (event) => {
    queue = queue.then(() => handle(event.data));
  };
}

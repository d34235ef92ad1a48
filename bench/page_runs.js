// SPDX-License-Identifier: MIT
// Times an adjustment redrawn in the page's worker, in Node: panelbake-prepare on a held
// 24-bit BMP with -w 128 -h 64 and an adjustment, then panelbake on its output, each in a
// fresh instance of its WebAssembly module compiled once, the held BMP given to the run
// without a copy (FS.writeFile with canOwn), as the page's worker (web/src/worker/) runs
// them. Prints the median of seven pairs per
// adjustment, and of that pair the time spent making the two instances (the floor).
//
//   node bench/page_runs.js build/web/web/programs photo.bmp
//
// The programs are the page's (the web preset's prepare_web and panelbake_web); the BMP
// is any prepared picture, for example a 6000 x 4000 photo prepared by panelbake-prepare.
'use strict';
const fs = require('fs');
const vm = require('vm');

// The modules are built for a worker.
globalThis.self = globalThis;
globalThis.importScripts = () => {};
globalThis.location = {href: ''};

const [programsDir, heldPath] = process.argv.slice(2);
if (!programsDir || !heldPath) {
  console.error('usage: node bench/page_runs.js PROGRAMS_DIR PICTURE.bmp');
  process.exit(2);
}
const held = new Uint8Array(fs.readFileSync(heldPath));

function load(factory, name) {
  vm.runInThisContext(fs.readFileSync(`${programsDir}/${name}.js`, 'utf8'));
  return {create: globalThis[factory], module: new WebAssembly.Module(fs.readFileSync(`${programsDir}/${name}.wasm`))};
}
const programs = {prepare: load('createPanelbakePrepare', 'prepare_web'), panelbake: load('createPanelbake', 'panelbake_web')};

// One run in a fresh instance, in /work holding `lent` and an empty out/.
async function run(program, args, lent) {
  const {create, module} = programs[program];
  const start = performance.now();
  let code = null;
  const instance = await create({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((made) => receive(made, module));
      return {};
    },
    preRun: [(m) => m.FS.init(() => null, () => {}, () => {})],
    onExit: (status) => { code = status; },
  });
  const made = performance.now();
  const FS = instance.FS;
  FS.mkdir('/work');
  FS.mkdir('/work/out');
  for (const [name, bytes] of Object.entries(lent)) FS.writeFile(`/work/${name}`, bytes, {canOwn: true});
  FS.chdir('/work');
  const returned = instance.callMain(args);
  if (code === null) code = returned;
  const out = {};
  for (const name of FS.readdir('/work/out').filter((n) => n[0] !== '.')) out[name] = FS.readFile('/work/out/' + name);
  return {code, instantiating: made - start, ms: performance.now() - start, out};
}

(async () => {
  let failed = false;
  for (const adjustment of [['--dither', 'floyd-steinberg'], ['--rotate', '90']]) {
    const pairs = [];
    for (let i = 0; i < 7; i++) {
      const prepared = await run('prepare', ['held.bmp', ...adjustment, '-w', '128', '-h', '64', '-o', 'out/photo.bmp'],
                                 {'held.bmp': held});
      const converted = await run('panelbake', ['photo.bmp'], {'photo.bmp': prepared.out['photo.bmp'] || new Uint8Array()});
      failed ||= prepared.code !== 0 || converted.code !== 0;
      pairs.push({prepare: prepared.ms, panelbake: converted.ms,
                  floor: prepared.instantiating + converted.instantiating});
    }
    pairs.sort((a, b) => a.prepare + a.panelbake - (b.prepare + b.panelbake));
    const m = pairs[3];
    console.log(`${adjustment.join(' ')} -w 128 -h 64: ${(m.prepare + m.panelbake).toFixed(1)} ms the pair ` +
                `(prepare ${m.prepare.toFixed(1)}, panelbake ${m.panelbake.toFixed(1)}; making the instances ` +
                `${m.floor.toFixed(1)}), median of 7`);
  }
  if (failed) {
    console.error('a run failed');
    process.exit(1);
  }
})();

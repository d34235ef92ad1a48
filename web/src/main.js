// SPDX-License-Identifier: MIT
// The page: any picture in, panelbake's header and preview out. Every picture is prepared
// by panelbake-prepare and converted by panelbake, both compiled to WebAssembly and run in
// the page's worker; this thread only shows what they make. This module wires the rooms
// together; each owns its part (see the README's map of the page's modules).
import {createApi} from './api.js';
import {wireArrays} from './arrays.js';
import {Lane, PANELBAKE, createJobCount, createProgramLoader, workerMethods} from './bridge.js';
import {TABLE_NAME} from './command.js';
import {setUpControls} from './controls.js';
import {$, offerDownload} from './dom.js';
import {wireDrops, wirePaste} from './drop.js';
import {createFlow} from './flow.js';
import {readOptions} from './options.js';
import {createSettings} from './settings.js';
import {createState} from './state.js';
import {bytesText} from './text.js';
import {showListState} from './views/list.js';
import {drawPreview, wireInspector} from './views/preview.js';
import {headerText, showBytes} from './views/result.js';
import {zipAll} from './zip.js';

async function copyText(text, button) {
  try {
    await navigator.clipboard.writeText(text);
  } catch (error) {
    const box = document.createElement('textarea');
    box.value = text;
    document.body.append(box);
    box.select();
    document.execCommand('copy');
    box.remove();
  }
  button.textContent = 'Copied';
  $('announce').textContent = `Copied: ${button.getAttribute('aria-label').replace('Copy ', '')}`;
  setTimeout(() => {
    button.textContent = 'Copy';
    $('announce').textContent = '';
  }, 1500);
}

// The display presets follow the sizes typed.
function presetFromSize() {
  const size = `${$('width').value.trim()}x${$('height').value.trim()}`;
  $('display').value = [...$('display').options].some((o) => o.value === size) ? size : '';
}

function wireOptions(flow) {
  const changed = (from) => () => flow.optionsChanged(from);
  $('display').addEventListener('change', () => {
    if ($('display').value) [$('width').value, $('height').value] = $('display').value.split('x');
    flow.optionsChanged();
  });
  for (const id of ['width', 'height']) {
    $(id).addEventListener('input', () => { presetFromSize(); flow.optionsChanged(); });
  }
  for (const input of document.querySelectorAll('input[name=memory], #verbose, #rotate, #flip-h, #flip-v, #invert')) {
    input.addEventListener('change', changed());
  }
  $('threshold').addEventListener('input', changed($('threshold')));
  $('threshold-slider').addEventListener('input', changed($('threshold-slider')));
  $('dither').addEventListener('change', changed($('dither')));
}

function wireResult(state, flow) {
  $('picture').addEventListener('change', () => flow.take([...$('picture').files], true));
  $('frame').addEventListener('change', () => {
    if (!state.selected) return;
    const frames = state.entries.filter((entry) => entry.source === state.selected.source);
    flow.select(frames[Number($('frame').value)]);
  });
  $('zoom').addEventListener('change', () => { if (state.image) drawPreview(state); });
  new ResizeObserver(([entry]) => {
    const width = Math.floor(entry.contentRect.width);
    if (width === state.panelWidth) return;
    const before = state.panelWidth;
    state.panelWidth = width;
    if (before && width && state.image && $('zoom').value === '0') drawPreview(state);
  }).observe(document.querySelector('.panel'));
  wireInspector(state);
  $('copy-header').addEventListener('click', async (e) => copyText(await headerText(), e.currentTarget));
  $('copy-command').addEventListener('click', (e) => copyText($('command').textContent, e.currentTarget));
}

function wireZip(state, methods) {
  const loaded = {script: null};
  $('batch-download').addEventListener('click', async () => {
    $('batch-download').disabled = true;
    $('batch-state').textContent = 'Making the zip…';
    try {
      const zipped = await zipAll(state, methods, loaded);
      showListState(state);
      if (!zipped) return;
      const link = $('batch-zip');
      offerDownload(link, `${TABLE_NAME}.zip`, zipped, 'application/zip');
      link.textContent = `${TABLE_NAME}.zip, ${bytesText(zipped.length)}`;
      link.hidden = false;
      link.click();
    } catch (error) {
      $('batch-state').textContent = `The zip could not be made: ${error.message}`;
      $('batch-download').disabled = false;
    }
  });
}

// The result's parts are laid out and drawn once, hidden again at once: the first layout
// of their fonts and the first drawing take tens of milliseconds, which a first result
// would otherwise wait for.
function warmLayout(state) {
  if (state.image) return;
  const areas = [$('preview-area'), $('files-area'), $('messages')];
  for (const area of areas) area.hidden = false;
  document.body.getBoundingClientRect();
  const pixel = document.createElement('canvas');
  pixel.width = pixel.height = 1;
  pixel.getContext('2d').putImageData(new ImageData(1, 1), 0, 0);
  $('preview').getContext('2d').drawImage(pixel, 0, 0);
  for (const area of areas) area.hidden = true;
}

// The rules asked of the C++ side, the controls made and set as the address or the
// settings remembered say; then panelbake run once in the page's worker, compiled and warm.
async function begin(state, methods, flow, settings) {
  state.rules = await methods.rules();
  [state.placeholder] = await methods.names(['picture.bmp']);
  setUpControls(state.rules);
  settings.start(state.rules);
  presetFromSize();
  flow.optionsChanged($('threshold'));
  await methods.run(PANELBAKE, [], {});
  methods.lane.keepSpare();
  warmLayout(state);
}

function start() {
  const state = createState();
  const shared = {url: null, count: createJobCount(), lastId: 0};
  const loadProgram = createProgramLoader();
  const methods = workerMethods(new Lane(shared), loadProgram);
  const settings = {};
  const flow = createFlow(state, methods, settings);
  settings.start = (rules) => {
    Object.assign(settings, createSettings(rules, readOptions, () => { presetFromSize(); flow.optionsChanged($('threshold')); }));
    settings.restore();
  };
  settings.remember = () => {};
  const ready = begin(state, methods, flow, settings);
  window.panelbake = createApi(shared, loadProgram, ready);
  const take = (files) => ready.then(() => flow.take(files));
  const arrays = wireArrays(state, (made, summary) => { flow.showingBytes(); showBytes(state, made, summary); });
  wireOptions(flow);
  wireResult(state, flow);
  wireDrops(take, arrays.loadArrayFile);
  wirePaste(take);
  wireZip(state, methods);
}

start();

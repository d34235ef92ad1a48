// @ts-check
// SPDX-License-Identifier: MIT
// The page: any picture in, panelbake's header and preview out. Every picture is prepared
// by panelbake-prepare and converted by panelbake, both compiled to WebAssembly and run in
// the page's workers; this thread only shows what they make. This module wires the rooms
// together; each owns its part (see the README's map of the page's modules).
import {createApi} from './api.js';
import {wireArrays} from './arrays.js';
import {JobWorker, createJobCount, createProgramLoader, isAbandoned, workerMethods} from './bridge.js';
import {TABLE_NAME} from './command.js';
import {resetPanelColours, setPanel} from './controls.js';
import {$, offerDownload} from './dom.js';
import {wireDrops, wirePaste} from './drop.js';
import {createFlow} from './flow.js';
import {wireInspector} from './pixel-pointer.js';
import {readOptions} from './options.js';
import {PANELBAKE} from './protocol.js';
import {createSettings} from './settings.js';
import {createState} from './state.js';
import {bytesText} from './text.js';
import {showListState} from './views/list.js';
import {headerText} from './views/result.js';
import {zipAll} from './zip.js';

/** @typedef {import('./state.js').State} State */
/** @typedef {ReturnType<typeof createFlow>} Flow */

/** @param {string} text @param {HTMLButtonElement} button */
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
  $('announce').textContent = `Copied: ${(button.getAttribute('aria-label') || '').replace('Copy ', '')}`;
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

// The panel and its colours: another panel offers its layouts and colours.
/** @param {State} state @param {Flow} flow */
function wirePanel(state, flow) {
  $('panel').addEventListener('change', () => {
    if (state.rules) setPanel(state.rules, $('panel').value);
    flow.optionsChanged();
  });
  $('panel-colour-fields').addEventListener('change', () => flow.optionsChanged());
  $('panel-colours-reset').addEventListener('click', () => {
    resetPanelColours();
    flow.optionsChanged();
  });
}

/** @param {Flow} flow */
function wireOptions(flow) {
  /** @param {HTMLElement} [from] */
  const changed = (from) => () => flow.optionsChanged(from);
  $('display').addEventListener('change', () => {
    if ($('display').value) [$('width').value, $('height').value] = $('display').value.split('x');
    flow.optionsChanged();
  });
  for (const id of /** @type {const} */ (['width', 'height'])) {
    $(id).addEventListener('input', () => { presetFromSize(); flow.optionsChanged(); });
  }
  for (const input of document.querySelectorAll('input[name=memory], #verbose, #rotate, #flip-h, #flip-v, #invert')) {
    input.addEventListener('change', changed());
  }
  $('threshold').addEventListener('input', changed($('threshold')));
  $('threshold-slider').addEventListener('input', changed($('threshold-slider')));
  $('dither').addEventListener('change', changed($('dither')));
  $('layout').addEventListener('change', changed());
  $('compress').addEventListener('change', () => flow.compressChanged());
}

/** @param {State} state @param {Flow} flow @param {{remember: () => void}} settings */
function wireResult(state, flow, settings) {
  $('picture').addEventListener('change', () => flow.take([...($('picture').files || [])], true));
  $('frame').addEventListener('change', () => {
    if (!state.selected) return;
    const frames = state.entries.filter((entry) => entry.source === state.selected?.source);
    flow.select(frames[Number($('frame').value)]);
  });
  $('zoom').addEventListener('change', () => flow.redraw());
  $('palette').addEventListener('change', () => {
    flow.redraw(true);
    settings.remember();
  });
  new ResizeObserver(([entry]) => flow.panelResized(Math.floor(entry.contentRect.width)))
    .observe(/** @type {HTMLElement} */ (document.querySelector('.panel')));
  $('copy-header').addEventListener('click', async (e) => copyText(await headerText(), $('copy-header')));
  $('copy-command').addEventListener('click', () => copyText($('command').textContent || '', $('copy-command')));
}

/** @param {State} state @param {import('./bridge.js').Methods} work */
function wireZip(state, work) {
  const loaded = {script: /** @type {Promise<void> | null} */ (null)};
  $('batch-download').addEventListener('click', async () => {
    $('batch-download').disabled = true;
    $('batch-state').textContent = 'Making the zip…';
    try {
      const zipped = await zipAll(state, work, loaded);
      showListState(state);
      const link = $('batch-zip');
      offerDownload(link, `${TABLE_NAME}.zip`, zipped, 'application/zip');
      link.textContent = `${TABLE_NAME}.zip, ${bytesText(zipped.length)}`;
      link.hidden = false;
      link.click();
    } catch (error) {
      if (isAbandoned(error)) {
        showListState(state);
        return;
      }
      $('batch-state').textContent = `The zip could not be made: ${error instanceof Error ? error.message : error}`;
      $('batch-download').disabled = false;
    }
  });
}

// The result's parts are laid out and drawn once, hidden again at once: the first layout
// of their fonts and the first drawing take tens of milliseconds, which a first result
// would otherwise wait for.
/** @param {State} state */
function warmLayout(state) {
  if (state.image) return;
  const areas = [$('preview-area'), $('files-area'), $('messages')];
  for (const area of areas) area.hidden = false;
  document.body.getBoundingClientRect();
  const pixel = document.createElement('canvas');
  pixel.width = pixel.height = 1;
  pixel.getContext('2d')?.putImageData(new ImageData(1, 1), 0, 0);
  $('preview').getContext('2d')?.drawImage(pixel, 0, 0);
  for (const area of areas) area.hidden = true;
}

// The rules asked of the C++ side, the controls made and set as the address or the
// settings remembered say; then panelbake run once in the conversions' worker, compiled and
// warm.
/**
 * @param {State} state @param {{work: import('./bridge.js').Methods, questions: import('./bridge.js').Methods}} workers
 * @param {Flow} flow @param {{start: () => void}} settings
 */
async function begin(state, workers, flow, settings) {
  const rules = await workers.work.call('rules', {});
  const [placeholder] = await workers.work.call('sources', {files: [new File([], 'picture.bmp')]});
  flow.begin(rules, placeholder);
  settings.start();
  presetFromSize();
  flow.optionsChanged($('threshold'));
  await workers.work.call('run', {factory: PANELBAKE, args: [], files: {}, pictures: {}});
  workers.work.worker.keepSpare();
  workers.questions.call('rules', {});  // the questions' worker compiles panelbake meanwhile
  warmLayout(state);
}

function start() {
  const state = createState();
  const shared = {url: null, count: createJobCount(), lastId: 0};
  const loadProgram = createProgramLoader();
  const workers = {work: workerMethods(new JobWorker(shared), loadProgram),
                   questions: workerMethods(new JobWorker(shared), loadProgram)};
  const settings = {remember: () => {}, start: () => {}};
  const flow = createFlow(state, workers, settings);
  settings.start = () => {
    const rules = /** @type {import('./protocol.js').Rules} */ (state.rules);
    const made = createSettings(rules, readOptions, () => { presetFromSize(); flow.optionsChanged($('threshold')); });
    settings.remember = made.remember;
    made.restore();
  };
  const ready = begin(state, workers, flow, settings);
  /** @type {any} */ (window).panelbake = createApi(shared, loadProgram, ready);
  /** @param {File[]} files */
  const take = (files) => ready.then(() => flow.take(files));
  const arrays = wireArrays(state, workers.questions, (picture, layout, summary) => flow.showBytes(picture, layout, summary));
  wireOptions(flow);
  wirePanel(state, flow);
  wireResult(state, flow, settings);
  wireInspector(state, workers.questions);
  wireDrops(take, arrays.loadArrayFile);
  wirePaste(take);
  wireZip(state, workers.work);
}

start();

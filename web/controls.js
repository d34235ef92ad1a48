// SPDX-License-Identifier: MIT
// The adjustments panelbake-prepare makes (rotate, flip, invert, threshold, dither), the
// two steps the page then runs, and the settings: remembered between visits and carried in
// the page's address (#w=128&h=64&pgm), so that a link opens with the same options.
'use strict';

// ---- The adjustments, as panelbake-prepare's options ---------------------------------------

const DEFAULT_THRESHOLD = '383';
const ORDERED_DITHERS = ['bayer4', 'bayer8'];  // their matrix sets the cuts: no --threshold
const adjustControls = {
  rotate: document.getElementById('rotate'),
  flipH: document.getElementById('flip-h'),
  flipV: document.getElementById('flip-v'),
  invert: document.getElementById('invert'),
  threshold: document.getElementById('threshold'),
  slider: document.getElementById('threshold-slider'),
  dither: document.getElementById('dither'),
};

// panelbake-prepare's options for the adjustments and the black and white asked for, in the
// order its usage lists them, without -w and -h. Empty for the defaults.
function adjustmentArgs() {
  const c = adjustControls;
  const args = [];
  if (c.rotate.value) args.push('--rotate', c.rotate.value);
  if (c.flipH.checked) args.push('--flip', 'h');
  if (c.flipV.checked) args.push('--flip', 'v');
  if (c.invert.checked) args.push('--invert');
  return args;
}

function reductionArgs() {
  const c = adjustControls;
  const args = [];
  const threshold = c.threshold.value.trim();
  // Empty, like an empty size, is not given.
  if (!c.threshold.disabled && threshold && threshold !== DEFAULT_THRESHOLD) args.push('--threshold', threshold);
  if (c.dither.value) args.push('--dither', c.dither.value);
  return args;
}

// What the page runs for the options chosen: null for the defaults (panelbake alone, with
// -w and -h, on the prepared picture); otherwise panelbake-prepare with the adjustments at
// the display's size, then panelbake pixel for pixel: {prepareArgs, convertArgs}.
function adjustedPlan() {
  const adjust = adjustmentArgs();
  const reduce = reductionArgs();
  if (adjust.length === 0 && reduce.length === 0) return null;
  return {prepareArgs: [...adjust, ...sizeArgs(), ...reduce], convertArgs: outputArgs()};
}

// The BMP panelbake-prepare writes for panelbake. From a picture panelbake-prepare decodes,
// it has the name the command line gives it (photo.jpg -> photo.bmp); from a BMP, which
// it would otherwise write over, a name of its own, given with -o.
function adjustedName(chosen) {
  const source = chosen ? sourceName(chosen) : 'picture.bmp';
  if (chosen && chosen.kind === 'prepare') return source;
  return adjustedBmpName(source);
}

// The command line's two steps for an adjusted picture.
function adjustedSteps(chosen, plan) {
  const output = adjustedName(chosen);
  const prepare = chosen && chosen.kind === 'prepare'
    ? ['panelbake-prepare', chosen.name, ...plan.prepareArgs]
    : ['panelbake-prepare', chosen ? sourceName(chosen) : 'picture.bmp', ...plan.prepareArgs, '-o', output];
  return [prepare, ['panelbake', output, ...plan.convertArgs]];
}

// The BMP an adjusted result was converted from is the one offered as the prepared BMP, as
// the command line writes it; without adjustments, the prepared picture is offered again
// (a BMP, taken as it is, offers none).
function takeAdjusted(chosen, result, name) {
  chosen.adjusted = result.prepared ? {name, size: result.prepared.length, blob: result.preparedBlob} : null;
  if (chosen.kind !== 'bmp' || chosen.adjusted) showPrepared(chosen);
  else document.getElementById('prepared').hidden = true;
}

// What a failed panelbake-prepare exit code means (its usage's table).
const PREPARE_EXIT_MEANINGS = {
  1: 'an option is wrong', 2: "the picture can't be read", 3: 'the picture is damaged or not one it reads',
  4: 'the picture is too large', 5: 'an output exists', 6: "an output can't be written", 7: 'memory ran out',
};

// Its first line says why (a wrong option is followed by the usage, shown in the messages).
function preparationFailure(code, stderr) {
  const reason = stderr.trim().split('\n')[0].replace(/^Error: /, '');
  const meaning = PREPARE_EXIT_MEANINGS[code] || 'it failed';
  return code === null ? `panelbake-prepare stopped unexpectedly: ${reason}`
    : `panelbake-prepare failed with exit code ${code}: ${meaning}${reason ? ` (${reason})` : ''}.`;
}

// The threshold means nothing to the ordered dithers; its field and slider follow each other.
function showThreshold(from) {
  const c = adjustControls;
  const ordered = ORDERED_DITHERS.includes(c.dither.value);
  c.threshold.disabled = c.slider.disabled = ordered;
  if (from === c.slider) c.threshold.value = c.slider.value;
  else if (/^\d+$/.test(c.threshold.value.trim()) && Number(c.threshold.value) <= 765) c.slider.value = c.threshold.value.trim();
}

// ---- Settings: remembered, and carried in the address ----------------------------------------

const SETTINGS_KEY = 'panelbake.settings';
const FIRST_VISIT = {w: '128', h: '64'};

// The settings as the address writes them: every one that is not its default, in a fixed order.
function currentSettings() {
  const c = adjustControls;
  const s = {};
  const width = document.getElementById('width').value.trim();
  const height = document.getElementById('height').value.trim();
  if (width) s.w = width;
  if (height) s.h = height;
  const memory = document.querySelector('input[name=memory]:checked').value;
  if (memory) s[memory.slice(1)] = '';
  if (document.getElementById('verbose').checked) s.v = '';
  if (c.rotate.value) s.rotate = c.rotate.value;
  const flip = (c.flipH.checked ? 'h' : '') + (c.flipV.checked ? 'v' : '');
  if (flip) s.flip = flip;
  if (c.invert.checked) s.invert = '';
  const threshold = c.threshold.value.trim();
  if (threshold && threshold !== DEFAULT_THRESHOLD) s.threshold = threshold;
  if (c.dither.value) s.dither = c.dither.value;
  return s;
}

const settingsText = (s) => Object.entries(s)
  .map(([key, value]) => (value === '' ? key : `${key}=${encodeURIComponent(value)}`)).join('&');

function settingsFromText(text) {
  const s = {};
  for (const [key, value] of new URLSearchParams(text)) s[key] = value;
  return s;
}

// Sets the controls to settings as read from an address or storage: a value a control does
// not offer leaves it at its default, and a size or threshold keeps digits only.
function applySettings(s) {
  const c = adjustControls;
  const digits = (value) => (/^\d{1,10}$/.test(value || '') ? value : '');
  const choice = (select, value) => {
    select.value = [...select.options].some((o) => o.value === value) ? value : '';
  };
  document.getElementById('width').value = digits(s.w);
  document.getElementById('height').value = digits(s.h);
  const memory = 'pic30' in s ? '-pic30' : 'pgm' in s ? '-pgm' : '';
  document.querySelector(`input[name=memory][value='${memory}']`).checked = true;
  document.getElementById('verbose').checked = 'v' in s;
  choice(c.rotate, s.rotate);
  c.flipH.checked = /h/.test(s.flip || '');
  c.flipV.checked = /v/.test(s.flip || '');
  c.invert.checked = 'invert' in s;
  c.threshold.value = digits(s.threshold) || DEFAULT_THRESHOLD;
  choice(c.dither, s.dither);
  showThreshold(c.threshold);
}

// Storage may be missing or refused (a page opened from disk, a private window): the
// settings are then only carried in the address.
function storedSettings() {
  try {
    const text = window.localStorage.getItem(SETTINGS_KEY);
    return text === null ? null : settingsFromText(text);
  } catch (error) {
    return null;
  }
}

// The settings are written a moment after the last change (a slider dragged changes them
// many times a second, and browsers refuse an address changed that often), and at once when
// the page is left.
const REMEMBER_AFTER_MS = 250;
let rememberedText = null;
let rememberTimer = null;

function rememberSettings() {
  clearTimeout(rememberTimer);
  rememberTimer = setTimeout(writeSettings, REMEMBER_AFTER_MS);
}

function writeSettings() {
  clearTimeout(rememberTimer);
  const text = settingsText(currentSettings());
  if (text === rememberedText) return;
  rememberedText = text;
  try {
    window.localStorage.setItem(SETTINGS_KEY, text);
  } catch (error) {
    // not remembered: the address still carries them
  }
  try {
    history.replaceState(history.state, '', text ? `#${text}` : location.pathname + location.search);
  } catch (error) {
    // an address that may not be changed (some browsers' file:// pages)
  }
}

window.addEventListener('pagehide', writeSettings);

// The settings a page opens with: the address's, else the ones remembered, else a first
// visit's 128 x 64 display.
function restoreSettings() {
  const hash = location.hash.slice(1);
  applySettings(hash ? settingsFromText(hash) : storedSettings() || FIRST_VISIT);
  writeSettings();
}

// An address edited by hand, or a link followed within the page, sets the options.
window.addEventListener('hashchange', () => {
  const text = location.hash.slice(1);
  if (text === rememberedText) return;
  applySettings(settingsFromText(text));
  presetFromSize();
  convert();
});

adjustControls.threshold.addEventListener('input', () => { showThreshold(adjustControls.threshold); convert(); });
adjustControls.slider.addEventListener('input', () => { showThreshold(adjustControls.slider); convert(); });
adjustControls.dither.addEventListener('change', () => { showThreshold(adjustControls.dither); convert(); });
for (const control of [adjustControls.rotate, adjustControls.flipH, adjustControls.flipV, adjustControls.invert]) {
  control.addEventListener('change', () => convert());
}

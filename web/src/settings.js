// @ts-check
// SPDX-License-Identifier: MIT
// The settings: remembered between visits and carried in the page's address
// (#w=128&h=64&pgm, a panel's colours as #panel=bwr&colours=%23000000,...), so that a link opens with the same options. Only what differs from
// the defaults is written, in a fixed order; a link wins over what was remembered.
import {setPanel} from './controls.js';
import {$} from './dom.js';
import {BW, panelOf} from './options.js';

/** @typedef {import('./state.js').Options} Options */
/** @typedef {import('./protocol.js').Rules} Rules */
/** @typedef {Record<string, string>} Settings as the address writes them: a flag's value is '' */

const SETTINGS_KEY = 'panelbake.settings';
const FIRST_VISIT = {w: '128', h: '64'};
const PALETTE = 'lcd';  // the preview's colours by default: a dark-on-green LCD
// The settings are written a moment after the last change (a slider dragged changes them
// many times a second, and browsers refuse an address changed that often), and at once
// when the page is left.
const REMEMBER_AFTER_MS = 250;

// The settings of the options, as the address writes them.
/** @param {Options} options @param {Rules} rules */
function settingsOf(options, rules) {
  /** @type {Settings} */
  const s = {};
  if (options.width) s.w = options.width;
  if (options.height) s.h = options.height;
  if (options.memory) s[options.memory.slice(1)] = '';
  if (options.verbose) s.v = '';
  if (options.rotate) s.rotate = options.rotate;
  const flip = (options.flipH ? 'h' : '') + (options.flipV ? 'v' : '');
  if (flip) s.flip = flip;
  if (options.invert) s.invert = '';
  if (options.threshold && options.threshold !== String(rules.threshold.default)) s.threshold = options.threshold;
  if (options.dither) s.dither = options.dither;
  if (options.panel !== BW) s.panel = options.panel;
  if (options.colours) s.colours = options.colours;
  if (options.layout !== panelOf(options, rules).layouts[0].name) s.for = options.layout;
  if (options.palette !== PALETTE) s.palette = options.palette;
  return s;
}

/** @param {Settings} s */
const settingsText = (s) => Object.entries(s)
  .map(([key, value]) => (value === '' ? key : `${key}=${encodeURIComponent(value)}`)).join('&');

/** @param {string} text @returns {Settings} */
const settingsFromText = (text) => Object.fromEntries(new URLSearchParams(text));

// Sets the controls: a value a control does not offer leaves it at its default, and a size
// or threshold keeps digits only.
/** @param {Settings} s @param {Rules} rules */
function applySettings(s, rules) {
  /** @param {string | undefined} value */
  const digits = (value) => (value && /^\d{1,10}$/.test(value) ? value : '');
  /** @param {HTMLSelectElement} select @param {string | undefined} value */
  const choice = (select, value, otherwise = '') => {
    select.value = value !== undefined && [...select.options].some((o) => o.value === value) ? value : otherwise;
  };
  $('width').value = digits(s.w);
  $('height').value = digits(s.h);
  const memory = 'pic30' in s ? '-pic30' : 'pgm' in s ? '-pgm' : '';
  /** @type {HTMLInputElement} */ (document.querySelector(`input[name=memory][value='${memory}']`)).checked = true;
  $('verbose').checked = 'v' in s;
  choice($('rotate'), s.rotate);
  $('flip-h').checked = /h/.test(s.flip || '');
  $('flip-v').checked = /v/.test(s.flip || '');
  $('invert').checked = 'invert' in s;
  $('threshold').value = digits(s.threshold) || String(rules.threshold.default);
  choice($('dither'), s.dither);
  setPanel(rules, s.panel || BW, s.colours);
  choice($('layout'), s.for, $('layout').options[0].value);
  choice($('palette'), s.palette, PALETTE);
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

/** @param {string} text */
function store(text) {
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

// The settings of a page: restore() sets the controls as the address says, else as
// remembered, else as on a first visit; remember(options) writes them soon; an address
// changed by hand calls `changed`.
/** @param {Rules} rules @param {() => Options} readOptions @param {() => void} changed */
export function createSettings(rules, readOptions, changed) {
  /** @type {string | null} */
  let written = null;
  let timer = 0;
  const write = () => {
    clearTimeout(timer);
    const text = settingsText(settingsOf(readOptions(), rules));
    if (text === written) return;
    written = text;
    store(text);
  };
  window.addEventListener('pagehide', write);
  window.addEventListener('hashchange', () => {
    const text = location.hash.slice(1);
    if (text === written) return;
    applySettings(settingsFromText(text), rules);
    changed();
  });
  return {
    restore() {
      const hash = location.hash.slice(1);
      applySettings(hash ? settingsFromText(hash) : storedSettings() || FIRST_VISIT, rules);
      write();
    },
    remember() {
      clearTimeout(timer);
      timer = window.setTimeout(write, REMEMBER_AFTER_MS);
    },
  };
}

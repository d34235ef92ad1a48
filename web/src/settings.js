// SPDX-License-Identifier: MIT
// The settings: remembered between visits and carried in the page's address
// (#w=128&h=64&pgm), so that a link opens with the same options. Only what differs from
// the defaults is written, in a fixed order; a link wins over what was remembered.
import {$} from './dom.js';

const SETTINGS_KEY = 'panelbake.settings';
const FIRST_VISIT = {w: '128', h: '64'};
// The settings are written a moment after the last change (a slider dragged changes them
// many times a second, and browsers refuse an address changed that often), and at once
// when the page is left.
const REMEMBER_AFTER_MS = 250;

// The settings of the options, as the address writes them.
function settingsOf(options, rules) {
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
  return s;
}

const settingsText = (s) => Object.entries(s)
  .map(([key, value]) => (value === '' ? key : `${key}=${encodeURIComponent(value)}`)).join('&');

const settingsFromText = (text) => Object.fromEntries(new URLSearchParams(text));

// Sets the controls: a value a control does not offer leaves it at its default, and a size
// or threshold keeps digits only.
function applySettings(s, rules) {
  const digits = (value) => (/^\d{1,10}$/.test(value || '') ? value : '');
  const choice = (select, value) => {
    select.value = [...select.options].some((o) => o.value === value) ? value : '';
  };
  $('width').value = digits(s.w);
  $('height').value = digits(s.h);
  const memory = 'pic30' in s ? '-pic30' : 'pgm' in s ? '-pgm' : '';
  document.querySelector(`input[name=memory][value='${memory}']`).checked = true;
  $('verbose').checked = 'v' in s;
  choice($('rotate'), s.rotate);
  $('flip-h').checked = /h/.test(s.flip || '');
  $('flip-v').checked = /v/.test(s.flip || '');
  $('invert').checked = 'invert' in s;
  $('threshold').value = digits(s.threshold) || String(rules.threshold.default);
  choice($('dither'), s.dither);
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
export function createSettings(rules, readOptions, changed) {
  let written = null;
  let timer = null;
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
      timer = setTimeout(write, REMEMBER_AFTER_MS);
    },
  };
}

// SPDX-License-Identifier: MIT
// The command line that gives what the page shows: its steps, each a program and its
// arguments (a word, or a group of an option and its value), joined by &&.
import {$} from './dom.js';
import {adjustedPlan, panelbakeGroups} from './options.js';

export const TABLE_NAME = 'pictures';  // the table header pictures.h, and the zip pictures.zip

// The BMP panelbake converts for an entry with adjustments: from a picture panelbake-prepare
// decodes, the name the command line gives it (photo.jpg -> photo.bmp); from a BMP, which it
// would otherwise write over, a name of its own beside it, given with -o.
export function adjustedOutput(entry) {
  return entry.source.kind === 'prepare' ? entry.name : entry.source.beside;
}

// The steps for no picture, or one: panelbake-prepare first where the page prepares or
// adjusts the picture with it.
function singleSteps(state, plan) {
  const source = state.sources[0];
  const groups = panelbakeGroups(state.options);
  if (!source) {
    const {bmp, beside} = state.placeholder;
    return plan ? [['panelbake-prepare', bmp, ...plan.prepare, ['-o', beside]], ['panelbake', beside, ...plan.convert]]
      : [['panelbake', bmp, ...groups]];
  }
  const name = state.selected && !state.selected.error ? state.selected.name : source.bmp;
  if (source.kind === 'prepare') {
    return plan ? [['panelbake-prepare', source.name, ...plan.prepare], ['panelbake', name, ...plan.convert]]
      : [['panelbake-prepare', source.name], ['panelbake', name, ...groups]];
  }
  return plan ? [['panelbake-prepare', name, ...plan.prepare, ['-o', source.beside]], ['panelbake', source.beside, ...plan.convert]]
    : [['panelbake', name, ...groups]];
}

// The sources that gave a BMP, each with the names of its BMPs (before it is prepared, the
// one its name gives).
function listedSources(state) {
  const listed = [];
  for (const source of state.sources) {
    const entries = state.entries.filter((entry) => entry.source === source);
    if (entries.length > 0 && entries.every((entry) => entry.error)) continue;  // not prepared
    if (source.error && entries.length === 0) continue;
    listed.push({source, bmps: entries.length ? entries.map((entry) => entry.name) : [source.bmp]});
  }
  return listed;
}

// Several pictures: each prepared with the table (one whose BMP name is kept apart from
// another's with -o first), then each BMP converted. A picture the browser decoded is given
// as its prepared BMP, which panelbake-prepare passes through.
function listSteps(state) {
  const before = [];
  const table = [];
  const bmps = [];
  for (const {source, bmps: names} of listedSources(state)) {
    if (source.apart && source.kind !== 'browser') {
      before.push(['panelbake-prepare', source.name, ['-o', source.bmp]]);
      table.push(...names);
    } else {
      table.push(source.kind === 'browser' ? source.bmp : source.name);
    }
    bmps.push(...names);
  }
  const groups = panelbakeGroups(state.options);
  return [...before, ['panelbake-prepare', ['--table', TABLE_NAME], ...table], ...bmps.map((name) => ['panelbake', name, ...groups])];
}

// With adjustments: each picture prepared at the display's size as on its own, the table
// made over the BMPs written, which pass through, then each converted.
function adjustedListSteps(state, plan) {
  const prepares = [];
  const bmps = [];
  for (const {source, bmps: names} of listedSources(state)) {
    if (source.kind === 'prepare') {
      prepares.push(['panelbake-prepare', source.name, ...plan.prepare, ...(source.apart ? [['-o', source.bmp]] : [])]);
      bmps.push(...names);
    } else {
      const input = source.kind === 'browser' ? source.bmp : source.name;
      prepares.push(['panelbake-prepare', input, ...plan.prepare, ['-o', source.beside]]);
      bmps.push(source.beside);
    }
  }
  return [...prepares, ['panelbake-prepare', ['--table', TABLE_NAME], ...bmps],
          ...bmps.map((name) => ['panelbake', name, ...plan.convert])];
}

export function commandSteps(state) {
  const plan = adjustedPlan(state.options, state.rules);
  if (state.sources.length < 2) return singleSteps(state, plan);
  return plan ? adjustedListSteps(state, plan) : listSteps(state);
}

const shellWord = (s) => (/^[\w@%+=:,./-]+$/.test(s) ? s : `'${s.replace(/'/g, `'\\''`)}'`);

// The command line, each word or option with its value in a span that the line does not
// break inside.
export function showCommand(state) {
  if (!state.rules) return;
  const items = commandSteps(state).flatMap((step, i) => [...(i ? [null] : []), ...step]);
  $('command').replaceChildren(...items.flatMap((item, i) => {
    const span = document.createElement('span');
    span.textContent = item === null ? '&&' : (Array.isArray(item) ? item : [item]).map(shellWord).join(' ');
    return i ? [' ', span] : [span];
  }));
}

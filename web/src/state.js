// SPDX-License-Identifier: MIT
// The page's state, in one place: the pictures chosen (one, or many as a list), the BMPs
// they give (the entries: a GIF gives one per frame), the options, and the entry selected.
// Showing one picture is showing the selected entry of a list of one. The views draw from
// this; the scheduler (scheduler.js) and the controls change it.
//
//   source: a chosen file, {id, file, name, kind ('bmp', 'prepare' or 'browser', see
//           kinds.js), bmp and beside (its BMP names, names.js), prepared (a Promise, once
//           asked for), framesHeader, error}
//   entry:  a BMP to convert, {key, source, name, blob, size, error, result, row}; result
//           is the newest conversion's ({run, ...}, pipeline.js)

export function createState() {
  return {
    rules: null,        // what the C++ side says of the threshold and the dithering rules
    placeholder: null,  // the names of picture.bmp, shown before a picture is chosen
    options: null,      // the newest options (options.js)
    run: 0,             // their number: a result of an older run is not shown
    picks: 0,           // the number of the newest pick: an older one's work stops
    taking: false,      // a pick is being read (its kinds and names asked for)
    sources: [],
    entries: [],
    selected: null,     // the entry shown
    showing: 'picture', // or 'bytes': bytes read back from C text are shown instead
    image: null,        // {width, height, data} of what the preview shows
    cursor: null,       // {x, y} of the pixel pointed at
    zoom: 1,
    panelWidth: 0,      // the width inside the preview's panel, 0 while it is hidden
    zipRun: null,       // the run whose zip is offered
  };
}

// Whether several sources are listed (or one that gave several BMPs, a GIF's frames).
export const isList = (state) => state.sources.length > 1 || state.entries.length > 1;

// The entries converted in the newest run.
export const doneEntries = (state) => state.entries.filter((entry) => entry.result && entry.result.run === state.run);

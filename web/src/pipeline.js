// SPDX-License-Identifier: MIT
// The one job of a picture, whether it is the only one or one of forty: prepared once
// (prepareSource), then each of its BMPs converted with the options (convertEntry), in a
// worker through its typed methods (bridge.js).
import {adjustedOutput} from './command.js';
import {adjustedPlan, flat, panelbakeGroups} from './options.js';
import {conversionFailure, preparationFailure, decodingFailure} from './failures.js';

// Bytes of a header handed to the page's thread: the text box shows no more. Laying out
// text takes the page's thread about 0.3 ms a kilobyte, so a whole megabyte of a large
// picture's header would hold the page still for a third of a second; Copy and Download
// give all of it.
export const HEADER_SHOWN = 32 << 10;

// An entry of a source: its key is the one its bytes are held under in the worker, the
// source's id and the BMP's name.
const newEntry = (source, fields) => ({key: `${source.id}/${fields.name}`, source, blob: null, error: null,
                                      result: null, row: null, ...fields});

// A source's entries: its BMP as it is (a BMP taken as it is), or those panelbake-prepare
// made of it, or one that says why there are none. Resolves to null when abandoned.
export async function prepareSource(methods, source) {
  if (source.kind === 'bmp' && !source.apart) {
    return [newEntry(source, {name: source.bmp, blob: source.file, size: source.file.size})];
  }
  let made;
  try {
    made = await methods.prepare({key: source.id, name: source.name, file: source.file,
                                  output: source.apart ? source.bmp : null, byBrowser: source.kind === 'browser'});
  } catch (error) {
    return [newEntry(source, {name: source.name, error: error.message})];
  }
  if (!made) return null;
  source.prepared = made;
  if (made.code !== 0 || made.bmps.length === 0) {
    return [newEntry(source, {name: source.name, error: decodingFailure(source, made), said: made})];
  }
  source.framesHeader = made.framesHeader;
  return made.bmps.map(({name, key, size}) => newEntry(source, {name, key, size}));
}

// The result of a conversion that failed: why, and the messages.
const failedResult = (run, summary, said = {}) => ({run, failed: summary, stdout: said.stdout || '', stderr: said.stderr || ''});

// An entry converted with the options of `run`: panelbake on its BMP, or with adjustments
// panelbake-prepare first, as on the command line. Resolves to its result, or null when
// abandoned: {run, picture, header, preview, prepared, stdout, stderr, source: the BMP
// converted} or {run, failed, stdout, stderr}.
export async function convertEntry(methods, entry, {run, options, rules}) {
  const plan = adjustedPlan(options, rules);
  const job = {name: entry.name, picture: {key: entry.key, blob: entry.blob}, headerShown: HEADER_SHOWN};
  let done;
  try {
    done = plan ? await methods.adjust({...job, output: adjustedOutput(entry), prepareArgs: flat(plan.prepare),
                                        args: flat(plan.convert)})
      : await methods.convert({...job, args: flat(panelbakeGroups(options))});
  } catch (error) {
    return failedResult(run, error.message);
  }
  if (!done) return null;
  if (done.preparation) return failedResult(run, preparationFailure(done.preparation), done.preparation);
  if (done.code !== 0 || !done.picture || !done.header || !done.preview) {
    return failedResult(run, conversionFailure(done, options), done);
  }
  const {picture, header, preview, prepared = null, stdout, stderr} = done;
  return {run, picture, header, preview, prepared, stdout, stderr,
          source: prepared ? {name: prepared.name, blob: prepared.blob} : {name: entry.name, entry}};
}

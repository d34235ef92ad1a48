// @ts-check
// SPDX-License-Identifier: MIT
// The programs' messages, outside the live region: only the summary is announced. Of many
// messages (a warning per pixel, say) the first lines are shown, which a browser lays out in
// a moment, and all of them can be downloaded.
import {$, offerDownload} from '../dom.js';
import {counted, firstLines} from '../text.js';

const MESSAGE_LINES_SHOWN = 400;

/** @param {string} stdout @param {string} stderr */
export function showMessages(stdout, stderr) {
  const messages = $('messages');
  messages.replaceChildren();
  let cut = false;
  for (const [text, className] of [[stdout, ''], [stderr, 'stderr']]) {
    if (!text) continue;
    const [shown, more] = firstLines(text, MESSAGE_LINES_SHOWN);
    const span = document.createElement('span');
    span.className = className;
    span.textContent = more ? `${shown}… and ${counted(more, 'more line')}\n` : shown;
    messages.append(span);
    cut = cut || more > 0;
  }
  messages.hidden = !stdout && !stderr;
  $('messages-download').hidden = !cut;
  if (cut) offerDownload($('messages-download'), 'messages.txt', stdout + stderr, 'text/plain');
}

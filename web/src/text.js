// SPDX-License-Identifier: MIT
// Numbers and counts as the page writes them.

// Made while the page loads: a number format's first use takes tens of milliseconds.
const numbers = new Intl.NumberFormat('en');
numbers.format(0);

export const numberText = (n) => numbers.format(n);
export const counted = (n, what) => `${numbers.format(n)} ${what}${n === 1 ? '' : 's'}`;
export const bytesText = (n) => counted(n, 'byte');

// The first `count` lines of a text, and the number of lines after them.
export function firstLines(text, count) {
  let end = 0;
  for (let n = 0; n < count; n++) {
    end = text.indexOf('\n', end) + 1;
    if (end === 0) return [text, 0];
  }
  const rest = text.slice(end);
  return [text.slice(0, end), rest.split('\n').length - (rest.endsWith('\n') ? 1 : 0)];
}

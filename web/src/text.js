// @ts-check
// SPDX-License-Identifier: MIT
// Numbers and counts as the page writes them.

// Made while the page loads: a number format's first use takes tens of milliseconds.
const numbers = new Intl.NumberFormat('en');
numbers.format(0);

/** @param {number} n */
export const numberText = (n) => numbers.format(n);
/** @param {number} n @param {string} what */
export const counted = (n, what) => `${numbers.format(n)} ${what}${n === 1 ? '' : 's'}`;
/** @param {number} n */
export const bytesText = (n) => counted(n, 'byte');

// A byte as the inspector writes it: 0x5a, and 0101 1010.
/** @param {number} byte */
export const hexText = (byte) => `0x${byte.toString(16).padStart(2, '0')}`;
/** @param {number} byte */
export function binaryText(byte) {
  const binary = byte.toString(2).padStart(8, '0');
  return `${binary.slice(0, 4)} ${binary.slice(4)}`;
}

// The first `count` lines of a text, and the number of lines after them.
/** @param {string} text @param {number} count @returns {[string, number]} */
export function firstLines(text, count) {
  let end = 0;
  for (let n = 0; n < count; n++) {
    end = text.indexOf('\n', end) + 1;
    if (end === 0) return [text, 0];
  }
  const rest = text.slice(end);
  return [text.slice(0, end), rest.split('\n').length - (rest.endsWith('\n') ? 1 : 0)];
}

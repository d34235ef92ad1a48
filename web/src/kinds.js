// SPDX-License-Identifier: MIT
// How a picture is taken, from its first bytes: a BMP goes to panelbake as it is; a WebP
// or AVIF picture, which panelbake-prepare does not decode, is decoded by the browser and
// handed to panelbake-prepare as pixels; anything else goes to panelbake-prepare, which
// says what it cannot decode.
export async function pictureKind(file) {
  const head = String.fromCharCode(...new Uint8Array(await file.slice(0, 12).arrayBuffer()));
  if (head.startsWith('BM')) return 'bmp';
  if (/^RIFF[^]{4}WEBP|^[^]{4}ftypavi[fs]/.test(head)) return 'browser';
  return 'prepare';
}

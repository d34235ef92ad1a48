// @ts-check
// SPDX-License-Identifier: MIT
// A picture in a format panelbake-prepare does not read (WebP, AVIF), decoded by the
// browser without colour-space conversion, and handed to panelbake-prepare as its pixels
// with alpha: a PAM (P7, RGB_ALPHA), which it lays on white and writes as every other
// picture.

// Whether a file's first twelve bytes are those of WebP or AVIF, which the browser decodes.
/** @param {Uint8Array} head */
export function decodedByBrowser(head) {
  const text = String.fromCharCode(...head.subarray(0, 12));
  return /^RIFF[^]{4}WEBP|^[^]{4}ftypavi[fs]/.test(text);
}

// The PAM of the picture, as a Blob; null where the browser cannot decode it.
/** @param {File} file */
export async function browserPicture(file) {
  let picture;
  try {
    picture = await createImageBitmap(file, {colorSpaceConversion: 'none', premultiplyAlpha: 'none'});
  } catch (error) {
    return null;
  }
  const {width, height} = picture;
  const context = /** @type {OffscreenCanvasRenderingContext2D} */ (
    new OffscreenCanvas(width, height).getContext('2d', {willReadFrequently: true}));
  context.drawImage(picture, 0, 0);
  picture.close();
  const rgba = context.getImageData(0, 0, width, height).data;
  const header = `P7\nWIDTH ${width}\nHEIGHT ${height}\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n`;
  return new Blob([header, rgba]);
}

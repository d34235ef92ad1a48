// SPDX-License-Identifier: MIT
// Where a pixel is in the bytes of a layout of display libraries, by the rules of the
// layouts the C++ side hands over ({name, readBy, down, firstInLowBit, columnByColumn}):
// the byte's index, its value, and its eight pixels with the bit that holds each. Bytes
// hold the pixels of one page column (down) or of one row; the bits past the picture's
// last row or column are 0, and 1 is a black pixel. The picture is page-column bytes, as
// panelbake converts it.

const pixelOf = ({width, data}, x, y) => (data[(y >> 3) * width + x] >> (y & 7)) & 1;

export function layoutByte(layout, picture, x, y) {
  const {width, height} = picture;
  const {down} = layout;
  const along = down ? y : x;
  const first = along - (along & 7);
  const [band, column] = down ? [y >> 3, x] : [y, x >> 3];
  const bands = down ? Math.ceil(height / 8) : height;
  const bandBytes = down ? width : Math.ceil(width / 8);
  const bitOf = (k) => (layout.firstInLowBit ? k : 7 - k);
  const end = down ? height : width;
  const pixels = [];
  let byte = 0;
  for (let k = 0; k < 8; k++) {
    const at = first + k;
    const [px, py] = down ? [x, at] : [at, y];
    const set = at < end ? pixelOf(picture, px, py) : 0;
    byte |= set << bitOf(k);
    pixels.push({at, bit: bitOf(k), set, inside: at < end});
  }
  return {index: layout.columnByColumn ? column * bands + band : band * bandBytes + column, byte,
          bit: bitOf(along - first), pixels, first};
}

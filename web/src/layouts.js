// SPDX-License-Identifier: MIT
// Where a pixel is in the bytes of a layout of display libraries, by the rules of the
// layouts the C++ side hands over ({name, readBy, down, firstInLowBit, columnByColumn}):
// the byte's index, its value, and its eight pixels with the bit that holds each. Bytes
// hold the pixels of one page column (down) or of one row; the bits past the picture's
// last row or column are 0, and 1 is a black pixel. The picture is page-column bytes, as
// panelbake converts it.

const pixelOf = ({width, data}, x, y) => (data[(y >> 3) * width + x] >> (y & 7)) & 1;

// The index of the byte that holds pixel (x, y) of a width x height picture, and its bit.
function placeOf({down, firstInLowBit, columnByColumn}, width, height, x, y) {
  const [band, column] = down ? [y >> 3, x] : [y, x >> 3];
  const bands = down ? Math.ceil(height / 8) : height;
  const bandBytes = down ? width : Math.ceil(width / 8);
  const k = (down ? y : x) & 7;
  return {index: columnByColumn ? column * bands + band : band * bandBytes + column, bit: firstInLowBit ? k : 7 - k};
}

export function layoutByte(layout, picture, x, y) {
  const {width, height} = picture;
  const {down} = layout;
  const along = down ? y : x;
  const first = along - (along & 7);
  const end = down ? height : width;
  const pixels = [];
  let byte = 0;
  for (let k = 0; k < 8; k++) {
    const at = first + k;
    const [px, py] = down ? [x, at] : [at, y];
    const inside = at < end;
    const set = inside ? pixelOf(picture, px, py) : 0;
    const {bit} = placeOf(layout, width, height, down ? x : at, down ? at : y);
    byte |= set << bit;
    pixels.push({at, bit, set, inside});
  }
  return {...placeOf(layout, width, height, x, y), byte, pixels, first};
}

// The page-column bytes of the picture that `bytes` hold in the layout.
export function pageColumnsFrom(layout, bytes, width, height) {
  const data = new Uint8Array(width * Math.ceil(height / 8));
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const {index, bit} = placeOf(layout, width, height, x, y);
      if ((bytes[index] >> bit) & 1) data[(y >> 3) * width + x] |= 1 << (y & 7);
    }
  }
  return data;
}

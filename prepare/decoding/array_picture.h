// SPDX-License-Identifier: MIT
#pragma once

// C text as one more kind of picture: a C array (a header panelbake or panelbake-prepare
// wrote, or any other), an X bitmap or a MicroPython module, read back into the black and
// white picture its bytes hold in a layout. panelbake-prepare's own files are known by
// their form: the X bitmap's macros, the MicroPython module's frame buffer format, the
// layout named in a header's comment, panelbake's size macros beside its array. For any
// other array the layout and the width are given.

#include "bit_picture.h"
#include "layouts/layout_table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ArrayOptions {
    const Layout* layout = nullptr; // --layout; null: the text's own
    std::int64_t width = 0;         // --width; 0: from the size macros
    std::string array;              // --array; empty: the first array of bytes
    bool given() const { return layout || width > 0 || !array.empty(); }
};

struct ArrayPicture {
    BitPicture picture;
    const Layout* layout = nullptr;  // the layout its bytes were read in
    std::vector<std::string> report; // what was read, for -v
};

// Whether the bytes are text that may hold an array: no NUL byte.
bool mayBeText(const std::uint8_t* data, std::size_t size);

// The picture of the array the text holds. Throws PictureRefusal: unknownFormat when the
// text holds no array, corrupt when the array cannot be read as bytes, unfitArray when its
// layout or width is not known or its bytes do not fill its picture, tooLarge beyond the
// limit of `maxPixels`.
ArrayPicture arrayPicture(const std::uint8_t* data, std::size_t size, const ArrayOptions& options,
                          std::int64_t maxPixels);

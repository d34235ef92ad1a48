// SPDX-License-Identifier: MIT
#pragma once

// C text as one more kind of picture: a C array (a header panelbake or panelbake-prepare
// wrote, or any other), an X bitmap or a MicroPython module, read back into the black and
// white picture its bytes hold in a layout. panelbake-prepare's own files are known by
// their form: the X bitmap's macros, the MicroPython module's frame buffer format, the
// layout named in a header's comment, panelbake's size macros beside its array. For any
// other array the layout and the width are given.

#include "bit_picture.h"
#include "decoding/c_arrays.h"
#include "layouts/layout_table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What is made of bytes that do not fill their picture: a count that is not whole pages or
// rows of the width, or not the count the size macros say.
enum class ArrayFit {
    refuse,       // the command line: such bytes are refused (exit 8)
    drawWhatFits, // the page: the whole pages or rows there are are drawn, and the rest said
};

struct ArrayOptions {
    const Layout* layout = nullptr; // --layout; null: the text's own
    std::int64_t width = 0;         // --width; 0: from the size macros
    std::string array;              // --array; empty: the first array of bytes
    ArrayFit fit = ArrayFit::refuse;
    bool given() const { return layout || width > 0 || !array.empty(); }
};

// The array the text holds, and what its form tells of its picture.
struct TextArray {
    std::vector<std::uint8_t> bytes;
    std::string label; // logo (line 3)
    const Layout* layout = nullptr;
    std::string layoutFrom; // how the layout was told
    std::int64_t width = 0; // from the size macros; 0: not told
    std::int64_t height = 0;
    std::string sizeFrom;
    // Every array of bytes in C text, the place of the one read among them, and its problems
    // (the first few; problemCount counts all): bytes with a problem make no picture.
    std::vector<ListedArray> arrays;
    int chosen = 0;
    std::vector<std::string> problems;
    std::size_t problemCount = 0;
    std::vector<std::string> notes; // what a reader should know of the bytes read
};

struct ArrayPicture {
    BitPicture picture;
    const Layout* layout = nullptr;  // the layout its bytes were read in
    std::vector<std::string> report; // what was read, for -v
    // With ArrayFit::drawWhatFits: what did not fit, and the bytes the picture takes of all.
    std::vector<std::string> unfit;
    std::int64_t bytesTaken = 0;
};

// Whether the bytes are text that may hold an array: no NUL byte.
bool mayBeText(const std::uint8_t* data, std::size_t size);

// The array of the text that `array` names (empty: the first array of bytes). Throws
// PictureRefusal: unknownFormat when the text holds no array, corrupt when it holds none of
// bytes or none of that name.
TextArray readTextArray(const std::uint8_t* data, std::size_t size, const std::string& array);

// The picture of the array's bytes in the layout and at the width the options give, or
// else the ones the text tells. Throws PictureRefusal: corrupt when the array has problems,
// unfitArray when its layout or width is not known or (by options.fit) its bytes do not
// fill its picture, tooLarge beyond the limit of `maxPixels`.
ArrayPicture fitTextArray(const TextArray& read, const ArrayOptions& options, std::int64_t maxPixels);

// The picture of the array the text holds: both of the above.
ArrayPicture arrayPicture(const std::uint8_t* data, std::size_t size, const ArrayOptions& options,
                          std::int64_t maxPixels);

// SPDX-License-Identifier: MIT
#pragma once

// C text as one more kind of picture: a C array (a header panelbake or panelbake-prepare
// wrote, or any other), an X bitmap or a MicroPython module, read back into the picture
// its bytes hold in a layout: black and white, or a panel's values. panelbake-prepare's
// own files are known by their form: the X bitmap's macros, the MicroPython module's
// frame buffer format, the panel and layout named in a header's comment, panelbake's size
// macros beside its array. For any other array the panel, the layout and the width are
// given. A panel's picture in two arrays (the planes of bwr and bwy, or the halves of
// every row) is read from two: the one read and the array after it, or the two named.

#include "bit_picture.h"
#include "decoding/c_arrays.h"
#include "layouts/layout_packing.h"
#include "layouts/layout_table.h"
#include "panels/panel_table.h"

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
    const PanelKind* panel = nullptr; // --panel; null: the text's own, or bw
    // --layout: a row of its name, taken as the row of that name of the panel read; null:
    // the text's own.
    const Layout* layout = nullptr;
    std::int64_t width = 0;  // --width; 0: from the size macros
    std::string array;       // --array; empty: the first array of bytes
    std::string secondArray; // --array FIRST,SECOND: a panel's second plane or right halves
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
    const PanelKind* panel = nullptr; // the panel its form tells; null: none (bw)
    std::string panelFrom;
    // A panel's second array (its colour plane or right halves), where it takes two.
    std::vector<std::uint8_t> second;
    std::string secondName;
    std::string secondLabel; // empty: none read
};

struct ArrayPicture {
    const PanelKind* panel = nullptr; // bw, or the panel whose values it holds
    BitPicture picture;               // bw's
    ValuePicture values;              // another panel's, one byte a pixel
    const Layout* layout = nullptr;   // the layout its bytes were read in
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

// Where the panel and the layout read (the options', or else the text's) keep the picture
// in two arrays, the second into read.second: the one options.secondArray names, or else
// the array after the one read. Throws PictureRefusal (corrupt) when that array cannot be
// read; where there is none, fitTextArray says so.
void readSecondArray(const std::uint8_t* data, std::size_t size, const ArrayOptions& options, TextArray& read);

// The picture of the array's bytes (and the second's) for the panel, in the layout and at
// the width the options give, or else the ones the text tells. Throws PictureRefusal:
// corrupt when the array has problems, unfitArray when its layout or width is not known, is
// not one of its panel's, or (by options.fit) its bytes do not fill its picture, tooLarge
// beyond the limit of `maxPixels`.
ArrayPicture fitTextArray(const TextArray& read, const ArrayOptions& options, std::int64_t maxPixels);

// The picture of the array the text holds: all three of the above.
ArrayPicture arrayPicture(const std::uint8_t* data, std::size_t size, const ArrayOptions& options,
                          std::int64_t maxPixels);

// SPDX-License-Identifier: MIT
#pragma once

// The layouts in which display libraries read a picture's bytes. Each is a row of data:
// which way the pixels of a byte run, how many bits each takes, which bits hold the first
// of them, the order in which the bytes follow one another, the file it is written as and
// the call that draws it. One packing loop (layout_packing.h) reads the row both ways, and
// panelbake's own header is written through it, so a new layout is a new row.
//
// A byte never holds pixels of two page columns or of two rows: the unused high bits of a
// last partial page, and the bits past the last pixel of a row, are 0. In every layout a
// bit is 1 for a black pixel of panelbake's preview, the pixel the call paints.

#include <string>
#include <vector>

// Which way the pixels of a byte run.
enum class ByteAxis {
    down,   // a page column: rows of one column; a band is a page as high as a byte holds pixels
    across, // columns of one row; a band is a row
};

// The order in which the bytes follow one another.
enum class ScanOrder {
    bandByBand,     // every byte of the top band from the left, then the next band down
    columnByColumn, // every band of the leftmost byte column from the top, then the next
};

// What the bytes are written as.
enum class FileForm {
    panelbakeHeader, // panelbake's own header and preview, byte for byte
    cHeader,         // a C header with the size macros
    xbm,             // an X bitmap: a C file that picture programs open too
    pythonModule,    // a MicroPython module that makes the frame buffer
};

struct Layout {
    const char* name; // as --for and --layout take it
    ByteAxis axis;
    // The bits of one pixel: 1, 2, 4 or 8, so that a byte holds 8 / bitsPerPixel pixels.
    int bitsPerPixel;
    // The top or leftmost pixel of a byte is in its lowest bits; otherwise in its highest.
    bool firstInLowBit;
    ScanOrder order;
    FileForm form;
    const char* pictureSuffix; // of a picture's file: logo + "_adafruit.h"
    const char* tableSuffix;   // of a table's or an animation's header: icons + "_adafruit.h"
    const char* readBy;        // the libraries or the call that read it
    // The line that draws it, with {array}, {width} and {height} for its identifiers, and
    // the one for an array in AVR program memory (-pgm), where that is another.
    const char* call;
    const char* programMemoryCall;
};

// Every layout, in the order the help lists them.
const std::vector<Layout>& layouts();

// The layout of this name, or null.
const Layout* layoutNamed(const std::string& name);

// The layout of panelbake's own header: page columns, the top row in bit 0.
const Layout& pageColumns();

// "pages, columns, adafruit, xbm or micropython".
std::string layoutChoices();

// The bytes of a band: a page of `width` columns, or a row of `width` pixels.
const char* bandName(const Layout& layout);

// How the bytes run, in words: "rows from the top, ...".
std::string layoutDescription(const Layout& layout);

// The call of the layout for these identifiers, for an array in program memory or not.
std::string drawingCall(const Layout& layout, bool programMemory, const std::string& array, const std::string& width,
                        const std::string& height);

// SPDX-License-Identifier: MIT
#pragma once

// The layouts in which display libraries read a picture's bytes. Each is a row of data:
// which way the pixels of a byte run, how many bits each takes, which bits hold the first
// of them, the order in which the bytes follow one another, whether a bit of 0 is ink,
// whether the rows are cut into two halves, the file it is written as, the panels that
// take it and the call that draws it. One packing loop (layout_packing.h) reads the row
// both ways, and panelbake's own header is written through it, so a new layout is a new
// row.
//
// A byte never holds pixels of two page columns or of two rows: the unused high bits of a
// last partial page, and the bits past the last pixel of a row, are 0 (1 where 0 is ink).
// A pixel's bits hold its value (a panel's colour), or in a plane of one bit 1 for ink:
// for black and white a black pixel of panelbake's preview, the pixel the call paints.
//
// A layout name may have a row for each way its panels' bytes differ (micropython is
// MONO_VLSB for bw, GS2_HMSB for grey4 and GS4_HMSB for grey16): --for takes the row of
// its name that the panel takes.

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

// How a panel's arrays in a layout are read and drawn, where it is not as the row says.
struct PanelCall {
    const char* panel; // as --panel takes it
    const char* readBy;
    const char* call;
    const char* programMemoryCall;
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
    // The line that draws it, with {array} (and {array2}, the second plane or half),
    // {width} and {height} for its identifiers, and the one for an array in AVR program
    // memory (-pgm), where that is another. Several lines are parted by '\n'.
    const char* call;
    const char* programMemoryCall;
    // Every bit is the complement of the bit a plane of ink has: 0 for ink, and the padding
    // bits 1 (e-paper controllers and their makers' drivers take 0 for black and for colour).
    bool inkIsZero;
    // The pixels each row is padded to a multiple of, across: 0 for whole bytes.
    int rowPaddedTo;
    // Two arrays: the left halves of all rows (columns 0 to (width + 1) / 2 - 1), then the
    // right halves, each a picture of its own in this layout.
    bool halves;
    std::vector<const char*> panels;   // the panels that take it
    std::vector<PanelCall> panelCalls; // a panel's reader and call where they differ from the row's
};

// Every layout, in the order the help lists them.
const std::vector<Layout>& layouts();

// The first layout of this name (black and white's, where bw takes it), or null.
const Layout* layoutNamed(const std::string& name);

// The layout of this name that `panel` takes, or null.
const Layout* layoutFor(const std::string& name, const std::string& panel);

bool takesPanel(const Layout& layout, const std::string& panel);

// The layouts `panel` takes, each name once, in the table's order.
std::vector<const Layout*> layoutsOf(const std::string& panel);

// The layout of panelbake's own header: page columns, the top row in bit 0.
const Layout& pageColumns();

// The names `panel` takes, as a list in words: "pages, columns, adafruit, xbm,
// micropython or epd" for bw.
std::string layoutChoices(const std::string& panel = "bw");

// The bytes of a band: a page of `width` columns, or a row of `width` pixels.
const char* bandName(const Layout& layout);

// How the bytes run, in words: "rows from the top, ...".
std::string layoutDescription(const Layout& layout);

// Who reads `panel`'s arrays in the layout.
const char* layoutReader(const Layout& layout, const std::string& panel = "bw");

// The call of the layout for these identifiers (the arrays: one, or two for planes and
// halves), for an array in program memory or not.
std::string drawingCall(const Layout& layout, const std::string& panel, bool programMemory,
                        const std::vector<std::string>& arrays, const std::string& width, const std::string& height);

// Black and white's call, for one array.
std::string drawingCall(const Layout& layout, bool programMemory, const std::string& array, const std::string& width,
                        const std::string& height);

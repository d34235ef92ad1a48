// SPDX-License-Identifier: MIT
#pragma once

// What a header that ties BMPs together needs of them: the headers written for them in a
// layout (panelbake's own for pages), a table of their arrays, and the table's own
// identifiers. The frames header of an animation and the combined header of several
// pictures are both made from it.

#include "layouts/layout_table.h"

#include <string>
#include <vector>

struct ArrayTable {
    std::string headerFile; // the header's file name, without its folder
    std::string upper;      // the stem of its guard and macros: WALK_FRAMES
    std::string table;      // the table's name: walk_frames
    std::string includes;   // an #include line for each BMP's header
    std::vector<std::string> arrays;       // each BMP's array: walk_00_glcd_bmp
    std::vector<std::string> widthMacros;  // each BMP's size macros: WALK_00_GLCD_WIDTH
    std::vector<std::string> heightMacros;
};

// For the header `headerPath` and the BMPs `bmpPaths` (in order). Their headers are named
// as the layout names them, and included by their file names alone, as they land beside
// the BMPs and this header.
ArrayTable arrayTable(const std::string& headerPath, const std::vector<std::string>& bmpPaths, const Layout& layout);

// The declaration of the table of arrays, `count` long, for arrays in AVR program memory
// (-pgm) or not. A cast makes the table one type whether the arrays are declared char
// (panelbake's default) or unsigned char. Its elements point to const bytes where the arrays
// are const, in program memory: a display library with a call for each memory (Adafruit
// GFX's drawBitmap) takes a pointer to const bytes as one to program memory, and would read
// arrays in RAM there. Page columns are copied into a buffer (memcpy, memcpy_P), never drawn
// by such a call, and panelbake writes their arrays with options of its own: their table
// points to const bytes whatever the options.
// With `suffix`, the table of one array of each picture's file of two ("_black",
// "_left"): the table's name and each array's end with it.
std::string tableDeclaration(const ArrayTable& t, const std::string& count, const Layout& layout, bool programMemory,
                             const std::string& suffix = "");

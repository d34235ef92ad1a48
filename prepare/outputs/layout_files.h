// SPDX-License-Identifier: MIT
#pragma once

// The files a picture is written into for the layouts of --for: panelbake's own header and
// preview for pages, a C header, an X bitmap or a MicroPython module for the others. Each
// carries the size and the line that draws it; C arrays are declared as -pgm and -pic30
// ask, as panelbake declares its own. A black-and-white picture is the one panelbake makes
// of the BMP; a panel's picture is its values, in one array, or two (the planes of bwr and
// bwy in a layout of one bit a pixel, or the two halves of every row).

#include "bit_picture.h"
#include "layouts/layout_table.h"
#include "page_header.h"
#include "panels/panel_picture.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The paths of a picture's files in these layouts, in order: each layout's file, and for
// pages panelbake's preview after its header. `bmpPath` is the BMP the picture is
// prepared into (not written).
std::vector<std::string> layoutFilePaths(const std::vector<const Layout*>& layouts, const std::string& bmpPath);

// Writes the files layoutFilePaths names, each to the path at its place in `paths` (the
// temporary names of a run), C arrays declared with `attribute`. `picture` is the BMP's
// picture as panelbake converts it. Returns the index of the first file that could not be
// written in full, or paths.size().
std::size_t writeLayoutFiles(const BitPicture& picture, const std::vector<const Layout*>& layouts,
                             const std::string& bmpPath, const std::vector<std::string>& paths,
                             ArrayAttribute attribute);

// The same for a panel's picture, in layouts the panel takes (never pages).
std::size_t writeLayoutFiles(const PanelPicture& picture, const std::vector<const Layout*>& layouts,
                             const std::string& bmpPath, const std::vector<std::string>& paths,
                             ArrayAttribute attribute);

// One array of a file: its identifier's end after the file's array name ("_black"; empty
// for the only one), the columns of the picture it holds, and its bytes.
struct LayoutArray {
    std::string suffix;
    std::int32_t columns = 0;
    std::vector<std::uint8_t> bytes;
};

// What a file in a layout holds: the picture's size and its arrays, for a panel.
struct LayoutContent {
    const PanelKind* kind = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<LayoutArray> arrays;
};

// The file of a picture in a layout (not pages), as written.
LayoutContent layoutContent(const BitPicture& picture, const Layout& layout);
LayoutContent layoutContent(const PanelPicture& picture, const Layout& layout);

// A call of several lines ('\n' between them) as the lines of a C comment, each after
// `lineStart` (the first's written before it).
std::string commentedCall(std::string call, const std::string& lineStart = " *   ");

// The text of a layout's file (not pages), handed to `put` a piece at a time, for the
// picture named from `bmpPath`; a C array is declared with `attribute`.
void layoutFileText(const Layout& layout, const std::string& bmpPath, const LayoutContent& content,
                    ArrayAttribute attribute, const std::function<void(const std::string&)>& put);

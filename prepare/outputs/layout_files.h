// SPDX-License-Identifier: MIT
#pragma once

// The files a picture is written into for the layouts of --for: panelbake's own header and
// preview for pages, a C header, an X bitmap or a MicroPython module for the others. Each
// carries the size and the line that draws it; C arrays are declared as -pgm and -pic30
// ask, as panelbake declares its own.

#include "bit_picture.h"
#include "layouts/layout_table.h"
#include "page_header.h"

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

// The text of a layout's file (not pages), handed to `put` a piece at a time, for the
// picture named from `bmpPath` whose bytes in the layout are `bytes`; a C array is
// declared with `attribute`.
void layoutFileText(const Layout& layout, const std::string& bmpPath, std::int32_t width, std::int32_t height,
                    const std::vector<std::uint8_t>& bytes, ArrayAttribute attribute,
                    const std::function<void(const std::string&)>& put);

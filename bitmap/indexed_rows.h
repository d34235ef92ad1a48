// SPDX-License-Identifier: MIT
#pragma once

// A BMP of 4 bits a pixel written straight from colour-table indexes, for a picture whose
// pixels are values and not colours: a panel's, whose colours two values may share, so
// that the nearest entry of a colour (Bitmap::save) would not give each value back. The
// file is laid out as Bitmap::save lays out a 4-bit picture: the 40-byte info header, a
// table of 16 entries, rows stored bottom-up, 96 dpi.

#include "pixel.h"

#include <cstdint>
#include <functional>
#include <vector>

// indexesOf(y) gives the width indexes of row y (0 is the top row), one byte each, 0 to 15;
// `table` holds the 16 entries. False, with the library's message, when the file cannot
// be written in full.
bool saveFourBitIndexes(const char* path, std::int32_t width, std::int32_t height, const std::vector<Pixel>& table,
                        const std::function<const std::uint8_t*(std::int32_t y)>& indexesOf);

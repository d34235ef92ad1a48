// SPDX-License-Identifier: MIT
#pragma once

// A 24-bit BMP written straight from rows a caller produces, for pictures that are
// never held as a Bitmap: the caller fills one row at a time, so only the source it
// reads from and one row are in memory. The file is the one Bitmap::save writes at 24
// bits: the 40-byte info header, rows stored bottom-up, 96 dpi.

#include <cstdint>
#include <functional>

// fillRow(y, row) puts the width pixels of row y (0 is the top row) into `row` as blue,
// green, red bytes. False, with the library's message, when the file cannot be written
// in full.
bool saveTrueColorRows(const char* path, std::int32_t width, std::int32_t height,
                       const std::function<void(std::int32_t y, std::uint8_t* row)>& fillRow);

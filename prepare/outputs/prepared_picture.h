// SPDX-License-Identifier: MIT
#pragma once

// A picture as it is prepared, before it is written: as the BMP file panelbake reads, or,
// for the layouts of --for, as panelbake converts that BMP. The conversion is panelbake's
// own code run on the BMP's pixels in memory (at the BMP's size, as `panelbake P.bmp`
// converts it), so that the one step gives the pixels of the two.

#include "bit_picture.h"
#include "bitmap.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct PreparedPicture {
    // Writes the BMP to a path; false when it cannot be written in full.
    std::function<bool(const char* path)> save;
    // The BMP's picture as panelbake converts it. Throws std::bad_alloc when the memory
    // cannot be had.
    std::function<void(BitPicture& converted)> convert;
};

// A picture held whole, of 24 bits (as Bitmap::save writes it).
PreparedPicture preparedBitmap(const Bitmap& picture);

// A picture made row by row: fillRow(y, row) puts row y's pixels as blue, green and red
// bytes, as saveTrueColorRows takes them.
PreparedPicture preparedRows(std::int32_t width, std::int32_t height,
                             const std::function<void(std::int32_t y, std::uint8_t* row)>& fillRow);

// A BMP that panelbake reads, as it is: its bytes, and the file they were read from, which
// panelbake's own reader converts.
PreparedPicture preparedBmpFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// A black-and-white picture held as bits, into `bitmap` as 24 bits of black and white.
void expandBlackAndWhite(const BitPicture& picture, Bitmap& bitmap);

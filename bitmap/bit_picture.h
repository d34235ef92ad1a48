// SPDX-License-Identifier: MIT
#pragma once

// A black-and-white picture held as bits, the form of a 1-bit preview in memory.
//
// Rows run top-down; each is laid out as a stored 1-bit BMP row with the table black,
// white: the leftmost pixel in the most significant bit, 1 for white, and zero bits from
// the last pixel up to a multiple of four bytes. A row can therefore be written to or read
// from a file as it is, and an 8192 x 4096 picture takes 4 MiB instead of 128.

#include "bmp_format.h"
#include "pixel.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class BitPicture {
public:
    // All white. Throws std::bad_alloc when the memory cannot be had.
    void setDimensions(std::int32_t newWidth, std::int32_t newHeight);

    std::int32_t width() const { return w; }
    std::int32_t height() const { return h; }

    std::uint8_t* row(std::int32_t y) { return bits.data() + static_cast<std::size_t>(y) * rowBytes; }
    const std::uint8_t* row(std::int32_t y) const { return bits.data() + static_cast<std::size_t>(y) * rowBytes; }

    // Writes the picture as Bitmap::save writes a 1-bit Bitmap with the table black,
    // white at the default resolution: the same bytes, the same messages.
    bool save(const char* path) const;

private:
    std::int32_t w = 0;
    std::int32_t h = 0;
    std::size_t rowBytes = 0;
    std::vector<std::uint8_t> bits;
};

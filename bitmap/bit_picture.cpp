// SPDX-License-Identifier: MIT
#include "bit_picture.h"

#include <algorithm>

void BitPicture::setDimensions(std::int32_t newWidth, std::int32_t newHeight)
{
    const auto stride = static_cast<std::size_t>(bmp::rowStride(newWidth, 1));
    const std::size_t bytes = stride * static_cast<std::size_t>(newHeight);
    // The same number of bytes: the block is reused, so that reading a picture back into
    // the one it was written from holds one block, not two.
    std::vector<std::uint8_t> fresh;
    if (bits.size() == bytes)
        fresh.swap(bits);
    fresh.assign(bytes, 0xFF);
    // White up to the last pixel of a row, zero bits after it.
    const std::size_t used = static_cast<std::size_t>(bmp::rowDataBytes(newWidth, 1));
    for (std::size_t y = 0; y < static_cast<std::size_t>(newHeight); ++y) {
        std::uint8_t* row = fresh.data() + y * stride;
        if (newWidth % 8 != 0)
            row[used - 1] = bmp::lastByteMask(newWidth);
        std::fill(row + used, row + stride, 0);
    }
    bits.swap(fresh);
    w = newWidth;
    h = newHeight;
    rowBytes = stride;
}

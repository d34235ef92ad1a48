// SPDX-License-Identifier: MIT
#pragma once

// The one packing loop of every layout, both ways: a black-and-white picture into the
// bytes a layout holds, and those bytes back into the picture. Where a layout's bytes are
// plainly the picture's rows turned or copied (one bit a pixel), the loop packs a band a
// word at a time; layoutBytesBitByBit is the plain definition those fast paths are held to.

#include "bit_picture.h"
#include "layouts/layout_table.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// The bytes of a width x height picture: its bands (pages or rows) and the bytes of each.
struct ByteGrid {
    std::int64_t bands;
    std::int64_t bandBytes;
    std::int64_t bytes() const { return bands * bandBytes; }
};
ByteGrid byteGrid(const Layout& layout, std::int64_t width, std::int64_t height);

// The picture's bytes in the layout; a bit is 1 for a black pixel.
std::vector<std::uint8_t> layoutBytes(const BitPicture& picture, const Layout& layout);

// The loop itself: packs the picture a band at a time, from the top, and hands each band's
// bytes to `take`, byteGrid(...).bandBytes of them in their order within the band (the
// columns of a page, the bytes of a row from the left). Only one band is held at a time.
using BandTaker = std::function<void(std::int64_t band, const std::uint8_t* bytes)>;
void packBands(const BitPicture& picture, const Layout& layout, const BandTaker& take);

// The same bytes as layoutBytes, made one pixel's bits at a time.
std::vector<std::uint8_t> layoutBytesBitByBit(const BitPicture& picture, const Layout& layout);

// The picture those bytes hold: `picture` has its size and is white; the pixels of the set
// bits become black. `bytes` holds byteGrid(...).bytes() bytes.
void drawLayoutBytes(const std::uint8_t* bytes, const Layout& layout, BitPicture& picture);

// Where pixel (x, y) of a width x height picture lies in a layout's bytes: the index of its
// byte, and the bits of that byte that hold it.
struct BytePlace {
    std::size_t byte;
    std::uint8_t mask;
};
BytePlace pixelPlace(const Layout& layout, std::int32_t width, std::int32_t height, std::int32_t x,
                     std::int32_t y);

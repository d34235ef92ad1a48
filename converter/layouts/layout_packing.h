// SPDX-License-Identifier: MIT
#pragma once

// The one packing loop of every layout, both ways: a black-and-white picture into the
// bytes a layout holds, and those bytes back into the picture.

#include "bit_picture.h"
#include "layouts/layout_table.h"

#include <cstddef>
#include <cstdint>
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

// The picture those bytes hold: `picture` has its size and is white; the pixels of the set
// bits become black. `bytes` holds byteGrid(...).bytes() bytes.
void drawLayoutBytes(const std::uint8_t* bytes, const Layout& layout, BitPicture& picture);

// SPDX-License-Identifier: MIT
#include "layouts/layout_packing.h"

#include <algorithm>

namespace {

// Visits the bytes in the layout's order: visit(index, x, y, count) for byte `index`, whose
// `count` pixels run from (x, y) along the layout's axis.
template <typename Visit>
void eachByte(const Layout& layout, std::int32_t width, std::int32_t height, Visit visit)
{
    const bool down = layout.axis == ByteAxis::down;
    const ByteGrid grid = byteGrid(layout, width, height);
    const std::int64_t along = down ? height : width; // pixels along the axis
    std::size_t index = 0;
    const auto one = [&](std::int64_t band, std::int64_t i) {
        const std::int64_t first = 8 * (down ? band : i); // the first pixel's place along the axis
        const int count = static_cast<int>(std::min<std::int64_t>(8, along - first));
        visit(index++, static_cast<std::int32_t>(down ? i : first), static_cast<std::int32_t>(down ? first : band),
              count);
    };
    if (layout.order == ScanOrder::bandByBand) {
        for (std::int64_t band = 0; band < grid.bands; ++band)
            for (std::int64_t i = 0; i < grid.bandBytes; ++i)
                one(band, i);
    } else {
        for (std::int64_t i = 0; i < grid.bandBytes; ++i)
            for (std::int64_t band = 0; band < grid.bands; ++band)
                one(band, i);
    }
}

// The bit of a byte that holds its pixel b (0 is the top or leftmost).
std::uint8_t bitOf(const Layout& layout, int b)
{
    return static_cast<std::uint8_t>(layout.firstInLowBit ? 1u << b : 0x80u >> b);
}

// A picture held as bits has the leftmost pixel in the high bit, and 1 for white.
constexpr std::uint8_t pictureBit(std::int32_t x)
{
    return static_cast<std::uint8_t>(0x80u >> (x & 7));
}

} // namespace

ByteGrid byteGrid(const Layout& layout, std::int64_t width, std::int64_t height)
{
    if (layout.axis == ByteAxis::down)
        return {(height + 7) / 8, width};
    return {height, (width + 7) / 8};
}

std::vector<std::uint8_t> layoutBytes(const BitPicture& picture, const Layout& layout)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(byteGrid(layout, picture.width(), picture.height()).bytes()));
    const bool down = layout.axis == ByteAxis::down;
    eachByte(layout, picture.width(), picture.height(), [&](std::size_t index, std::int32_t x, std::int32_t y, int count) {
        std::uint8_t byte = 0;
        for (int b = 0; b < count; ++b) {
            const std::int32_t px = down ? x : x + b;
            const std::int32_t py = down ? y + b : y;
            if (!(picture.row(py)[px >> 3] & pictureBit(px)))
                byte = static_cast<std::uint8_t>(byte | bitOf(layout, b));
        }
        bytes[index] = byte;
    });
    return bytes;
}

void drawLayoutBytes(const std::uint8_t* bytes, const Layout& layout, BitPicture& picture)
{
    const bool down = layout.axis == ByteAxis::down;
    eachByte(layout, picture.width(), picture.height(), [&](std::size_t index, std::int32_t x, std::int32_t y, int count) {
        for (int b = 0; b < count; ++b) {
            const std::int32_t px = down ? x : x + b;
            const std::int32_t py = down ? y + b : y;
            if (bytes[index] & bitOf(layout, b))
                picture.row(py)[px >> 3] = static_cast<std::uint8_t>(picture.row(py)[px >> 3] & ~pictureBit(px));
        }
    });
}

// SPDX-License-Identifier: MIT
#pragma once

// The one packing loop of every layout, both ways: a picture into the bytes a layout
// holds, and those bytes back into the picture by one unpacking loop. The picture is black
// and white, held as bits, or a panel's values, one byte a pixel; a plane takes the pixels
// of one value, and halves are ranges of columns. Where a layout's bytes are plainly the
// picture's rows turned or copied (black and white, one bit a pixel), the loop packs a
// band a word at a time; layoutBytesBitByBit is the plain definition those fast paths are
// held to.

#include "bit_picture.h"
#include "layouts/layout_table.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// A panel's picture: each pixel's value, one byte a pixel, rows from the top.
struct ValuePicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<std::uint8_t> values;
    const std::uint8_t* row(std::int32_t y) const
    {
        return values.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
};

// The pixels the loop packs: of a black-and-white picture, a black pixel's bits are all 1
// and a white one's 0; of a panel's values, in a plane all 1 where the value is the
// plane's and 0 elsewhere, otherwise the value itself. Of either, the columns from `left`,
// `columns` of them.
struct PackSource {
    const BitPicture* blackAndWhite = nullptr;
    const ValuePicture* values = nullptr;
    int plane = -1; // the value a plane takes; -1: the values themselves
    std::int32_t left = 0;
    std::int32_t columns = 0;
    std::int32_t height = 0;

    PackSource(const BitPicture& picture);                    // NOLINT: a picture is its pixels
    PackSource(const ValuePicture& picture, int plane = -1); // NOLINT
    // The same pixels, columns `left` to `left + count - 1` only.
    PackSource columnRange(std::int32_t from, std::int32_t count) const;
};

// The bytes of a width x height picture: its bands (pages or rows) and the bytes of each.
struct ByteGrid {
    std::int64_t bands;
    std::int64_t bandBytes;
    std::int64_t bytes() const { return bands * bandBytes; }
};
ByteGrid byteGrid(const Layout& layout, std::int64_t width, std::int64_t height);

// The picture's bytes in the layout.
std::vector<std::uint8_t> layoutBytes(const PackSource& source, const Layout& layout);

// The loop itself: packs the picture a band at a time, from the top, and hands each band's
// bytes to `take`, byteGrid(...).bandBytes of them in their order within the band (the
// columns of a page, the bytes of a row from the left). Only one band is held at a time.
using BandTaker = std::function<void(std::int64_t band, const std::uint8_t* bytes)>;
void packBands(const PackSource& source, const Layout& layout, const BandTaker& take);

// The same bytes as layoutBytes, made one pixel's bits at a time.
std::vector<std::uint8_t> layoutBytesBitByBit(const PackSource& source, const Layout& layout);

// The black-and-white picture those bytes hold: `picture` has its size and is white; the
// pixels whose bits are not 0 (where 0 is ink, not all 1) become black. `bytes` holds
// byteGrid(...).bytes() bytes.
void drawLayoutBytes(const std::uint8_t* bytes, const Layout& layout, BitPicture& picture);

// Where the bytes of one array of a panel's picture go back to, as PackSource took them:
// the values themselves, or a plane whose set pixels (those of ink) become `plane` and
// whose others are left as they are; of the columns from `left`, `columns` of them.
struct UnpackTarget {
    ValuePicture* picture;
    int plane = -1;
    std::int32_t left = 0;
    std::int32_t columns = 0;
};

// The panel's values those bytes hold, byteGrid(layout, target.columns,
// picture.height).bytes() of them, put into the target's pixels: packing the target's
// pixels gives the bytes back (but for bits past a value's range, which a panel does not
// have).
void drawLayoutValues(const std::uint8_t* bytes, const Layout& layout, const UnpackTarget& target);

// Where pixel (x, y) of a width x height picture lies in a layout's bytes: the index of its
// byte, and the bits of that byte that hold it.
struct BytePlace {
    std::size_t byte;
    std::uint8_t mask;
};
BytePlace pixelPlace(const Layout& layout, std::int32_t width, std::int32_t height, std::int32_t x,
                     std::int32_t y);

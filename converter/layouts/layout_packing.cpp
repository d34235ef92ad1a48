// SPDX-License-Identifier: MIT
#include "layouts/layout_packing.h"

#include "bmp_format.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

int pixelsPerByte(const Layout& layout)
{
    return 8 / layout.bitsPerPixel;
}

// The place of byte i of a band among all the layout's bytes.
std::size_t byteIndex(const Layout& layout, const ByteGrid& grid, std::int64_t band, std::int64_t i)
{
    return static_cast<std::size_t>(layout.order == ScanOrder::bandByBand ? band * grid.bandBytes + i
                                                                          : i * grid.bands + band);
}

// The lowest bit of a byte's pixel b (0 is the top or leftmost).
int pixelShift(const Layout& layout, int b)
{
    return layout.firstInLowBit ? b * layout.bitsPerPixel : 8 - (b + 1) * layout.bitsPerPixel;
}

// The bits of a byte that hold its pixel b.
std::uint8_t pixelMask(const Layout& layout, int b)
{
    return static_cast<std::uint8_t>(((1u << layout.bitsPerPixel) - 1) << pixelShift(layout, b));
}

// The pixels of byte i of a band: `count` of them (none in a row's padding) run from (x, y)
// along the layout's axis.
struct ByteSpan {
    std::int32_t x, y;
    int count;
};

ByteSpan spanOf(const Layout& layout, std::int32_t width, std::int32_t height, std::int64_t band, std::int64_t i)
{
    const bool down = layout.axis == ByteAxis::down;
    const int perByte = pixelsPerByte(layout);
    const std::int64_t first = perByte * (down ? band : i); // the first pixel's place along the axis
    const int count = static_cast<int>(std::clamp<std::int64_t>((down ? height : width) - first, 0, perByte));
    return {static_cast<std::int32_t>(down ? i : first), static_cast<std::int32_t>(down ? first : band), count};
}

// Visits every byte: visit(index, span) for the byte at `index` of the layout's bytes.
template <typename Visit>
void eachByte(const Layout& layout, std::int32_t width, std::int32_t height, Visit visit)
{
    const ByteGrid grid = byteGrid(layout, width, height);
    for (std::int64_t band = 0; band < grid.bands; ++band)
        for (std::int64_t i = 0; i < grid.bandBytes; ++i)
            visit(byteIndex(layout, grid, band, i), spanOf(layout, width, height, band, i));
}

// A picture held as bits has the leftmost pixel in the high bit, and 1 for white.
constexpr std::uint8_t pictureBit(std::int32_t x)
{
    return static_cast<std::uint8_t>(0x80u >> (x & 7));
}

// The bits of pixel (x, y) of the source's columns, before they are put in their place: a
// pixel of ink (black, or a plane's) sets them all.
unsigned pixelBits(const PackSource& source, std::int32_t x, std::int32_t y)
{
    const std::int32_t column = source.left + x;
    if (source.blackAndWhite)
        return (source.blackAndWhite->row(y)[column >> 3] & pictureBit(column)) ? 0 : 0xFF;
    const unsigned value = source.values->row(y)[column];
    return source.plane < 0 ? value : value == static_cast<unsigned>(source.plane) ? 0xFF : 0;
}

// The byte of a span, one pixel at a time, before 0 is made ink.
std::uint8_t inkByte(const PackSource& source, const Layout& layout, ByteSpan span)
{
    const bool down = layout.axis == ByteAxis::down;
    const unsigned valueMask = (1u << layout.bitsPerPixel) - 1;
    std::uint8_t byte = 0;
    for (int b = 0; b < span.count; ++b) {
        const unsigned bits = pixelBits(source, down ? span.x : span.x + b, down ? span.y + b : span.y) & valueMask;
        byte = static_cast<std::uint8_t>(byte | bits << pixelShift(layout, b));
    }
    return byte;
}

// Where 0 is ink, every bit of a byte, its padding's too, is the complement.
std::uint8_t withPolarity(const Layout& layout, std::uint8_t byte)
{
    return layout.inkIsZero ? static_cast<std::uint8_t>(~byte) : byte;
}

// Eight rows of eight columns, row b in byte b, bit 7 - c of a byte for column c, turned
// so that byte 7 - c holds column c, row b in bit b.
[[gnu::always_inline]] inline std::uint64_t turnBlock(std::uint64_t x)
{
    std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
    x = x ^ t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
    x = x ^ t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
    x = x ^ t ^ (t << 28);
    return x;
}

// The page columns of columns 8g to 8g + 7 of eight rows' bytes, into `to`: rows whose
// `keep` is 0 count as white.
[[gnu::always_inline]] inline void turnGroup(const std::uint8_t* const (&r)[8], const std::uint64_t (&keep)[8],
                                             std::int64_t g, std::uint8_t* to)
{
    const std::uint64_t block =
        turnBlock((~std::uint64_t{r[0][g]} & keep[0]) | (~std::uint64_t{r[1][g]} & keep[1]) << 8 |
                  (~std::uint64_t{r[2][g]} & keep[2]) << 16 | (~std::uint64_t{r[3][g]} & keep[3]) << 24 |
                  (~std::uint64_t{r[4][g]} & keep[4]) << 32 | (~std::uint64_t{r[5][g]} & keep[5]) << 40 |
                  (~std::uint64_t{r[6][g]} & keep[6]) << 48 | (~std::uint64_t{r[7][g]} & keep[7]) << 56);
    // Column 8g in the top byte: the block's bytes from the top down.
    std::uint8_t columns[8];
    for (int c = 0; c < 8; ++c)
        columns[c] = static_cast<std::uint8_t>(block >> (56 - 8 * c));
    std::memcpy(to, columns, 8);
}

// A page of page columns, the top row in bit 0, a bit set for black: eight columns at a
// time, as one turned block of eight rows' bytes.
void turnPage(const BitPicture& picture, std::int64_t page, std::uint8_t* out)
{
    const std::int64_t width = picture.width();
    const auto firstRow = static_cast<std::int32_t>(8 * page);
    const std::int32_t rows = std::min(8, picture.height() - firstRow);
    // Rows past the picture's last count as white: their bytes are masked off.
    const std::uint8_t* row[8];
    std::uint64_t keep[8];
    for (std::int32_t b = 0; b < 8; ++b) {
        row[b] = picture.row(firstRow + std::min(b, rows - 1));
        keep[b] = b < rows ? 0xFF : 0;
    }
    const std::int64_t whole = width / 8; // groups of eight columns all in the picture
    for (std::int64_t g = 0; g < whole; ++g)
        turnGroup(row, keep, g, out + 8 * g);
    if (width % 8 != 0) { // the columns past the picture's last are left out
        std::uint8_t tail[8];
        turnGroup(row, keep, whole, tail);
        std::memcpy(out + 8 * whole, tail, static_cast<std::size_t>(width % 8));
    }
}

// Every byte with its bits in the opposite order.
const std::array<std::uint8_t, 256> bitsReversed = [] {
    std::array<std::uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v)
        for (int b = 0; b < 8; ++b)
            if (v & (1 << b))
                table[v] = static_cast<std::uint8_t>(table[v] | 0x80 >> b);
    return table;
}();

// A row of a layout across, one bit a pixel: the picture's row with its bits flipped to 1
// for black, the bits past the last pixel cleared, and each byte's bits reversed where the
// leftmost pixel is in bit 0.
void copyRow(const BitPicture& picture, const Layout& layout, std::int64_t y, std::uint8_t* out)
{
    const std::int32_t width = picture.width();
    const auto bytes = static_cast<std::size_t>(bmp::rowDataBytes(width, 1));
    const std::uint8_t* row = picture.row(static_cast<std::int32_t>(y));
    for (std::size_t i = 0; i < bytes; ++i)
        out[i] = static_cast<std::uint8_t>(~row[i]);
    if (bytes > 0)
        out[bytes - 1] &= bmp::lastByteMask(width);
    if (layout.firstInLowBit)
        for (std::size_t i = 0; i < bytes; ++i)
            out[i] = bitsReversed[out[i]];
}

// The bytes of one band, in their order within the band: turned or copied where the
// layout's bytes are plainly a black-and-white picture's rows so, and one pixel at a time
// otherwise.
void packBand(const PackSource& source, const Layout& layout, const ByteGrid& grid, std::int64_t band,
              std::uint8_t* out)
{
    const BitPicture* picture = source.blackAndWhite;
    const bool whole = picture && source.left == 0 && source.columns == picture->width();
    if (whole && layout.bitsPerPixel == 1 && layout.axis == ByteAxis::down && layout.firstInLowBit)
        turnPage(*picture, band, out);
    else if (whole && layout.bitsPerPixel == 1 && layout.axis == ByteAxis::across && layout.rowPaddedTo == 0)
        copyRow(*picture, layout, band, out);
    else
        for (std::int64_t i = 0; i < grid.bandBytes; ++i)
            out[i] = inkByte(source, layout, spanOf(layout, source.columns, source.height, band, i));
    if (layout.inkIsZero)
        for (std::int64_t i = 0; i < grid.bandBytes; ++i)
            out[i] = withPolarity(layout, out[i]);
}

} // namespace

PackSource::PackSource(const BitPicture& picture)
    : blackAndWhite(&picture), columns(picture.width()), height(picture.height())
{
}

PackSource::PackSource(const ValuePicture& picture, int plane)
    : values(&picture), plane(plane), columns(picture.width), height(picture.height)
{
}

PackSource PackSource::columnRange(std::int32_t from, std::int32_t count) const
{
    PackSource range = *this;
    range.left = left + from;
    range.columns = count;
    return range;
}

ByteGrid byteGrid(const Layout& layout, std::int64_t width, std::int64_t height)
{
    const int perByte = pixelsPerByte(layout);
    if (layout.axis == ByteAxis::down)
        return {(height + perByte - 1) / perByte, width};
    const std::int64_t padded =
        layout.rowPaddedTo > 0 ? (width + layout.rowPaddedTo - 1) / layout.rowPaddedTo * layout.rowPaddedTo : width;
    return {height, (padded + perByte - 1) / perByte};
}

void packBands(const PackSource& source, const Layout& layout, const BandTaker& take)
{
    const ByteGrid grid = byteGrid(layout, source.columns, source.height);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(grid.bandBytes));
    for (std::int64_t band = 0; band < grid.bands; ++band) {
        packBand(source, layout, grid, band, bytes.data());
        take(band, bytes.data());
    }
}

std::vector<std::uint8_t> layoutBytes(const PackSource& source, const Layout& layout)
{
    const ByteGrid grid = byteGrid(layout, source.columns, source.height);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(grid.bytes()));
    const bool together = layout.order == ScanOrder::bandByBand; // a band's bytes follow one another
    packBands(source, layout, [&](std::int64_t band, const std::uint8_t* bandBytes) {
        if (together)
            std::copy(bandBytes, bandBytes + grid.bandBytes, bytes.data() + byteIndex(layout, grid, band, 0));
        else
            for (std::int64_t i = 0; i < grid.bandBytes; ++i)
                bytes[byteIndex(layout, grid, band, i)] = bandBytes[i];
    });
    return bytes;
}

std::vector<std::uint8_t> layoutBytesBitByBit(const PackSource& source, const Layout& layout)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(byteGrid(layout, source.columns, source.height).bytes()));
    eachByte(layout, source.columns, source.height, [&](std::size_t index, ByteSpan span) {
        bytes[index] = withPolarity(layout, inkByte(source, layout, span));
    });
    return bytes;
}

namespace {

// The unpacking loop: visit(x, y, bits) for every pixel of a width x height picture whose
// bytes are `bytes` in the layout, its bits moved down to the lowest and, where 0 is ink,
// complemented first.
template <typename Visit>
void eachPixelBits(const std::uint8_t* bytes, const Layout& layout, std::int32_t width, std::int32_t height,
                   Visit visit)
{
    const bool down = layout.axis == ByteAxis::down;
    eachByte(layout, width, height, [&](std::size_t index, ByteSpan span) {
        const std::uint8_t byte = withPolarity(layout, bytes[index]);
        for (int b = 0; b < span.count; ++b)
            visit(down ? span.x : span.x + b, down ? span.y + b : span.y,
                  static_cast<unsigned>((byte & pixelMask(layout, b)) >> pixelShift(layout, b)));
    });
}

} // namespace

void drawLayoutBytes(const std::uint8_t* bytes, const Layout& layout, BitPicture& picture)
{
    eachPixelBits(bytes, layout, picture.width(), picture.height(), [&](std::int32_t x, std::int32_t y, unsigned bits) {
        if (bits != 0)
            picture.row(y)[x >> 3] = static_cast<std::uint8_t>(picture.row(y)[x >> 3] & ~pictureBit(x));
    });
}

void drawLayoutValues(const std::uint8_t* bytes, const Layout& layout, const UnpackTarget& target)
{
    ValuePicture& picture = *target.picture;
    eachPixelBits(bytes, layout, target.columns, picture.height, [&](std::int32_t x, std::int32_t y, unsigned bits) {
        std::uint8_t& value = picture.values[static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width) +
                                             static_cast<std::size_t>(target.left + x)];
        if (target.plane < 0)
            value = static_cast<std::uint8_t>(bits);
        else if (bits != 0)
            value = static_cast<std::uint8_t>(target.plane);
    });
}

BytePlace pixelPlace(const Layout& layout, std::int32_t width, std::int32_t height, std::int32_t x, std::int32_t y)
{
    const bool down = layout.axis == ByteAxis::down;
    const int perByte = pixelsPerByte(layout);
    const std::int32_t along = down ? y : x; // the pixel's place along the layout's axis
    const std::int64_t band = down ? along / perByte : y;
    const std::int64_t i = down ? x : along / perByte;
    return {byteIndex(layout, byteGrid(layout, width, height), band, i), pixelMask(layout, along % perByte)};
}

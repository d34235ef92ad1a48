// SPDX-License-Identifier: MIT
#pragma once

// The Windows BMP layout shared by the reader and the writer.
//
//   offset 0    BmpFileHeader, 14 bytes
//   offset 14   BmpInfoHeader, 40 bytes (newer files carry a longer one, biSize bytes)
//   then        colour table (1, 4, 8 bits) or three colour masks (16 bits, BI_BITFIELDS)
//   then        skipped bytes up to bfOffBits
//   bfOffBits   pixel rows, bottom row first, each padded to a multiple of 4 bytes
//
// All values are little-endian.

#include "pixel.h"

#include <cstddef>
#include <cstdint>

struct BmpFileHeader {
    std::uint16_t bfType = 0x4D42; // "BM"
    std::uint32_t bfSize = 0;
    std::uint16_t bfReserved1 = 0;
    std::uint16_t bfReserved2 = 0;
    std::uint32_t bfOffBits = 0;
};

struct BmpInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 3780; // about 96 dots per inch
    std::int32_t biYPelsPerMeter = 3780;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

namespace bmp {

// Calls field(value) for each field of both header records in file order (the comments
// give the offsets): the one list the reader and the writer follow.
template <typename FileHeader, typename InfoHeader, typename Field>
void forEachField(FileHeader& fh, InfoHeader& ih, Field field)
{
    field(fh.bfType);          //  0
    field(fh.bfSize);          //  2
    field(fh.bfReserved1);     //  6
    field(fh.bfReserved2);     //  8
    field(fh.bfOffBits);       // 10
    field(ih.biSize);          // 14
    field(ih.biWidth);         // 18
    field(ih.biHeight);        // 22
    field(ih.biPlanes);        // 26
    field(ih.biBitCount);      // 28
    field(ih.biCompression);   // 30
    field(ih.biSizeImage);     // 34
    field(ih.biXPelsPerMeter); // 38
    field(ih.biYPelsPerMeter); // 42
    field(ih.biClrUsed);       // 46
    field(ih.biClrImportant);  // 50
}

constexpr std::uint16_t signature = 0x4D42;
constexpr std::int64_t fileHeaderSize = 14;
constexpr std::int64_t infoHeaderSize = 40;
constexpr std::int64_t headersSize = fileHeaderSize + infoHeaderSize; // 54
constexpr std::int64_t maskBlockSize = 12;                             // three 32-bit masks
constexpr std::int32_t defaultResolution = 3780;

constexpr std::uint32_t biRgb = 0;
constexpr std::uint32_t biRle8 = 1;
constexpr std::uint32_t biRle4 = 2;
constexpr std::uint32_t biBitfields = 3;

// 16-bit masks: without BI_BITFIELDS words are 5-5-5; the writer stores 5-6-5.
constexpr std::uint16_t red555 = 0x7C00, green555 = 0x03E0, blue555 = 0x001F;
constexpr std::uint16_t red565 = 0xF800, green565 = 0x07E0, blue565 = 0x001F;

// Bytes of pixel data in one row: width times depth in bits, divided by 8 rounding up.
constexpr std::int64_t rowDataBytes(std::int64_t width, std::int64_t bits)
{
    return (width * bits + 7) / 8;
}

// The stored length of one row: its pixel data padded to a multiple of 4 bytes.
constexpr std::int64_t rowStride(std::int64_t width, std::int64_t bits)
{
    return (rowDataBytes(width, bits) + 3) / 4 * 4;
}

// The bits of a 1-bit row's last byte that hold pixels.
constexpr std::uint8_t lastByteMask(std::int64_t width)
{
    return static_cast<std::uint8_t>(0xFF << (width % 8 == 0 ? 0 : 8 - width % 8));
}

// Packs items from .. width - 1 (from a multiple of 8) into a 1-bit row, bitOf(item) each:
// eight a byte, the leftmost in the most significant bit; a last group of fewer than
// eight leaves the low bits 0.
template <typename Item, typename BitOf>
void packBits(const Item* in, std::int32_t from, std::int32_t width, std::uint8_t* out, BitOf bitOf)
{
    std::int32_t x = from;
    for (std::size_t k = static_cast<std::size_t>(from / 8); x < width; ++k) {
        std::uint8_t byte = 0;
        for (int bit = 7; bit >= 0 && x < width; --bit, ++x)
            byte = static_cast<std::uint8_t>(byte | bitOf(in[x]) << bit);
        out[k] = byte;
    }
}

inline std::uint16_t readU16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t readU32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Pixel x of a stored row: its colour-table index at 1 and 4 bits (8 bits: the byte
// itself), its colour at 24 and 32 bits. The leftmost pixel is in the top bits.
inline std::uint8_t index1(const std::uint8_t* row, std::int32_t x)
{
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
}

inline std::uint8_t index4(const std::uint8_t* row, std::int32_t x)
{
    return (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
}

inline Pixel colour24(const std::uint8_t* row, std::int32_t x)
{
    return Pixel{row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
}

inline Pixel colour32(const std::uint8_t* row, std::int32_t x)
{
    return Pixel{row[4 * x], row[4 * x + 1], row[4 * x + 2], row[4 * x + 3]};
}

inline void writeU16(std::uint8_t* p, std::uint16_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void writeU32(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace bmp

// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// One colour, in the byte order of a BMP colour-table entry and of a 32-bit BMP pixel.
struct Pixel {
    std::uint8_t blue;
    std::uint8_t green;
    std::uint8_t red;
    std::uint8_t alpha;
};

constexpr Pixel whitePixel{255, 255, 255, 0};
constexpr Pixel blackPixel{0, 0, 0, 0};

constexpr bool operator==(const Pixel& a, const Pixel& b)
{
    return a.blue == b.blue && a.green == b.green && a.red == b.red && a.alpha == b.alpha;
}
constexpr bool operator!=(const Pixel& a, const Pixel& b) { return !(a == b); }

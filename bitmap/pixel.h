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

// The black-and-white decision, made wherever a colour becomes one bit: a pixel is white
// exactly when red + green + blue >= 383. That is the nearer of black and white: the
// squared distance to white less the one to black is 3 * 255 * 255 - 510 * (red + green +
// blue), which changes sign between sums of 382 and 383, so there is never a tie.
constexpr int whiteFromSum = 383; // of red + green + blue
constexpr bool nearerToWhite(const Pixel& p)
{
    return p.red + p.green + p.blue >= whiteFromSum;
}

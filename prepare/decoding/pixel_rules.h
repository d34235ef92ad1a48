// SPDX-License-Identifier: MIT
#pragma once

// The two rules that turn a decoded sample into the byte the prepared BMP holds. Every
// decoder path goes through these, so a picture gives the same bytes whatever its format.

#include <cstdint>

// A 16-bit sample reduced to the nearest 8-bit value: v / 257, rounded. 257 maps 0..65535
// onto 0..255 exactly (255 * 257 = 65535), and v + 128 never lands on a tie, because
// v / 257 is never an odd multiple of one half.
constexpr std::uint8_t nearest8Bit(std::uint16_t v)
{
    return static_cast<std::uint8_t>((std::uint32_t{v} + 128) / 257);
}

// A channel C with alpha A laid on white: 255 - A + round(C * A / 255). C * A / 255 is
// never an odd multiple of one half either (255 is odd), so adding 127 before the integer
// division rounds it exactly. Opaque pixels keep C; fully transparent ones become white.
constexpr std::uint8_t onWhite(std::uint8_t c, std::uint8_t a)
{
    return static_cast<std::uint8_t>(255 - a + (std::uint32_t{c} * a + 127) / 255);
}

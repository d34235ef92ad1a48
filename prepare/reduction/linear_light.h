// SPDX-License-Identifier: MIT
#pragma once

// Light as a panel mixes it. At reading distance the eye adds the light of neighbouring
// pixels, so colours are compared and their errors spread in linear light, not on the
// sRGB bytes of a picture. A colour here is its luminance Y and two colour differences,
// (X / Xn - Y) * 500 / 116 and (Y - Z / Zn) * 200 / 116 (CIE XYZ, D65): CIELAB with its
// cube roots left out, so that mixing light stays adding, while distances weigh the
// colour differences against luminance as CIELAB weighs them against lightness. White is
// Y = 65535 and has no colour difference.
//
// Everything is integer: a byte's linear light comes from a table, a colour is a sum of
// one table entry for each of red, green and blue, so every platform gives the same
// values.

#include "pixel.h"

#include <cstdint>

constexpr std::int32_t linearWhite = 65535;

// sRGB byte v to linear light: v / 255 decoded by the sRGB curve, times 65535, rounded.
extern const std::uint16_t linearFromByte[256];

struct Light {
    std::int32_t y; // luminance, 0 (black) to linearWhite
    std::int32_t a; // green (-) to red (+)
    std::int32_t b; // blue (-) to yellow (+)
};

// What each byte of red, green and blue adds to a colour.
struct LightTables {
    Light red[256];
    Light green[256];
    Light blue[256];
};
extern const LightTables lightTables;

inline Light lightOf(const Pixel& p)
{
    const Light& r = lightTables.red[p.red];
    const Light& g = lightTables.green[p.green];
    const Light& b = lightTables.blue[p.blue];
    return Light{r.y + g.y + b.y, r.a + g.a + b.a, r.b + g.b + b.b};
}

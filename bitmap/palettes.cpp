// SPDX-License-Identifier: MIT
// The standard palettes of the 1-, 4- and 8-bit depths and the grey ramps.
#include "bitmap.h"

#include "diagnostics.h"

namespace {

Pixel rgb(int red, int green, int blue)
{
    return Pixel{static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(red), 0};
}

// Half intensity for n = 0..7: bit 0 red, bit 1 green, bit 2 blue.
Pixel halfIntensity(int n)
{
    return rgb(128 * (n & 1), 128 * ((n >> 1) & 1), 128 * ((n >> 2) & 1));
}

void warnNoTable()
{
    pictureWarning({"Attempted to create color table at a bit", "depth that does not require a color table.",
                    "Ignoring request."});
}

struct FixedEntry {
    int index;
    int red, green, blue;
};

// Entries of the 8-bit table that differ from the 3-3-2 colour cube.
constexpr FixedEntry fixed8Bit[] = {
    {7, 192, 192, 192},   {8, 192, 220, 192},   {9, 166, 202, 240},   {246, 255, 251, 240},
    {247, 160, 160, 164}, {248, 128, 128, 128}, {249, 255, 0, 0},     {250, 0, 255, 0},
    {251, 255, 255, 0},   {252, 0, 0, 255},     {253, 255, 0, 255},   {254, 0, 255, 255},
    {255, 255, 255, 255},
};

} // namespace

bool Bitmap::fillStandardPalette()
{
    switch (bitsPerPixel) {
    case 1:
        colorTable[0] = blackPixel;
        colorTable[1] = whitePixel;
        return true;
    case 4:
        for (int n = 0; n < 8; ++n)
            colorTable[n] = halfIntensity(n);
        for (int m = 0; m < 8; ++m)
            colorTable[8 + m] = rgb(255 * (m & 1), 255 * ((m >> 1) & 1), 255 * ((m >> 2) & 1));
        colorTable[8] = rgb(192, 192, 192);
        return true;
    case 8:
        // n = 64 b + 8 g + r: three bits of red, three of green, two of blue.
        for (int n = 0; n < 256; ++n)
            colorTable[n] = rgb(32 * (n & 7), 32 * ((n >> 3) & 7), 64 * (n >> 6));
        for (int n = 0; n < 8; ++n)
            colorTable[n] = halfIntensity(n);
        for (const FixedEntry& e : fixed8Bit)
            colorTable[e.index] = rgb(e.red, e.green, e.blue);
        return true;
    default:
        warnNoTable();
        return false;
    }
}

bool Bitmap::fillGrayPalette()
{
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8) {
        warnNoTable();
        return false;
    }
    const std::int32_t n = paletteSize();
    const std::int32_t step = bitsPerPixel == 1 ? 255 : 255 / (n - 1);
    for (std::int32_t i = 0; i < n; ++i) {
        const int grey = i * step;
        setPaletteColor(i, rgb(grey, grey, grey));
    }
    return true;
}

// SPDX-License-Identifier: MIT
#include "nearest_color.h"

namespace {

bool sameColor(const Pixel& a, std::uint8_t red, std::uint8_t green, std::uint8_t blue)
{
    return a.red == red && a.green == green && a.blue == blue;
}

std::int32_t distance(const Pixel& entry, const Pixel& pixel)
{
    const std::int32_t db = entry.blue - pixel.blue;
    const std::int32_t dg = entry.green - pixel.green;
    const std::int32_t dr = entry.red - pixel.red;
    return db * db + dg * dg + dr * dr;
}

// The first entry at the smallest squared distance; an exact match ends the search.
template <typename EntryAt>
std::uint8_t scanNearest(std::int32_t n, EntryAt entryAt, const Pixel& pixel)
{
    std::int32_t best = 999999;
    std::int32_t result = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t d = distance(entryAt(i), pixel);
        if (d < best) {
            result = i;
            best = d;
        }
        if (best == 0)
            break;
    }
    return static_cast<std::uint8_t>(result);
}

} // namespace

std::uint8_t nearestPaletteIndex(const Bitmap& bitmap, Pixel pixel)
{
    return scanNearest(bitmap.paletteSize(), [&](std::int32_t i) { return bitmap.paletteColor(i); }, pixel);
}

NearestColor::NearestColor(const Bitmap& bitmap)
    : table(bitmap.colorTable),
      blackWhite(table.size() == 2 && sameColor(table[0], 0, 0, 0) && sameColor(table[1], 255, 255, 255))
{
}

std::uint8_t NearestColor::scan(Pixel pixel) const
{
    return scanNearest(static_cast<std::int32_t>(table.size()), [&](std::int32_t i) { return table[i]; }, pixel);
}

std::uint8_t NearestColor::operator()(Pixel pixel)
{
    if (blackWhite)
        return nearerToWhite(pixel) ? 1 : 0;
    const std::uint32_t key = std::uint32_t{pixel.red} << 16 | std::uint32_t{pixel.green} << 8 | pixel.blue;
    const std::uint32_t tag = key | 1u << 24;
    const std::size_t slot = (key * 2654435761u) >> 20;
    if (tags[slot] != tag) {
        tags[slot] = tag;
        answers[slot] = scan(pixel);
    }
    return answers[slot];
}

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

} // namespace

std::uint8_t nearestPaletteIndex(const Bitmap& bitmap, Pixel pixel)
{
    const std::int32_t n = bitmap.paletteSize();
    std::int32_t best = 999999;
    std::int32_t result = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        const std::int32_t d = distance(bitmap.paletteColor(i), pixel);
        if (d < best) {
            result = i;
            best = d;
        }
        if (best == 0)
            break;
    }
    return static_cast<std::uint8_t>(result);
}

NearestColor::NearestColor(const Bitmap& bitmap)
    : table(bitmap.colorTable),
      blackWhite(table.size() == 2 && sameColor(table[0], 0, 0, 0) && sameColor(table[1], 255, 255, 255))
{
}

std::uint8_t NearestColor::scan(Pixel pixel) const
{
    std::int32_t best = 999999;
    std::size_t result = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::int32_t d = distance(table[i], pixel);
        if (d < best) {
            result = i;
            best = d;
        }
        if (best == 0)
            break;
    }
    return static_cast<std::uint8_t>(result);
}

std::uint8_t NearestColor::operator()(Pixel pixel)
{
    if (blackWhite)
        return pixel.red + pixel.green + pixel.blue >= 383 ? 1 : 0;
    const std::uint32_t key = std::uint32_t{pixel.red} << 16 | std::uint32_t{pixel.green} << 8 | pixel.blue;
    const std::uint32_t tag = key | 1u << 24;
    const std::size_t slot = (key * 2654435761u) >> 20;
    if (tags[slot] != tag) {
        tags[slot] = tag;
        answers[slot] = scan(pixel);
    }
    return answers[slot];
}

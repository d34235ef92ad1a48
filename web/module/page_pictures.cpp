// SPDX-License-Identifier: MIT
#include "page_pictures.h"

#include "layouts/layout_packing.h"

namespace {

// Where a pixel lies, found by the packing loop itself: the one bit that a picture of that
// pixel alone sets.
struct BytePlace {
    std::size_t byte;
    std::uint8_t mask;
};
BytePlace pixelPlace(const Layout& layout, std::int32_t width, std::int32_t height, std::int32_t x, std::int32_t y)
{
    BitPicture picture;
    picture.setDimensions(width, height);
    picture.row(y)[x >> 3] &= static_cast<std::uint8_t>(~(0x80 >> (x & 7)));
    const std::vector<std::uint8_t> bytes = layoutBytes(picture, layout);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] != 0)
            return {i, bytes[i]};
    return {0, 0};
}

std::int32_t wholeBytes(std::int32_t pixels)
{
    return (pixels + 7) / 8 * 8;
}

} // namespace

std::vector<std::uint8_t> pageColumns(const BitPicture& picture)
{
    return layoutBytes(picture, *layoutNamed("pages"));
}

std::string gridJson(const Layout& layout, std::int64_t width, std::int64_t height)
{
    const ByteGrid grid = byteGrid(layout, width, height);
    const bool down = layout.axis == ByteAxis::down;
    return "{\"bands\":" + std::to_string(grid.bands) + ",\"bandBytes\":" + std::to_string(grid.bandBytes) +
           ",\"bytes\":" + std::to_string(grid.bytes()) + ",\"band\":\"" + bandName(layout) + "\",\"byte\":\"" +
           (down ? "column" : "byte") + "\"}";
}

PixelByte pixelByte(const Layout& layout, std::int32_t width, std::int32_t height, std::int32_t x, std::int32_t y)
{
    const bool down = layout.axis == ByteAxis::down;
    // The bits past the edge are those of a picture grown to whole bytes along the axis,
    // whose bytes are the same.
    const std::int32_t grownWidth = down ? width : wholeBytes(width);
    const std::int32_t grownHeight = down ? wholeBytes(height) : height;
    const BytePlace place = pixelPlace(layout, grownWidth, grownHeight, x, y);
    PixelByte found{place.byte, down ? y / 8 : y, {}};
    for (std::int32_t k = -7; k <= 7; ++k) {
        const std::int32_t px = down ? x : x + k;
        const std::int32_t py = down ? y + k : y;
        if (px < 0 || py < 0 || px >= grownWidth || py >= grownHeight)
            continue;
        const BytePlace other = pixelPlace(layout, grownWidth, grownHeight, px, py);
        if (other.byte == place.byte)
            found.pixels.push_back({px, py, other.mask, px < width && py < height});
    }
    return found;
}

std::string placeJson(const Layout& layout, std::int32_t width, std::int32_t height, std::int32_t x, std::int32_t y)
{
    const PixelByte found = pixelByte(layout, width, height, x, y);
    std::string pixels;
    for (const BytePixel& p : found.pixels)
        pixels += (pixels.empty() ? "" : ",") + std::string("{\"x\":") + std::to_string(p.x) + ",\"y\":" +
                  std::to_string(p.y) + ",\"mask\":" + std::to_string(p.mask) + ",\"inside\":" +
                  (p.inside ? "true" : "false") + "}";
    return "{\"byte\":" + std::to_string(found.byte) + ",\"band\":" + std::to_string(found.band) +
           ",\"bandName\":\"" + bandName(layout) + "\",\"pixels\":[" + pixels + "]}";
}

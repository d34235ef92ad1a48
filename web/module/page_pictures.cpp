// SPDX-License-Identifier: MIT
#include "page_pictures.h"

#include "layouts/layout_packing.h"

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
    const std::int32_t perByte = 8 / layout.bitsPerPixel;
    const BytePlace place = pixelPlace(layout, width, height, x, y);
    PixelByte found{place.byte, down ? y / perByte : y, {}};
    // The pixels along the axis that share its byte, those past the edge too: the bits of a
    // last partial page or byte of a row.
    for (std::int32_t k = 1 - perByte; k < perByte; ++k) {
        const std::int32_t px = down ? x : x + k;
        const std::int32_t py = down ? y + k : y;
        if (px < 0 || py < 0)
            continue;
        const BytePlace other = pixelPlace(layout, width, height, px, py);
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

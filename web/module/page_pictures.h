// SPDX-License-Identifier: MIT
#pragma once

// What the page is told of a layout's bytes, as JSON for its worker: how they fill a
// picture, and where a pixel lies in them.

#include "layouts/layout_table.h"

#include <cstdint>
#include <string>
#include <vector>

// {"bands", "bandBytes", "bytes", "band": "page" or "row", "byte": "column" or "byte"}: the
// layout's bytes of a width x height picture, and their words.
std::string gridJson(const Layout& layout, std::int64_t width, std::int64_t height);

// Where a pixel of a picture lies in a layout's bytes: the index of its byte, its band (page
// or row), and the pixels of that byte in their order along it, each with the bits that
// hold it; those past the picture's edge, whose bits are 0, are not inside.
struct BytePixel {
    std::int32_t x;
    std::int32_t y;
    std::uint8_t mask;
    bool inside;
};
struct PixelByte {
    std::size_t byte;
    std::int64_t band;
    std::vector<BytePixel> pixels;
};
PixelByte pixelByte(const Layout& layout, std::int32_t width, std::int32_t height, std::int32_t x, std::int32_t y);

// pixelByte as JSON: {"byte", "band", "bandName", "pixels": [{"x", "y", "mask", "inside"}]}.
std::string placeJson(const Layout& layout, std::int32_t width, std::int32_t height, std::int32_t x, std::int32_t y);

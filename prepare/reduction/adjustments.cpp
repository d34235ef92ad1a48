// SPDX-License-Identifier: MIT
#include "reduction/adjustments.h"

#include <algorithm>
#include <vector>

namespace {

// Where pixel (X, Y) of the adjusted picture lies in the picture before: x = x0 + X * xX +
// Y * xY, y = y0 + X * yX + Y * yY, the adjusted picture being width x height.
struct CoordinateMap {
    std::int64_t x0, xX, xY;
    std::int64_t y0, yX, yY;
    std::int32_t width, height;
};

CoordinateMap adjustmentMap(const Adjustments& a, std::int32_t w, std::int32_t h)
{
    CoordinateMap m{};
    switch (a.rotate) {
    case 90: // turned a quarter clockwise: (X, Y) was (Y, h - 1 - X)
        m = {0, 0, 1, h - 1, -1, 0, h, w};
        break;
    case 180: // (X, Y) was (w - 1 - X, h - 1 - Y)
        m = {w - 1, -1, 0, h - 1, 0, -1, w, h};
        break;
    case 270: // a quarter anticlockwise: (X, Y) was (w - 1 - Y, X)
        m = {w - 1, 0, -1, 0, 1, 0, h, w};
        break;
    default:
        m = {0, 1, 0, 0, 0, 1, w, h};
        break;
    }
    // A mirror of the turned picture replaces X by width - 1 - X, or Y by height - 1 - Y.
    if (a.flipHorizontal) {
        m.x0 += (m.width - 1) * m.xX;
        m.y0 += (m.width - 1) * m.yX;
        m.xX = -m.xX;
        m.yX = -m.yX;
    }
    if (a.flipVertical) {
        m.x0 += (m.height - 1) * m.xY;
        m.y0 += (m.height - 1) * m.yY;
        m.xY = -m.xY;
        m.yY = -m.yY;
    }
    return m;
}

// The stored indices start + index * step of an increasing list, in increasing order.
std::vector<std::int32_t> storedIndices(const std::vector<std::int32_t>& indices, std::int64_t start, std::int64_t step)
{
    std::vector<std::int32_t> stored;
    stored.reserve(indices.size());
    for (const std::int32_t index : indices)
        stored.push_back(static_cast<std::int32_t>(start + index * step));
    if (step < 0)
        std::reverse(stored.begin(), stored.end());
    return stored;
}

} // namespace

PictureSampling storedSampling(const PictureSampling& adjusted, const Adjustments& adjustments, std::int32_t width,
                               std::int32_t height)
{
    const CoordinateMap m = adjustmentMap(adjustments, width, height);
    // A stored column depends on the adjusted column alone (xY = 0), or, turned a quarter,
    // on the adjusted row alone (xX = 0); likewise a stored row.
    if (m.xY == 0)
        return {storedIndices(adjusted.rows, m.y0, m.yY), storedIndices(adjusted.columns, m.x0, m.xX)};
    return {storedIndices(adjusted.columns, m.y0, m.yX), storedIndices(adjusted.rows, m.x0, m.xY)};
}

OrientedLayout adjustedLayout(const OrientedLayout& shown, const Adjustments& adjustments)
{
    const CoordinateMap m = adjustmentMap(adjustments, shown.width, shown.height);
    // Shown pixel (x, y) is stored at origin + x * stepX + y * stepY; put in x and y.
    return {m.width, m.height, shown.origin + m.x0 * shown.stepX + m.y0 * shown.stepY,
            m.xX * shown.stepX + m.yX * shown.stepY, m.xY * shown.stepX + m.yY * shown.stepY};
}

void invertBytes(std::uint8_t* bytes, std::size_t count, const Adjustments& adjustments)
{
    if (!adjustments.invert)
        return;
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(255 - bytes[i]);
}

void adjustBitmap(const Bitmap& picture, const Adjustments& adjustments, Bitmap& adjusted)
{
    const OrientedLayout layout = adjustedLayout(orientedLayout(1, picture.width, picture.height), adjustments);
    adjusted.setBitDepth(24);
    adjusted.setDimensions(layout.width, layout.height);
    const Pixel* stored = picture.rowData(0);
    for (std::int32_t y = 0; y < layout.height; ++y) {
        Pixel* out = adjusted.rowData(y);
        std::int64_t at = layout.origin + y * layout.stepY;
        for (std::int32_t x = 0; x < layout.width; ++x, at += layout.stepX) {
            const Pixel& p = stored[at];
            out[x] = adjustments.invert ? Pixel{static_cast<std::uint8_t>(255 - p.blue), static_cast<std::uint8_t>(255 - p.green),
                                                static_cast<std::uint8_t>(255 - p.red), 0}
                                        : Pixel{p.blue, p.green, p.red, 0};
        }
    }
}

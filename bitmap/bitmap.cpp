// SPDX-License-Identifier: MIT
#include "bitmap.h"

#include "diagnostics.h"

#include <stdexcept>
#include <string>

using std::to_string;

Bitmap::Bitmap() : grid(1, whitePixel) {}

std::int32_t powerOfTwo(std::int32_t n)
{
    std::int32_t result = 1;
    for (std::int32_t i = 0; i < n && i < 30; ++i)
        result *= 2;
    return result;
}

void Bitmap::warnClamped() const
{
    if (!bitmapWarnings)
        return; // skip building the text on the silent path
    pictureWarning({"Attempted to access non-existent pixel;",
                    "Truncating request to fit in the range [0," + to_string(width - 1) + "] x [0," +
                        to_string(height - 1) + "]."});
}

const Pixel& Bitmap::pixelAt(std::int32_t x, std::int32_t y) const
{
    bool clamped = false;
    if (x >= width) { x = width - 1; clamped = true; }
    if (x < 0) { x = 0; clamped = true; }
    if (y >= height) { y = height - 1; clamped = true; }
    if (y < 0) { y = 0; clamped = true; }
    if (clamped)
        warnClamped();
    return rowData(y)[x];
}

Pixel& Bitmap::pixelAt(std::int32_t x, std::int32_t y)
{
    return const_cast<Pixel&>(static_cast<const Bitmap&>(*this).pixelAt(x, y));
}

std::int32_t Bitmap::paletteSize() const
{
    // 32-bit images count colours like 24-bit ones: the fourth byte is no colour.
    return powerOfTwo(bitsPerPixel == 32 ? 24 : bitsPerPixel);
}

namespace {

bool hasColorTable(std::int32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8;
}

// Whether a request to get (or set) colour-table entry `index` can be answered; if not,
// the warning that says why.
bool tableEntryExists(const Bitmap& b, std::int32_t index, bool set)
{
    if (!hasColorTable(b.bitsPerPixel))
        pictureWarning({std::string("Attempted to ") + (set ? "change" : "access") + " color table for a BMP object",
                        "that lacks a color table. Ignoring request."});
    else if (b.colorTable.empty())
        pictureWarning({set ? "Attempted to set a color, but the color table" : "Requested a color, but the color table",
                        "is not defined. Ignoring request."});
    else if (index < 0 || index > b.paletteSize() - 1)
        pictureWarning({"Requested color number " + to_string(index) + " is outside the allowed",
                        "range [0," + to_string(b.paletteSize() - 1) + "]. Ignoring request to " + (set ? "set" : "get") +
                            " this color."});
    else
        return true;
    return false;
}

} // namespace

Pixel Bitmap::paletteColor(std::int32_t index) const
{
    return tableEntryExists(*this, index, false) ? colorTable[static_cast<std::size_t>(index)] : whitePixel;
}

bool Bitmap::setPaletteColor(std::int32_t index, Pixel color)
{
    if (!tableEntryExists(*this, index, true))
        return false;
    colorTable[static_cast<std::size_t>(index)] = color;
    return true;
}

bool Bitmap::setBitDepth(std::int32_t bits)
{
    if (!hasColorTable(bits) && bits != 16 && bits != 24 && bits != 32) {
        pictureWarning({"User attempted to set unsupported bit depth " + to_string(bits) + ".",
                        "Bit depth remains unchanged at " + to_string(bitsPerPixel) + "."});
        return false;
    }
    if (hasColorTable(bits)) {
        std::vector<Pixel> table(static_cast<std::size_t>(powerOfTwo(bits)));
        bitsPerPixel = bits;
        colorTable.swap(table);
        fillStandardPalette();
    } else {
        bitsPerPixel = bits;
        colorTable = std::vector<Pixel>();
    }
    return true;
}

bool Bitmap::setDimensions(std::int32_t newWidth, std::int32_t newHeight)
{
    if (newWidth <= 0 || newHeight <= 0) {
        pictureWarning({"User attempted to set a non-positive width or height.",
                        "Size remains unchanged at " + to_string(width) + " x " + to_string(height) + "."});
        return false;
    }
    const std::int64_t count = std::int64_t{newWidth} * newHeight;
    if (count > maxPixels)
        throw std::length_error("image larger than " + to_string(maxPixels) + " pixels");
    resizeUnfilled(newWidth, newHeight);
    grid.assign(grid.size(), whitePixel);
    return true;
}

void Bitmap::takePixels(Bitmap& other)
{
    if (&other == this)
        return;
    PixelGrid single(1, whitePixel);
    grid.swap(other.grid);
    other.grid.swap(single);
    width = other.width;
    height = other.height;
    other.width = 1;
    other.height = 1;
}

void Bitmap::resizeUnfilled(std::int32_t newWidth, std::int32_t newHeight)
{
    const auto count = static_cast<std::size_t>(std::int64_t{newWidth} * newHeight);
    // The same number of pixels reuses the block, which keeps a reload of a large picture
    // from holding two grids at once. A new block is had before the old one goes, so a
    // failed allocation leaves the Bitmap as it was.
    if (count != grid.size()) {
        PixelGrid fresh(count);
        grid.swap(fresh);
    }
    width = newWidth;
    height = newHeight;
}

void Bitmap::becomeEmpty()
{
    setBitDepth(1);
    setDimensions(1, 1);
}

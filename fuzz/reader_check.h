// SPDX-License-Identifier: MIT
#pragma once

// The reader check: arbitrary bytes as a BMP file. Whatever loads must be well formed,
// save at its own depth and read back as exactly what was saved. Aborts on a violation.

#include "bitmap.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>

namespace fuzz {

namespace readerDetail {

inline void checkWellFormed(const Bitmap& image)
{
    const std::int32_t d = image.bitsPerPixel;
    check(image.width >= 1 && image.height >= 1, "size at least 1 x 1");
    check(d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32, "supported depth");
    check(image.colorTable.size() == (d <= 8 ? std::size_t(1) << d : 0), "colour table size");
}

inline std::int32_t resolutionInFile(std::int32_t value)
{
    return value == 0 ? bmp::defaultResolution : value;
}

// What the reload of a saved picture must hold at (x, y).
class Expectation {
public:
    explicit Expectation(const Bitmap& saved) : saved(saved) {}

    Pixel at(std::int32_t x, std::int32_t y)
    {
        const Pixel p = saved.rowData(y)[x];
        switch (saved.bitsPerPixel) {
        case 32:
            return p;
        case 24:
            return Pixel{p.blue, p.green, p.red, 0};
        case 16: // written 5-6-5, read back with the low three bits of each channel clear
            return Pixel{static_cast<std::uint8_t>(p.blue & 0xF8), static_cast<std::uint8_t>(p.green & 0xF8),
                         static_cast<std::uint8_t>(p.red & 0xF8), 0};
        default: {
            // The table entry the writer must pick, by the plain definition, once per colour.
            const std::uint32_t key = std::uint32_t{p.blue} | std::uint32_t{p.green} << 8 | std::uint32_t{p.red} << 16;
            const auto found = nearest.find(key);
            const std::uint8_t index = found != nearest.end() ? found->second : (nearest[key] = nearestPaletteIndex(saved, p));
            return saved.colorTable[index];
        }
        }
    }

private:
    const Bitmap& saved;
    std::unordered_map<std::uint32_t, std::uint8_t> nearest;
};

} // namespace readerDetail

// Returns -1 for an input not worth keeping (over the size budget), else 0.
inline int readerInput(const std::uint8_t* data, std::size_t size)
{
    using namespace readerDetail;
    static const ScratchDir scratch;
    static const std::string input = scratch.path("input.bmp");
    static const std::string copy = scratch.path("copy.bmp");

    if (claimsCostlyPicture(data, size))
        return -1;
    writeFile(input, data, size);

    Bitmap loaded;
    const bool ok = loadInPieces(loaded, input);
    checkWellFormed(loaded);
    if (!ok)
        return 0;
    check(loaded.width == static_cast<std::int32_t>(bmp::readU32(data + 18)), "width from the header");
    check(loaded.height == static_cast<std::int32_t>(bmp::readU32(data + 22)), "height from the header");

    // A load sets every pixel, whatever the Bitmap held before: loading over a picture of
    // the same size in another colour gives the same result.
    Bitmap over;
    over.setDimensions(loaded.width, loaded.height);
    for (std::int32_t y = 0; y < over.height; ++y)
        std::fill(over.rowData(y), over.rowData(y) + over.width, Pixel{1, 2, 3, 4});
    check(loadInPieces(over, input), "a second load");
    for (std::int32_t y = 0; y < loaded.height; ++y)
        check(std::equal(loaded.rowData(y), loaded.rowData(y) + loaded.width, over.rowData(y)),
              "a load over another picture");

    check(loaded.save(copy.c_str()), "save of a loaded picture");
    Bitmap reloaded;
    check(loadInPieces(reloaded, copy), "reload of a saved picture");
    checkWellFormed(reloaded);
    check(reloaded.bitsPerPixel == loaded.bitsPerPixel, "depth kept");
    check(reloaded.width == loaded.width && reloaded.height == loaded.height, "size kept");
    check(reloaded.horizontalResolution == resolutionInFile(loaded.horizontalResolution), "horizontal resolution");
    check(reloaded.verticalResolution == resolutionInFile(loaded.verticalResolution), "vertical resolution");
    check(reloaded.colorTable == loaded.colorTable, "colour table kept");

    Expectation expected(loaded);
    for (std::int32_t y = 0; y < loaded.height; ++y) {
        const Pixel* row = reloaded.rowData(y);
        for (std::int32_t x = 0; x < loaded.width; ++x)
            check(row[x] == expected.at(x, y), "reloaded pixel");
    }
    return 0;
}

} // namespace fuzz

// SPDX-License-Identifier: MIT
#pragma once

#include "pixel.h"
#include "pixel_grid.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class BitPicture;
struct BmpFile;

// The rows and columns of a stored picture that a caller needs, each list increasing.
struct PictureSampling {
    std::vector<std::int32_t> rows;
    std::vector<std::int32_t> columns;
};

// Where the rows of a picture go, one at a time, as they are read: a caller that makes its
// own picture of them (scaled, or as bits) without holding the whole one.
class RowSink {
public:
    virtual ~RowSink() = default;
    // Where row k (its place in the list of rows read) is decoded: one pixel for each
    // column read. Rows come from the last to the first, and the buffer of row k + 1 must
    // still hold that row while row k is decoded: the reader may copy it.
    virtual Pixel* rowBuffer(std::int32_t k) = 0;
    // Row k is decoded; or, where `held` is false, the file does not hold it: the row is
    // white, and its buffer was not written.
    virtual void rowDone(std::int32_t k, bool held) = 0;
};

// An image in memory: a full-colour pixel grid plus the depth it is written at.
//
// The depth only decides the colour table and the file encoding; pixels always keep
// full colour. Row 0 is the top row, column 0 the left column. The grid is one
// contiguous block stored row by row, so that file rows, scaling and page packing all
// walk it in memory order.
class Bitmap {
public:
    // A single pixel can never make a grid larger than this.
    static constexpr std::int64_t maxPixels = std::int64_t{1} << 28;

    Bitmap();
    Bitmap(const Bitmap& other);
    Bitmap& operator=(const Bitmap&) = delete;
    ~Bitmap() = default;

    // The pixel at (x, y), clamped to the nearest edge pixel (with a warning) when
    // the position lies outside the picture.
    Pixel& pixelAt(std::int32_t x, std::int32_t y);
    const Pixel& pixelAt(std::int32_t x, std::int32_t y) const;

    std::int32_t paletteSize() const;
    Pixel paletteColor(std::int32_t index) const;
    bool setPaletteColor(std::int32_t index, Pixel color);

    bool setBitDepth(std::int32_t bits);
    // Throws std::length_error above maxPixels and std::bad_alloc when the memory
    // cannot be had; either way the Bitmap is left as it was.
    bool setDimensions(std::int32_t newWidth, std::int32_t newHeight);

    // Takes over the other Bitmap's size and pixels; the grid moves, nothing is copied.
    // The other one is left 1 x 1 and white. Depth, colour tables and resolutions stay.
    void takePixels(Bitmap& other);

    bool fillStandardPalette();
    bool fillGrayPalette();

    bool load(const char* path);

    // load in two steps, for a caller that decides from the stored size which pixels it
    // needs. loadHeader opens the file and reads its header, with load's checks and their
    // messages: false after a refusal, the Bitmap left as load leaves it; otherwise the
    // Bitmap has the file's depth, colour table and resolutions, and `file` says what the
    // stored picture is.
    bool loadHeader(const char* path, BmpFile& file);
    // Then the pixels, with load's other messages (the header's warnings once the pixels'
    // memory is had, then the rows'): all of them, or, given lists that are not
    // empty, increasing and inside the picture, only those rows and columns. The Bitmap
    // then becomes columns.size() x rows.size(), pixel (i, k) being stored pixel
    // (columns[i], rows[k]), and the result is true. Rows not sampled are not read where
    // the file is a regular one, and read past otherwise.
    bool loadPixels(BmpFile& file, const PictureSampling* sampling = nullptr);

    // load with the pixels going to `bits` instead of the grid, which is left as it is:
    // a pixel's bit is isSet(pixel). Depth, colour table and resolutions are load's.
    bool loadBits(const char* path, BitPicture& bits, bool (*isSet)(const Pixel&));
    bool save(const char* path) const;

    // Row decoders of the reader; each fills row y from a stored file row.
    bool read1BitRow(const std::uint8_t* buffer, std::size_t bufferSize, std::int32_t row);
    bool read4BitRow(const std::uint8_t* buffer, std::int32_t row);
    bool read8BitRow(const std::uint8_t* buffer, std::int32_t row);
    bool read24BitRow(const std::uint8_t* buffer, std::int32_t row);
    bool read32BitRow(const std::uint8_t* buffer, std::int32_t row);

    // Packs row y at one bit per pixel, leftmost pixel in the most significant bit.
    bool write1BitRow(std::uint8_t* buffer, std::size_t length, std::int32_t row) const;

    // Direct row access for the library's own loops: width pixels, unchecked.
    Pixel* rowData(std::int32_t y) { return grid.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }
    const Pixel* rowData(std::int32_t y) const { return grid.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width); }

    std::int32_t bitsPerPixel = 24;
    std::int32_t width = 1;
    std::int32_t height = 1;

private:
    PixelGrid grid;

public:
    std::vector<Pixel> colorTable; // empty exactly when the depth has no colour table
    std::int32_t horizontalResolution = 0;
    std::int32_t verticalResolution = 0;
    // Optional blocks that are carried by every Bitmap but filled by nothing here.
    std::vector<std::uint8_t> extraBlock1;
    std::int32_t extraBlock1Size = 0;
    std::vector<std::uint8_t> extraBlock2;
    std::int32_t extraBlock2Size = 0;

private:
    friend bool rescaleBitmap(Bitmap& image, char mode, std::int32_t value);
    void warnClamped() const;
    void becomeEmpty();
    // setDimensions for a caller that sets every pixel itself: the pixels are left as
    // they come. The size must be positive and within maxPixels.
    void resizeUnfilled(std::int32_t newWidth, std::int32_t newHeight);
};

// The pixels of an open file (after Bitmap::loadHeader) handed to `sink` instead of a grid:
// the rows and columns of `sampling`, lists as Bitmap::loadPixels takes them, row by row
// from the bottom up, as rows are stored, with loadPixels' messages. Returns false, reading
// nothing, where the lists are not such lists.
bool readSampledRows(BmpFile& file, const PictureSampling& sampling, RowSink& sink);

// 2 to the power n for n >= 1, 1 for n <= 0.
std::int32_t powerOfTwo(std::int32_t n);

// Index of the colour-table entry nearest to the pixel (1-, 4- and 8-bit Bitmaps).
std::uint8_t nearestPaletteIndex(const Bitmap& bitmap, Pixel pixel);

struct PictureSize {
    std::int32_t width;
    std::int32_t height;
};

// The size rescaleBitmap gives a width x height image for one of its mode letters.
// Throws std::length_error where rescaleBitmap does: a side beyond 32 bits, or more
// pixels than maxPixels.
PictureSize rescaledSize(std::int32_t width, std::int32_t height, char mode, std::int32_t value);

// Scales the image in place. Mode letters, either case: 'P' percentage, 'W' width,
// 'H' height, 'F' fit the larger side. False for an unknown letter.
bool rescaleBitmap(Bitmap& image, char mode, std::int32_t value);

// Copies the top-left block up to (lastColumn, lastRow), inclusive, into the target,
// cut to what both images hold.
void copyRegion(const Bitmap& source, std::int32_t lastColumn, std::int32_t lastRow, Bitmap& target);

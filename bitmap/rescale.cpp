// SPDX-License-Identifier: MIT
// rescaleBitmap, copy construction and copyRegion.
#include "bitmap.h"
#include "bmp_format.h"
#include "console_text.h"
#include "diagnostics.h"
#include "resample.h"
#include "vector_kernels.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <vector>

namespace {

// Dots per inch in a metre.
constexpr double inchesPerMetre = 39.37007874015748;

// A copy keeps its source's resolution cut down to whole dots per inch.
std::int32_t wholeDotsPerInch(std::int32_t pixelsPerMetre)
{
    const double value = pixelsPerMetre == 0 ? bmp::defaultResolution : pixelsPerMetre;
    const auto dpi = static_cast<std::int32_t>(value / inchesPerMetre);
    return static_cast<std::int32_t>(dpi * inchesPerMetre);
}

// A new side from a floating-point size: floored, at least 1, and refused when it does
// not fit in 32 bits.
std::int32_t newSide(double size)
{
    const double side = std::floor(size);
    if (side > std::numeric_limits<std::int32_t>::max())
        throw std::length_error("rescaled side does not fit in 32 bits");
    return side < 1 ? 1 : static_cast<std::int32_t>(side);
}

// Source position of destination index j along an axis of n source pixels mapped onto m.
double sourcePosition(std::int32_t j, std::int32_t n, std::int32_t m)
{
    return static_cast<double>(std::int64_t{j} * (n - 1)) / (m - 1);
}

} // namespace

SourceSpan sourceSpan(std::int32_t j, std::int32_t n, std::int32_t m)
{
    const double position = sourcePosition(j, n, m);
    const auto first = static_cast<std::int32_t>(std::floor(position));
    return {first, position - first};
}

void resampleByDefinition(const Bitmap& S, Bitmap& D)
{
    const std::int32_t W = S.width, H = S.height, NW = D.width, NH = D.height;
    // Red, then green, then blue, each channel read from the source anew.
    constexpr std::uint8_t Pixel::*channels[] = {&Pixel::red, &Pixel::green, &Pixel::blue};
    for (std::int32_t i = 0; i + 1 < NH; ++i) {
        const auto [y0, fy] = sourceSpan(i, H, NH);
        for (std::int32_t j = 0; j + 1 < NW; ++j) {
            const auto [x0, fx] = sourceSpan(j, W, NW);
            const Weights w = bilinearWeights(fx, fy);
            Pixel& d = D.pixelAt(j, i);
            for (auto c : channels)
                d.*c = channel(blend4(S.pixelAt(x0, y0).*c, S.pixelAt(x0 + 1, y0).*c, S.pixelAt(x0, y0 + 1).*c,
                                      S.pixelAt(x0 + 1, y0 + 1).*c, w));
        }
        Pixel& d = D.pixelAt(NW - 1, i);
        for (auto c : channels)
            d.*c = channel(blend2(S.pixelAt(W - 1, y0).*c, S.pixelAt(W - 1, y0 + 1).*c, fy));
    }
    for (std::int32_t j = 0; j + 1 < NW; ++j) {
        const auto [x0, fx] = sourceSpan(j, W, NW);
        Pixel& d = D.pixelAt(j, NH - 1);
        for (auto c : channels)
            d.*c = channel(blend2(S.pixelAt(x0, H - 1).*c, S.pixelAt(x0 + 1, H - 1).*c, fx));
    }
    D.pixelAt(NW - 1, NH - 1) = S.pixelAt(W - 1, H - 1);
}

void ColumnTable::fill(std::int32_t first, std::int32_t count, std::int32_t W, std::int32_t NW)
{
    const auto n = static_cast<std::size_t>(count);
    if (x0.size() < n) {
        x0.resize(n);
        x1.resize(n);
        fx.resize(n);
        oneMinusFx.resize(n);
        runEnd.resize(n);
    }
    for (std::int32_t k = 0; k < count; ++k) {
        const SourceSpan span = sourceSpan(first + k, W, NW);
        x0[k] = span.first;
        x1[k] = std::min(span.first + 1, W - 1);
        fx[k] = span.fraction;
        oneMinusFx[k] = 1 - fx[k];
    }
    findRuns(count);
}

void ColumnTable::findRuns(std::int32_t count)
{
    for (std::int32_t k = count; k-- > 0;)
        runEnd[k] = k + 1 < count && x0[k + 1] == x0[k] ? runEnd[k + 1] : k + 1;
}

void blendRow(const ColumnTable& t, std::int32_t from, std::int32_t to, const Pixel* top, const Pixel* bottom, double fy,
              Pixel* out)
{
    for (std::int32_t k = from; k < to;) {
        const RunCorners c{top[t.x0[k]], top[t.x1[k]], bottom[t.x0[k]], bottom[t.x1[k]]};
        const std::int32_t end = std::min(t.runEnd[k], to);
        blendRun(&t.fx[k], &t.oneMinusFx[k], end - k, fy, c, out + k);
        k = end;
    }
}

void blendLastRow(const ColumnTable& t, std::int32_t count, const Pixel* last, Pixel* out)
{
    for (std::int32_t k = 0; k < count; ++k)
        out[k] = blendPair(last[t.x0[k]], last[t.x1[k]], t.fx[k]);
}

Pixel blendPair(const Pixel& a, const Pixel& b, double f)
{
    return Pixel{channel(blend2(a.blue, b.blue, f)), channel(blend2(a.green, b.green, f)), channel(blend2(a.red, b.red, f)), 0};
}

void resampleFast(const Bitmap& S, Bitmap& D)
{
    const std::int32_t W = S.width, H = S.height, NW = D.width, NH = D.height;

    // Column positions are the same for every row. They are worked out for one block of
    // columns at a time, so the tables stay small however wide the picture is. Every
    // pixel of the destination is written whole, alpha 0 included, so it need not be
    // whitened.
    constexpr std::int32_t blockColumns = 4096;
    ColumnTable table;
    for (std::int32_t first = 0; first < NW - 1; first += blockColumns) {
        const std::int32_t count = std::min(blockColumns, NW - 1 - first);
        table.fill(first, count, W, NW);
        for (std::int32_t i = 0; i + 1 < NH; ++i) {
            const SourceSpan span = sourceSpan(i, H, NH);
            blendRow(table, 0, count, S.rowData(span.first), S.rowData(std::min(span.first + 1, H - 1)), span.fraction,
                     D.rowData(i) + first);
        }
        blendLastRow(table, count, S.rowData(H - 1), D.rowData(NH - 1) + first);
    }

    // The last column blends vertically only; the bottom-right pixel is copied whole.
    for (std::int32_t i = 0; i + 1 < NH; ++i) {
        const SourceSpan span = sourceSpan(i, H, NH);
        D.rowData(i)[NW - 1] =
            blendPair(S.rowData(span.first)[W - 1], S.rowData(std::min(span.first + 1, H - 1))[W - 1], span.fraction);
    }
    D.rowData(NH - 1)[NW - 1] = S.rowData(H - 1)[W - 1];
}

Bitmap::Bitmap(const Bitmap& other) : Bitmap()
{
    setBitDepth(other.bitsPerPixel);
    horizontalResolution = wholeDotsPerInch(other.horizontalResolution);
    verticalResolution = wholeDotsPerInch(other.verticalResolution);
    colorTable = other.colorTable;
    grid = other.grid;
    width = other.width;
    height = other.height;
}

PictureSize rescaledSize(std::int32_t W, std::int32_t H, char mode, std::int32_t value)
{
    const int letter = std::toupper(static_cast<unsigned char>(mode));
    std::int32_t NW = 0, NH = 0;
    const bool byWidth = letter == 'W' || (letter == 'F' && W > H);
    if (letter == 'P') {
        NW = newSide(static_cast<double>(std::int64_t{W} * value) / 100.0);
        NH = newSide(static_cast<double>(std::int64_t{H} * value) / 100.0);
    } else if (byWidth) {
        NW = std::max(value, 1);
        NH = newSide(static_cast<double>(value) / W * H);
    } else {
        NH = std::max(value, 1);
        NW = newSide(static_cast<double>(value) / H * W);
    }
    if (std::int64_t{NW} * NH > Bitmap::maxPixels)
        throw std::length_error("rescaled image larger than the pixel limit");
    return {NW, NH};
}

bool rescaleBitmap(Bitmap& image, char mode, std::int32_t value)
{
    const int letter = std::toupper(static_cast<unsigned char>(mode));
    if (letter != 'P' && letter != 'W' && letter != 'H' && letter != 'F') {
        if (bitmapWarnings) {
            char text[64];
            std::snprintf(text, sizeof text, "Picture Error: Unknown rescale mode %c requested\n", mode);
            writeOut(text);
        }
        return false;
    }

    const std::int32_t W = image.width, H = image.height;
    const PictureSize size = rescaledSize(W, H, mode, value);
    const std::int32_t NW = size.width, NH = size.height;

    const bool edgeReadsWarn = bitmapWarnings && (W == 1 || H == 1);
    if (NW == W && NH == H && !edgeReadsWarn) {
        // At the same size every source position is a whole pixel: each weight is 0 or 1
        // and every sum is exactly the source channel. Resampling then keeps the colours
        // and clears alpha everywhere but in the bottom-right pixel, which is done in place.
        image.setBitDepth(24);
        Pixel* pixels = image.grid.data();
        for (std::size_t i = 0; i + 1 < image.grid.size(); ++i)
            pixels[i].alpha = 0;
        return true;
    }

    // The unscaled grid moves into the sampling source instead of being copied: the
    // image's own grid is replaced right after anyway. The new grid is had first, so a
    // failed allocation leaves the image as it was.
    // The fast resampling writes every pixel; the one that follows the definition writes
    // colours only and relies on the white (alpha 0) of a new grid.
    const auto count = static_cast<std::size_t>(std::int64_t{NW} * NH);
    PixelGrid fresh = edgeReadsWarn ? PixelGrid(count, whitePixel) : PixelGrid(count);
    Bitmap source;
    source.grid.swap(image.grid);
    source.width = W;
    source.height = H;
    image.grid.swap(fresh);
    image.width = NW;
    image.height = NH;
    image.setBitDepth(24);

    if (edgeReadsWarn)
        resampleByDefinition(source, image);
    else
        resampleFast(source, image);
    return true;
}

void copyRegion(const Bitmap& source, std::int32_t lastColumn, std::int32_t lastRow, Bitmap& target)
{
    // A negative last row swaps the ends of the span, which then keeps row 0 alone.
    lastRow = std::max(lastRow, 0);
    lastRow = std::min({lastRow, source.height - 1, target.height - 1});
    lastColumn = std::min({lastColumn, source.width - 1, target.width - 1});
    if (lastColumn < 0)
        return;
    const std::size_t bytes = static_cast<std::size_t>(lastColumn + 1) * sizeof(Pixel);
    for (std::int32_t y = 0; y <= lastRow; ++y)
        std::memcpy(target.rowData(y), source.rowData(y), bytes);
}

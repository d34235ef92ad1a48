// SPDX-License-Identifier: MIT
#include "reduction/black_and_white.h"

#include <cstdint>
#include <vector>

namespace {

constexpr int fullWhite = brightestSum;

int brightness(const Pixel& p)
{
    return p.red + p.green + p.blue;
}

Pixel blackOrWhite(bool white)
{
    return white ? whitePixel : blackPixel;
}

void cut(Bitmap& picture, int threshold)
{
    for (std::int32_t y = 0; y < picture.height; ++y) {
        Pixel* row = picture.rowData(y);
        for (std::int32_t x = 0; x < picture.width; ++x)
            row[x] = blackOrWhite(brightness(row[x]) >= threshold);
    }
}

// A share of an error handed to a neighbour: dx columns right (negative: left), dy rows
// down, weight / divisor of the error.
struct Share {
    int dx;
    int dy;
    int weight;
};

// Error diffusion by `shares`, in order; with `restToLast` the last share takes what the
// others leave after rounding, so that the whole error is passed on.
template <std::size_t count>
void diffuse(Bitmap& picture, int threshold, const Share (&shares)[count], int divisor, bool restToLast)
{
    // The errors given to this row and the two ahead: three rows of width + 4 (two columns of margin
    // on either side, where shares that fall off the picture land and are dropped).
    constexpr int rowsAhead = 3;
    const auto stride = static_cast<std::size_t>(picture.width) + 4;
    std::vector<std::int32_t> errors(stride * rowsAhead, 0);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        std::int32_t* here = errors.data() + stride * static_cast<std::size_t>(y % rowsAhead);
        Pixel* row = picture.rowData(y);
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const std::int32_t value = brightness(row[x]) + here[x + 2];
            const bool white = value >= threshold;
            row[x] = blackOrWhite(white);
            const std::int32_t error = value - (white ? fullWhite : 0);
            std::int32_t given = 0;
            for (std::size_t i = 0; i < count; ++i) {
                const Share& s = shares[i];
                const std::int32_t part =
                    restToLast && i + 1 == count ? error - given : error * s.weight / divisor;
                given += part;
                if (y + s.dy < picture.height)
                    errors[stride * static_cast<std::size_t>((y + s.dy) % rowsAhead) +
                           static_cast<std::size_t>(x + 2 + s.dx)] += part;
            }
        }
        // This row's errors are used up; the row three ahead starts afresh in their place.
        for (std::size_t i = 0; i < stride; ++i)
            here[i] = 0;
    }
}

constexpr Share floydSteinberg[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
constexpr Share atkinson[] = {{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}};

} // namespace

// The Bayer matrix of side n (a power of two), entry (x, y): M2n(x, y) = 4 * Mn(x mod n,
// y mod n) + M2(x / n, y / n), with M2 = [0 2; 3 1]. The finest pair of bits of x and y
// gives the highest digit (base 4) of the entry.
int bayerEntry(int n, int x, int y)
{
    int entry = 0;
    for (int step = 1; step < n; step *= 2) {
        const int bx = x / step % 2;
        const int by = y / step % 2;
        // M2: (0, 0) 0, (1, 0) 2, (0, 1) 3, (1, 1) 1
        entry = entry * 4 + (by == 0 ? 2 * bx : 3 - 2 * bx);
    }
    return entry;
}

namespace {

void ordered(Bitmap& picture, int n)
{
    // White where sum >= (M + 1/2) * 765 / (n * n), that is 2 * n * n * sum >= (2M + 1) * 765.
    std::vector<std::int32_t> cuts(static_cast<std::size_t>(n * n));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            cuts[static_cast<std::size_t>(y * n + x)] = (2 * bayerEntry(n, x, y) + 1) * fullWhite;
    for (std::int32_t y = 0; y < picture.height; ++y) {
        Pixel* row = picture.rowData(y);
        const std::int32_t* cutRow = cuts.data() + (y % n) * n;
        for (std::int32_t x = 0; x < picture.width; ++x)
            row[x] = blackOrWhite(2 * n * n * brightness(row[x]) >= cutRow[x % n]);
    }
}

} // namespace

void makeBlackAndWhite(Bitmap& picture, int threshold, Dither dither)
{
    picture.setBitDepth(24);
    switch (dither) {
    case Dither::none:
        cut(picture, threshold);
        break;
    case Dither::floydSteinberg:
        diffuse(picture, threshold, floydSteinberg, 16, true);
        break;
    case Dither::atkinson:
        diffuse(picture, threshold, atkinson, 8, false);
        break;
    case Dither::bayer4:
        ordered(picture, 4);
        break;
    case Dither::bayer8:
        ordered(picture, 8);
        break;
    }
}

#pragma once

// The bilinear blend for a run of destination pixels in one row that share their four
// source pixels, as happens all along a picture that is scaled up. Lanes of a vector
// unit take several destination pixels at once; each lane does the same IEEE double
// multiplications and additions, in the same order, as the one-pixel code, so the
// results are identical. No fused multiply-add is used.

#include "pixel.h"

#include <cstdint>

struct RunCorners {
    Pixel p00; // top left
    Pixel p10; // top right
    Pixel p01; // bottom left
    Pixel p11; // bottom right
};

// Blends destination pixels 0 .. n - 1 of the run from their column fractions fx[k] and
// 1 - fx[k] (worked out once per column) and the row fraction fy; every pixel gets alpha
// 0. Returns how many leading pixels it did: a multiple of the vector width, 0 on a
// processor without a suitable vector unit. The caller blends the rest one by one.
std::int32_t blendRun(const double* fx, const double* oneMinusFx, std::int32_t n, double fy, const RunCorners& c,
                      Pixel* out);

// SPDX-License-Identifier: MIT
#pragma once

// Bilinear resampling of a whole picture into a destination of another size, with the
// corners aligned. Every channel is an exact IEEE double sum in a fixed order, truncated.

#include "bitmap.h"
#include "vector_kernels.h"

#include <vector>

// Reads the source through pixelAt channel by channel, as the definition states: twelve
// clamped reads for an inner destination pixel. Where the source is one pixel wide or
// high, reads past its edge print the clamping warning while warnings are on.
void resampleByDefinition(const Bitmap& source, Bitmap& destination);

// The same pixels from precomputed column positions and direct row access.
void resampleFast(const Bitmap& source, Bitmap& destination);

// Where destination index j of m along an axis of n source pixels takes its pixels: the
// source index at or before the position, and the fraction of the way to the next one.
struct SourceSpan {
    std::int32_t first;
    double fraction;
};
SourceSpan sourceSpan(std::int32_t j, std::int32_t n, std::int32_t m);

// The positions of a run of destination columns: the two source columns of each (the
// right one clamped to the last column, where it carries weight 0), the fraction and one
// minus it, and runEnd[k], one past the last column from k on with the same source
// columns. Index k stands for destination column first + k.
struct ColumnTable {
    std::vector<std::int32_t> x0, x1;
    std::vector<double> fx, oneMinusFx;
    std::vector<std::int32_t> runEnd;

    // Columns first .. first + count - 1 of NW, none of them the last, from W.
    void fill(std::int32_t first, std::int32_t count, std::int32_t W, std::int32_t NW);
    // runEnd from x0, after x0 and x1 have been renumbered.
    void findRuns(std::int32_t count);
};

// The rows of the fast resampling; each pixel is written whole, alpha 0.
// Columns from .. to - 1 of a destination row above the last: bilinear blends of the
// source rows at and below it.
void blendRow(const ColumnTable& t, std::int32_t from, std::int32_t to, const Pixel* top, const Pixel* bottom, double fy,
              Pixel* out);
// The last destination row: the last source row blended horizontally.
void blendLastRow(const ColumnTable& t, std::int32_t count, const Pixel* last, Pixel* out);
// Two pixels blended, b by f: a pixel of the last destination row, or of the last column
// (the last source column blended vertically).
Pixel blendPair(const Pixel& a, const Pixel& b, double f);

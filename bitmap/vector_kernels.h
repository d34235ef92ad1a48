// SPDX-License-Identifier: MIT
#pragma once

// The loops that have vector versions, each beside the plain definition it is held to.
//
// Every architecture builds and runs the plain code. On x86-64 a vector version (SSE2,
// which every such processor has, or SSSE3 and AVX2 where the processor reports them)
// does the leading elements and the plain code finishes the rest; the results are
// identical bit for bit. Floating-point lanes do the same IEEE double multiplications
// and additions, in the same order, as the plain code, and no fused multiply-add is used.

#include "bmp_format.h"
#include "pixel.h"

#include <cstdint>

// The bilinear blend of one channel: an exact IEEE double sum in a fixed order.
struct Weights {
    double w00, w10, w01, w11;
};

inline Weights bilinearWeights(double fx, double fy)
{
    Weights w;
    w.w11 = fx * fy;
    w.w10 = fx - w.w11;
    w.w00 = ((1 - fx) - fy) + w.w11;
    w.w01 = fy - w.w11;
    return w;
}

inline double blend4(std::uint8_t s00, std::uint8_t s10, std::uint8_t s01, std::uint8_t s11, const Weights& w)
{
    double s = s10 * w.w10;
    s = s00 * w.w00 + s;
    s = s01 * w.w01 + s;
    s = s11 * w.w11 + s;
    return s;
}

inline double blend2(std::uint8_t a, std::uint8_t b, double f)
{
    double s = a * (1 - f);
    s = b * f + s;
    return s;
}

// A channel from its sum: truncated toward zero, the low byte kept.
inline std::uint8_t channel(double sum)
{
    return static_cast<std::uint8_t>(static_cast<int>(sum));
}

// The four source pixels a run of destination pixels in one row shares, as happens all
// along a picture that is scaled up.
struct RunCorners {
    Pixel p00; // top left
    Pixel p10; // top right
    Pixel p01; // bottom left
    Pixel p11; // bottom right
};

// Blends destination pixels 0 .. n - 1 of a run from their column fractions fx[k] and
// 1 - fx[k] (worked out once per column) and the row fraction fy; every pixel gets
// alpha 0. Vector: AVX2, four pixels a step.
void blendRun(const double* fx, const double* oneMinusFx, std::int32_t n, double fy, const RunCorners& c, Pixel* out);

// The pixels of a stored 1-bit row: entry 1 where a bit is set, entry 0 elsewhere.
// Vector: SSE2, eight pixels a step.
void expandOneBitRow(const std::uint8_t* bits, std::int32_t width, Pixel entry0, Pixel entry1, Pixel* out);

// The pixels of a stored 24-bit row: blue, green, red, alpha 0. Vector: SSSE3, four
// pixels a step.
void expand24BitRow(const std::uint8_t* in, std::int32_t width, Pixel* out);

// Packs `width` pixels by the black-and-white decision (nearerToWhite) into a 1-bit row, eight a byte, the leftmost in
// the most significant bit, 1 for white; a last group of fewer than eight leaves the low
// bits 0. Vector: SSE2, eight pixels a step.
void packBlackWhiteRow(const Pixel* in, std::int32_t width, std::uint8_t* out);

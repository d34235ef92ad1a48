// SPDX-License-Identifier: MIT
#pragma once

// The picture brought to the display's size as panelbake brings it: the same fitting of
// -w and -h (the smaller side of the target decides the scale, the other is cut on the
// right or at the bottom, or padded with white), the same bilinear rescale.
//
// The picture at the display's size depends on few of the picture's pixels: for each
// pixel kept, the two rows and two columns that the bilinear rescale blends. A reduction
// can be made from those alone (planConversion, then scaleSamplesToDisplay), without
// holding the whole picture; its pixels are those of scaleToDisplay on the whole one.

#include "bitmap.h"
#include "fast_conversion.h"

#include <cstdint>

// Scales `picture` in place to the size -w and -h ask for (negative: not given). Throws
// std::length_error for a size beyond the limits and std::bad_alloc when the memory cannot
// be had.
void scaleToDisplay(Bitmap& picture, std::int32_t targetWidth, std::int32_t targetHeight);

// The picture at the display's size, at 24 bits, from `samples`: the picture's pixels at
// the rows and columns of its plan (planConversion with the picture's size and -w and -h),
// pixel (i, k) being pixel (columns[i], rows[k]). Throws std::bad_alloc when the memory
// cannot be had.
void scaleSamplesToDisplay(const Bitmap& samples, const ConversionPlan& plan, Bitmap& display);

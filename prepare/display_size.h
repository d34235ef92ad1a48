// SPDX-License-Identifier: MIT
#pragma once

// The picture brought to the display's size as panelbake brings it: the same fitting of
// -w and -h (the smaller side of the target decides the scale, the other is cut on the
// right or at the bottom, or padded with white), the same bilinear rescale.

#include "bitmap.h"

#include <cstdint>

// Scales `picture` in place to the size -w and -h ask for (negative: not given). Throws
// std::length_error for a size beyond the limits and std::bad_alloc when the memory cannot
// be had.
void scaleToDisplay(Bitmap& picture, std::int32_t targetWidth, std::int32_t targetHeight);

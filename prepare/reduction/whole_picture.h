// SPDX-License-Identifier: MIT
#pragma once

// A picture held whole (a GIF's frame, C text's picture, a BMP read whole) adjusted and
// reduced as a run asks: turned, mirrored and inverted, then brought to the display's size
// and, for bw, made black and white.

#include "bitmap.h"
#include "prepare_options.h"
#include "reduction/adjustments.h"

#include <cstdint>

// The size of a width x height picture adjusted.
OrientedLayout adjustedSize(std::int32_t width, std::int32_t height, const Adjustments& adjustments);

// The whole picture brought to the display's size, and for bw made black and white, when
// that is asked for.
void reduceWhole(Bitmap& picture, const Reduction& reduction);

// The picture as written: adjusted, then reduced. That is `picture` itself when nothing
// is asked for (or only a panel of colours at the picture's own size), otherwise `work`,
// which then holds it.
const Bitmap& adjustedAndReduced(const Bitmap& picture, const Adjustments& adjustments, const Reduction& reduction,
                                 Bitmap& work);

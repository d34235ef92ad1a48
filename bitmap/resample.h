#pragma once

// Bilinear resampling of a whole picture into a destination of another size, with the
// corners aligned. Every channel is an exact IEEE double sum in a fixed order, truncated.

#include "bitmap.h"

// Reads the source through pixelAt channel by channel, as the definition states: twelve
// clamped reads for an inner destination pixel. Where the source is one pixel wide or
// high, reads past its edge print the clamping warning while warnings are on.
void resampleByDefinition(const Bitmap& source, Bitmap& destination);

// The same pixels from precomputed column positions and direct row access.
void resampleFast(const Bitmap& source, Bitmap& destination);

// SPDX-License-Identifier: MIT
#pragma once

// The reduction to a display's size made from the pixels it depends on. The picture at the
// display's size blends, for each pixel kept, two rows and two columns of the adjusted
// picture; only those pixels are sampled (from a file, a picture in memory, or a decoded
// photo), never the whole picture, and the result is the plain reduction's, pixel for
// pixel: the whole picture adjusted, scaled to the display (scaleToDisplay) and made black
// and white.

#include "reduction/adjustments.h"
#include "bitmap.h"
#include "bmp_header.h"
#include "prepare_options.h"
#include "decoding/still_decoder.h"

#include <cstdint>
#include <functional>

// Puts the adjusted picture's pixels at the rows and columns of `sampling` into `samples`,
// pixel (i, k) being pixel (columns[i], rows[k]).
using PixelSampler = std::function<void(const PictureSampling& sampling, Bitmap& samples)>;

// The adjusted picture (width x height) reduced to the display's size and, for bw, made
// black and white (reduceToBlackAndWhite), into `display`, from the pixels `sampler` gives. False, nothing sampled, where the
// reduction depends on the whole picture: no -w or -h, or a size beyond the limits (which
// the plain reduction refuses). Throws std::bad_alloc when the memory cannot be had.
bool reduceSampled(std::int32_t width, std::int32_t height, const Reduction& reduction, const PixelSampler& sampler,
                   Bitmap& display);

// The picture at the display's size made black and white, where the panel is bw; another
// panel's picture is reduced to its colours as it is written (reducedToPanel), to the
// values its files hold.
void reduceToBlackAndWhite(Bitmap& display, const Reduction& reduction);

// The sampler of a stored picture held whole, adjusted by `adjustments`.
PixelSampler sampleFromPicture(const Bitmap& stored, const Adjustments& adjustments);

// The sampler of a BMP file whose header has been read (Bitmap::loadHeader), adjusted by
// `adjustments`: only the stored rows and columns under the pixels sampled are read.
PixelSampler sampleFromFile(BmpFile& file, const Adjustments& adjustments);

// The sampler of a decoded picture turned by the adjustments already (DecodedStill::turn),
// inverted by --invert.
PixelSampler sampleFromStill(const DecodedStill& picture, const Adjustments& adjustments);

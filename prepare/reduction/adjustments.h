// SPDX-License-Identifier: MIT
#pragma once

// The lossless adjustments of a picture as shown (after its EXIF turn), in this order:
// turned clockwise by --rotate, then mirrored by --flip, then inverted by --invert. They
// move or invert whole pixels only, so nothing is blended or lost.

#include "bitmap.h"
#include "decoding/exif_orientation.h"

#include <cstdint>

struct Adjustments {
    int rotate = 0;              // clockwise: 0, 90, 180 or 270 degrees
    bool flipHorizontal = false; // left and right change places
    bool flipVertical = false;   // top and bottom change places
    bool invert = false;         // every channel c becomes 255 - c

    // Whether pixels move at all.
    bool turns() const { return rotate != 0 || flipHorizontal || flipVertical; }
    bool any() const { return turns() || invert; }
};

// The layout of the adjusted picture: where its pixels come from in the stored picture
// that `shown` lays out. Turning a layout moves no pixel, so a photo is turned as its rows
// are made.
OrientedLayout adjustedLayout(const OrientedLayout& shown, const Adjustments& adjustments);

// Inverts `count` colour bytes in place (with --invert; nothing without it).
void invertBytes(std::uint8_t* bytes, std::size_t count, const Adjustments& adjustments);

// The rows and columns of a stored picture of width x height under the given rows and
// columns of the picture adjusted. With a quarter turn the adjusted picture's columns are
// stored rows, and its rows stored columns. The stored picture's pixels there, adjusted
// (adjustBitmap), are the adjusted picture's pixels at the given rows and columns: a turn
// or a mirror keeps rows and columns whole, reversing their order at most.
PictureSampling storedSampling(const PictureSampling& adjusted, const Adjustments& adjustments, std::int32_t width,
                               std::int32_t height);

// The picture adjusted, as a new Bitmap at 24 bits. Throws std::bad_alloc when the memory
// cannot be had.
void adjustBitmap(const Bitmap& picture, const Adjustments& adjustments, Bitmap& adjusted);

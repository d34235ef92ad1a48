// SPDX-License-Identifier: MIT
#pragma once

// PNG, JPEG and BMP pictures, through stb_image, into a 24-bit Bitmap as panelbake reads
// it: 16-bit samples reduced to the nearest 8-bit value, transparency laid on white, a
// JPEG turned as its EXIF orientation says. Colour profiles are ignored.

#include "bitmap.h"
#include "picture_format.h"
#include "picture_refusal.h"

#include <cstddef>
#include <cstdint>

// The stored size from the header alone; refused over the limits before any pixel is
// decoded. Throws PictureRefusal.
PictureSize stillPictureSize(const std::uint8_t* data, std::size_t size, PictureFormat format,
                             const DecodeLimits& limits);

// Decodes the whole picture into `picture`, which becomes 24 bits deep. Throws
// PictureRefusal; memory that cannot be had is Refusal::outOfMemory.
void decodeStill(const std::uint8_t* data, std::size_t size, PictureFormat format, const DecodeLimits& limits,
                 Bitmap& picture);

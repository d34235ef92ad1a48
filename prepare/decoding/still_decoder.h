// SPDX-License-Identifier: MIT
#pragma once

// PNG, JPEG and BMP pictures, through stb_image, and PAM pictures, as panelbake reads
// them: 16-bit samples reduced to the nearest 8-bit value, transparency laid on white, a
// JPEG turned as its EXIF orientation says. Colour profiles are ignored.

#include "reduction/adjustments.h"
#include "bitmap.h"
#include "decoding/exif_orientation.h"
#include "decoding/picture_format.h"
#include "picture_refusal.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// The stored size from the header alone; refused over the limits before any pixel is
// decoded. Throws PictureRefusal.
PictureSize stillPictureSize(const std::uint8_t* data, std::size_t size, PictureFormat format,
                             const DecodeLimits& limits);

// A decoded picture, held as the decoder gives it; its rows are made as shown on demand,
// so that a large photo is in memory once.
class DecodedStill {
public:
    // Decodes the whole picture. Throws PictureRefusal; memory that cannot be had is
    // Refusal::outOfMemory.
    DecodedStill(const std::uint8_t* data, std::size_t size, PictureFormat format, const DecodeLimits& limits);

    // The size as shown.
    std::int32_t width() const { return layout.width; }
    std::int32_t height() const { return layout.height; }

    // Turns and mirrors the picture as shown by the adjustments (their inversion is the
    // caller's); no pixel moves until rows are made.
    void turn(const Adjustments& adjustments) { layout = adjustedLayout(layout, adjustments); }

    // Row y as shown (0 is the top row), width() pixels of blue, green and red bytes.
    void shownRow(std::int32_t y, std::uint8_t* row) const;
    // Of row y as shown, the pixels of the given columns (each inside the width), in
    // their order: three bytes each.
    void shownPixels(std::int32_t y, const std::vector<std::int32_t>& columns, std::uint8_t* bytes) const;

private:
    void takePam(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits);
    void makeShown(std::int32_t y, const std::vector<std::int32_t>* columns, std::uint8_t* bytes) const;

    struct Free {
        void operator()(void* pixels) const;
    };
    std::unique_ptr<void, Free> pixels;
    bool sixteenBits = false;
    int channels = 0;
    OrientedLayout layout{};
};

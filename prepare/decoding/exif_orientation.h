// SPDX-License-Identifier: MIT
#pragma once

// EXIF orientation: how a photo viewer turns a JPEG before showing it. The camera stores
// the rows as the sensor read them and records in the Exif block (APP1) which way up the
// picture was taken, as a value from 1 to 8.

#include <cstddef>
#include <cstdint>

// The orientation a JPEG's first Exif block states, or 1 (as stored) when it has none, or
// the block is malformed, or the value is not one of 1 to 8. Every read is bounds-checked.
int jpegOrientation(const std::uint8_t* data, std::size_t size);

// Where the shown pixels come from. The shown picture is width x height pixels; its pixel
// (X, Y) is the stored pixel of index origin + X * stepX + Y * stepY, counted row by row
// in the stored picture.
struct OrientedLayout {
    std::int32_t width;
    std::int32_t height;
    std::int64_t origin;
    std::int64_t stepX;
    std::int64_t stepY;
};

// The layout for a stored picture of storedWidth x storedHeight pixels. Orientations
// 5 to 8 swap the sides.
//   1 as stored          2 mirrored left to right   3 turned half round   4 mirrored top to bottom
//   5 mirrored along the main diagonal   6 turned a quarter clockwise
//   7 mirrored along the other diagonal  8 turned a quarter anticlockwise
OrientedLayout orientedLayout(int orientation, std::int32_t storedWidth, std::int32_t storedHeight);

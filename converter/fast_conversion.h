// SPDX-License-Identifier: MIT
#pragma once

// The conversion made from the pixels its output depends on, and held as bits.
//
// The target size and the size of the rescaled picture follow from the stored size and
// the options alone, and with them the rows and columns of the source that the bilinear
// rescale samples: two of each for every destination row and column that the target
// keeps. Only those are read from the file (rows are seeked past), row by row as they are
// stored; each target row is made as soon as its source rows have come, resampled with the
// rescale's own kernels, made black and white by the preview writer's rule and packed
// straight into bits. At most two source rows are held, so a conversion takes little
// more memory than its target as bits. The preview is written from the bits and read back
// into bits, and the header is packed from those. Outputs and messages are those of
// runPipeline on the whole picture.

#include "bit_picture.h"
#include "bitmap.h"
#include "bmp_header.h"
#include "pipeline.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

struct ConversionPlan {
    std::int32_t sourceWidth = 0; // as stored
    std::int32_t sourceHeight = 0;
    bool targetFromRows = false;  // the target was made from the rows as they were read
    bool targetMissing = false;   // the memory for the target could not be had
    TargetSize target{};
    PictureSize rescaled{};
    PictureSampling sampling;     // rows and columns of the stored picture
    // How the conversion is made, set before it; tests set small numbers. The most bytes
    // one read of stored rows fetches (BmpFile::pieceBytes), and the most target columns
    // whose layouts (source columns and weights) are held for the whole conversion: a wider
    // target lays out its columns again for each row.
    std::size_t readPieceBytes = BmpFile::defaultPieceBytes;
    std::int32_t layoutColumnsHeld = 1 << 17;
};

// Fills the plan for a stored picture and the -w/-h values. False where the conversion
// takes the whole picture: a target side that is not positive, a size beyond a limit, or a
// source one pixel wide or high while the library's messages are on (the rescale then
// prints its clamped reads).
bool planConversion(std::int32_t width, std::int32_t height, std::int32_t targetWidth, std::int32_t targetHeight,
                    ConversionPlan& plan);

// Loads the source: its header, then the plan from the stored size, then the pixels. Where
// the plan allows, the rows go straight into `target` as bits and `source` keeps no pixels
// (plan.targetFromRows); otherwise `source` holds the whole picture. The result is that of
// Bitmap::load.
bool loadSource(Bitmap& source, const std::string& path, std::int32_t targetWidth, std::int32_t targetHeight,
                ConversionPlan& plan, BitPicture& target);

// The conversion of a picture that is not in a file but made row by row, as loadSource
// makes the target of the same picture stored as a 24-bit BMP: fillRow(y, row) puts the
// `width` pixels of row y (0 is the top row) into `row`. Rows are asked for from the bottom
// up, only those the target depends on; alpha is not looked at. False, with `target` left
// as it is, where planConversion is.
bool convertRows(std::int32_t width, std::int32_t height, std::int32_t targetWidth, std::int32_t targetHeight,
                 const std::function<void(std::int32_t y, Pixel* row)>& fillRow, ConversionPlan& plan,
                 BitPicture& target);

// The rest of a conversion whose target was made by loadSource: the preview and the
// header. Returns the exit code.
int finishTargetFromRows(BitPicture& target, const ConversionPlan& plan, const std::string& sourcePath);

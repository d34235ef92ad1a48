#pragma once

#include "bitmap.h"

#include <cstdint>
#include <string>

struct TargetSize {
    std::int32_t width;
    std::int32_t height;
};

// The final target size from the -w/-h values (negative: not given) and the source
// size. A given side is divided by the source size along its own axis, then multiplied
// by the source size along the other, in double precision, and truncated. Throws
// std::length_error when the computed side does not fit in 32 bits.
TargetSize computeTargetSize(std::int32_t targetWidth, std::int32_t targetHeight, std::int32_t sourceWidth,
                             std::int32_t sourceHeight);

// Scales the loaded source, reduces it to black and white through the 1-bit preview file
// next to the source, reads that back and writes the C header. Returns the exit code.
int runPipeline(Bitmap& sourceBitmap, Bitmap& targetBitmap, const std::string& sourcePath,
                std::int32_t targetWidth, std::int32_t targetHeight);

// SPDX-License-Identifier: MIT
#pragma once

#include "bitmap.h"

#include <cstdint>
#include <functional>
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

// Pieces every conversion shares.
// The rescale of the source that the target asks for.
struct RescaleStep {
    char mode;
    std::int32_t value;
};
RescaleStep rescaleStep(const TargetSize& target);
// The verbose target line.
void reportTarget(const TargetSize& target);
// The outputs: the preview (written and read back by writeAndReloadPreview, given the
// preview name), then the header (writeHeader, given the base name). Returns the exit code.
int finishConversion(const std::string& sourcePath, const std::function<bool(const std::string&)>& writeAndReloadPreview,
                     const std::function<bool(const std::string&)>& writeHeader);
// Runs a conversion, answering a size beyond a limit and memory that cannot be had with
// their messages and exit code -2.
int guardConversion(const std::string& sourcePath, const std::function<int()>& convert);

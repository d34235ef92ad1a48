// SPDX-License-Identifier: MIT
#include "pipeline.h"

#include "console_text.h"
#include "options.h"
#include "output_names.h"
#include "page_header.h"
#include "run_notes.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace {

std::int32_t computedSide(double given, std::int32_t ownAxis, std::int32_t otherAxis)
{
    const double side = std::trunc(given / ownAxis * otherAxis);
    if (side > std::numeric_limits<std::int32_t>::max())
        throw std::length_error("target side does not fit in 32 bits");
    return static_cast<std::int32_t>(side);
}

// value - 1 for an inclusive bound, without leaving the 32-bit range.
std::int32_t lastIndex(std::int32_t size)
{
    return static_cast<std::int32_t>(std::max<std::int64_t>(std::int64_t{size} - 1, std::numeric_limits<std::int32_t>::min()));
}

int convert(Bitmap& sourceBitmap, Bitmap& targetBitmap, const std::string& sourcePath, std::int32_t targetWidth,
            std::int32_t targetHeight)
{
    const TargetSize target =
        computeTargetSize(targetWidth, targetHeight, sourceBitmap.width, sourceBitmap.height);
    const std::int32_t W = target.width;
    const std::int32_t H = target.height;

    const RescaleStep step = rescaleStep(target);
    rescaleBitmap(sourceBitmap, step.mode, step.value);

    reportTarget(target);

    // The scaled source is no longer needed after this. When it has exactly the target's
    // size, the region copy would fill the whole target with it, so its pixels move over.
    if (sourceBitmap.width == W && sourceBitmap.height == H) {
        targetBitmap.takePixels(sourceBitmap);
    } else {
        targetBitmap.setDimensions(W, H);
        copyRegion(sourceBitmap, lastIndex(W), lastIndex(H), targetBitmap);
        sourceBitmap.setDimensions(1, 1);
    }
    targetBitmap.setBitDepth(1);
    targetBitmap.fillGrayPalette();

    // Writing the 1-bit preview makes the black-and-white decision; the header is made
    // from the picture exactly as that file stores it.
    return finishConversion(
        sourcePath,
        [&](const std::string& previewName) {
            return targetBitmap.save(previewName.c_str()) && targetBitmap.load(previewName.c_str());
        },
        [&](const std::string& baseName) {
            return writePageColumnHeader(targetBitmap, baseName, arrayAttribute(avrProgmem, pic30AutoPsv), verbose);
        });
}

} // namespace

TargetSize computeTargetSize(std::int32_t targetWidth, std::int32_t targetHeight, std::int32_t sourceWidth,
                             std::int32_t sourceHeight)
{
    std::int32_t W = targetWidth;
    std::int32_t H = targetHeight;
    if (H > 0) {
        if (W < 0)
            W = computedSide(H, sourceHeight, sourceWidth);
    } else if (H < 0) {
        if (W > 0) {
            H = computedSide(W, sourceWidth, sourceHeight);
        } else if (W < 0) {
            H = sourceHeight;
            W = sourceWidth;
        }
    }
    return {W, H};
}

RescaleStep rescaleStep(const TargetSize& target)
{
    // The smaller side of the target decides the scale; the other is cut or padded.
    if (target.width < target.height)
        return {'w', target.width};
    return {'h', target.height};
}

void reportTarget(const TargetSize& target)
{
    if (verbose)
        writeOut("Target height:" + std::to_string(target.height) + "    target width:" + std::to_string(target.width) + "\n");
}

int finishConversion(const std::string& sourcePath, const std::function<bool(const std::string&)>& writeAndReloadPreview,
                     const std::function<bool(const std::string&)>& writeHeader)
{
    const std::string baseName = makeBaseName(sourcePath);
    const std::string previewName = makePreviewName(baseName);
    if (verbose)
        writeOut("writing a 1bpp image as \"" + previewName + "\"\n");
    if (!writeAndReloadPreview(previewName)) {
        writeError("Error on creating preview file\n");
        noteFailure(RunFailure::previewNotWritten);
        return -2;
    }
    if (!writeHeader(baseName)) {
        writeError("Error on creating header file\n");
        noteFailure(RunFailure::headerNotWritten);
        return -2;
    }
    return 0;
}

int guardConversion(const std::string& sourcePath, const std::function<int()>& convert)
{
    try {
        return convert();
    } catch (const std::length_error&) {
        writeError("Error: target size is too large\n");
        noteFailure(RunFailure::targetTooLarge);
    } catch (...) {
        writeError("Error: not enough memory to convert \"" + sourcePath + "\"\n");
        noteFailure(RunFailure::conversionOutOfMemory);
    }
    return -2;
}

int runPipeline(Bitmap& sourceBitmap, Bitmap& targetBitmap, const std::string& sourcePath,
                std::int32_t targetWidth, std::int32_t targetHeight)
{
    return guardConversion(sourcePath,
                           [&] { return convert(sourceBitmap, targetBitmap, sourcePath, targetWidth, targetHeight); });
}

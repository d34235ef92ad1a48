#pragma once

// The conversion check: arbitrary bytes plus input-chosen -w, -h and array attributes
// through the whole conversion, in a scratch directory. Input layout: two little-endian
// 16-bit option codes (width, height), one byte of flags (1 -pgm, 2 -pic30, 4 the
// library's messages on), then the source file. A conversion within the limits must
// succeed with a header that shows exactly its preview; one beyond them must be refused
// without a header. Aborts on a violation.
#include "bitmap.h"
#include "diagnostics.h"
#include "fuzz_support.h"
#include "options.h"
#include "output_names.h"
#include "page_header.h"
#include "pipeline.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace fuzz {

namespace pipelineDetail {

constexpr std::size_t optionBytes = 5;

// -3 to 128: not given, zero and positive sizes, small enough for one input to stay fast.
inline std::int32_t sizeOption(const std::uint8_t* code)
{
    return static_cast<std::int32_t>(bmp::readU16(code) % 132) - 3;
}

// The larger of the two grids the conversion allocates: the target, and the source
// scaled so that the smaller target side fits.
inline double largestGrid(std::int32_t W, std::int32_t H, const Bitmap& source)
{
    const double Ws = source.width, Hs = source.height;
    double scaledWidth, scaledHeight;
    if (W < H) {
        scaledWidth = W;
        scaledHeight = std::floor(static_cast<double>(W) / Ws * Hs);
    } else {
        scaledHeight = H;
        scaledWidth = std::floor(static_cast<double>(H) / Hs * Ws);
    }
    const double scaled = std::fmax(scaledWidth, 1) * std::fmax(scaledHeight, 1);
    const double target = (W > 0 && H > 0) ? double(W) * H : 1;
    return std::fmax(scaled, target);
}

} // namespace pipelineDetail

// Returns -1 for an input not worth keeping (too short, or over the size budget), else 0.
inline int pipelineInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pipelineDetail;
    static const ScratchDir scratch;
    static const std::string source = scratch.path("logo-1.bmp");
    static const std::string baseName = makeBaseName(source);
    static const std::string previewName = makePreviewName(baseName);
    static const std::string headerName = baseName + ".h";

    if (size < optionBytes)
        return -1;
    const std::int32_t width = sizeOption(data);
    const std::int32_t height = sizeOption(data + 2);
    avrProgmem = (data[4] & 1) != 0;
    pic30AutoPsv = (data[4] & 2) != 0;
    // With warnings on, scaling a picture one pixel wide or high takes the path that
    // reads every pixel through pixelAt.
    bitmapWarnings = (data[4] & 4) != 0;
    data += optionBytes;
    size -= optionBytes;
    if (claimsCostlyPicture(data, size))
        return -1;

    writeFile(source, data, size);
    std::remove(previewName.c_str());
    std::remove(headerName.c_str());

    Bitmap sourceBitmap;
    Bitmap targetBitmap;
    if (!sourceBitmap.load(source.c_str()))
        return 0;

    bool sizesFit = true;
    TargetSize target{};
    try {
        target = computeTargetSize(width, height, sourceBitmap.width, sourceBitmap.height);
        // With messages on, every read past a one-pixel side prints two lines: such
        // inputs stay small.
        if (largestGrid(target.width, target.height, sourceBitmap) > (bitmapWarnings ? 256 : pixelBudget))
            return -1;
    } catch (const std::length_error&) {
        sizesFit = false; // the conversion must refuse this itself
    }

    const int code = runPipeline(sourceBitmap, targetBitmap, source, width, height);
    std::string header;
    const bool headerWritten = readFile(headerName, header, "r");
    if (!sizesFit) {
        check(code == -2 && !headerWritten, "an oversized target is refused without a header");
        return 0;
    }
    check(code == 0, "a conversion within the limits succeeds");
    check(headerWritten, "the header exists");

    // The header shows exactly the picture of the preview file, at the target size.
    Bitmap preview;
    check(preview.load(previewName.c_str()), "the preview reads back");
    check(preview.bitsPerPixel == 1, "the preview has one bit per pixel");
    if (target.width > 0 && target.height > 0)
        check(preview.width == target.width && preview.height == target.height, "the preview has the target size");
    else
        check(preview.width == 1 && preview.height == 1, "a zero target side leaves one pixel");
    check(header == pageColumnHeaderText(preview, baseName), "the header matches the preview");
    return 0;
}

} // namespace fuzz

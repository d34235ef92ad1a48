// SPDX-License-Identifier: MIT
#pragma once

// The reduction check: arbitrary bytes as a picture for panelbake-prepare with
// input-chosen adjustments and reduction. Input layout: two little-endian 16-bit option
// codes (-w, -h, each code % 132 - 3), one byte of adjustments (bits 0-1 quarter turns,
// bit 2 --flip h, bit 3 --flip v, bit 4 --invert), one byte choosing the rule (% 5: the
// cut, floyd-steinberg, atkinson, bayer4, bayer8) and one the threshold (times 3), then
// the picture. The reduction made from the pixels it depends on (a BMP's rows read from
// its file, a BMP held whole, a decoded PNG or JPEG) must give exactly the plain
// reduction's pixels: the whole picture adjusted, scaled to the display and made black and
// white. Aborts on a violation.

#include "reduction/adjustments.h"
#include "reduction/black_and_white.h"
#include "reduction/display_size.h"
#include "fast_conversion.h"
#include "fuzz_support.h"
#include "decoding/picture_format.h"
#include "prepare_check.h"
#include "decoding/still_decoder.h"
#include "reduction/sampled_reduction.h"
#include "vector_kernels.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace fuzz {

namespace reductionDetail {

constexpr std::size_t optionBytes = 7;

inline void checkSamePixels(const Bitmap& sampled, const Bitmap& plain)
{
    check(sampled.width == plain.width && sampled.height == plain.height, "the display's size");
    for (std::int32_t y = 0; y < plain.height; ++y)
        for (std::int32_t x = 0; x < plain.width; ++x) {
            const Pixel& a = sampled.rowData(y)[x];
            const Pixel& b = plain.rowData(y)[x];
            check(a.red == b.red && a.green == b.green && a.blue == b.blue, "the plain reduction's pixels");
        }
}

} // namespace reductionDetail

// The reduction of an adjusted picture of width x height from what `sampler` gives,
// against the plain one of the whole adjusted picture that `whole` makes. Nothing is
// compared where the reduction takes the whole picture anyway, or is over the fuzzers'
// budget. Returns whether the sampled reduction was made.
inline bool compareReductions(std::int32_t width, std::int32_t height, const Reduction& reduction,
                              const PixelSampler& sampler, const std::function<void(Bitmap&)>& whole)
{
    ConversionPlan plan;
    if (!planConversion(width, height, reduction.width, reduction.height, plan) ||
        double(plan.target.width) * plan.target.height > pixelBudget ||
        double(plan.rescaled.width) * plan.rescaled.height > 4 * pixelBudget)
        return false;
    Bitmap sampled;
    if (!reduceSampled(width, height, reduction, sampler, sampled))
        return false;
    Bitmap plain;
    whole(plain);
    if (reduction.width > 0 || reduction.height > 0)
        scaleToDisplay(plain, reduction.width, reduction.height);
    makeBlackAndWhite(plain, reduction.threshold, reduction.dither);
    reductionDetail::checkSamePixels(sampled, plain);
    return true;
}

// The options an input starts with.
inline void reductionOptions(const std::uint8_t* data, Adjustments& adjustments, Reduction& reduction)
{
    reduction.requested = true;
    reduction.width = static_cast<std::int32_t>(bmp::readU16(data) % 132) - 3;
    reduction.height = static_cast<std::int32_t>(bmp::readU16(data + 2) % 132) - 3;
    adjustments.rotate = 90 * (data[4] & 3);
    adjustments.flipHorizontal = (data[4] & 4) != 0;
    adjustments.flipVertical = (data[4] & 8) != 0;
    adjustments.invert = (data[4] & 16) != 0;
    constexpr Dither rules[] = {Dither::none, Dither::floydSteinberg, Dither::atkinson, Dither::bayer4, Dither::bayer8};
    reduction.dither = rules[data[5] % 5];
    reduction.threshold = 3 * data[6];
}

inline int reductionInput(const std::uint8_t* data, std::size_t size)
{
    if (size < reductionDetail::optionBytes)
        return 0;
    Adjustments adjustments;
    Reduction reduction;
    reductionOptions(data, adjustments, reduction);
    data += reductionDetail::optionBytes;
    size -= reductionDetail::optionBytes;
    const PictureFormat format = sniffFormat(data, size);
    if (format == PictureFormat::bmp) {
        if (claimsCostlyPicture(data, size))
            return 0;
        static ScratchDir scratch;
        const std::string path = scratch.path("source.bmp");
        writeFile(path, data, size);
        Bitmap stored;
        if (!loadInPieces(stored, path))
            return 0; // panelbake refuses it: decoded as a still picture instead
        const OrientedLayout adjusted = adjustedLayout(orientedLayout(1, stored.width, stored.height), adjustments);
        const auto whole = [&](Bitmap& out) { adjustBitmap(stored, adjustments, out); };
        compareReductions(adjusted.width, adjusted.height, reduction, sampleFromPicture(stored, adjustments), whole);
        Bitmap header;
        BmpFile file;
        file.pieceBytes = readPieceBytes;
        check(header.loadHeader(path.c_str(), file), "the header read again");
        compareReductions(adjusted.width, adjusted.height, reduction, sampleFromFile(file, adjustments), whole);
    } else if (format == PictureFormat::png || format == PictureFormat::jpeg) {
        try {
            DecodedStill picture(data, size, format, prepareLimits());
            picture.turn(adjustments);
            compareReductions(picture.width(), picture.height(), reduction, sampleFromStill(picture, adjustments),
                              [&](Bitmap& out) {
                                  out.setDimensions(picture.width(), picture.height());
                                  std::vector<std::uint8_t> bytes(3 * static_cast<std::size_t>(picture.width()));
                                  for (std::int32_t y = 0; y < picture.height(); ++y) {
                                      picture.shownRow(y, bytes.data());
                                      invertBytes(bytes.data(), bytes.size(), adjustments);
                                      expand24BitRow(bytes.data(), picture.width(), out.rowData(y));
                                  }
                              });
        } catch (const PictureRefusal&) {
            // refused with a reason, as prepare_check holds
        }
    }
    return 0;
}

} // namespace fuzz

// SPDX-License-Identifier: MIT
#include "reduction/sampled_reduction.h"

#include "reduction/black_and_white.h"
#include "reduction/display_size.h"
#include "fast_conversion.h"
#include "vector_kernels.h"

#include <cstddef>
#include <vector>

namespace {

// The adjusted picture's pixels from those of the stored picture (width x height) at the
// stored rows and columns under them, which pick(stored, picked) puts into `picked`.
template <typename Pick>
PixelSampler sampleAdjusted(const Adjustments& adjustments, std::int32_t width, std::int32_t height, Pick pick)
{
    return [=, &adjustments](const PictureSampling& sampling, Bitmap& samples) {
        const PictureSampling stored = storedSampling(sampling, adjustments, width, height);
        Bitmap picked;
        pick(stored, picked);
        adjustBitmap(picked, adjustments, samples);
    };
}

} // namespace

bool reduceSampled(std::int32_t width, std::int32_t height, const Reduction& reduction, const PixelSampler& sampler,
                   Bitmap& display)
{
    ConversionPlan plan;
    if (!reduction.requested || (reduction.width <= 0 && reduction.height <= 0) ||
        !planConversion(width, height, reduction.width, reduction.height, plan))
        return false;
    Bitmap samples;
    sampler(plan.sampling, samples);
    scaleSamplesToDisplay(samples, plan, display);
    reduceToBlackAndWhite(display, reduction);
    return true;
}

void reduceToBlackAndWhite(Bitmap& display, const Reduction& reduction)
{
    if (reduction.blackAndWhite())
        makeBlackAndWhite(display, reduction.threshold, reduction.dither);
}

PixelSampler sampleFromPicture(const Bitmap& stored, const Adjustments& adjustments)
{
    return sampleAdjusted(adjustments, stored.width, stored.height, [&stored](const PictureSampling& at, Bitmap& picked) {
        picked.setDimensions(static_cast<std::int32_t>(at.columns.size()), static_cast<std::int32_t>(at.rows.size()));
        for (std::size_t k = 0; k < at.rows.size(); ++k) {
            const Pixel* in = stored.rowData(at.rows[k]);
            Pixel* out = picked.rowData(static_cast<std::int32_t>(k));
            for (std::size_t i = 0; i < at.columns.size(); ++i)
                out[i] = in[at.columns[i]];
        }
    });
}

PixelSampler sampleFromFile(BmpFile& file, const Adjustments& adjustments)
{
    return sampleAdjusted(adjustments, file.picture.width, file.picture.height,
                        [&file](const PictureSampling& at, Bitmap& picked) { picked.loadPixels(file, &at); });
}

PixelSampler sampleFromStill(const DecodedStill& picture, const Adjustments& adjustments)
{
    return [&picture, &adjustments](const PictureSampling& at, Bitmap& samples) {
        samples.setDimensions(static_cast<std::int32_t>(at.columns.size()), static_cast<std::int32_t>(at.rows.size()));
        std::vector<std::uint8_t> bytes(at.columns.size() * 3);
        for (std::size_t k = 0; k < at.rows.size(); ++k) {
            picture.shownPixels(at.rows[k], at.columns, bytes.data());
            invertBytes(bytes.data(), bytes.size(), adjustments);
            expand24BitRow(bytes.data(), samples.width, samples.rowData(static_cast<std::int32_t>(k)));
        }
    };
}

// SPDX-License-Identifier: MIT
#include "reduction/whole_picture.h"

#include "reduction/display_size.h"
#include "reduction/sampled_reduction.h"

OrientedLayout adjustedSize(std::int32_t width, std::int32_t height, const Adjustments& adjustments)
{
    return adjustedLayout(orientedLayout(1, width, height), adjustments);
}

void reduceWhole(Bitmap& picture, const Reduction& reduction)
{
    if (!reduction.requested)
        return;
    if (reduction.width > 0 || reduction.height > 0)
        scaleToDisplay(picture, reduction.width, reduction.height);
    reduceToBlackAndWhite(picture, reduction);
}

const Bitmap& adjustedAndReduced(const Bitmap& picture, const Adjustments& adjustments, const Reduction& reduction,
                                 Bitmap& work)
{
    // A panel of colours at the picture's own size reduces the picture itself, as it is
    // written.
    const bool resized = reduction.requested && (reduction.width > 0 || reduction.height > 0);
    if (!adjustments.any() && (!reduction.requested || (!reduction.blackAndWhite() && !resized)))
        return picture;
    const OrientedLayout adjusted = adjustedSize(picture.width, picture.height, adjustments);
    if (reduceSampled(adjusted.width, adjusted.height, reduction, sampleFromPicture(picture, adjustments), work))
        return work;
    if (adjustments.any()) {
        adjustBitmap(picture, adjustments, work);
    } else {
        work.setBitDepth(24);
        work.setDimensions(picture.width, picture.height);
        copyRegion(picture, picture.width - 1, picture.height - 1, work);
    }
    reduceWhole(work, reduction);
    return work;
}

// SPDX-License-Identifier: MIT
#include "display_size.h"

#include "pipeline.h"

void scaleToDisplay(Bitmap& picture, std::int32_t targetWidth, std::int32_t targetHeight)
{
    const TargetSize target = computeTargetSize(targetWidth, targetHeight, picture.width, picture.height);
    const RescaleStep step = rescaleStep(target);
    rescaleBitmap(picture, step.mode, step.value);
    if (picture.width == target.width && picture.height == target.height)
        return;
    // The rescaled picture's top-left part on a white target of the display's size.
    Bitmap fitted;
    fitted.setDimensions(target.width, target.height);
    copyRegion(picture, target.width - 1, target.height - 1, fitted);
    picture.takePixels(fitted);
}

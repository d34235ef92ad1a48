// SPDX-License-Identifier: MIT
#include "display_size.h"

#include "pipeline.h"
#include "resample.h"

#include <algorithm>
#include <vector>

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

namespace {

// The place of a picture index in an increasing list that holds it.
std::int32_t placeIn(const std::vector<std::int32_t>& list, std::int32_t index)
{
    return static_cast<std::int32_t>(std::lower_bound(list.begin(), list.end(), index) - list.begin());
}

} // namespace

void scaleTakenToDisplay(const Bitmap& taken, const ConversionPlan& plan, Bitmap& display)
{
    const std::int32_t W = plan.sourceWidth, H = plan.sourceHeight;
    const std::int32_t NW = plan.rescaled.width, NH = plan.rescaled.height;
    const std::vector<std::int32_t>& rows = plan.sampling.rows;
    const std::vector<std::int32_t>& columns = plan.sampling.columns;
    display.setBitDepth(24);
    display.setDimensions(plan.target.width, plan.target.height);
    // The rescaled picture's top-left part, on white.
    const std::int32_t keptColumns = std::min(NW, plan.target.width);
    const std::int32_t keptRows = std::min(NH, plan.target.height);
    if (NW == W && NH == H) {
        // At the same size the rescale keeps every pixel, and every row and column was taken.
        copyRegion(taken, keptColumns - 1, keptRows - 1, display);
        return;
    }
    auto takenRow = [&](std::int32_t y) { return taken.rowData(placeIn(rows, y)); };

    // The rescale's column layout, its source columns renumbered as places in the taken
    // ones. The last column of the rescaled picture blends vertically only, and its last
    // row horizontally only; the bottom-right pixel is the picture's own.
    const std::int32_t blended = std::min(keptColumns, NW - 1);
    const bool lastColumn = keptColumns == NW;
    const std::int32_t last = static_cast<std::int32_t>(columns.size()) - 1;
    ColumnTable table;
    if (blended > 0) {
        table.fill(0, blended, W, NW);
        for (std::int32_t k = 0; k < blended; ++k) {
            table.x0[k] = placeIn(columns, table.x0[k]);
            table.x1[k] = placeIn(columns, table.x1[k]);
        }
        table.findRuns(blended);
    }
    for (std::int32_t i = 0; i < keptRows && i + 1 < NH; ++i) {
        const SourceSpan span = sourceSpan(i, H, NH);
        const Pixel* top = takenRow(span.first);
        const Pixel* bottom = takenRow(std::min(span.first + 1, H - 1));
        Pixel* out = display.rowData(i);
        if (blended > 0)
            blendRow(table, 0, blended, top, bottom, span.fraction, out);
        if (lastColumn)
            out[NW - 1] = blendPair(top[last], bottom[last], span.fraction);
    }
    if (keptRows == NH) {
        const Pixel* bottom = takenRow(H - 1);
        Pixel* out = display.rowData(NH - 1);
        if (blended > 0)
            blendLastRow(table, blended, bottom, out);
        if (lastColumn)
            out[NW - 1] = bottom[last];
    }
}

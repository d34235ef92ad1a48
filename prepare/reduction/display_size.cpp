// SPDX-License-Identifier: MIT
#include "reduction/display_size.h"

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

void scaleSamplesToDisplay(const Bitmap& samples, const ConversionPlan& plan, Bitmap& display)
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
        // At the same size the rescale keeps every pixel, and every row and column was sampled.
        copyRegion(samples, keptColumns - 1, keptRows - 1, display);
        return;
    }
    auto sampledRow = [&](std::int32_t y) { return samples.rowData(placeIn(rows, y)); };

    // The rescale's column layout, a block of columns at a time so that it stays small
    // however wide the display is, its source columns renumbered as places in the
    // samples. The last column of the rescaled picture blends vertically only, and its last
    // row horizontally only; the bottom-right pixel is the picture's own.
    constexpr std::int32_t blockColumns = 4096;
    const std::int32_t blended = std::min(keptColumns, NW - 1);
    const std::int32_t blendedRows = std::min(keptRows, NH - 1);
    ColumnTable table;
    for (std::int32_t first = 0; first < blended; first += blockColumns) {
        const std::int32_t count = std::min(blockColumns, blended - first);
        table.fill(first, count, W, NW);
        for (std::int32_t k = 0; k < count; ++k) {
            table.x0[k] = placeIn(columns, table.x0[k]);
            table.x1[k] = placeIn(columns, table.x1[k]);
        }
        table.findRuns(count);
        for (std::int32_t i = 0; i < blendedRows; ++i) {
            const SourceSpan span = sourceSpan(i, H, NH);
            blendRow(table, 0, count, sampledRow(span.first), sampledRow(std::min(span.first + 1, H - 1)), span.fraction,
                     display.rowData(i) + first);
        }
        if (keptRows == NH)
            blendLastRow(table, count, sampledRow(H - 1), display.rowData(NH - 1) + first);
    }
    if (keptColumns < NW)
        return;
    const std::int32_t last = static_cast<std::int32_t>(columns.size()) - 1;
    for (std::int32_t i = 0; i < blendedRows; ++i) {
        const SourceSpan span = sourceSpan(i, H, NH);
        display.rowData(i)[NW - 1] =
            blendPair(sampledRow(span.first)[last], sampledRow(std::min(span.first + 1, H - 1))[last], span.fraction);
    }
    if (keptRows == NH)
        display.rowData(NH - 1)[NW - 1] = sampledRow(H - 1)[last];
}

// SPDX-License-Identifier: MIT
#include "run/still_pictures.h"

#include "decoding/array_picture.h"
#include "outputs/output_files.h"
#include "outputs/prepared_picture.h"
#include "picture_refusal.h"
#include "prepare_run.h"
#include "reduction/adjustments.h"
#include "reduction/sampled_reduction.h"
#include "reduction/whole_picture.h"
#include "run/picture_files.h"
#include "true_color_rows.h"
#include "vector_kernels.h"

#include "console_text.h"

int copyBmp(SourceJob& job, const std::string& output, const std::vector<std::uint8_t>& bytes)
{
    // The source is its own output: it is what panelbake reads already.
    if (job.options.layouts.empty() && sameFile(job.source, output)) {
        job.written.push_back(output);
        return prepared;
    }
    return writePictureFiles(job, output, preparedBmpFile(job.source, bytes));
}

int writeBitmap(SourceJob& job, const std::string& output, const Bitmap& picture)
{
    Bitmap work;
    const PrepareOptions& options = job.options;
    return writeDisplayPicture(job, output, adjustedAndReduced(picture, options.adjustments, options.reduction, work));
}

int writeBmpByRows(SourceJob& job, const std::string& output, Bitmap& picture, BmpFile& file)
{
    const Adjustments& adjustments = job.options.adjustments;
    const OrientedLayout adjusted = adjustedSize(file.picture.width, file.picture.height, adjustments);
    Bitmap display;
    if (reduceSampled(adjusted.width, adjusted.height, job.options.reduction, sampleFromFile(file, adjustments), display))
        return writeDisplayPicture(job, output, display);
    picture.loadPixels(file);
    return writeBitmap(job, output, picture);
}

int writeDecodedStill(SourceJob& job, const std::string& output, DecodedStill& picture)
{
    const Adjustments& adjustments = job.options.adjustments;
    picture.turn(adjustments);
    const auto row = [&](std::int32_t y, std::uint8_t* bytes) {
        picture.shownRow(y, bytes);
        invertBytes(bytes, static_cast<std::size_t>(picture.width()) * 3, adjustments);
    };
    if (!job.options.reduction.requested)
        return writePictureFiles(job, output, preparedRows(picture.width(), picture.height(), row));
    Bitmap work;
    if (reduceSampled(picture.width(), picture.height(), job.options.reduction, sampleFromStill(picture, adjustments), work))
        return writeDisplayPicture(job, output, work);
    // The adjusted picture, whole, for the rescale.
    work.setDimensions(picture.width(), picture.height());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(picture.width()) * 3);
    for (std::int32_t y = 0; y < picture.height(); ++y) {
        row(y, bytes.data());
        expand24BitRow(bytes.data(), picture.width(), work.rowData(y));
    }
    reduceWhole(work, job.options.reduction);
    return writeDisplayPicture(job, output, work);
}

namespace {

// A panel's values turned as --rotate and --flip say: each value held as a pixel's blue.
void turnValues(ValuePicture& values, const Adjustments& adjustments)
{
    Bitmap held;
    held.setDimensions(values.width, values.height);
    for (std::int32_t y = 0; y < values.height; ++y)
        for (std::int32_t x = 0; x < values.width; ++x)
            held.rowData(y)[x] = Pixel{values.row(y)[x], 0, 0, 0};
    Bitmap turned;
    adjustBitmap(held, adjustments, turned);
    values.width = turned.width;
    values.height = turned.height;
    for (std::int32_t y = 0; y < values.height; ++y)
        for (std::int32_t x = 0; x < values.width; ++x)
            values.values[static_cast<std::size_t>(y) * static_cast<std::size_t>(values.width) +
                          static_cast<std::size_t>(x)] = turned.rowData(y)[x].blue;
}

// A panel's picture read back: its values as they are (turned by --rotate and --flip)
// where it is not resized nor inverted, so every value stays, even of two colours alike;
// otherwise the picture of its colours, prepared as any picture for the panel is. Without
// --panel the run takes the text's.
int writePanelArrays(SourceJob& job, const std::string& output, const ArrayPicture& read)
{
    PrepareOptions options = job.options;
    Reduction& reduction = options.reduction;
    if (reduction.panel != read.panel) { // the text's, --panel not given
        if (!options.table.empty())
            throw PictureRefusal(Refusal::unfitArray, std::string("it holds the arrays of --panel ") +
                                                          read.panel->name + ", and --table " + options.table +
                                                          " ties pictures of black and white: give --panel " +
                                                          read.panel->name + " with --table");
        if (!options.layouts.empty())
            throw PictureRefusal(Refusal::unfitArray, std::string("it holds the arrays of --panel ") +
                                                          read.panel->name + ", and --for " +
                                                          options.layouts.front()->name + " is black and white's: give --panel " +
                                                          read.panel->name + " with --for");
        reduction.panel = read.panel;
        reduction.colours = standardColours(*read.panel);
        reduction.requested = true;
    }
    SourceJob panelJob{options, job.notes, job.source, job.written, job.claims};
    PanelPicture picture{read.panel, reduction.colours, read.values};
    if (!options.adjustments.invert && reduction.width < 0 && reduction.height < 0) {
        if (options.adjustments.turns())
            turnValues(picture.values, options.adjustments);
        return writePanelFiles(panelJob, output, picture);
    }
    Bitmap shown;
    expandPanelPicture(picture, shown);
    return writeBitmap(panelJob, output, shown);
}

} // namespace

int writeArrayText(SourceJob& job, const std::string& output, const std::vector<std::uint8_t>& bytes)
{
    const ArrayPicture read = arrayPicture(bytes.data(), bytes.size(), job.options.arrays, Bitmap::maxPixels);
    if (job.options.verbose)
        for (const std::string& line : read.report)
            writeOut(line + "\n");
    if (read.panel->panel != Panel::bw)
        return writePanelArrays(job, output, read);
    Bitmap picture;
    expandBlackAndWhite(read.picture, picture);
    return writeBitmap(job, output, picture);
}

// SPDX-License-Identifier: MIT
#include "fast_conversion.h"

#include "bit_picture.h"
#include "bmp_header.h"
#include "diagnostics.h"
#include "page_header.h"
#include "resample.h"
#include "vector_kernels.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

// Adds an index to an increasing list unless it is there already; indices come in
// order, never below the last one added but one.
void addIndex(std::vector<std::int32_t>& list, std::int32_t index)
{
    if (list.empty() || index > list.back())
        list.push_back(index);
}

// The source indices that destinations 0 .. kept - 1 of m sample along an axis of n: the
// index at or before each position and the one after it, and the last index for the last
// destination.
std::vector<std::int32_t> sampledIndices(std::int32_t n, std::int32_t m, std::int32_t kept)
{
    std::vector<std::int32_t> list;
    for (std::int32_t j = 0; j < kept; ++j) {
        if (j + 1 < m) {
            const SourceSpan span = sourceSpan(j, n, m);
            addIndex(list, span.first);
            addIndex(list, std::min(span.first + 1, n - 1));
        } else {
            addIndex(list, n - 1);
        }
    }
    return list;
}

// Walks an increasing list of sampled indices along with increasing source indices.
class SampledIndex {
public:
    explicit SampledIndex(const std::vector<std::int32_t>& sampled) : list(sampled) {}
    // The position of `index` in the list; indices asked for never decrease.
    std::int32_t of(std::int32_t index)
    {
        while (list[at] < index)
            ++at;
        return static_cast<std::int32_t>(at);
    }

private:
    const std::vector<std::int32_t>& list;
    std::size_t at = 0;
};

// Every channel of a blend of four corners, truncated, lies between the smallest corner
// value less one and the largest: the weights are at least 0 (or within a rounding of
// it) and add up to 1 within a few roundings. Where even the extremes of all three
// channels fall on one side of the black-and-white decision, every pixel of the run
// does; its colour need not be worked out.
bool settledBlackOrWhite(const RunCorners& c, Pixel& stand)
{
    int least = 0, most = 0;
    for (std::uint8_t Pixel::*channel : {&Pixel::blue, &Pixel::green, &Pixel::red}) {
        const int a = c.p00.*channel, b = c.p10.*channel, d = c.p01.*channel, e = c.p11.*channel;
        least += std::max(std::min(std::min(a, b), std::min(d, e)) - 1, 0);
        most += std::max(std::max(a, b), std::max(d, e));
    }
    if (most < whiteFromSum) {
        stand = blackPixel;
        return true;
    }
    if (least >= whiteFromSum) {
        stand = whitePixel;
        return true;
    }
    return false;
}

// Columns from .. to - 1 of a block.
struct Run {
    std::int32_t from, to;
};

// Packs the pixels of line[from, to) into the bytes of `bits` they fall in, each byte at
// most once a row: `packedUpTo` is the byte up to which the row is done.
void packColumns(const Pixel* line, std::int32_t from, std::int32_t to, std::int32_t packed, std::uint8_t* bits,
                 std::int32_t& packedUpTo)
{
    const std::int32_t firstByte = std::max(from / 8, packedUpTo);
    const std::int32_t endByte = (std::min(to, packed) + 7) / 8;
    if (firstByte >= endByte)
        return;
    packBlackWhiteRow(line + 8 * firstByte, std::min(8 * endByte, packed) - 8 * firstByte, bits + firstByte);
    packedUpTo = endByte;
}

// At the same size every source position is a whole pixel and every blend is the source
// colour (as the rescale itself has it): the sampled rows and columns, which start at 0,
// are the target's pixels.
void packUnscaled(const Bitmap& S, const ConversionPlan& plan, BitPicture& target)
{
    const std::int32_t targetWidth = plan.target.width;
    const std::int32_t keptColumns = std::min(plan.rescaled.width, targetWidth);
    const std::int32_t keptRows = std::min(plan.rescaled.height, plan.target.height);
    const std::int32_t whole = keptColumns / 8 * 8;
    std::vector<Pixel> rest(8, whitePixel);
    const std::int32_t tail = std::min(targetWidth, whole + 8) - whole;
    for (std::int32_t i = 0; i < keptRows; ++i) {
        const Pixel* in = S.rowData(i);
        packBlackWhiteRow(in, whole, target.row(i));
        if (whole < keptColumns) {
            std::copy(in + whole, in + keptColumns, rest.begin());
            packBlackWhiteRow(rest.data(), tail, target.row(i) + whole / 8);
        }
    }
}

constexpr std::int32_t blockColumns = 4096; // a multiple of eight: blocks start on a byte

// A block of target columns, and a row of it as it is made. Source columns are held as
// positions in the sampled columns, which are all the source has.
struct ColumnBlock {
    std::int32_t first = 0;  // the block's first target column
    std::int32_t count = 0;  // its columns of the rescaled picture
    std::int32_t inner = 0;  // of those, the ones before the rescaled picture's last column
    bool lastColumn = false; // the block holds the rescaled picture's last column
    std::int32_t packed = 0; // columns packed with the block
    ColumnTable table;
    std::vector<Run> runs;      // of the same source columns
    std::vector<Run> unsettled; // stretches of runs that the current pair of rows does not settle
    std::vector<Pixel> line;    // the row's pixels
};

// Lays out the block of `count` columns from `first`: its column table and runs.
void layOutBlock(ColumnBlock& block, std::int32_t first, std::int32_t count, const ConversionPlan& plan,
                 SampledIndex& column)
{
    const std::int32_t NW = plan.rescaled.width;
    block.first = first;
    block.count = count;
    block.inner = std::min(count, NW - 1 - first);
    block.lastColumn = block.inner < count;
    // Pixels up to the next byte boundary (or the target's edge) are packed with the
    // block; past the rescaled picture they stay white.
    block.packed = std::min(plan.target.width - first, (count + 7) / 8 * 8);
    std::fill(block.line.begin() + count, block.line.begin() + block.packed, whitePixel);
    block.runs.clear();
    if (block.inner <= 0)
        return;
    ColumnTable& table = block.table;
    table.fill(first, block.inner, plan.sourceWidth, NW);
    for (std::int32_t k = 0; k < block.inner; ++k) {
        const bool pair = table.x1[k] != table.x0[k];
        table.x0[k] = column.of(table.x0[k]);
        table.x1[k] = table.x0[k] + pair;
    }
    table.findRuns(block.inner);
    for (std::int32_t k = 0; k < block.inner; k = table.runEnd[k])
        block.runs.push_back({k, table.runEnd[k]});
}

// The runs that a pair of source rows settles are filled in the line with their colour;
// the others are kept, neighbours as one stretch, to be blended for every row of the pair.
void settleRuns(ColumnBlock& block, const Pixel* top, const Pixel* bottom, Pixel* line)
{
    const ColumnTable& table = block.table;
    block.unsettled.clear();
    for (const Run& r : block.runs) {
        const RunCorners c{top[table.x0[r.from]], top[table.x1[r.from]], bottom[table.x0[r.from]],
                           bottom[table.x1[r.from]]};
        Pixel stand;
        if (settledBlackOrWhite(c, stand))
            std::fill(line + r.from, line + r.to, stand);
        else if (!block.unsettled.empty() && block.unsettled.back().to == r.from)
            block.unsettled.back().to = r.to;
        else
            block.unsettled.push_back({r.from, r.to});
    }
}

// A row with the pair of source rows of the row above differs from it in the unsettled
// stretches and the last column only: the bytes above are copied and those repacked.
void packRepeatedPair(const ColumnBlock& block, const Pixel* line, const std::uint8_t* above, std::uint8_t* bits)
{
    std::memcpy(bits, above, static_cast<std::size_t>((block.packed + 7) / 8));
    std::int32_t packedUpTo = 0;
    for (const Run& r : block.unsettled)
        packColumns(line, r.from, r.to, block.packed, bits, packedUpTo);
    if (block.lastColumn)
        packColumns(line, block.inner, block.inner + 1, block.packed, bits, packedUpTo);
}

// The block's rows. Rows that share their pair of source rows share the runs whose colour
// does not matter to the decision: those are worked out once for the pair, the others for
// every row.
void makeBlockRows(const Bitmap& S, const ConversionPlan& plan, ColumnBlock& block, BitPicture& target)
{
    const std::int32_t H = plan.sourceHeight, NH = plan.rescaled.height;
    const std::int32_t keptRows = std::min(NH, plan.target.height);
    const std::int32_t lastSampled = static_cast<std::int32_t>(plan.sampling.columns.size()) - 1;
    Pixel* const line = block.line.data();
    SampledIndex row(plan.sampling.rows);
    std::int32_t pairTop = -1, pairBottom = -1;
    for (std::int32_t i = 0; i < keptRows; ++i) {
        std::uint8_t* bits = target.row(i) + block.first / 8;
        if (i + 1 == NH) {
            const Pixel* last = S.rowData(row.of(H - 1));
            if (block.inner > 0)
                blendLastRow(block.table, block.inner, last, line);
            if (block.lastColumn)
                line[block.inner] = last[lastSampled];
            packBlackWhiteRow(line, block.packed, bits);
            continue;
        }
        const SourceSpan span = sourceSpan(i, H, NH);
        const std::int32_t y0 = row.of(span.first);
        const std::int32_t y1 = y0 + (std::min(span.first + 1, H - 1) != span.first);
        const Pixel* top = S.rowData(y0);
        const Pixel* bottom = S.rowData(y1);
        const bool samePair = y0 == pairTop && y1 == pairBottom;
        if (!samePair) {
            pairTop = y0;
            pairBottom = y1;
            settleRuns(block, top, bottom, line);
        }
        for (const Run& r : block.unsettled)
            blendRow(block.table, r.from, r.to, top, bottom, span.fraction, line);
        if (block.lastColumn)
            line[block.inner] = blendPair(top[lastSampled], bottom[lastSampled], span.fraction);
        if (samePair)
            packRepeatedPair(block, line, target.row(i - 1) + block.first / 8, bits);
        else
            packBlackWhiteRow(line, block.packed, bits);
    }
}

// The target's rows as bits: the rescaled picture where the target holds it, white
// around it. Columns are done a block at a time, as the rescale does them.
void makeTarget(const Bitmap& S, const ConversionPlan& plan, BitPicture& target)
{
    if (plan.rescaled.width == plan.sourceWidth && plan.rescaled.height == plan.sourceHeight) {
        packUnscaled(S, plan, target);
        return;
    }
    const std::int32_t keptColumns = std::min(plan.rescaled.width, plan.target.width);
    ColumnBlock block;
    block.line.assign(static_cast<std::size_t>(std::min(blockColumns, keptColumns)) + 8, whitePixel);
    SampledIndex column(plan.sampling.columns);
    for (std::int32_t first = 0; first < keptColumns; first += blockColumns) {
        layOutBlock(block, first, std::min(blockColumns, keptColumns - first), plan, column);
        makeBlockRows(S, plan, block, target);
    }
}

} // namespace

bool planConversion(std::int32_t width, std::int32_t height, std::int32_t targetWidth, std::int32_t targetHeight,
                    ConversionPlan& plan)
{
    plan.sourceWidth = width;
    plan.sourceHeight = height;
    if (bitmapWarnings && (width == 1 || height == 1))
        return false;
    try {
        plan.target = computeTargetSize(targetWidth, targetHeight, width, height);
        if (plan.target.width <= 0 || plan.target.height <= 0 ||
            std::int64_t{plan.target.width} * plan.target.height > Bitmap::maxPixels)
            return false;
        const RescaleStep step = rescaleStep(plan.target);
        plan.rescaled = rescaledSize(width, height, step.mode, step.value);
    } catch (const std::length_error&) {
        return false;
    }
    const std::int32_t NW = plan.rescaled.width, NH = plan.rescaled.height;
    plan.sampling.columns = sampledIndices(width, NW, std::min(NW, plan.target.width));
    plan.sampling.rows = sampledIndices(height, NH, std::min(NH, plan.target.height));
    return true;
}

bool loadSource(Bitmap& source, const std::string& path, std::int32_t targetWidth, std::int32_t targetHeight,
                ConversionPlan& plan)
{
    BmpFile file;
    if (!source.loadHeader(path.c_str(), file))
        return false;
    const bool planned = planConversion(file.picture.width, file.picture.height, targetWidth, targetHeight, plan);
    plan.sampled = source.loadPixels(file, planned ? &plan.sampling : nullptr);
    return true;
}

int runSampledConversion(const Bitmap& sampled, const ConversionPlan& plan, const std::string& sourcePath)
{
    return guardConversion(sourcePath, [&] {
        reportTarget(plan.target);
        BitPicture target;
        target.setDimensions(plan.target.width, plan.target.height);
        makeTarget(sampled, plan, target);
        return finishConversion(
            sourcePath,
            [&](const std::string& previewName) {
                // The preview is black and white already: it is read back by the display's rule,
                // as the header reads it.
                Bitmap reloaded;
                return target.save(previewName.c_str()) && reloaded.loadBits(previewName.c_str(), target, whiteOnDisplay);
            },
            [&](const std::string& baseName) { return writePageColumnHeader(target, baseName); });
    });
}

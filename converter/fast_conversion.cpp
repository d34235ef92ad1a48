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

bool notBlack(const Pixel& p)
{
    return !blackOnDisplay(p);
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

// The target's rows as bits: the rescaled picture where the target holds it, white
// around it. Columns are done a block at a time, as the rescale does them. Destination
// rows that share their pair of source rows share the runs whose colour does not matter
// to the decision: those are worked out once for the pair, the others for every row.
void makeTarget(const Bitmap& S, const ConversionPlan& plan, BitPicture& target)
{
    const std::int32_t W = plan.sourceWidth, H = plan.sourceHeight;
    const std::int32_t NW = plan.rescaled.width, NH = plan.rescaled.height;
    const std::int32_t targetWidth = plan.target.width;
    const std::int32_t keptColumns = std::min(NW, targetWidth);
    const std::int32_t keptRows = std::min(NH, plan.target.height);
    const std::vector<std::int32_t>& rows = plan.sampling.rows;
    const std::int32_t lastSampled = static_cast<std::int32_t>(plan.sampling.columns.size()) - 1;

    if (NW == W && NH == H) {
        // At the same size every source position is a whole pixel and every blend is the
        // source colour (as the rescale itself has it): the sampled rows and columns,
        // which start at 0, are the target's pixels.
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
        return;
    }

    constexpr std::int32_t blockColumns = 4096; // a multiple of eight: blocks start on a byte
    ColumnTable table;
    std::vector<Run> runs; // of the same source columns
    std::vector<Run> unsettled; // stretches of runs that the current pair of rows does not settle
    std::vector<Pixel> line(static_cast<std::size_t>(std::min(blockColumns, keptColumns)) + 8, whitePixel);
    SampledIndex column(plan.sampling.columns);
    for (std::int32_t first = 0; first < keptColumns; first += blockColumns) {
        const std::int32_t count = std::min(blockColumns, keptColumns - first);
        const std::int32_t inner = std::min(count, NW - 1 - first); // columns before the last
        const bool lastColumn = inner < count;
        runs.clear();
        if (inner > 0) {
            table.fill(first, inner, W, NW);
            for (std::int32_t k = 0; k < inner; ++k) {
                const bool pair = table.x1[k] != table.x0[k];
                table.x0[k] = column.of(table.x0[k]);
                table.x1[k] = table.x0[k] + pair;
            }
            table.findRuns(inner);
            for (std::int32_t k = 0; k < inner; k = table.runEnd[k])
                runs.push_back({k, table.runEnd[k]});
        }
        // Pixels up to the next byte boundary (or the target's edge) are packed with the
        // block; past the rescaled picture they stay white.
        const std::int32_t packed = std::min(targetWidth - first, (count + 7) / 8 * 8);
        const auto packedBytes = static_cast<std::size_t>((packed + 7) / 8);
        std::fill(line.begin() + count, line.begin() + packed, whitePixel);

        SampledIndex row(rows);
        std::int32_t pairTop = -1, pairBottom = -1;
        for (std::int32_t i = 0; i < keptRows; ++i) {
            std::uint8_t* bits = target.row(i) + first / 8;
            if (i + 1 == NH) {
                const Pixel* last = S.rowData(row.of(H - 1));
                if (inner > 0)
                    blendLastRow(table, inner, last, line.data());
                if (lastColumn)
                    line[inner] = last[lastSampled];
                packBlackWhiteRow(line.data(), packed, bits);
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
                // Neighbouring runs that are not settled are blended as one stretch.
                unsettled.clear();
                for (const Run& r : runs) {
                    const RunCorners c{top[table.x0[r.from]], top[table.x1[r.from]], bottom[table.x0[r.from]],
                                       bottom[table.x1[r.from]]};
                    Pixel stand;
                    if (settledBlackOrWhite(c, stand))
                        std::fill(line.begin() + r.from, line.begin() + r.to, stand);
                    else if (!unsettled.empty() && unsettled.back().to == r.from)
                        unsettled.back().to = r.to;
                    else
                        unsettled.push_back({r.from, r.to});
                }
            } else {
                std::memcpy(bits, target.row(i - 1) + first / 8, packedBytes);
            }
            for (const Run& r : unsettled)
                blendRow(table, r.from, r.to, top, bottom, span.fraction, line.data());
            if (lastColumn)
                line[inner] = blendLastColumn(top[lastSampled], bottom[lastSampled], span.fraction);
            if (!samePair) {
                packBlackWhiteRow(line.data(), packed, bits);
                continue;
            }
            std::int32_t packedUpTo = 0;
            for (const Run& r : unsettled)
                packColumns(line.data(), r.from, r.to, packed, bits, packedUpTo);
            if (lastColumn)
                packColumns(line.data(), inner, inner + 1, packed, bits, packedUpTo);
        }
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
                Bitmap reloaded;
                return target.save(previewName.c_str()) && reloaded.loadBits(previewName.c_str(), target, notBlack);
            },
            [&](const std::string& baseName) { return writePageColumnHeader(target, baseName); });
    });
}

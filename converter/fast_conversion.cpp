// SPDX-License-Identifier: MIT
#include "fast_conversion.h"

#include "bit_picture.h"
#include "bmp_header.h"
#include "diagnostics.h"
#include "options.h"
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
    auto add = [&](int a, int b, int d, int e) {
        least += std::max(std::min(std::min(a, b), std::min(d, e)) - 1, 0);
        most += std::max(std::max(a, b), std::max(d, e));
    };
    add(c.p00.blue, c.p10.blue, c.p01.blue, c.p11.blue);
    add(c.p00.green, c.p10.green, c.p01.green, c.p11.green);
    add(c.p00.red, c.p10.red, c.p01.red, c.p11.red);
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

constexpr std::int32_t blockColumns = 4096; // a multiple of eight: blocks start on a byte

// A block of target columns, and a row of it as it is made. Source columns are held as
// positions in the sampled columns, which are all the source rows have.
struct ColumnBlock {
    std::int32_t first = 0;  // the block's first target column
    std::int32_t count = 0;  // its columns of the rescaled picture
    std::int32_t inner = 0;  // of those, the ones before the rescaled picture's last column
    bool lastColumn = false; // the block holds the rescaled picture's last column
    std::int32_t packed = 0; // columns packed with the block
    ColumnTable table;
    std::vector<Run> runs;      // of the same source columns
    std::vector<Run> unsettled; // stretches of runs that the current pair of rows does not settle
    std::int32_t pairTop = -1, pairBottom = -1; // the pair of rows `unsettled` is for
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
    block.line.resize(static_cast<std::size_t>(std::min(blockColumns, count)) + 8);
    std::fill(block.line.begin() + count, block.line.begin() + block.packed, whitePixel);
    block.runs.clear();
    block.pairTop = block.pairBottom = -1;
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

// A row with the pair of source rows of the row made before it differs from that row in
// the unsettled stretches and the last column only: its bytes are copied and those
// repacked.
void packRepeatedPair(const ColumnBlock& block, const Pixel* line, const std::uint8_t* before, std::uint8_t* bits)
{
    std::memcpy(bits, before, static_cast<std::size_t>((block.packed + 7) / 8));
    std::int32_t packedUpTo = 0;
    for (const Run& r : block.unsettled)
        packColumns(line, r.from, r.to, block.packed, bits, packedUpTo);
    if (block.lastColumn)
        packColumns(line, block.inner, block.inner + 1, block.packed, bits, packedUpTo);
}

// Makes the target's rows as bits from the sampled source rows as the reader hands them
// over, from the bottom up: the rescaled picture where the target holds it, white around
// it. Only the two source rows that the next target rows blend are held. A target row is
// made once the upper of its pair of source rows has come, the row made before it being
// the one below; rows that share their pair share the runs whose colour does not matter to
// the decision, worked out once for the pair.
class TargetMaker : public RowSink {
public:
    TargetMaker(const ConversionPlan& plan, BitPicture& target)
        : plan(plan), target(target), sampledRows(static_cast<std::int32_t>(plan.sampling.rows.size())),
          sampledColumns(static_cast<std::int32_t>(plan.sampling.columns.size())),
          keptRows(std::min(plan.rescaled.height, plan.target.height)),
          keptColumns(std::min(plan.rescaled.width, plan.target.width)),
          unscaled(plan.rescaled.width == plan.sourceWidth && plan.rescaled.height == plan.sourceHeight),
          layoutsHeld(keptColumns <= plan.layoutColumnsHeld)
    {
        for (std::vector<Pixel>& line : lines)
            line.assign(static_cast<std::size_t>(sampledColumns), whitePixel);
        // Rows above the rescaled picture's last one are made from pairs; the last one from
        // the last source row alone.
        nextRow = std::min(plan.rescaled.height - 1, keptRows) - 1;
        if (unscaled)
            return;
        const std::int32_t blockCount = (keptColumns + blockColumns - 1) / blockColumns;
        blocks.resize(static_cast<std::size_t>(layoutsHeld ? blockCount : 1));
        if (layoutsHeld) {
            SampledIndex column(plan.sampling.columns);
            for (std::int32_t b = 0; b < blockCount; ++b)
                layOutBlock(blocks[static_cast<std::size_t>(b)], b * blockColumns,
                            std::min(blockColumns, keptColumns - b * blockColumns), plan, column);
        }
    }

    Pixel* rowBuffer(std::int32_t k) override { return lines[k & 1].data(); }

    void rowDone(std::int32_t k, bool wasHeld) override
    {
        Pixel* const source = lines[k & 1].data();
        if (unscaled) {
            // At the same size every source position is a whole pixel and every blend is the
            // source colour: sampled row k is target row k, and a row the file does not hold
            // stays white.
            if (wasHeld && k < keptRows)
                packUnscaled(source, target.row(k));
            return;
        }
        if (!wasHeld)
            std::fill(source, source + sampledColumns, whitePixel);
        if (k == sampledRows - 1 && plan.rescaled.height <= keptRows)
            makeLastRow(source);
        for (; nextRow >= 0; --nextRow) {
            const SourceSpan span = sourceSpan(nextRow, plan.sourceHeight, plan.rescaled.height);
            const std::int32_t y0 = positionOf(span.first);
            if (y0 < k)
                break;
            const std::int32_t y1 = y0 + (std::min(span.first + 1, plan.sourceHeight - 1) != span.first);
            makeRow(nextRow, y0, y1, span.fraction);
        }
    }

private:
    // The place of a source row in the sampled rows.
    std::int32_t positionOf(std::int32_t row) const
    {
        const auto& rows = plan.sampling.rows;
        return static_cast<std::int32_t>(std::lower_bound(rows.begin(), rows.end(), row) - rows.begin());
    }

    void packUnscaled(const Pixel* in, std::uint8_t* bits)
    {
        const std::int32_t whole = keptColumns / 8 * 8;
        packBlackWhiteRow(in, whole, bits);
        if (whole < keptColumns) {
            Pixel rest[8];
            std::fill(std::copy(in + whole, in + keptColumns, rest), rest + 8, whitePixel);
            packBlackWhiteRow(rest, std::min(plan.target.width, whole + 8) - whole, bits + whole / 8);
        }
    }

    // Block b of the columns: laid out once where the layouts of every block are held, else
    // laid out again for each row.
    ColumnBlock& blockAt(std::size_t b, SampledIndex& column)
    {
        if (layoutsHeld)
            return blocks[b];
        const std::int32_t first = static_cast<std::int32_t>(b) * blockColumns;
        layOutBlock(blocks[0], first, std::min(blockColumns, keptColumns - first), plan, column);
        return blocks[0];
    }

    template <typename MakeBlockRow>
    void eachBlock(MakeBlockRow makeBlockRow)
    {
        SampledIndex column(plan.sampling.columns);
        const std::size_t blockCount = static_cast<std::size_t>((keptColumns + blockColumns - 1) / blockColumns);
        for (std::size_t b = 0; b < blockCount; ++b)
            makeBlockRow(blockAt(b, column));
    }

    // The rescaled picture's last row: the last source row blended along the row.
    void makeLastRow(const Pixel* last)
    {
        const std::int32_t i = plan.rescaled.height - 1;
        eachBlock([&](ColumnBlock& block) {
            Pixel* const line = block.line.data();
            if (block.inner > 0)
                blendLastRow(block.table, block.inner, last, line);
            if (block.lastColumn)
                line[block.inner] = last[sampledColumns - 1];
            packBlackWhiteRow(line, block.packed, target.row(i) + block.first / 8);
            block.pairTop = block.pairBottom = -1;
        });
        madeRow = i;
    }

    void makeRow(std::int32_t i, std::int32_t y0, std::int32_t y1, double fraction)
    {
        const Pixel* top = lines[y0 & 1].data();
        const Pixel* bottom = lines[y1 & 1].data();
        eachBlock([&](ColumnBlock& block) {
            Pixel* const line = block.line.data();
            std::uint8_t* bits = target.row(i) + block.first / 8;
            const bool samePair = y0 == block.pairTop && y1 == block.pairBottom;
            if (!samePair) {
                block.pairTop = y0;
                block.pairBottom = y1;
                settleRuns(block, top, bottom, line);
            }
            for (const Run& r : block.unsettled)
                blendRow(block.table, r.from, r.to, top, bottom, fraction, line);
            if (block.lastColumn)
                line[block.inner] = blendPair(top[sampledColumns - 1], bottom[sampledColumns - 1], fraction);
            if (samePair)
                packRepeatedPair(block, line, target.row(madeRow) + block.first / 8, bits);
            else
                packBlackWhiteRow(line, block.packed, bits);
        });
        madeRow = i;
    }

    const ConversionPlan& plan;
    BitPicture& target;
    const std::int32_t sampledRows, sampledColumns, keptRows, keptColumns;
    const bool unscaled;
    const bool layoutsHeld;
    std::vector<Pixel> lines[2];           // the two source rows: sampled row k is in lines[k & 1]
    std::vector<ColumnBlock> blocks;
    std::int32_t nextRow;                  // the next target row to make, from the bottom up
    std::int32_t madeRow = -1;             // the target row made last
};

// Takes the rows as they are read and leaves them: the reader's messages without a target.
class RowsPassedOver : public RowSink {
public:
    explicit RowsPassedOver(std::size_t columns) : line(columns) {}
    Pixel* rowBuffer(std::int32_t) override { return line.data(); }
    void rowDone(std::int32_t, bool) override {}

private:
    std::vector<Pixel> line;
};

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
                ConversionPlan& plan, BitPicture& target)
{
    BmpFile file;
    file.pieceBytes = plan.readPieceBytes;
    if (!source.loadHeader(path.c_str(), file))
        return false;
    plan.targetFromRows = planConversion(file.picture.width, file.picture.height, targetWidth, targetHeight, plan);
    if (!plan.targetFromRows) {
        source.loadPixels(file);
        return true;
    }
    try {
        target.setDimensions(plan.target.width, plan.target.height);
    } catch (const std::bad_alloc&) {
        // Reported by the conversion, after its progress lines, as memory that cannot be had.
        plan.targetMissing = true;
        RowsPassedOver rows(plan.sampling.columns.size());
        readSampledRows(file, plan.sampling, rows);
        return true;
    }
    TargetMaker maker(plan, target);
    readSampledRows(file, plan.sampling, maker);
    return true;
}

bool convertRows(std::int32_t width, std::int32_t height, std::int32_t targetWidth, std::int32_t targetHeight,
                 const std::function<void(std::int32_t y, Pixel* row)>& fillRow, ConversionPlan& plan,
                 BitPicture& target)
{
    if (!planConversion(width, height, targetWidth, targetHeight, plan))
        return false;
    target.setDimensions(plan.target.width, plan.target.height);
    TargetMaker maker(plan, target);
    // The sampled rows from the bottom up, as the reader hands over a file's, each cut to
    // the sampled columns.
    const std::vector<std::int32_t>& columns = plan.sampling.columns;
    std::vector<Pixel> row(static_cast<std::size_t>(width));
    for (std::size_t k = plan.sampling.rows.size(); k-- > 0;) {
        fillRow(plan.sampling.rows[k], row.data());
        Pixel* out = maker.rowBuffer(static_cast<std::int32_t>(k));
        for (std::size_t c = 0; c < columns.size(); ++c)
            out[c] = row[static_cast<std::size_t>(columns[c])];
        maker.rowDone(static_cast<std::int32_t>(k), true);
    }
    plan.targetFromRows = true;
    return true;
}

int finishTargetFromRows(BitPicture& target, const ConversionPlan& plan, const std::string& sourcePath)
{
    return guardConversion(sourcePath, [&] {
        reportTarget(plan.target);
        if (plan.targetMissing)
            throw std::bad_alloc();
        return finishConversion(
            sourcePath,
            [&](const std::string& previewName) {
                // The preview is black and white already: it is read back by the display's rule,
                // as the header reads it.
                Bitmap reloaded;
                return target.save(previewName.c_str()) && reloaded.loadBits(previewName.c_str(), target, whiteOnDisplay);
            },
            [&](const std::string& baseName) {
                return writePageColumnHeader(target, baseName, arrayAttribute(avrProgmem, pic30AutoPsv), verbose);
            });
    });
}

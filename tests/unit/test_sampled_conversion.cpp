// SPDX-License-Identifier: MIT
// The conversion from sampled source rows and columns against the literal one, and the
// sampled load against a whole load, from regular files and from a pipe.
#include "../../fuzz/pipeline_check.h"
#include "bmp_bytes.h"
#include "bmp_header.h"

#ifndef _WIN32
#include <sys/stat.h> // mkfifo
#endif

#include <numeric>
#include <random>
#include <string>
#include <thread>

namespace {

// A stored picture of random bytes: header, table (or the 16-bit masks), rows. `tableCut`
// entries are left out of the table, with the rows following right after what remains.
// With `block` above 0 the rows hold blocks of that many pixels each way of one colour
// (at 8 bits and more), which scaling up turns into wide runs of black and of white.
Bytes randomFile(int depth, int width, int height, bool bitfields, int tableCut, std::mt19937& random, int block = 0)
{
    const int entries = depth <= 8 ? (1 << depth) - tableCut : 0;
    const std::uint32_t offBits = 54 + 4 * entries + (bitfields ? 12 : 0);
    Bytes file = headerBytes(bmpHeader(width, height, static_cast<std::uint16_t>(depth), offBits, bitfields ? 3 : 0));
    if (bitfields)
        append(file, {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0});
    const std::size_t stride = static_cast<std::size_t>(bmp::rowStride(width, depth));
    for (std::size_t i = 4 * static_cast<std::size_t>(entries); i-- > 0;)
        file.push_back(static_cast<std::uint8_t>(random()));
    const std::size_t pixelBytes = std::max(depth / 8, 1);
    std::vector<std::uint8_t> colours(64);
    for (std::uint8_t& c : colours)
        c = random() % 3 == 0 ? static_cast<std::uint8_t>(random()) : (random() % 2 ? 255 : 0);
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y)
        for (std::size_t b = 0; b < stride; ++b) {
            if (block == 0) {
                file.push_back(static_cast<std::uint8_t>(random()));
                continue;
            }
            const std::size_t blockAt = b / pixelBytes / static_cast<std::size_t>(block) * 7 + y / static_cast<std::size_t>(block);
            file.push_back(colours[(blockAt * pixelBytes + b % pixelBytes) % colours.size()]);
        }
    return file;
}

std::uint8_t optionLow(int value)
{
    return static_cast<std::uint8_t>(value + 3);
}

TEST(SampledConversion, GivesTheLiteralConversionsBytesAndMessages)
{
    struct Size {
        int width, height;
    };
    const Size sizes[] = {{1, 1}, {1, 6}, {7, 1}, {2, 2}, {37, 23}, {90, 61}, {200, 33}, {17, 130}};
    const int depths[] = {1, 4, 8, 16, 24, 32};
    // -w and -h (-1: not given): scaling down and up, cut and padded targets, zero sides.
    const std::pair<int, int> options[] = {{-1, -1}, {-1, 7}, {13, -1}, {40, 9}, {9, 40}, {0, -1}, {-1, 0}, {128, -1}, {3, 3}};
    std::mt19937 random(11);
    for (const int depth : depths)
        for (const Size& size : sizes)
            for (const bool bitfields : {false, true}) {
                if (bitfields && depth != 16)
                    continue;
                const Bytes whole = randomFile(depth, size.width, size.height, bitfields, 0, random);
                const std::size_t data = whole.size() - static_cast<std::size_t>(bmp::rowStride(size.width, depth)) *
                                                            static_cast<std::size_t>(size.height);
                // Cut at the first row, inside a row and at the last byte; a short table.
                std::vector<Bytes> files = {whole, Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(data)),
                                            Bytes(whole.begin(), whole.end() - (whole.size() - data) / 2 - 1),
                                            Bytes(whole.begin(), whole.end() - 1)};
                if (depth <= 8)
                    files.push_back(randomFile(depth, size.width, size.height, false, depth == 1 ? 1 : 3, random));
                if (depth >= 8)
                    files.push_back(randomFile(depth, size.width, size.height, bitfields, 0, random, 5));
                for (const Bytes& file : files)
                    for (const auto& [width, height] : options)
                        for (const std::uint8_t flags : {0, 4 | 8, 1, 2 | 8}) {
                            SCOPED_TRACE(std::to_string(depth) + " bits " + std::to_string(size.width) + "x" +
                                         std::to_string(size.height) + ", " + std::to_string(file.size()) +
                                         " bytes, -w " + std::to_string(width) + " -h " + std::to_string(height) +
                                         ", flags " + std::to_string(flags));
                            Bytes input = {optionLow(width), 0, optionLow(height), 0, flags};
                            append(input, file);
                            testing::internal::CaptureStdout();
                            fuzz::pipelineInput(input.data(), input.size()); // aborts on a difference
                            testing::internal::GetCapturedStdout();
                        }
            }
}

// The rows and columns a caller asks for: some of each, the edges among them.
PictureSampling someOf(int width, int height, std::mt19937& random)
{
    PictureSampling s;
    for (int y = 0; y < height; ++y)
        if (y == 0 || y == height - 1 || random() % 3 == 0)
            s.rows.push_back(y);
    for (int x = 0; x < width; ++x)
        if (x == 0 || x == width - 1 || random() % 4 == 0)
            s.columns.push_back(x);
    return s;
}

// Loads `path` sampled at `wanted`, its rows read in pieces of `pieceBytes`: the picture,
// what was printed, and whether the load was sampled.
struct SampledLoad {
    std::string picture;
    std::vector<std::string> lines;
    bool sampled = false;
};

SampledLoad sampledLoad(const std::string& path, const PictureSampling& wanted,
                        std::size_t pieceBytes = BmpFile::defaultPieceBytes)
{
    Bitmap b;
    SampledLoad result;
    result.lines = printedLines([&] {
        BmpFile file;
        file.pieceBytes = pieceBytes;
        ASSERT_TRUE(b.loadHeader(path.c_str(), file));
        result.sampled = b.loadPixels(file, &wanted);
    });
    result.picture = snapshot(b);
    return result;
}

// The snapshot of the sampled rows and columns of a whole picture.
std::string picked(const Bitmap& whole, const PictureSampling& wanted)
{
    Bitmap picked(whole);
    picked.horizontalResolution = whole.horizontalResolution;
    picked.verticalResolution = whole.verticalResolution;
    picked.setDimensions(static_cast<std::int32_t>(wanted.columns.size()), static_cast<std::int32_t>(wanted.rows.size()));
    for (std::size_t k = 0; k < wanted.rows.size(); ++k)
        for (std::size_t i = 0; i < wanted.columns.size(); ++i)
            picked.rowData(static_cast<std::int32_t>(k))[i] = whole.rowData(wanted.rows[k])[wanted.columns[i]];
    return snapshot(picked);
}

TEST(SampledConversion, SampledLoadPicksTheWholeLoadsPixelsFromFilesAndPipes)
{
    struct Case {
        int depth, width, height;
        bool bitfields;
        int tableCut;
        std::size_t cut; // bytes cut off the end
        bool everyRow;   // all rows wanted, not some
    };
    const Case cases[] = {
        {24, 41, 30, false, 0, 0, false},   {24, 41, 30, false, 0, 1000, false}, {32, 9, 50, false, 0, 77, false},
        {16, 21, 40, false, 0, 0, false},   {16, 21, 40, false, 0, 301, false},  {16, 21, 40, true, 0, 300, false},
        {16, 20, 40, false, 0, 1599, false}, {16, 3, 9, false, 0, 36, false},    {8, 50, 20, false, 0, 130, false},
        {8, 50, 20, false, 5, 0, false},    {4, 33, 25, false, 2, 17, false},   {1, 70, 33, false, 1, 12, false},
        {1, 70, 33, false, 0, 0, false},
        // Rows wider than half the reader's piece: every row wanted, read some rows a piece,
        // the data ending inside a piece.
        {24, 30000, 12, false, 0, 100000, true}, {8, 70000, 9, false, 0, 1, true},
    };
    std::mt19937 random(5);
    TempDir dir;
#if !defined(_WIN32) && !defined(__EMSCRIPTEN__) // no named pipes on Windows, none under Node
    const std::string pipe = dir.path("pipe.bmp");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
#endif
    Warnings on(true);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.depth) + " bits " + std::to_string(c.width) + "x" + std::to_string(c.height) +
                     ", cut " + std::to_string(c.cut));
        Bytes file = randomFile(c.depth, c.width, c.height, c.bitfields, c.tableCut, random);
        file.resize(file.size() - c.cut);
        const std::string path = dir.write("p.bmp", file);
        PictureSampling wanted = someOf(c.width, c.height, random);
        if (c.everyRow) {
            wanted.rows.resize(static_cast<std::size_t>(c.height));
            std::iota(wanted.rows.begin(), wanted.rows.end(), 0);
        }

        Bitmap whole;
        const std::vector<std::string> wholeLines = printedLines([&] { ASSERT_TRUE(whole.load(path.c_str())); });
        const std::string expected = picked(whole, wanted);

        const SampledLoad fromFile = sampledLoad(path, wanted);
        EXPECT_TRUE(fromFile.sampled);
        EXPECT_EQ(fromFile.picture, expected);
        EXPECT_EQ(fromFile.lines, wholeLines);

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
        std::thread writer([&] {
            std::FILE* out = std::fopen(pipe.c_str(), "wb");
            std::fwrite(file.data(), 1, file.size(), out);
            std::fclose(out);
        });
        SampledLoad fromPipe = sampledLoad(pipe, wanted);
        writer.join();
        // The pipe's name differs from the file's in the messages.
        for (std::string& line : fromPipe.lines)
            for (std::size_t at; (at = line.find(pipe)) != std::string::npos;)
                line.replace(at, pipe.size(), path);
        EXPECT_TRUE(fromPipe.sampled);
        EXPECT_EQ(fromPipe.picture, expected);
        EXPECT_EQ(fromPipe.lines, wholeLines);
#endif
    }
}

TEST(SampledConversion, RowsReadInSmallPiecesGiveTheOnePieceLoadsPixelsAndMessages)
{
    // By default these pictures come in one piece; in pieces of 40 bytes a read holds a few
    // rows or part of one, and the data ends before, inside and after a piece.
    struct Case {
        int depth, width, height;
        bool bitfields;
    };
    const Case cases[] = {{1, 23, 17, false}, {4, 9, 30, false}, {8, 50, 7, false}, {16, 5, 12, false},
                          {16, 11, 6, true},  {24, 3, 25, false}, {24, 13, 9, false}, {32, 7, 8, false}};
    std::mt19937 random(13);
    TempDir dir;
    Warnings on(true);
    const std::size_t pieceBytes = 40;
    for (const Case& c : cases) {
        const Bytes file = randomFile(c.depth, c.width, c.height, c.bitfields, 0, random);
        const std::size_t stride = static_cast<std::size_t>(bmp::rowStride(c.width, c.depth));
        for (std::size_t cut : {std::size_t{0}, std::size_t{1}, stride, stride + 3, 39 * stride / 10, file.size() / 2}) {
            SCOPED_TRACE(std::to_string(c.depth) + " bits " + std::to_string(c.width) + "x" + std::to_string(c.height) +
                         ", cut " + std::to_string(cut));
            const std::string path = dir.write("p.bmp", Bytes(file.begin(), file.end() - static_cast<std::ptrdiff_t>(cut)));
            const PictureSampling wanted = someOf(c.width, c.height, random);
            Bitmap onePiece;
            const std::vector<std::string> lines = printedLines([&] { ASSERT_TRUE(onePiece.load(path.c_str())); });

            Bitmap whole;
            EXPECT_EQ(printedLines([&] { ASSERT_TRUE(fuzz::loadInPieces(whole, path, pieceBytes)); }), lines);
            const SampledLoad sampled = sampledLoad(path, wanted, pieceBytes);
            EXPECT_EQ(snapshot(whole), snapshot(onePiece));
            EXPECT_TRUE(sampled.sampled);
            EXPECT_EQ(sampled.picture, picked(onePiece, wanted));
            EXPECT_EQ(sampled.lines, lines);
        }
    }
}

// Targets wider than a block of columns, with the layouts of every block held and laid out
// again for every row: the blocks must join up, and the rows made from the bottom up as
// the file is read must be the literal conversion's, scaling up and down.
TEST(SampledConversion, WideTargetsGiveTheLiteralConversionsBytes)
{
    struct Case {
        int depth, width, height, targetWidth, targetHeight;
    };
    const Case cases[] = {{24, 9, 3, 4097, -1}, {24, 50, 4, 8200, 9}, {8, 9000, 3, 8193, -1},
                          {24, 8200, 2, -1, -1},  {16, 13, 7, 4500, 30}};
    std::mt19937 random(5);
    for (const std::int32_t held : {ConversionPlan().layoutColumnsHeld, 100}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " -> " +
                         std::to_string(c.targetWidth) + "x" + std::to_string(c.targetHeight) + ", layouts held up to " +
                         std::to_string(held) + " columns");
            // Blocks of one colour: scaling up makes long runs the rows share.
            const Bytes file = randomFile(c.depth, c.width, c.height, false, 0, random, c.depth >= 8 ? 3 : 0);
            // The conversion check takes sizes up to 128 from its input; these are set directly.
            TempDir dir;
            const std::string path = dir.write("wide.bmp", file);
            const auto literal = fuzz::pipelineDetail::convertCaptured(path, c.targetWidth, c.targetHeight, false,
                                                                       dir.path("wide_glcd.bmp"), dir.path("wide_glcd.h"));
            const auto made = fuzz::pipelineDetail::convertCaptured(
                path, c.targetWidth, c.targetHeight, true, dir.path("wide_glcd.bmp"), dir.path("wide_glcd.h"), held);
            EXPECT_EQ(made.code, 0);
            EXPECT_EQ(made.code, literal.code);
            EXPECT_EQ(made.err, literal.err);
            EXPECT_TRUE(made.preview == literal.preview) << "the previews differ";
            EXPECT_TRUE(made.header == literal.header) << "the headers differ";
        }
    }
}

// The rows of a picture in memory, handed over as the program makes them, give the target
// that the conversion of the same picture stored as a 24-bit BMP gives: at its own size (as
// panelbake-prepare --for asks) and scaled.
TEST(SampledConversion, RowsMadeInMemoryGiveTheTargetOfTheirStoredPicture)
{
    struct Case {
        int width, height, targetWidth, targetHeight;
    };
    const Case cases[] = {{13, 10, -1, -1}, {130, 37, -1, -1}, {1, 9, -1, -1}, {9, 1, -1, -1},
                          {61, 23, 130, -1}, {40, 30, 13, 10}, {300, 7, -1, 64}};
    std::mt19937 random(11);
    // Both programs convert without -v: a picture one pixel wide has a plan too.
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " -> " + std::to_string(c.targetWidth) +
                     "x" + std::to_string(c.targetHeight));
        TempDir dir;
        const std::string path = dir.write("p.bmp", randomFile(24, c.width, c.height, false, 0, random, 2));
        Bitmap whole;
        ASSERT_TRUE(whole.load(path.c_str()));
        Bitmap source;
        ConversionPlan filePlan, rowsPlan;
        BitPicture fromFile, fromRows;
        ASSERT_TRUE(loadSource(source, path, c.targetWidth, c.targetHeight, filePlan, fromFile));
        ASSERT_TRUE(filePlan.targetFromRows);
        std::vector<std::int32_t> asked;
        ASSERT_TRUE(convertRows(whole.width, whole.height, c.targetWidth, c.targetHeight,
                                [&](std::int32_t y, Pixel* row) {
                                    asked.push_back(y);
                                    std::copy(whole.rowData(y), whole.rowData(y) + whole.width, row);
                                },
                                rowsPlan, fromRows));
        // Only the rows the target depends on, from the bottom up.
        EXPECT_EQ(asked, std::vector<std::int32_t>(filePlan.sampling.rows.rbegin(), filePlan.sampling.rows.rend()));
        ASSERT_EQ(fromRows.width(), fromFile.width());
        ASSERT_EQ(fromRows.height(), fromFile.height());
        const auto rowBytes = static_cast<std::size_t>(bmp::rowStride(fromFile.width(), 1));
        for (std::int32_t y = 0; y < fromFile.height(); ++y)
            ASSERT_TRUE(std::equal(fromFile.row(y), fromFile.row(y) + rowBytes, fromRows.row(y))) << "row " << y;
    }
}

TEST(SampledConversion, SamplingsThatMakeNoPictureLoadTheWholePicture)
{
    std::mt19937 random(3);
    TempDir dir;
    const std::string path = dir.write("p.bmp", randomFile(24, 6, 4, false, 0, random));
    Bitmap whole;
    ASSERT_TRUE(whole.load(path.c_str()));
    const PictureSampling bad[] = {{{}, {0, 1}}, {{0, 1}, {}}, {{1, 0}, {0}}, {{0, 0}, {0}},
                                   {{0}, {5, 6}}, {{-1, 2}, {0}}, {{0, 4}, {1}}};
    for (const PictureSampling& wanted : bad) {
        const SampledLoad loaded = sampledLoad(path, wanted);
        EXPECT_FALSE(loaded.sampled);
        EXPECT_EQ(loaded.picture, snapshot(whole));
    }
}

} // namespace

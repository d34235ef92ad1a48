// SPDX-License-Identifier: MIT
// The optimised paths against straightforward definitions, on random pictures large
// enough to reach every block, run and vector-width boundary.
#include "bmp_bytes.h"
#include "bmp_header.h"
#include "page_header.h"
#include "resample.h"

#include <cstdio>
#include <random>
#include <string>
#include <tuple>

namespace {

Pixel randomPixel(std::mt19937& random)
{
    const std::uint32_t v = random();
    return rgb(v & 255, v >> 8 & 255, v >> 16 & 255, v >> 24);
}

Bitmap randomPicture(int width, int height, std::mt19937& random)
{
    Bitmap b;
    b.setDimensions(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.pixelAt(x, y) = randomPixel(random);
    return b;
}

// The first pixel where two pictures of the same size differ, or "" when none does.
std::string firstDifference(const Bitmap& a, const Bitmap& b)
{
    if (a.width != b.width || a.height != b.height)
        return "sizes differ";
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if (a.rowData(y)[x] != b.rowData(y)[x])
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + ": " +
                       testing::PrintToString(a.rowData(y)[x]) + " vs " + testing::PrintToString(b.rowData(y)[x]);
    return "";
}

// A stored picture made with plain code: the file bytes and the pixels it must load as.
struct StoredPicture {
    Bytes file;
    std::size_t dataStart = 0;
    std::size_t stride = 0;
    Bitmap pixels;
};

StoredPicture storedPicture(int depth, int width, int height, std::mt19937& random)
{
    StoredPicture p;
    const std::size_t dataBytes = (static_cast<std::size_t>(width) * depth + 7) / 8;
    p.stride = (dataBytes + 3) / 4 * 4;
    const int entries = depth <= 8 ? 1 << depth : 0;
    p.dataStart = 54 + 4 * static_cast<std::size_t>(entries);
    p.file = headerBytes(bmpHeader(width, height, static_cast<std::uint16_t>(depth),
                                   static_cast<std::uint32_t>(p.dataStart)));
    std::vector<Pixel> table;
    for (int i = 0; i < entries; ++i) {
        table.push_back(randomPixel(random));
        append(p.file, {table.back().blue, table.back().green, table.back().red, table.back().alpha});
    }
    p.pixels.setBitDepth(depth);
    p.pixels.setDimensions(width, height);
    p.pixels.horizontalResolution = p.pixels.verticalResolution = 3780;
    for (int i = 0; i < entries; ++i)
        p.pixels.setPaletteColor(i, table[static_cast<std::size_t>(i)]);
    for (int y = height - 1; y >= 0; --y) {
        Bytes row(p.stride, 0);
        for (int x = 0; x < width; ++x) {
            Pixel& out = p.pixels.pixelAt(x, y);
            if (entries > 0) {
                const int index = static_cast<int>(random() % static_cast<unsigned>(entries));
                const int bit = x * depth;
                row[static_cast<std::size_t>(bit / 8)] |= static_cast<std::uint8_t>(index << (8 - depth - bit % 8));
                out = table[static_cast<std::size_t>(index)];
            } else {
                out = randomPixel(random);
                if (depth == 24)
                    out.alpha = 0;
                const std::uint8_t bytes[4] = {out.blue, out.green, out.red, out.alpha};
                std::copy(bytes, bytes + depth / 8, row.begin() + x * (depth / 8));
            }
        }
        for (std::size_t i = dataBytes; i < p.stride; ++i)
            row[i] = static_cast<std::uint8_t>(random()); // padding is ignored
        append(p.file, row);
    }
    return p;
}

TEST(FastPaths, LoadingRowsInBlocksMatchesRowByRow)
{
    // Rows are read about 256 KiB at a time: these pictures span several such blocks, with
    // the data cut at block boundaries, inside rows and right after whole rows.
    struct Case {
        int depth, width, height;
    };
    const Case cases[] = {{24, 5001, 40}, {32, 3001, 45}, {8, 20001, 30}, {4, 90001, 15}, {1, 13, 70000},
                          {24, 1, 3},     {24, 5, 3},     {24, 6, 2},    {24, 7, 2},    {24, 10, 3}, {1, 17, 2}};
    std::mt19937 random(7);
    TempDir dir;
    for (const Case& c : cases) {
        const StoredPicture p = storedPicture(c.depth, c.width, c.height, random);
        const std::size_t rowsPerBlock = std::max<std::size_t>(BmpFile::defaultPieceBytes / p.stride, 1);
        std::vector<std::size_t> cuts = {p.file.size(), p.dataStart, p.dataStart + p.stride - 1,
                                         p.dataStart + p.stride, p.file.size() - 1};
        for (std::size_t rows = rowsPerBlock; rows < static_cast<std::size_t>(c.height); rows += rowsPerBlock)
            for (std::size_t at : {rows * p.stride - 1, rows * p.stride, rows * p.stride + 1, rows * p.stride + p.stride / 2})
                cuts.push_back(p.dataStart + at);
        for (std::size_t size : cuts) {
            SCOPED_TRACE(std::to_string(c.depth) + " bits " + std::to_string(c.width) + "x" +
                         std::to_string(c.height) + ", " + std::to_string(size) + " bytes");
            Bytes file(p.file.begin(), p.file.begin() + static_cast<std::ptrdiff_t>(size));
            // Over a picture of the same size, so that a reused grid with old pixels shows.
            Bitmap loaded = randomPicture(c.width, c.height, random);
            ASSERT_TRUE(loaded.load(dir.write("p.bmp", file).c_str()));
            Bitmap expected(p.pixels);
            expected.horizontalResolution = expected.verticalResolution = 3780;
            const int rowsRead = static_cast<int>((size - p.dataStart) / p.stride);
            for (int y = 0; y < c.height - rowsRead; ++y)
                for (int x = 0; x < c.width; ++x)
                    expected.pixelAt(x, y) = whitePixel;
            ASSERT_EQ(firstDifference(loaded, expected), "");
        }
    }
}

TEST(FastPaths, ResamplingMatchesTheDefinition)
{
    // Large factors give long runs of destination pixels between the same source pixels
    // (the vector path); small ones and reductions give runs of one or two. Sizes are odd
    // and even around the vector width, and 1 on either side of source and destination.
    struct Case {
        int w, h, nw, nh;
    };
    const Case cases[] = {{2, 2, 9, 9},      {3, 2, 64, 7},     {5, 4, 203, 33},  {17, 9, 1001, 50},
                          {128, 64, 1025, 97}, {7, 7, 8, 8},     {40, 30, 13, 11}, {301, 5, 37, 4},
                          {1, 5, 31, 9},     {6, 1, 29, 5},     {1, 1, 7, 6},     {9, 6, 1, 17},
                          {9, 6, 23, 1},     {4, 3, 4, 3},      {2, 3, 4099, 3},  {3, 2, 8195, 2}};
    std::mt19937 random(11);
    for (const Case& c : cases) {
        const Bitmap source = randomPicture(c.w, c.h, random);
        Bitmap byDefinition;
        byDefinition.setDimensions(c.nw, c.nh);
        Bitmap fast = randomPicture(c.nw, c.nh, random); // every pixel must be overwritten, alpha too
        resampleByDefinition(source, byDefinition);
        resampleFast(source, fast);
        ASSERT_EQ(firstDifference(fast, byDefinition), "") << c.w << "x" << c.h << " -> " << c.nw << "x" << c.nh;
    }
}

TEST(FastPaths, ResamplingChannelsThatShareCornersMatchesTheDefinition)
{
    // Corners where channels repeat one another or are all 0 share their sums.
    const Pixel colours[] = {rgb(200, 40, 40), rgb(0, 0, 0),     rgb(250, 250, 245), rgb(255, 255, 255),
                             rgb(0, 0, 200),   rgb(7, 7, 0),     rgb(9, 0, 9),       rgb(128, 127, 128)};
    std::mt19937 random(29);
    // Few colours on many blocks: every kind of sharing comes up many times.
    for (auto [w, h, colourCount] : {std::tuple{4, 3, 8}, std::tuple{40, 20, 8}, std::tuple{33, 9, 3}}) {
        Bitmap source;
        source.setDimensions(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                source.pixelAt(x, y) = colours[random() % static_cast<unsigned>(colourCount)];
        Bitmap byDefinition;
        byDefinition.setDimensions(9 * w, 3 * h);
        resampleByDefinition(source, byDefinition);
        Bitmap fast = randomPicture(9 * w, 3 * h, random);
        resampleFast(source, fast);
        ASSERT_EQ(firstDifference(fast, byDefinition), "") << w << "x" << h;
    }
}

TEST(FastPaths, RescalingLargePicturesMatchesTheDefinition)
{
    // Grids of 4 MiB and more are mapped rather than taken from the heap.
    std::mt19937 random(5);
    Bitmap picture = randomPicture(300, 200, random);
    Bitmap byDefinition;
    byDefinition.setDimensions(1500, 1000);
    resampleByDefinition(picture, byDefinition);
    ASSERT_TRUE(rescaleBitmap(picture, 'w', 1500));
    ASSERT_EQ(firstDifference(picture, byDefinition), "");

    const Bitmap copy(picture);
    EXPECT_EQ(firstDifference(copy, picture), "");
    ASSERT_TRUE(rescaleBitmap(picture, 'h', 7));
    Bitmap reduced;
    reduced.setDimensions(10, 7);
    resampleByDefinition(copy, reduced);
    EXPECT_EQ(firstDifference(picture, reduced), "");
}

TEST(FastPaths, RescalingToTheSameSizeMatchesTheDefinition)
{
    // Done in place: colours kept, alpha cleared except in the bottom-right pixel.
    std::mt19937 random(23);
    for (auto [w, h] : {std::pair{1, 1}, std::pair{1, 9}, std::pair{8, 1}, std::pair{7, 5}, std::pair{128, 64}}) {
        for (int depth : {8, 24, 32}) {
            Bitmap picture = randomPicture(w, h, random);
            picture.setBitDepth(depth);
            Bitmap byDefinition;
            byDefinition.setDimensions(w, h);
            resampleByDefinition(picture, byDefinition);
            ASSERT_TRUE(rescaleBitmap(picture, w > h ? 'w' : 'h', w > h ? w : h));
            EXPECT_EQ(picture.bitsPerPixel, 24);
            EXPECT_TRUE(picture.colorTable.empty());
            ASSERT_EQ(firstDifference(picture, byDefinition), "") << w << "x" << h;
        }
    }
}

TEST(FastPaths, TakingPixelsMatchesACopyOfTheWholePicture)
{
    std::mt19937 random(3);
    for (auto [w, h] : {std::pair{1, 1}, std::pair{7, 3}, std::pair{1200, 1100}}) {
        Bitmap source = randomPicture(w, h, random);
        Bitmap copied, taken;
        copied.setBitDepth(1);
        taken.setBitDepth(1);
        copied.horizontalResolution = taken.horizontalResolution = 2835;
        copied.setDimensions(w, h);
        copyRegion(source, w - 1, h - 1, copied);
        taken.takePixels(source);
        EXPECT_EQ(snapshot(taken), snapshot(copied));
        Bitmap single;
        single.setBitDepth(source.bitsPerPixel);
        EXPECT_EQ(snapshot(source), snapshot(single)); // left 1 x 1 and white
    }
}

TEST(FastPaths, OneBitRowsMatchTheNearestEntryRule)
{
    // The (black, white) table packs eight pixels at a time by the sum of the channels;
    // other two-entry tables take the general search. Channels of uniform random pixels
    // add up to around 383 half of the time, so both answers come up often.
    const Pixel tables[][2] = {{rgb(0, 0, 0), rgb(255, 255, 255)},
                               {rgb(0, 0, 0, 9), rgb(255, 255, 255, 200)},
                               {rgb(255, 255, 255), rgb(0, 0, 0)},
                               {rgb(10, 200, 30), rgb(128, 128, 127)}};
    std::mt19937 random(13);
    for (const auto& table : tables)
        for (int width : {1, 2, 7, 8, 9, 15, 16, 17, 31, 64, 1001}) {
            Bitmap b = randomPicture(width, 3, random);
            b.pixelAt(0, 1) = rgb(128, 128, 127); // 383: white
            b.pixelAt(0, 2) = rgb(128, 127, 127); // 382: black
            b.setBitDepth(1);
            b.setPaletteColor(0, table[0]);
            b.setPaletteColor(1, table[1]);
            const std::size_t length = static_cast<std::size_t>(width + 7) / 8 + 2;
            for (int y = 0; y < 3; ++y) {
                // Bytes past the row's own are left as they were.
                Bytes packed(length, 0xA5), expected(length, 0xA5);
                std::fill_n(expected.begin(), (width + 7) / 8, 0);
                ASSERT_TRUE(b.write1BitRow(packed.data(), length, y));
                for (int x = 0; x < width; ++x)
                    expected[static_cast<std::size_t>(x / 8)] |=
                        static_cast<std::uint8_t>(nearestPaletteIndex(b, b.pixelAt(x, y)) << (7 - x % 8));
                ASSERT_EQ(packed, expected) << "width " << width << ", row " << y;
            }
        }
}

TEST(FastPaths, OneBitDecodingMatchesTheColourTable)
{
    std::mt19937 random(17);
    for (int width : {1, 3, 8, 9, 16, 23, 64, 77}) {
        Bitmap b;
        b.setBitDepth(1);
        b.setDimensions(width, 2);
        const Pixel entries[2] = {randomPixel(random), randomPixel(random)};
        b.setPaletteColor(0, entries[0]);
        b.setPaletteColor(1, entries[1]);
        Bytes row(static_cast<std::size_t>(width + 31) / 32 * 4);
        for (std::uint8_t& byte : row)
            byte = static_cast<std::uint8_t>(random());
        ASSERT_TRUE(b.read1BitRow(row.data(), row.size(), 1));
        for (int x = 0; x < width; ++x)
            ASSERT_EQ(b.pixelAt(x, 1), entries[row[static_cast<std::size_t>(x / 8)] >> (7 - x % 8) & 1]) << x;
        EXPECT_EQ(b.pixelAt(width - 1, 0), whitePixel); // the other row is left alone
    }
}

// The array body written out plainly: every byte from pixelAt, "0x%02x", ", " between
// and after bytes of whole pages, a line end after every sixteenth column and after each
// page row, and the partial page on one line.
std::string plainArrayBody(const Bitmap& b)
{
    std::string body;
    char text[16];
    auto byteAt = [&](int page, int x, int rows) {
        unsigned value = 0;
        for (int bit = 0; bit < rows; ++bit)
            if (b.pixelAt(x, 8 * page + bit).green == 0)
                value |= 1u << bit;
        std::snprintf(text, sizeof text, "0x%02x", value);
        return std::string(text);
    };
    for (int page = 0; page < b.height / 8; ++page) {
        for (int x = 0; x < b.width; ++x) {
            body += byteAt(page, x, 8) + ", ";
            if ((x + 1) % 16 == 0)
                body += "\n";
        }
        body += "\n";
    }
    if (b.height % 8 > 0) {
        for (int x = 0; x < b.width; ++x)
            body += (x > 0 ? ", " : "") + byteAt(b.height / 8, x, b.height % 8);
        body += "\n";
    }
    return body;
}

TEST(FastPaths, HeaderBodyMatchesThePlainLayout)
{
    std::mt19937 random(19);
    for (auto [w, h] : {std::pair{1, 1}, std::pair{16, 8}, std::pair{17, 9}, std::pair{33, 23}, std::pair{128, 60},
                        std::pair{5, 64}, std::pair{16390, 3}, std::pair{20000, 9}}) {
        Bitmap b;
        b.setDimensions(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (random() % 2)
                    b.pixelAt(x, y) = rgb(static_cast<int>(random() % 256), 0, 7); // only green counts
        const std::string text = pageColumnHeaderText(b, "pic", ArrayAttribute::none);
        const std::string start = "_bmp[]={\n", end = "};\n";
        const std::size_t from = text.find(start) + start.size();
        ASSERT_EQ(text.substr(from, text.rfind(end) - from), plainArrayBody(b)) << w << "x" << h;
    }
}

} // namespace

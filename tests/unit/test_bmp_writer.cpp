// SPDX-License-Identifier: MIT
// Bitmap::save: exact file bytes, every depth and padding case, colour reduction to the
// nearest table entry, and failures to open or to write.
#include "bmp_bytes.h"
#include "nearest_color.h"

#include <random>

namespace {

Bitmap image(int width, int height, int depth, std::initializer_list<Pixel> pixels)
{
    Bitmap b;
    b.setBitDepth(depth);
    b.setDimensions(width, height);
    int i = 0;
    for (const Pixel& p : pixels) {
        b.pixelAt(i % width, i / width) = p;
        ++i;
    }
    return b;
}

Bytes saved(const Bitmap& b, const TempDir& dir)
{
    const std::string path = dir.path("out.bmp");
    const std::string before = snapshot(b);
    EXPECT_TRUE(b.save(path.c_str()));
    EXPECT_EQ(snapshot(b), before);
    return readFile(path);
}

TEST(BmpWriter, SmallFilesByteForByte)
{
    const Pixel k = blackPixel, w = whitePixel;
    const Bitmap oneBit = image(10, 2, 1, {w, k, k, k, k, k, k, k, k, w,                                    //
                                           k, rgb(128, 128, 127), rgb(128, 127, 127), w, w, w, w, w, w, w}); //
    Bitmap trueColor = image(1, 1, 24, {rgb(1, 2, 3, 9)});
    trueColor.horizontalResolution = 2835;
    const Bitmap sixteen = image(3, 1, 16, {rgb(255, 255, 255), rgb(0, 252, 0), rgb(7, 3, 200)});

    const std::string resolution3780 = "C4 0E 00 00 ";
    struct Case {
        const Bitmap& bitmap;
        std::string hex;
    };
    const Case cases[] = {
        {oneBit, "42 4D 46 00 00 00 00 00 00 00 3E 00 00 00 28 00 00 00 0A 00 00 00 02 00 00 00 01 00 01 00 "
                 "00 00 00 00 08 00 00 00 " + resolution3780 + resolution3780 + "00 00 00 00 00 00 00 00 "
                 "00 00 00 00 FF FF FF 00 5F C0 00 00 80 40 00 00"},
        {trueColor, "42 4D 3A 00 00 00 00 00 00 00 36 00 00 00 28 00 00 00 01 00 00 00 01 00 00 00 01 00 18 00 "
                    "00 00 00 00 04 00 00 00 13 0B 00 00 " + resolution3780 + "00 00 00 00 00 00 00 00 "
                    "03 02 01 00"},
        {sixteen, "42 4D 4A 00 00 00 00 00 00 00 42 00 00 00 28 00 00 00 03 00 00 00 01 00 00 00 01 00 10 00 "
                  "03 00 00 00 08 00 00 00 " + resolution3780 + resolution3780 + "00 00 00 00 00 00 00 00 "
                  "00 F8 00 00 E0 07 00 00 1F 00 00 00 FF FF E0 07 19 00 00 00"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        std::string hex;
        for (std::uint8_t byte : saved(c.bitmap, dir)) {
            char text[4];
            std::snprintf(text, sizeof text, "%02X ", byte);
            hex += text;
        }
        EXPECT_EQ(hex, c.hex + " ");
    }
}

TEST(BmpWriter, ATableWithMoreEntriesThanTheDepthHoldsIsCutToThem)
{
    // The colour table is a public member: a caller can give a 1-bit picture five entries.
    Bitmap b = image(2, 1, 1, {blackPixel, whitePixel});
    b.colorTable = {blackPixel, whitePixel, rgb(1, 2, 3), rgb(4, 5, 6), rgb(7, 8, 9)};
    TempDir dir;
    const Bytes file = saved(b, dir);
    ASSERT_EQ(file.size(), 62u + 4u);
    EXPECT_EQ(u32At(file, 10), 62u);
    EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 62), (Bytes{0, 0, 0, 0, 255, 255, 255, 0}));
}

// Stored row lengths worked out by hand for widths 1, 3, 7, 9, 31 and 33.
struct Layout {
    int depth;
    std::uint32_t dataOffset;
    int strides[6];
};
const Layout layouts[] = {
    {1, 62, {4, 4, 4, 4, 4, 8}},           {4, 118, {4, 4, 4, 8, 16, 20}},
    {8, 1078, {4, 4, 8, 12, 32, 36}},      {16, 66, {4, 8, 16, 20, 64, 68}},
    {24, 54, {4, 12, 24, 28, 96, 100}},    {32, 54, {4, 12, 28, 36, 124, 132}},
};
const int widths[] = {1, 3, 7, 9, 31, 33};

// What a pixel becomes once written at the depth and read back.
Pixel afterRoundTrip(const Bitmap& b, Pixel p)
{
    switch (b.bitsPerPixel) {
    case 32: return p;
    case 24: return rgb(p.red, p.green, p.blue);
    case 16: return rgb(p.red & 0xF8, p.green & 0xF8, p.blue & 0xF8);
    default: return b.colorTable[nearestPaletteIndex(b, p)];
    }
}

TEST(BmpWriter, EveryDepthAndPaddingCaseReadsBack)
{
    std::mt19937 random(7);
    TempDir dir;
    const std::string path = dir.path("out.bmp");
    const int height = 3;
    for (const Layout& layout : layouts) {
        for (int i = 0; i < 6; ++i) {
            const int width = widths[i];
            SCOPED_TRACE(std::to_string(layout.depth) + " bits, width " + std::to_string(width));
            Bitmap b;
            b.setBitDepth(layout.depth);
            b.setDimensions(width, height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const std::uint32_t v = random();
                    // Half the pixels are table colours, which must come back unchanged.
                    b.pixelAt(x, y) = (v & 1) && layout.depth <= 8 ? b.colorTable[(v >> 8) % b.colorTable.size()]
                                                                   : rgb(v >> 8 & 255, v >> 16 & 255, v >> 24, v & 255);
                }
            const Bytes file = saved(b, dir);
            const std::size_t stride = static_cast<std::size_t>(layout.strides[i]);
            ASSERT_EQ(file.size(), layout.dataOffset + stride * height);
            EXPECT_EQ(u32At(file, 2), file.size());
            EXPECT_EQ(u32At(file, 10), layout.dataOffset);
            EXPECT_EQ(u32At(file, 34), stride * height);
            for (int row = 0; row < height; ++row) // every bit after the pixel data is 0
                for (std::size_t bit = static_cast<std::size_t>(width * layout.depth); bit < 8 * stride; ++bit)
                    ASSERT_EQ(file[layout.dataOffset + row * stride + bit / 8] >> (7 - bit % 8) & 1, 0) << bit;
            if (layout.depth == 24) { // the bottom row comes first
                const Pixel& p = b.pixelAt(0, height - 1);
                EXPECT_EQ(Bytes(file.begin() + 54, file.begin() + 57), (Bytes{p.blue, p.green, p.red}));
            }

            Bitmap back;
            bool loaded = false;
            EXPECT_TRUE(printedLines([&] { loaded = back.load(path.c_str()); }).empty());
            ASSERT_TRUE(loaded);
            ASSERT_EQ(back.width, width);
            ASSERT_EQ(back.height, height);
            ASSERT_EQ(back.bitsPerPixel, layout.depth);
            EXPECT_EQ(back.colorTable, b.colorTable);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(back.pixelAt(x, y), afterRoundTrip(b, b.pixelAt(x, y))) << x << "," << y;
        }
    }
}

TEST(BmpWriter, NearestPaletteEntry)
{
    Bitmap standard8;
    standard8.setBitDepth(8);
    Bitmap blackWhite;
    blackWhite.setBitDepth(1);
    Bitmap custom;
    custom.setBitDepth(4);
    custom.fillGrayPalette();
    custom.setPaletteColor(5, rgb(50, 50, 50));
    custom.setPaletteColor(9, rgb(50, 50, 50));
    custom.setPaletteColor(6, rgb(110, 100, 100));
    custom.setPaletteColor(4, rgb(100, 110, 100));
    struct Case {
        const Bitmap& table;
        Pixel pixel;
        int index;
    };
    const Case cases[] = {
        {standard8, rgb(166, 202, 240), 9},   {standard8, rgb(166, 202, 240, 200), 9}, // alpha plays no part
        {standard8, rgb(255, 0, 0), 249},     {standard8, rgb(128, 128, 128), 164},    // lower of equal entries
        {standard8, rgb(0, 128, 0), 2},       {standard8, rgb(255, 255, 255), 255},
        {blackWhite, rgb(128, 128, 127), 1},  {blackWhite, rgb(128, 127, 127), 0},
        {custom, rgb(50, 50, 50), 5},         {custom, rgb(105, 105, 100), 4},// equally near: the lower index
        {custom, rgb(250, 250, 250), 15},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(nearestPaletteIndex(c.table, c.pixel), c.index) << testing::PrintToString(c.pixel);
        NearestColor fast(c.table);
        EXPECT_EQ(fast(c.pixel), c.index) << testing::PrintToString(c.pixel);
    }
    // Black and white: white exactly when red + green + blue >= 383.
    NearestColor fast(blackWhite);
    for (int sum = 0; sum <= 765; ++sum) {
        const int r = std::min(sum, 255), g = std::min(sum - r, 255), b = sum - r - g;
        for (const Pixel& p : {rgb(r, g, b), rgb(b, r, g), rgb(g, b, r)}) {
            ASSERT_EQ(nearestPaletteIndex(blackWhite, p), sum >= 383 ? 1 : 0) << sum;
            ASSERT_EQ(fast(p), sum >= 383 ? 1 : 0) << sum;
        }
    }
}

TEST(BmpWriter, FastNearestColourMatchesTheDefinition)
{
    std::mt19937 random(11);
    std::vector<Bitmap> tables(9);
    const int depths[] = {1, 4, 8, 1, 4, 8, 8, 1, 1};
    for (std::size_t t = 0; t < tables.size(); ++t)
        tables[t].setBitDepth(depths[t]);
    for (std::size_t t = 3; t < 6; ++t)
        tables[t].fillGrayPalette();
    for (Pixel& e : tables[6].colorTable) // few distinct colours: many ties
        e = rgb(random() % 4 * 85, random() % 4 * 85, random() % 3 * 127, random() % 256);
    tables[7].colorTable = {whitePixel, blackPixel};
    tables[8].colorTable[1].alpha = 9;
    for (const Bitmap& table : tables) {
        NearestColor fast(table);
        for (int i = 0; i < 20000; ++i) {
            const std::uint32_t v = random();
            // Every fourth pixel comes from a small set, so cached answers are reused.
            const std::uint32_t c = i % 4 ? v : v % 64 * 0x040404;
            const Pixel p = rgb(c & 255, c >> 8 & 255, c >> 16 & 255, v >> 24);
            ASSERT_EQ(fast(p), nearestPaletteIndex(table, p)) << testing::PrintToString(p);
        }
    }
}

TEST(BmpWriter, RowPackerRefusesAShortBufferAndLeavesTheRestAlone)
{
    const Bitmap b = image(10, 1, 1, {whitePixel, blackPixel, whitePixel});
    std::uint8_t buffer[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    EXPECT_FALSE(b.write1BitRow(buffer, 1, 0));
    EXPECT_EQ(buffer[0], 0xAA);
    ASSERT_TRUE(b.write1BitRow(buffer, 4, 0));
    EXPECT_EQ(Bytes(buffer, buffer + 4), (Bytes{0xBF, 0xC0, 0xAA, 0xAA}));
}

TEST(BmpWriter, FailuresToOpenOrWriteAreReported)
{
    TempDir dir;
    const std::string missing = dir.path("no/such/dir/x.bmp");
    auto [opened, lines] = withAndWithoutWarnings([&] { return Bitmap().save(missing.c_str()); });
    EXPECT_FALSE(opened);
    EXPECT_EQ(lines, std::vector<std::string>{"Picture Error: Cannot open file " + missing + " for output."});

    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    // Small files fail only when the stream is flushed at the close; a large row fails
    // on its own write. Either way the error is printed once.
    for (auto [width, depth] : {std::pair{10, 1}, {3, 16}, {1, 8}, {4000, 24}, {4000, 16}, {3000, 32}}) {
        SCOPED_TRACE(std::to_string(width) + " x 4 at " + std::to_string(depth));
        auto [ok, failure] = withAndWithoutWarnings([&, width = width, depth = depth] {
            Bitmap b;
            b.setBitDepth(depth);
            b.setDimensions(width, 4);
            return b.save("/dev/full");
        });
        EXPECT_FALSE(ok);
        EXPECT_EQ(failure, std::vector<std::string>{"Picture Error: Could not write proper amount of data."});
    }
}

} // namespace

// SPDX-License-Identifier: MIT
// rescaleBitmap, copy construction and copyRegion.
#include "bmp_bytes.h"
#include "resample.h"

#include <climits>
#include <random>
#include <stdexcept>

namespace {

Pixel grey(int v)
{
    return rgb(v, v, v);
}

Bitmap randomImage(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    Bitmap b;
    b.setDimensions(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = random();
            b.pixelAt(x, y) = rgb(v & 255, v >> 8 & 255, v >> 16 & 255, v >> 24);
        }
    return b;
}

Bitmap fromRows(const std::vector<std::vector<Pixel>>& rows)
{
    Bitmap b;
    b.setDimensions(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            b.pixelAt(static_cast<int>(x), static_cast<int>(y)) = rows[y][x];
    return b;
}

TEST(Rescale, NewSizeByMode)
{
    struct Case {
        int width, height;
        char mode;
        int value, newWidth, newHeight;
    };
    const Case cases[] = {
        {101, 51, 'P', 50, 50, 25},  {3, 2, 'p', 200, 6, 4},      {7, 7, 'W', 61, 61, 60}, // 61 / 7 * 7 < 61
        {7, 7, 'w', 61, 61, 60},     {10, 4, 'h', 2, 5, 2},       {4, 10, 'H', 25, 10, 25},
        {200, 100, 'F', 100, 100, 50}, {100, 200, 'f', 100, 50, 100}, {100, 100, 'F', 100, 100, 100},
        {3, 90, 'w', 2, 2, 60},      {90, 3, 'h', 1, 30, 1},      {5, 5, 'P', 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " " + c.mode + std::to_string(c.value));
        Bitmap b = randomImage(c.width, c.height, 1);
        b.setBitDepth(8);
        ASSERT_TRUE(rescaleBitmap(b, c.mode, c.value));
        EXPECT_EQ(b.width, c.newWidth);
        EXPECT_EQ(b.height, c.newHeight);
        EXPECT_EQ(b.bitsPerPixel, 24);
        EXPECT_TRUE(b.colorTable.empty());
    }
    // Zero and negative values give one pixel: the source's bottom-right one, alpha included.
    for (char mode : {'P', 'W', 'H', 'F', 'p', 'w', 'h', 'f'})
        for (int value : {0, -1, INT_MIN}) {
            Bitmap b = randomImage(6, 4, 2);
            const Pixel corner = b.pixelAt(5, 3);
            ASSERT_TRUE(rescaleBitmap(b, mode, value));
            EXPECT_EQ(snapshot(b), snapshot(fromRows({{corner}}))) << mode << value;
        }
}

TEST(Rescale, WorkedExamples)
{
    const Pixel k = grey(0), w = grey(255), half = grey(127);
    struct Case {
        const char* name;
        Bitmap source;
        char mode;
        int value;
        std::vector<std::vector<Pixel>> expected;
    };
    const Case cases[] = {
        {"the halfway value is truncated", fromRows({{k, w}, {k, w}}), 'W', 3,
         {{k, half, w}, {k, half, w}, {k, half, w}}},
        {"crossed rows", fromRows({{k, w}, {w, k}}), 'h', 3, {{k, half, w}, {half, half, half}, {w, half, k}}},
        {"one pixel wide to three", fromRows({{grey(10)}, {grey(20)}}), 'h', 3, {{grey(10)}, {grey(15)}, {grey(20)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bitmap b(c.source);
        ASSERT_TRUE(rescaleBitmap(b, c.mode, c.value));
        ASSERT_EQ(b.height, static_cast<int>(c.expected.size()));
        ASSERT_EQ(b.width, static_cast<int>(c.expected[0].size()));
        for (int y = 0; y < b.height; ++y)
            for (int x = 0; x < b.width; ++x)
                EXPECT_EQ(b.pixelAt(x, y), c.expected[y][x]) << x << "," << y;
    }

    // Uniform areas need not stay uniform: 255 (1 - 3/7) + 255 (3/7) is just below 255.
    Bitmap white = fromRows({{w, w}, {w, w}});
    ASSERT_TRUE(rescaleBitmap(white, 'w', 8));
    EXPECT_EQ(white.pixelAt(0, 0), w);
    EXPECT_EQ(white.pixelAt(3, 0), grey(254));

    // The same size keeps every colour; alpha is cleared except at the bottom right.
    Bitmap same = randomImage(5, 4, 3);
    const Bitmap before(same);
    ASSERT_TRUE(rescaleBitmap(same, 'F', 5));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x) {
            Pixel p = before.pixelAt(x, y);
            if (x < 4 || y < 3)
                p.alpha = 0;
            EXPECT_EQ(same.pixelAt(x, y), p) << x << "," << y;
        }
}

TEST(Rescale, CornersMapOntoCorners)
{
    for (auto [w, h, nw] : {std::tuple{5, 4, 9}, {9, 7, 3}, {2, 9, 5}}) {
        const Bitmap source = randomImage(w, h, 4);
        Bitmap b(source);
        ASSERT_TRUE(rescaleBitmap(b, 'W', nw));
        const int nh = b.height;
        auto colour = [](Pixel p) { return rgb(p.red, p.green, p.blue); };
        EXPECT_EQ(b.pixelAt(0, 0), colour(source.pixelAt(0, 0)));
        EXPECT_EQ(b.pixelAt(nw - 1, 0), colour(source.pixelAt(w - 1, 0)));
        EXPECT_EQ(b.pixelAt(0, nh - 1), colour(source.pixelAt(0, h - 1)));
        EXPECT_EQ(b.pixelAt(nw - 1, nh - 1), source.pixelAt(w - 1, h - 1));
    }
}

TEST(Rescale, FastResamplingMatchesTheDefinition)
{
    const int sides[] = {1, 2, 3, 7, 16};
    const int newSides[] = {1, 2, 5, 13, 40};
    unsigned seed = 0;
    for (int w : sides)
        for (int h : sides) {
            const Bitmap source = randomImage(w, h, ++seed);
            for (int nw : newSides)
                for (int nh : newSides) {
                    Bitmap byDefinition, fast;
                    byDefinition.setDimensions(nw, nh);
                    fast.setDimensions(nw, nh);
                    resampleByDefinition(source, byDefinition);
                    resampleFast(source, fast);
                    ASSERT_EQ(snapshot(fast), snapshot(byDefinition)) << w << "x" << h << " -> " << nw << "x" << nh;
                }
        }
}

TEST(Rescale, ReadsPastAOnePixelSideWarnOncePerChannel)
{
    struct Case {
        int width, height;
        char mode;
        int value, warnings;
        std::string ranges;
    };
    const Case cases[] = {
        {1, 2, 'w', 3, 66, "[0,0] x [0,1]"}, // 3 x 6: 10 inner pixels read 6 times, 2 bottom ones 3 times
        {3, 1, 'h', 2, 33, "[0,2] x [0,0]"}, // 6 x 2: 5 inner pixels read 6 times, the last column 3 times
        {1, 1, 'w', 2, 15, "[0,0] x [0,0]"},
        {2, 2, 'w', 5, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        auto [pixels, lines] = withAndWithoutWarnings([&] {
            Bitmap b = randomImage(c.width, c.height, 5);
            rescaleBitmap(b, c.mode, c.value);
            return snapshot(b);
        });
        ASSERT_EQ(lines.size(), 2u * c.warnings);
        for (std::size_t i = 0; i < lines.size(); i += 2) {
            EXPECT_EQ(lines[i], "Picture Warning: Attempted to access non-existent pixel;");
            EXPECT_EQ(lines[i + 1], std::string(17, ' ') + "Truncating request to fit in the range " + c.ranges + ".");
        }
    }
}

TEST(Rescale, UnknownModeLeavesTheImageAlone)
{
    for (char mode : {'x', 'q', '?'}) {
        Bitmap b = randomImage(3, 2, 6);
        b.setBitDepth(8);
        b.setPaletteColor(3, rgb(1, 2, 3));
        b.horizontalResolution = 2835;
        const std::string before = snapshot(b);
        std::string printed;
        {
            Warnings on(true);
            testing::internal::CaptureStdout();
            EXPECT_FALSE(rescaleBitmap(b, mode, 5));
            printed = testing::internal::GetCapturedStdout();
        }
        EXPECT_EQ(printed, std::string("Picture Error: Unknown rescale mode ") + mode + " requested\n");
        Warnings off(false);
        EXPECT_TRUE(printedLines([&] { EXPECT_FALSE(rescaleBitmap(b, mode, 5)); }).empty());
        EXPECT_EQ(snapshot(b), before);
    }
}

TEST(Rescale, SizesBeyondTheLimitThrowAndKeepTheImage)
{
    struct Case {
        int width, height;
        char mode;
        int value;
    };
    const Case cases[] = {
        {3, 2, 'w', 100000},     // 100000 x 66666 pixels
        {3, 2, 'P', INT_MAX},    // sides fit in 32 bits, their product does not fit the limit
        {2, 100, 'w', INT_MAX},  // the new height needs more than 32 bits
        {100, 1, 'h', 1 << 30},  // so does the new width
        {1, 2, 'F', INT_MAX},
    };
    for (const Case& c : cases) {
        Bitmap b = randomImage(c.width, c.height, 7);
        b.setBitDepth(4);
        const std::string before = snapshot(b);
        EXPECT_THROW(rescaleBitmap(b, c.mode, c.value), std::length_error) << c.mode << c.value;
        EXPECT_EQ(snapshot(b), before);
    }
}

TEST(CopyConstruction, CopiesDepthTablePixelsAndWholeDotsPerInch)
{
    const std::pair<int, int> resolutions[] = {{0, 3779},  {3780, 3779},   {2835, 2834},
                                               {1, 0},     {10000, 10000}, {39370, 39330}};
    for (auto [resolution, copied] : resolutions) {
        Bitmap source = randomImage(3, 2, 8);
        source.setBitDepth(8);
        source.setPaletteColor(200, rgb(1, 2, 3, 4));
        source.horizontalResolution = resolution;
        source.verticalResolution = 2835;
        source.extraBlock1 = {1, 2, 3};
        source.extraBlock1Size = 3;
        Bitmap copy(source);
        EXPECT_EQ(copy.horizontalResolution, copied) << resolution;
        EXPECT_EQ(copy.verticalResolution, 2834);
        EXPECT_TRUE(copy.extraBlock1.empty());
        EXPECT_EQ(copy.extraBlock1Size, 0);
        copy.horizontalResolution = source.horizontalResolution;
        copy.verticalResolution = source.verticalResolution;
        EXPECT_EQ(snapshot(copy), snapshot(source));
        copy.pixelAt(0, 0) = rgb(9, 9, 9);
        copy.setPaletteColor(200, rgb(9, 9, 9));
        EXPECT_NE(source.pixelAt(0, 0), rgb(9, 9, 9));
        EXPECT_EQ(source.paletteColor(200), rgb(1, 2, 3, 4));
    }
}

TEST(CopyRegion, CopiesTheTopLeftBlockBothImagesHold)
{
    struct Case {
        int lastColumn, lastRow, columns, rows;
    };
    const Case cases[] = {
        {10, 10, 3, 3}, {1, 1, 2, 2}, {0, 0, 1, 1}, {10, -5, 3, 1}, {INT_MAX, INT_MIN, 3, 1}, {-1, 2, 0, 0},
        {INT_MIN, INT_MAX, 0, 0},
    };
    const Bitmap source = randomImage(4, 3, 9);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.lastColumn) + ", " + std::to_string(c.lastRow));
        Bitmap target;
        target.setBitDepth(8);
        target.setPaletteColor(1, rgb(1, 2, 3));
        target.setDimensions(3, 5);
        target.horizontalResolution = 5;
        Bitmap expected(target);
        expected.horizontalResolution = 5;
        expected.verticalResolution = 0;
        for (int y = 0; y < c.rows; ++y)
            for (int x = 0; x < c.columns; ++x)
                expected.pixelAt(x, y) = source.pixelAt(x, y);
        copyRegion(source, c.lastColumn, c.lastRow, target);
        EXPECT_EQ(snapshot(target), snapshot(expected));
    }
}

} // namespace

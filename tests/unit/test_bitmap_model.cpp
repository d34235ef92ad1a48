// SPDX-License-Identifier: MIT
// The in-memory image: clamped pixel access, colour tables, depth and size changes.
#include "bmp_bytes.h"

#include <climits>
#include <functional>
#include <stdexcept>

namespace {

const std::string W17(17, ' ');

std::string clampWarning(const std::string& ranges)
{
    return W17 + "Truncating request to fit in the range " + ranges + ".";
}

TEST(BitmapModel, DefaultIsOneWhiteTwentyFourBitPixel)
{
    Bitmap b;
    EXPECT_EQ(snapshot(b), "24bpp 1x1 res 0,0 table pixels ffffff00");
}

TEST(BitmapModel, PixelAtClampsToTheNearestEdgePixel)
{
    struct Case {
        int x, y, cx, cy;
        bool warns;
    };
    const Case cases[] = {
        {-1, 5, 0, 2, true},  {-1, 1, 0, 1, true},  {9, 2, 9, 2, false}, {0, 0, 0, 0, false}, {10, 1, 9, 1, true},
        {3, -1, 3, 0, true},  {4, 3, 4, 2, true},   {INT_MIN, INT_MAX, 0, 2, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        auto [pos, lines] = withAndWithoutWarnings([&] {
            Bitmap b;
            b.setDimensions(10, 3);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 10; ++x)
                    b.pixelAt(x, y) = rgb(x, y, 7);
            const Pixel read = b.pixelAt(c.x, c.y);
            b.pixelAt(c.x, c.y).blue = 99; // writes land on the same clamped pixel
            return std::make_pair(std::make_pair(int{read.red}, int{read.green}), int{b.pixelAt(c.cx, c.cy).blue});
        });
        EXPECT_EQ(pos.first, std::make_pair(c.cx, c.cy));
        EXPECT_EQ(pos.second, 99);
        const std::vector<std::string> warning = {"Picture Warning: Attempted to access non-existent pixel;",
                                                  clampWarning("[0,9] x [0,2]")};
        std::vector<std::string> expected;
        if (c.warns) // once for the read, once for the write
            for (int i = 0; i < 2; ++i)
                expected.insert(expected.end(), warning.begin(), warning.end());
        EXPECT_EQ(lines, expected);
    }
}

TEST(BitmapModel, PaletteRequestsAreCheckedAndAnswered)
{
    const std::string lacks = "that lacks a color table. Ignoring request.";
    struct Case {
        int depth;
        bool set;
        int index;
        std::string result;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {1, true, 2, "false",
         {"Picture Warning: Requested color number 2 is outside the allowed",
          W17 + "range [0,1]. Ignoring request to set this color."}},
        {1, true, -1, "false",
         {"Picture Warning: Requested color number -1 is outside the allowed",
          W17 + "range [0,1]. Ignoring request to set this color."}},
        {8, false, 256, "rgba(255,255,255,0)",
         {"Picture Warning: Requested color number 256 is outside the allowed",
          W17 + "range [0,255]. Ignoring request to get this color."}},
        {24, false, 0, "rgba(255,255,255,0)",
         {"Picture Warning: Attempted to access color table for a BMP object", W17 + lacks}},
        {32, true, 0, "false", {"Picture Warning: Attempted to change color table for a BMP object", W17 + lacks}},
        {4, true, 15, "true", {}},
        {4, false, 15, "rgba(9,8,7,6)", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.depth) + (c.set ? " set " : " get ") + std::to_string(c.index));
        auto [result, lines] = withAndWithoutWarnings([&] {
            Bitmap b;
            b.setBitDepth(c.depth);
            if (c.set) {
                const bool stored = b.setPaletteColor(c.index, rgb(9, 8, 7, 6));
                Bitmap standard;
                standard.setBitDepth(c.depth);
                const bool untouched = b.colorTable == standard.colorTable;
                return std::string(stored ? "true" : "false") + (stored || untouched ? "" : " changed");
            }
            if (c.index == 15)
                b.colorTable[15] = rgb(9, 8, 7, 6);
            return testing::PrintToString(b.paletteColor(c.index));
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(lines, c.lines);
    }
}

TEST(BitmapModel, SetBitDepthRefusesUnsupportedDepthsAndRebuildsTheTable)
{
    auto [refused, lines] = withAndWithoutWarnings([] {
        Bitmap b;
        b.pixelAt(0, 0) = rgb(1, 2, 3);
        const bool ok = b.setBitDepth(2);
        return std::make_pair(ok, snapshot(b));
    });
    EXPECT_FALSE(refused.first);
    EXPECT_EQ(refused.second, "24bpp 1x1 res 0,0 table pixels 1020300");
    EXPECT_EQ(lines, (std::vector<std::string>{"Picture Warning: User attempted to set unsupported bit depth 2.",
                                               W17 + "Bit depth remains unchanged at 24."}));

    // The same depth again brings back the standard palette; the grid is never touched.
    Bitmap b;
    b.setBitDepth(8);
    const std::vector<Pixel> standard = b.colorTable;
    b.setPaletteColor(7, rgb(1, 1, 1));
    b.pixelAt(0, 0) = rgb(5, 6, 7, 8);
    ASSERT_TRUE(b.setBitDepth(8));
    EXPECT_EQ(b.colorTable, standard);
    ASSERT_TRUE(b.setBitDepth(24));
    EXPECT_TRUE(b.colorTable.empty());
    EXPECT_EQ(b.pixelAt(0, 0), rgb(5, 6, 7, 8));
}

TEST(BitmapModel, SetDimensionsRefusesNonPositiveSizesAndWhitensOnSuccess)
{
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 2}, {INT_MIN, INT_MIN}}) {
        auto [state, lines] = withAndWithoutWarnings([w = w, h = h] {
            Bitmap b;
            const bool ok = b.setDimensions(w, h);
            return std::make_pair(ok, snapshot(b));
        });
        EXPECT_FALSE(state.first);
        EXPECT_EQ(state.second, snapshot(Bitmap()));
        EXPECT_EQ(lines,
                  (std::vector<std::string>{"Picture Warning: User attempted to set a non-positive width or height.",
                                            W17 + "Size remains unchanged at 1 x 1."}));
    }

    Bitmap b;
    b.setBitDepth(4);
    b.setPaletteColor(3, rgb(1, 2, 3));
    b.horizontalResolution = 77;
    b.setDimensions(3, 2);
    b.pixelAt(2, 1) = rgb(1, 2, 3, 4);
    ASSERT_TRUE(b.setDimensions(2, 3)); // same number of pixels, still all white
    EXPECT_EQ(b.width, 2);
    EXPECT_EQ(b.height, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_EQ(b.pixelAt(x, y), whitePixel);
    EXPECT_EQ(b.paletteColor(3), rgb(1, 2, 3));
    EXPECT_EQ(b.horizontalResolution, 77);
}

TEST(BitmapModel, SetDimensionsAboveTheLimitThrowsAndKeepsTheImage)
{
    Bitmap b;
    b.setDimensions(3, 2);
    b.pixelAt(1, 1) = rgb(1, 2, 3);
    const std::string before = snapshot(b);
    for (auto [w, h] : {std::pair{16385, 16384}, {1 << 28, 2}, {INT_MAX, INT_MAX}, {1, (1 << 28) + 1}}) {
        EXPECT_THROW(b.setDimensions(w, h), std::length_error) << w << " x " << h;
        EXPECT_EQ(snapshot(b), before);
    }
}

Pixel entry(const Bitmap& b, int i)
{
    return b.colorTable.at(static_cast<std::size_t>(i));
}

TEST(BitmapModel, StandardPalettes)
{
    struct Spot {
        int depth, index;
        Pixel color;
    };
    const Spot spots[] = {
        {1, 0, rgb(0, 0, 0)},         {1, 1, rgb(255, 255, 255)},   {4, 3, rgb(128, 128, 0)},
        {4, 7, rgb(128, 128, 128)},   {4, 8, rgb(192, 192, 192)},   {4, 9, rgb(255, 0, 0)},
        {4, 14, rgb(0, 255, 255)},    {4, 15, rgb(255, 255, 255)},  {8, 0, rgb(0, 0, 0)},
        {8, 6, rgb(0, 128, 128)},     {8, 7, rgb(192, 192, 192)},   {8, 8, rgb(192, 220, 192)},
        {8, 9, rgb(166, 202, 240)},   {8, 10, rgb(64, 32, 0)},      {8, 164, rgb(128, 128, 128)},
        {8, 245, rgb(160, 192, 192)}, {8, 246, rgb(255, 251, 240)}, {8, 247, rgb(160, 160, 164)},
        {8, 248, rgb(128, 128, 128)}, {8, 249, rgb(255, 0, 0)},     {8, 254, rgb(0, 255, 255)},
        {8, 255, rgb(255, 255, 255)},
    };
    for (const Spot& s : spots) {
        Bitmap b;
        b.setBitDepth(s.depth);
        ASSERT_EQ(b.colorTable.size(), std::size_t{1} << s.depth);
        EXPECT_EQ(entry(b, s.index), s.color) << s.depth << " bits, entry " << s.index;
    }
}

TEST(BitmapModel, GreyRampsAndFillsAtDepthsWithoutATable)
{
    for (int depth : {1, 4, 8}) {
        Bitmap b;
        b.setBitDepth(depth);
        ASSERT_TRUE(b.fillGrayPalette());
        const int n = 1 << depth;
        for (int i = 0; i < n; ++i) {
            const int grey = depth == 1 ? 255 * i : depth == 4 ? 17 * i : i;
            ASSERT_EQ(entry(b, i), rgb(grey, grey, grey)) << depth << " bits, entry " << i;
        }
    }
    for (int depth : {16, 24, 32}) {
        for (auto fill : {&Bitmap::fillGrayPalette, &Bitmap::fillStandardPalette}) {
            auto [ok, lines] = withAndWithoutWarnings([&] {
                Bitmap b;
                b.setBitDepth(depth);
                return (b.*fill)();
            });
            EXPECT_FALSE(ok);
            EXPECT_EQ(lines, (std::vector<std::string>{"Picture Warning: Attempted to create color table at a bit",
                                                       W17 + "depth that does not require a color table.",
                                                       W17 + "Ignoring request."}));
        }
    }
}

TEST(BitmapModel, PaletteSizeAndPowerOfTwo)
{
    const std::pair<int, int> sizes[] = {{1, 2}, {4, 16}, {8, 256}, {16, 65536}, {24, 16777216}, {32, 16777216}};
    for (auto [depth, size] : sizes) {
        Bitmap b;
        b.setBitDepth(depth);
        EXPECT_EQ(b.paletteSize(), size) << depth;
    }
    for (auto [n, p] : {std::pair{-5, 1}, {0, 1}, {1, 2}, {8, 256}, {24, 16777216}})
        EXPECT_EQ(powerOfTwo(n), p) << n;
}

} // namespace

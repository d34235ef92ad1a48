// SPDX-License-Identifier: MIT
// The layouts' one packing loop, both ways, on a picture that shows a wrong layout: known
// bytes worked out by hand for each, and the pages layout held to panelbake's own header.
// Its fast paths are held to the bit-by-bit definition, and where a pixel lies to the bytes.
#include "layouts/layout_packing.h"
#include "options.h"
#include "outputs/layout_files.h"
#include "outputs/layout_names.h"
#include "page_header.h"
#include "picture_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// 10 x 9: neither side a multiple of eight, and no symmetry that a mirrored bit order or
// swapped scan order would keep.
BitPicture shape()
{
    BitPicture picture;
    picture.setDimensions(10, 9);
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {9, 0}, {1, 1}, {3, 4}, {0, 8}, {9, 8}})
        picture.row(y)[x / 8] = static_cast<std::uint8_t>(picture.row(y)[x / 8] & ~(0x80 >> x % 8));
    return picture;
}

void flip(BitPicture& picture, std::int32_t x, std::int32_t y)
{
    picture.row(y)[x / 8] = static_cast<std::uint8_t>(picture.row(y)[x / 8] ^ 0x80 >> x % 8);
}

// Black and white at random; the bits past a row's last pixel, which no layout reads, are
// random too.
BitPicture noise(std::int32_t width, std::int32_t height, std::mt19937& random)
{
    BitPicture picture;
    picture.setDimensions(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x)
            if (random() % 2)
                flip(picture, x, y);
        for (std::int32_t x = width; x < bmp::rowStride(width, 1) * 8; ++x)
            if (random() % 2)
                flip(picture, x, y);
    }
    return picture;
}

// Rows no library reads today, with two and four bits a pixel: the loop and pixelPlace
// take them as they are.
const Layout twoBitsLowFirst{"two",  ByteAxis::across, 2, true, ScanOrder::bandByBand, FileForm::cHeader, "", "", "", "",
                             nullptr, false, 0, false, {}, {}};
const Layout fourBitsDown{"four", ByteAxis::down, 4, false, ScanOrder::columnByColumn, FileForm::cHeader, "", "", "", "",
                          nullptr, false, 0, false, {}, {}};

std::vector<const Layout*> everyLayout()
{
    std::vector<const Layout*> all{&twoBitsLowFirst, &fourBitsDown};
    for (const Layout& layout : layouts())
        all.push_back(&layout);
    return all;
}

TEST(LayoutPacking, EachLayoutsBytesOfAShapeWorkedOutByHand)
{
    const Bytes pages = {0x01, 0x02, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,  // page 0, columns 0-9
                         0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}; // page 1: row 8 in bit 0
    const std::vector<std::pair<const char*, Bytes>> cases = {
        {"pages", pages},
        {"micropython", pages},
        // every page of column 0, then of column 1, ...
        {"columns", {0x01, 0x01, 0x02, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                     0x00, 0x00, 0x01, 0x01}},
        // two bytes a row, the leftmost pixel in bit 7
        {"adafruit", {0x80, 0x40, 0x40, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                      0x80, 0x40}},
        // the same rows, the leftmost pixel in bit 0
        {"xbm", {0x01, 0x02, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
                 0x02}},
        // adafruit's bytes, every bit the complement, the padding's too
        {"epd", {0x7f, 0xbf, 0xbf, 0xff, 0xff, 0xff, 0xff, 0xff, 0xef, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x7f,
                 0xbf}},
    };
    ASSERT_EQ(cases.size(), layoutsOf("bw").size());
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        const Layout& layout = *layoutNamed(name);
        EXPECT_EQ(layoutBytes(shape(), layout), expected);
        EXPECT_EQ(byteGrid(layout, 10, 9).bytes(), static_cast<std::int64_t>(expected.size()));
        BitPicture drawn;
        drawn.setDimensions(10, 9);
        drawLayoutBytes(expected.data(), layout, drawn);
        EXPECT_EQ(rowsOf(drawn), rowsOf(shape()));
    }
}

// The page layout's bytes are those of panelbake's header, on pictures of odd sizes.
TEST(LayoutPacking, PagesAreTheBytesOfPanelbakesHeader)
{
    std::mt19937 random(27);
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{13, 10}, {130, 37}, {1, 1}, {8, 16}, {3, 1}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        const BitPicture picture = noise(width, height, random);
        const std::string header = pageColumnHeaderText(picture, "p_glcd", ArrayAttribute::none);
        Bytes fromHeader;
        for (std::size_t at = header.find("0x", header.find("={")); at != std::string::npos; at = header.find("0x", at + 4))
            fromHeader.push_back(static_cast<std::uint8_t>(std::stoi(header.substr(at + 2, 2), nullptr, 16)));
        EXPECT_EQ(layoutBytes(picture, *layoutNamed("pages")), fromHeader);
    }
}

// The turned pages and copied rows are the bytes made one bit at a time: on sides around
// a byte and a block of eight, partial pages, a wide band, and whatever lies past a row's end.
TEST(LayoutPacking, FastPathsAreTheBitByBitBytes)
{
    std::mt19937 random(5);
    const std::vector<std::pair<int, int>> sizes = {{1, 1}, {7, 9}, {8, 8}, {9, 7}, {15, 16}, {17, 17}, {64, 3}, {203, 21}};
    for (const auto& [width, height] : sizes) {
        const BitPicture picture = noise(width, height, random);
        for (const Layout* layout : everyLayout()) {
            SCOPED_TRACE(std::string(layout->name) + " " + std::to_string(width) + "x" + std::to_string(height));
            EXPECT_EQ(layoutBytes(picture, *layout), layoutBytesBitByBit(picture, *layout));
        }
    }
}

// Where a pixel lies is where the loop puts it: flipping the pixel flips exactly the bits
// pixelPlace names, and no other, for every pixel.
TEST(LayoutPacking, APixelsPlaceIsTheBitsItFlips)
{
    std::mt19937 random(11);
    for (const auto& [width, height] : std::vector<std::pair<int, int>>{{11, 13}, {1, 9}, {9, 1}, {16, 17}}) {
        BitPicture picture = noise(width, height, random);
        for (const Layout* layout : everyLayout()) {
            SCOPED_TRACE(std::string(layout->name) + " " + std::to_string(width) + "x" + std::to_string(height));
            const Bytes before = layoutBytes(picture, *layout);
            int wrong = 0;
            for (std::int32_t y = 0; y < height; ++y)
                for (std::int32_t x = 0; x < width; ++x) {
                    Bytes expected = before;
                    const BytePlace place = pixelPlace(*layout, width, height, x, y);
                    ASSERT_LT(place.byte, expected.size());
                    expected[place.byte] ^= place.mask;
                    flip(picture, x, y);
                    wrong += layoutBytes(picture, *layout) != expected;
                    flip(picture, x, y);
                }
            EXPECT_EQ(wrong, 0);
        }
    }
}

// A panel's picture of 3 x 2 values, in each layout of each panel that takes it: the arrays'
// bytes worked out by hand, and those bytes read back into the values (planes hold only
// black and the colour: a 3 reads back white). Row 0 is 0 1 2, row 1 is 3 2 1.
TEST(LayoutPacking, EachPanelLayoutsBytesOfTinyValuesWorkedOutByHand)
{
    struct Case {
        const char* panel;
        const char* layout;
        std::vector<std::pair<std::string, Bytes>> arrays;
    };
    const std::vector<Case> cases = {
        // two bits, the leftmost pixel in bits 7-6: 00 01 10 -- and 11 10 01 --
        {"bwyr", "rows", {{"", {0x18, 0xe4}}}},
        {"grey4", "rows", {{"", {0x18, 0xe4}}}},
        {"grey4", "image4g", {{"", {0x18, 0x00, 0xe4, 0x00}}}}, // each row padded to 8 pixels
        {"grey4", "micropython", {{"", {0x24, 0x1b}}}},         // the leftmost pixel in bits 1-0
        {"grey16", "rows", {{"", {0x01, 0x20, 0x32, 0x10}}}},   // the left pixel in the high nibble
        {"grey16", "micropython", {{"", {0x01, 0x20, 0x32, 0x10}}}},
        {"grey16", "ssd1327", {{"", {0x10, 0x02, 0x23, 0x01}}}}, // ... in the low nibble
        {"grey16", "grayscale", {{"", {0, 1, 2, 3, 2, 1}}}},
        {"acep7", "rows", {{"", {0x01, 0x20, 0x32, 0x10}}}},
        {"spectra6", "halves", {{"_left", {0x01, 0x32}}, {"_right", {0x20, 0x10}}}}, // columns 0-1, then 2
        // planes: black where the value is 0, red or yellow where it is 2
        {"bwr", "adafruit", {{"_black", {0x80, 0x00}}, {"_red", {0x20, 0x40}}}},
        {"bwy", "epd", {{"_black", {0x7f, 0xff}}, {"_yellow", {0xdf, 0xbf}}}}, // every bit the complement
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.panel) + " " + c.layout);
        const Layout* layout = layoutFor(c.layout, c.panel);
        ASSERT_NE(layout, nullptr);
        const PanelPicture picture{panelFromName(c.panel), {}, {3, 2, {0, 1, 2, 3, 2, 1}}};
        const LayoutContent content = layoutContent(picture, *layout);
        ASSERT_EQ(content.arrays.size(), c.arrays.size());
        for (std::size_t k = 0; k < c.arrays.size(); ++k) {
            EXPECT_EQ(content.arrays[k].suffix, c.arrays[k].first);
            EXPECT_EQ(content.arrays[k].bytes, c.arrays[k].second);
        }
        const std::vector<PanelArray> arrays = panelArrays(*picture.kind, *layout);
        const bool planes = arrays.front().plane >= 0;
        ValuePicture back{3, 2, Bytes(6, planes ? 1 : 0xFF)}; // planes: white where neither has ink
        for (std::size_t k = 0; k < arrays.size() && k < c.arrays.size(); ++k)
            drawLayoutValues(c.arrays[k].second.data(), *layout, arrayTarget(arrays[k], back));
        EXPECT_EQ(back.values, (planes ? Bytes{0, 1, 2, 1, 2, 1} : picture.values.values));
    }
    // Every layout a panel takes is one of the cases.
    for (const PanelKind& kind : panelKinds)
        for (const Layout* layout : kind.panel == Panel::bw ? std::vector<const Layout*>() : layoutsOf(kind.name))
            EXPECT_TRUE(std::any_of(cases.begin(), cases.end(), [&](const Case& c) {
                return layoutFor(c.layout, c.panel) == layout;
            })) << kind.name << " " << layout->name;
}

TEST(LayoutNames, FilesAndIdentifiersOfEachLayout)
{
    struct Case {
        const char* layout;
        const char* bmp;
        LayoutNames names;
    };
    const Case cases[] = {
        {"pages", "art/my-logo.bmp",
         {"art/my_logo_glcd.h", "art/my_logo_glcd.bmp", "art/my_logo_glcd", "my_logo_glcd_bmp", "MY_LOGO_GLCD_WIDTH",
          "MY_LOGO_GLCD_HEIGHT"}},
        {"columns", "art/my-logo.bmp",
         {"art/my_logo_columns.h", "", "art/my_logo_columns", "my_logo_columns", "MY_LOGO_COLUMNS_WIDTH",
          "MY_LOGO_COLUMNS_HEIGHT"}},
        {"adafruit", "8-bit.Logo.bmp",
         {"8_bit.Logo_adafruit.h", "", "8_bit.Logo_adafruit", "_8_bit_logo_adafruit", "_8_BIT_LOGO_ADAFRUIT_WIDTH",
          "_8_BIT_LOGO_ADAFRUIT_HEIGHT"}},
        {"xbm", "art/My-Logo.bmp", {"art/My_Logo.xbm", "", "art/My_Logo", "my_logo_bits", "my_logo_width", "my_logo_height"}},
        // A module's file name is one that Python imports.
        {"micropython", "art/8-bit.logo.bmp", {"art/_8_bit_logo.py", "", "art/_8_bit_logo", "DATA", "WIDTH", "HEIGHT"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.layout) + " " + c.bmp);
        const LayoutNames names = layoutNames(*layoutNamed(c.layout), c.bmp);
        EXPECT_EQ(names.file, c.names.file);
        EXPECT_EQ(names.preview, c.names.preview);
        EXPECT_EQ(names.baseName, c.names.baseName);
        EXPECT_EQ(names.array, c.names.array);
        EXPECT_EQ(names.widthMacro, c.names.widthMacro);
        EXPECT_EQ(names.heightMacro, c.names.heightMacro);
    }
    const std::pair<const char*, const char*> tables[] = {{"pages", "art/icons.h"},
                                                          {"columns", "art/icons_columns.h"},
                                                          {"adafruit", "art/icons_adafruit.h"},
                                                          {"xbm", "art/icons_xbm.h"},
                                                          {"micropython", "art/icons.py"}};
    for (const auto& [layout, table] : tables)
        EXPECT_EQ(layoutTableName(*layoutNamed(layout), "art/icons.h"), table);
    EXPECT_EQ(layoutTableName(*layoutNamed("micropython"), "walk-2_frames.h"), "walk_2_frames.py");
}

} // namespace

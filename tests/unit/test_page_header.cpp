// SPDX-License-Identifier: MIT
#include "layouts/layout_packing.h"
#include "page_header.h"
#include "pipeline.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <ostream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace {

const Pixel black{0, 0, 0, 0};

Bitmap picture(std::int32_t width, std::int32_t height, const std::vector<std::pair<int, int>>& blackPixels = {})
{
    Bitmap b;
    b.setDimensions(width, height);
    for (const auto& [x, y] : blackPixels)
        b.pixelAt(x, y) = black;
    return b;
}

std::string repeat(const std::string& s, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

// The array body: everything between the declaration line and "};".
std::string dataOf(const std::string& header)
{
    const std::size_t begin = header.find("={\n") + 3;
    const std::size_t end = header.rfind("};\n");
    return header.substr(begin, end - begin);
}

TEST(PageHeader, WholeTextOfOnePage)
{
    const std::string hyphens = "//" + std::string(75, '-') + "\n";
    const std::string expected = hyphens + "\n" + hyphens +
                                 "#ifndef _LOGO_GLCD_H \n"
                                 "#define _LOGO_GLCD_H \n"
                                 "\n"
                                 "#define LOGO_GLCD_HEIGHT 8 \n"
                                 "#define LOGO_GLCD_WIDTH  16 \n"
                                 "static char logo_glcd_bmp[]={\n" +
                                 repeat("0x00, ", 16) + "\n\n" +
                                 "};\n"
                                 "#endif  //define _LOGO_GLCD_H \n";
    EXPECT_EQ(pageColumnHeaderText(picture(16, 8), "logo_glcd", ArrayAttribute::none), expected);
}

struct LayoutCase {
    const char* name;
    Bitmap bitmap;
    std::string data;
};

void PrintTo(const LayoutCase& c, std::ostream* os)
{
    *os << c.name;
}

class PageHeaderLayout : public testing::TestWithParam<LayoutCase> {};

TEST_P(PageHeaderLayout, ArrayBody)
{
    EXPECT_EQ(dataOf(pageColumnHeaderText(GetParam().bitmap, "p", ArrayAttribute::none)), GetParam().data);
}

// The bytes handed over as data are the array's, read from its text.
TEST_P(PageHeaderLayout, BytesAsDataAreTheArrays)
{
    std::vector<std::uint8_t> fromText;
    const std::string& data = GetParam().data;
    for (std::size_t at = data.find("0x"); at != std::string::npos; at = data.find("0x", at + 4))
        fromText.push_back(static_cast<std::uint8_t>(std::stoi(data.substr(at + 2, 2), nullptr, 16)));
    EXPECT_EQ(layoutBytes(displayBits(GetParam().bitmap), pageColumns()), fromText);
}

// 128 x 60: seven pages of eight full lines and an empty line each, then the four-row
// partial page of 128 bytes on one line.
std::string data128x60()
{
    const std::string line = repeat("0x00, ", 16) + "\n";
    const std::string page = repeat(line, 8) + "\n";
    std::string pages = repeat(page, 7);
    pages.replace(page.size() + line.size() + 6, 4, "0x02"); // (17, 9): page 1, second line, bit 1
    return pages + repeat("0x00, ", 127) + "0x08\n";                  // (127, 59)
}

Bitmap greenDecides()
{
    Bitmap b = picture(2, 1);
    b.pixelAt(0, 0) = Pixel{255, 0, 255, 0}; // magenta: no green, so it counts as black
    b.pixelAt(1, 0) = Pixel{0, 1, 0, 0};
    return b;
}

INSTANTIATE_TEST_SUITE_P(
    Pictures, PageHeaderLayout,
    testing::Values(
        LayoutCase{"width20", picture(20, 8), repeat("0x00, ", 16) + "\n" + repeat("0x00, ", 4) + "\n"},
        LayoutCase{"width32", picture(32, 8, {{31, 7}}), repeat("0x00, ", 16) + "\n" + repeat("0x00, ", 15) + "0x80, \n\n"},
        LayoutCase{"bitOrder3x12",
                   picture(3, 12, {{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}, {0, 7}, {0, 8}, {0, 9},
                                   {0, 10}, {0, 11}, {1, 0}, {1, 8}, {2, 7}, {2, 8}, {2, 9}, {2, 10}}),
                   "0xff, 0x01, 0x80, \n0x0f, 0x01, 0x07\n"},
        LayoutCase{"oneRow", picture(5, 1, {{0, 0}, {3, 0}}), "0x01, 0x00, 0x00, 0x01, 0x00\n"},
        LayoutCase{"onePixel", picture(1, 1), "0x00\n"},
        LayoutCase{"oneRowWide", picture(17, 1), repeat("0x00, ", 16) + "0x00\n"},
        LayoutCase{"twoPages", picture(2, 16, {{1, 15}, {0, 8}}), "0x00, 0x00, \n0x01, 0x80, \n"},
        LayoutCase{"width128height60", picture(128, 60, {{17, 9}, {127, 59}}), data128x60()},
        LayoutCase{"greenDecides", greenDecides(), "0x01, 0x00\n"}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

TEST(PageHeader, SizeMacrosAndIdentifiersFromFileName)
{
    const std::string text = pageColumnHeaderText(picture(3, 12), "art-work/8-bit.v2", ArrayAttribute::none);
    EXPECT_NE(text.find("#ifndef __8_BIT_V2_H \n#define __8_BIT_V2_H \n"), std::string::npos);
    EXPECT_NE(text.find("#define _8_BIT_V2_HEIGHT 12 \n#define _8_BIT_V2_WIDTH  3 \n"), std::string::npos);
    EXPECT_NE(text.find("static char _8_bit_v2_bmp[]={\n"), std::string::npos);
    EXPECT_NE(text.find("#endif  //define __8_BIT_V2_H \n"), std::string::npos);
}

TEST(PageHeader, ArrayAttribute)
{
    const struct {
        bool progmem, autoPsv;
        const char* declaration;
    } cases[] = {
        {false, false, "static char x_bmp[]={\n"},
        {true, false, "static const unsigned char __attribute__ ((progmem)) x_bmp[]={\n"},
        {false, true, "static unsigned char __attribute__((space(auto_psv))) x_bmp[]={\n"},
        {true, true, "static const unsigned char __attribute__ ((progmem)) x_bmp[]={\n"},
    };
    for (const auto& c : cases)
        EXPECT_NE(pageColumnHeaderText(picture(1, 1), "X", arrayAttribute(c.progmem, c.autoPsv)).find(c.declaration),
                  std::string::npos)
            << c.declaration;
}

std::string scratchPath(const std::string& name)
{
    return testing::TempDir() + "panelbake-" + std::to_string(::getpid()) + "-" + name;
}

TEST(PageHeaderFile, TextLargerThanOneWriteIsWrittenWhole)
{
    const Bitmap b = picture(200000, 9, {{0, 0}, {199999, 8}});
    const std::string base = scratchPath("wide_glcd");
    testing::internal::CaptureStdout();
    ASSERT_TRUE(writePageColumnHeader(b, base, ArrayAttribute::none, true));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "writing header file as  \"" + base + ".h\"\n");
    std::ifstream in(base + ".h"); // text: CR LF on Windows reads as '\n'
    std::stringstream content;
    content << in.rdbuf();
    in.close();
    std::remove((base + ".h").c_str());
    EXPECT_TRUE(content.str() == pageColumnHeaderText(b, base, ArrayAttribute::none)) << "the file differs from the text";
    const std::string line = repeat("0x00, ", 16) + "\n";
    EXPECT_TRUE(dataOf(content.str()) == "0x01" + repeat(line, 12500).substr(4) + "\n" +
                                             repeat("0x00, ", 199999) + "0x01\n");
}

TEST(PageHeaderFile, MissingDirectoryFailsSilently)
{
    testing::internal::CaptureStdout();
    EXPECT_FALSE(writePageColumnHeader(picture(1, 1), scratchPath("no-such-dir/logo_glcd"), ArrayAttribute::none, true));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

struct SizeCase {
    std::int32_t w, h, sourceW, sourceH, expectW, expectH;
};

TEST(TargetSize, FromOptionsAndSource)
{
    const SizeCase cases[] = {
        {-1, -1, 84, 48, 84, 48},     // no options: the source size
        {-1, 64, 84, 48, 112, 64},    // height given: width follows the aspect
        {-1, 64, 48, 84, 36, 64},     //
        {-1, 64, 49, 49, 63, 64},     // 64 / 49 * 49 is just below 64
        {128, -1, 84, 48, 128, 73},   // width given: height follows
        {128, 64, 100, 100, 128, 64}, // both given: taken as they are
        {0, 10, 5, 5, 0, 10},         //
        {0, -1, 84, 48, 0, -1},       // -w 0 (or -w abc): both stay
        {9, 0, 84, 48, 9, 0},         // -h 0: both stay
        {-1, 0, 84, 48, -1, 0},       //
        {-7, -3, 84, 48, 84, 48},     // any negative counts as not given
        {-1, 1, 10, 1000, 0, 1},      // a computed side may truncate to 0
        {-1, std::numeric_limits<std::int32_t>::max(), 1, 1, std::numeric_limits<std::int32_t>::max(),
         std::numeric_limits<std::int32_t>::max()},
    };
    for (const SizeCase& c : cases) {
        const TargetSize t = computeTargetSize(c.w, c.h, c.sourceW, c.sourceH);
        EXPECT_EQ(t.width, c.expectW) << c.w << " x " << c.h << " from " << c.sourceW << " x " << c.sourceH;
        EXPECT_EQ(t.height, c.expectH) << c.w << " x " << c.h << " from " << c.sourceW << " x " << c.sourceH;
    }
}

TEST(TargetSize, ComputedSideBeyond32BitsThrows)
{
    EXPECT_THROW(computeTargetSize(-1, 2000000000, 1000, 1), std::length_error);
    EXPECT_THROW(computeTargetSize(2000000000, -1, 1, 1000), std::length_error);
    EXPECT_THROW(computeTargetSize(-1, std::numeric_limits<std::int32_t>::max(), 2, 1), std::length_error);
}

} // namespace

// SPDX-License-Identifier: MIT
// Very wide pictures: scaling and the header work through them in pieces, and the
// pieces must join up exactly.
#include "bmp_bytes.h"
#include "options.h"
#include "page_header.h"
#include "resample.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

// Colours that change from pixel to pixel in every channel.
Bitmap varied(int width, int height)
{
    Bitmap b;
    b.setDimensions(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.pixelAt(x, y) = rgb((x * 37 + y * 11) & 255, (x * 5 + y * 101) & 255, (x * x + y) & 255);
    return b;
}

TEST(WidePictures, ScalingAcrossColumnBlocksMatchesTheDefinition)
{
    struct Case {
        int w, h, nw, nh;
    };
    // Destinations wider than one block of column positions (4096), ending just after a
    // block boundary, on it, and inside a block.
    const Case cases[] = {{5, 3, 4097, 3}, {7, 2, 4098, 1}, {9000, 2, 8193, 2}, {3, 4, 12000, 5}, {2, 2, 4096, 2}};
    for (const Case& c : cases) {
        const Bitmap source = varied(c.w, c.h);
        Bitmap byDefinition, fast;
        byDefinition.setDimensions(c.nw, c.nh);
        fast.setDimensions(c.nw, c.nh);
        resampleByDefinition(source, byDefinition);
        resampleFast(source, fast);
        ASSERT_EQ(snapshot(fast), snapshot(byDefinition)) << c.w << "x" << c.h << " -> " << c.nw << "x" << c.nh;
    }
}

TEST(WidePictures, HeaderRowLongerThanAPieceIsWrittenWhole)
{
    // One partial page of 400000 columns is 2.4 MB of text on a single line, handed to
    // the file in pieces of about a megabyte.
    const int width = 400000;
    Bitmap picture;
    picture.setDimensions(width, 3);
    for (int x = 0; x < width; x += 3)
        picture.pixelAt(x, x % 2 ? 0 : 2) = rgb(0, 0, 0);

    const std::filesystem::path dir = std::filesystem::temp_directory_path();
    const std::string base = (dir / ("wide_row_" + std::to_string(::getpid()))).string();
    ASSERT_TRUE(writePageColumnHeader(picture, base, ArrayAttribute::none, false));
    std::ifstream in(base + ".h"); // text: CR LF on Windows reads as '\n'
    const std::string written{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::remove((base + ".h").c_str());

    const std::string text = pageColumnHeaderText(picture, base, ArrayAttribute::none);
    EXPECT_EQ(written, text);
    const std::size_t open = text.find("={\n") + 3;
    const std::size_t close = text.find("\n};\n");
    ASSERT_NE(close, std::string::npos);
    const std::string line = text.substr(open, close - open);
    ASSERT_EQ(line.size(), std::size_t{width} * 6 - 2);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    for (int x = 0; x < width; ++x) {
        const char* expected = x % 3 ? "0x00" : x % 2 ? "0x01" : "0x04";
        ASSERT_EQ(line.compare(std::size_t{6} * x, 4, expected), 0) << "column " << x;
    }
}

} // namespace

// SPDX-License-Identifier: MIT
#include "decoding/pam_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const DecodeLimits limits{1 << 28, 1 << 28};

std::vector<std::uint8_t> pam(const std::string& header, std::size_t samples)
{
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    bytes.resize(bytes.size() + samples, 0x7f);
    return bytes;
}

TEST(PamReader, HeadersReadWithTheirSize)
{
    const struct {
        const char* name;
        std::string header;
        PamHeader expected;
    } cases[] = {
        {"RGB_ALPHA", "P7\nWIDTH 3\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", {3, 2, 4, 66}},
        {"RGB, lines in another order", "P7\nTUPLTYPE RGB\nMAXVAL 255\nDEPTH 3\nHEIGHT 1\nWIDTH 5\nENDHDR\n",
         {5, 1, 3, 60}},
        {"comments and spaces", "P7\n# made by the page\nWIDTH  2 \nHEIGHT 2\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n",
         {2, 2, 3, 79}},
    };
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> bytes = pam(c.header, 64);
        const PamHeader h = readPamHeader(bytes.data(), bytes.size(), limits);
        EXPECT_EQ(h.width, c.expected.width) << c.name;
        EXPECT_EQ(h.height, c.expected.height) << c.name;
        EXPECT_EQ(h.depth, c.expected.depth) << c.name;
        EXPECT_EQ(h.rasterAt, c.header.size()) << c.name;
    }
}

TEST(PamReader, RefusalsSayWhy)
{
    const std::string rgba = "P7\nWIDTH 3\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
        Refusal kind;
        const char* said;
    } cases[] = {
        {"samples end early", pam(rgba, 23), Refusal::corrupt, "its samples end early"},
        {"no end of header", pam("P7\nWIDTH 3\nHEIGHT 2\n", 0), Refusal::corrupt, "no ENDHDR"},
        {"greyscale", pam("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 1\nMAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\n", 1),
         Refusal::corrupt, "only RGB and RGB_ALPHA"},
        {"16-bit samples", pam("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 65535\nTUPLTYPE RGB\nENDHDR\n", 6),
         Refusal::corrupt, "MAXVAL 255"},
        {"depth unlike the type", pam("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", 4),
         Refusal::corrupt, "only RGB"},
        {"no width", pam("P7\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n", 3), Refusal::corrupt, "width"},
        {"a size that is no number", pam("P7\nWIDTH -3\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n", 9),
         Refusal::corrupt, "width"},
        {"over the limit", pam("P7\nWIDTH 40000\nHEIGHT 40000\nDEPTH 3\nMAXVAL 255\nTUPLTYPE RGB\nENDHDR\n", 0),
         Refusal::tooLarge, "it is 40000 x 40000 pixels, more than the 268,435,456 pixels this program takes"},
        {"an unknown line", pam("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nGAMMA 2\nENDHDR\n", 3), Refusal::corrupt, "GAMMA"},
    };
    for (const auto& c : cases) {
        try {
            readPamHeader(c.bytes.data(), c.bytes.size(), limits);
            ADD_FAILURE() << c.name << ": read";
        } catch (const PictureRefusal& refusal) {
            EXPECT_EQ(refusal.kind, c.kind) << c.name;
            EXPECT_NE(std::string(refusal.what()).find(c.said), std::string::npos) << c.name << ": " << refusal.what();
        }
    }
}

TEST(PamReader, PixelTextsHaveSeparators)
{
    EXPECT_EQ(pixelsText(268435456), "268,435,456 pixels");
    EXPECT_EQ(pixelsText(1000), "1,000 pixels");
    EXPECT_EQ(pixelsText(999), "999 pixels");
    EXPECT_EQ(pixelsText(0), "0 pixels");
}

} // namespace

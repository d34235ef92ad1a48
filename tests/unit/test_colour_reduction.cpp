// SPDX-License-Identifier: MIT
// Pictures reduced to a panel's colours in linear light: known answers worked out by hand
// from the sRGB table, the tones of a flat grey, and the bytes of one larger reduction for
// every rule, the same on every platform.
#include "reduction/colour_reduction.h"
#include "reduction/linear_light.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

Pixel grey(int v)
{
    const auto b = static_cast<std::uint8_t>(v);
    return Pixel{b, b, b, 0};
}

Pixel rgb(int r, int g, int b)
{
    return Pixel{static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(r), 0};
}

Bitmap pictureOf(const std::vector<std::vector<Pixel>>& rows)
{
    Bitmap picture;
    picture.setDimensions(static_cast<std::int32_t>(rows[0].size()), static_cast<std::int32_t>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y)
        for (std::size_t x = 0; x < rows[y].size(); ++x)
            picture.rowData(static_cast<std::int32_t>(y))[x] = rows[y][x];
    return picture;
}

// Smooth hues and lightnesses with a little grain: every colour of the panels is needed.
Bitmap sweep(std::int32_t width, std::int32_t height)
{
    Bitmap picture;
    picture.setDimensions(width, height);
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            picture.rowData(y)[x] = rgb((x * 255 / width + y * 7) % 256, y * 255 / height, (x * y / 3 + x * 5) % 256);
    return picture;
}

const PanelKind& panel(const char* name)
{
    return *panelFromName(name);
}

std::vector<std::uint8_t> reduce(const Bitmap& picture, const char* name, Dither dither)
{
    return reduceToPanel(picture, panel(name), standardColours(panel(name)), dither);
}

TEST(LinearLight, GreysHaveTheirLinearLightAndNoColour)
{
    EXPECT_EQ(linearFromByte[128], 14146); // 0.2158605 of white
    for (int v = 0; v < 256; ++v) {
        const Light l = lightOf(grey(v));
        EXPECT_EQ(l.y, linearFromByte[v]);
        EXPECT_EQ(l.a, 0);
        EXPECT_EQ(l.b, 0);
    }
}

TEST(ColourReduction, NearestColourInLinearLight)
{
    struct Case {
        const char* panel;
        Pixel pixel;
        std::uint8_t value;
    };
    // Byte 48 is light 1937, nearer black than dark grey (85: 5953); on the bytes it is nearer
    // dark grey. Byte 128 (14146) is nearer dark grey than light grey (170: 26344); on the
    // bytes, light grey. Among sixteen greys it is nearer 136 (16135) than 119 (12090).
    // Green is as light as 0.715 of white, and no colour of bwr is green.
    const Case cases[] = {
        {"grey4", grey(48), 0},           {"grey4", grey(128), 1},  {"grey4", grey(200), 2},
        {"grey16", grey(128), 8},         {"bwr", rgb(0, 255, 0), 1}, {"bwr", rgb(230, 20, 10), 2},
        {"spectra6", rgb(20, 30, 240), 5}, {"spectra6", rgb(0, 200, 0), 6}, {"acep7", rgb(255, 128, 0), 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.panel + std::string(" ") + std::to_string(c.pixel.red) + "," + std::to_string(c.pixel.green) +
                     "," + std::to_string(c.pixel.blue));
        EXPECT_EQ(reduce(pictureOf({{c.pixel}}), c.panel, Dither::none), std::vector<std::uint8_t>{c.value});
    }
}

TEST(ColourReduction, ErrorDiffusionStepsWorkedOutByHand)
{
    // Black and white cut at light 32768. Byte 180 (29911) is black, and 7/16 of its error,
    // 13086, takes byte 165 (20876) to white. 5/16 of it, 9347, takes byte 175 below it
    // (28094) to white. The second row runs from right to left: 165 is black, and 7/16 of
    // its error, 9133, takes 180 on its left to white.
    const struct {
        std::vector<std::vector<Pixel>> rows;
        std::vector<std::uint8_t> values;
    } cases[] = {
        {{{grey(180), grey(165)}}, {0, 1}},
        {{{grey(180)}, {grey(175)}}, {0, 1}},
        {{{grey(0), grey(0), grey(0)}, {grey(180), grey(165), grey(0)}}, {0, 0, 0, 1, 0, 0}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(reduce(pictureOf(c.rows), "bw", Dither::floydSteinberg), c.values);
    // Alone, each is black.
    for (int v : {180, 165, 175})
        EXPECT_EQ(reduce(pictureOf({{grey(v)}}), "bw", Dither::floydSteinberg), std::vector<std::uint8_t>{0});
}

TEST(ColourReduction, AFlatGreyShowsItsLinearLight)
{
    // Byte 128 is 0.216 of white's light: about a fifth of the pixels white, not half as on
    // the bytes. (Atkinson drops a quarter of each error, and with it some of the tone.)
    const Bitmap flat = pictureOf(std::vector<std::vector<Pixel>>(64, std::vector<Pixel>(64, grey(128))));
    const struct {
        Dither dither;
        double within;
    } cases[] = {{Dither::floydSteinberg, 0.005}, {Dither::bayer4, 1 / 32.0}, {Dither::bayer8, 1 / 128.0}};
    for (const auto& c : cases) {
        const std::vector<std::uint8_t> values = reduce(flat, "bwr", c.dither);
        double white = 0;
        for (std::uint8_t v : values) {
            EXPECT_NE(v, 2); // a grey takes no red
            white += v == 1;
        }
        EXPECT_NEAR(white / static_cast<double>(values.size()), 14146 / 65535.0, c.within) << static_cast<int>(c.dither);
    }
}

TEST(ColourReduction, OnlyThePanelsValues)
{
    const Bitmap picture = sweep(40, 30);
    for (const PanelKind& kind : panelKinds)
        for (Dither dither : {Dither::none, Dither::floydSteinberg, Dither::atkinson, Dither::bayer4, Dither::bayer8}) {
            std::set<int> used;
            for (std::uint8_t v : reduce(picture, kind.name, dither))
                used.insert(v);
            for (int v : used)
                EXPECT_TRUE(valueUsed(kind, v)) << kind.name << " " << v;
            if (kind.panel == Panel::spectra6) {
                EXPECT_EQ(used.size(), 6u); // the sweep needs every colour
            }
        }
}

TEST(ColourReduction, OrderedValueDependsOnlyOnColourAndPlace)
{
    // Mixes are kept by colour between pixels; each pixel against a flat picture of its colour.
    const Bitmap picture = sweep(72, 72);
    for (Dither dither : {Dither::bayer4, Dither::bayer8}) {
        const int n = dither == Dither::bayer4 ? 4 : 8;
        const std::vector<std::uint8_t> values = reduce(picture, "acep7", dither);
        for (std::int32_t y = 0; y < picture.height; y += 5)
            for (std::int32_t x = 0; x < picture.width; x += 3) {
                const Bitmap flat = pictureOf(std::vector<std::vector<Pixel>>(
                    static_cast<std::size_t>(n), std::vector<Pixel>(static_cast<std::size_t>(n), picture.rowData(y)[x])));
                EXPECT_EQ(values[static_cast<std::size_t>(y * picture.width + x)],
                          reduce(flat, "acep7", dither)[static_cast<std::size_t>(y % n * n + x % n)]);
            }
    }
}

std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes)
{
    std::uint64_t hash = 14695981039346656037u;
    for (std::uint8_t b : bytes)
        hash = (hash ^ b) * 1099511628211u;
    return hash;
}

TEST(ColourReduction, TheSameBytesOnEveryPlatform)
{
    const Bitmap picture = sweep(123, 77);
    const struct {
        const char* panel;
        Dither dither;
        std::uint64_t hash;
    } cases[] = {
        {"spectra6", Dither::none, 15454082644819387692u},
        {"spectra6", Dither::floydSteinberg, 14815863721671335947u},
        {"spectra6", Dither::atkinson, 6601013951345010016u},
        {"spectra6", Dither::bayer4, 8657594630948974050u},
        {"spectra6", Dither::bayer8, 5621962241221531023u},
        {"grey16", Dither::floydSteinberg, 13404251680538655709u},
        {"bwyr", Dither::bayer8, 12084336231962077341u},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fnv1a(reduce(picture, c.panel, c.dither)), c.hash) << c.panel << " " << static_cast<int>(c.dither);
}

TEST(ColourReduction, ColoursMustMatchThePanel)
{
    EXPECT_THROW(reduceToPanel(pictureOf({{grey(0)}}), panel("bwr"), standardColours(panel("bw")), Dither::none),
                 std::invalid_argument);
}

} // namespace

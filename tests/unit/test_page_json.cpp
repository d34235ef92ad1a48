// SPDX-License-Identifier: MIT
#include "page_json.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(PageNames, BmpsOfPicturesChosenTogetherAreKeptApart)
{
    const struct {
        std::vector<std::string> sources;
        std::vector<std::string> bmps;
        std::vector<std::string> adjusted;
    } cases[] = {
        {{"logo.png", "photo.jpg", "landscape.bmp"}, {"logo.bmp", "photo.bmp", "landscape.bmp"},
         {"logo_prepared.bmp", "photo_prepared.bmp", "landscape_prepared.bmp"}},
        // The same BMP in any case of its letters: the later ones are numbered.
        {{"logo.png", "logo.jpg", "LOGO.gif"}, {"logo.bmp", "logo_2.bmp", "LOGO_3.bmp"},
         {"logo_prepared.bmp", "logo_2_prepared.bmp", "LOGO_3_prepared.bmp"}},
        // A number another picture's BMP has already is passed over.
        {{"a_2.png", "a.png", "a.jpg"}, {"a_2.bmp", "a.bmp", "a_3.bmp"},
         {"a_2_prepared.bmp", "a_prepared.bmp", "a_3_prepared.bmp"}},
        // A leading dot starts no extension, as panelbake-prepare names its BMP.
        {{".png", "picture"}, {".png.bmp", "picture.bmp"}, {".png_prepared.bmp", "picture_prepared.bmp"}},
    };
    for (const auto& c : cases) {
        const std::vector<PageBmpNames> names = pageBmpNames(c.sources);
        ASSERT_EQ(names.size(), c.sources.size());
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(names[i].bmp, c.bmps[i]) << c.sources[i];
            EXPECT_EQ(names[i].adjustedBmp, c.adjusted[i]) << c.sources[i];
            EXPECT_EQ(names[i].renamed, c.bmps[i] != pageBmpNames({c.sources[i]})[0].bmp) << c.sources[i];
        }
    }
}

TEST(PageNames, JsonOfNamesWithQuotesAndControlCharacters)
{
    EXPECT_EQ(pageNamesJson("a\"b.png\nc\\d.jpg"),
              "[{\"bmp\":\"a\\\"b.bmp\",\"adjustedBmp\":\"a\\\"b_prepared.bmp\",\"renamed\":false},"
              "{\"bmp\":\"c\\\\d.bmp\",\"adjustedBmp\":\"c\\\\d_prepared.bmp\",\"renamed\":false}]");
    EXPECT_EQ(jsonString(std::string("tab\there\x01")), "\"tab\\u0009here\\u0001\"");
    EXPECT_EQ(pageNamesJson(""), "[]");
}

} // namespace

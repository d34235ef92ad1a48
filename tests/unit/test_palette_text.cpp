// SPDX-License-Identifier: MIT
// The panels' table and --palette read into a panel's colours.
#include "panels/palette_text.h"

#include <gtest/gtest.h>

namespace {

TEST(PanelTable, EveryValueFitsThePanelsBitsAndOnlySpectra6LeavesAGap)
{
    for (const PanelKind& kind : panelKinds) {
        SCOPED_TRACE(kind.name);
        EXPECT_EQ(panelFromName(kind.name), &kind);
        const int last = kind.colours[kind.colourCount - 1].value;
        EXPECT_LT(last, 1 << kind.bitsPerPixel);
        for (int i = 1; i < kind.colourCount; ++i)
            EXPECT_LT(kind.colours[i - 1].value, kind.colours[i].value);
        for (int v = 0; v <= last; ++v)
            EXPECT_EQ(valueUsed(kind, v), !(kind.panel == Panel::spectra6 && v == 4)) << v;
    }
    EXPECT_EQ(panelFromName("spectra7"), nullptr);
}

TEST(PaletteText, ColoursInThePanelsOrder)
{
    const PaletteText read = paletteFromText(*panelFromName("bwr"), " #000000,#FfFfFf , #c81e32");
    EXPECT_EQ(read.problem, "");
    ASSERT_EQ(read.colours.size(), 3u);
    EXPECT_EQ(read.colours[1], whitePixel);
    EXPECT_EQ(read.colours[2], (Pixel{0x32, 0x1E, 0xC8, 0}));
}

TEST(PaletteText, SaysWhatIsWrong)
{
    struct Case {
        const char* panel;
        const char* text;
        const char* problem;
    };
    const Case cases[] = {
        {"bwr", "#000000,#ffffff", "--palette for bwr needs 3 colours (black, white, red), not 2"},
        {"grey4", "#000000,#555555,#aaaaaa,#ffffff,", "--palette for grey4 needs 4 colours (black, dark grey, "
                                                        "light grey, white), not 5"},
        {"spectra6", "", "--palette for spectra6 needs 6 colours (black, white, yellow, red, blue, green), not 1"},
        {"bwy", "#000000,ffffff,#ffff00",
         "--palette for bwy needs #rrggbb for colour 2 (white), not \"ffffff\": it does not start with #"},
        {"bwy", "#000000,#ffffff,#ffgf00",
         "--palette for bwy needs #rrggbb for colour 3 (yellow), not \"#ffgf00\": \"g\" is not a hex digit"},
        {"bwy", "#000000,#fff,#ffff00",
         "--palette for bwy needs #rrggbb for colour 2 (white), not \"#fff\": it has 3 hex digits, not 6"},
        {"bwy", "#000000,#ffffff,#ffff0000",
         "--palette for bwy needs #rrggbb for colour 3 (yellow), not \"#ffff0000\": it has 8 hex digits, not 6"},
        {"bwy", "#000000, ,#ffff00", "--palette for bwy needs #rrggbb for colour 2 (white), not \"\": it is empty"},
        {"bwy", "#000000,#ff ff00,#ffff00",
         "--palette for bwy needs #rrggbb for colour 2 (white), not \"#ff ff00\": \" \" is not a hex digit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const PaletteText read = paletteFromText(*panelFromName(c.panel), c.text);
        EXPECT_EQ(read.problem, c.problem);
        EXPECT_TRUE(read.colours.empty());
    }
}

} // namespace

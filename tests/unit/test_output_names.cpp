// SPDX-License-Identifier: MIT
#include "output_names.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

struct NameCase {
    std::string source;
    std::string baseName;
    std::string preview;
    std::string stem;
};

void PrintTo(const NameCase& c, std::ostream* os)
{
    *os << c.source;
}

class OutputNames : public testing::TestWithParam<NameCase> {};

TEST_P(OutputNames, FromSourcePath)
{
    const NameCase& c = GetParam();
    const std::string base = makeBaseName(c.source);
    EXPECT_EQ(base, c.baseName);
    EXPECT_EQ(makePreviewName(base), c.preview);
    EXPECT_EQ(identifierStem(base), c.stem);
}

#ifdef _WIN32
// Windows separates directories with '\' too.
const NameCase backslashCase{"a\\b.bmp", "a\\b_glcd", "a\\b_glcd.bmp", "b_glcd"};
#else
const NameCase backslashCase{"a\\b.bmp", "a\\b_glcd", "a\\b_glcd.bmp", "a_b_glcd"};
#endif

INSTANTIATE_TEST_SUITE_P(
    Paths, OutputNames,
    testing::Values(
        NameCase{"logo.bmp", "logo_glcd", "logo_glcd.bmp", "logo_glcd"},
        NameCase{"my-logo.bmp", "my_logo_glcd", "my_logo_glcd.bmp", "my_logo_glcd"},
        NameCase{"a-b--c.bmp", "a_b__c_glcd", "a_b__c_glcd.bmp", "a_b__c_glcd"},
        // Only the first, lowercase ".bmp" is replaced.
        NameCase{"LOGO.BMP", "LOGO.BMP", "LOGO.BMP.bmp", "LOGO_BMP"},
        NameCase{"logo.Bmp", "logo.Bmp", "logo.Bmp.bmp", "logo_Bmp"},
        NameCase{"a.bmp.bmp", "a_glcd.bmp", "a_glcd.bmp.bmp", "a_glcd_bmp"},
        NameCase{"logo.bmpx", "logo_glcdx", "logo_glcdx.bmp", "logo_glcdx"},
        NameCase{"logo", "logo", "logo.bmp", "logo"},
        // A name that starts with ".bmp" keeps it.
        NameCase{".bmp", ".bmp", ".bmp.bmp", "_bmp"},
        NameCase{"pics/.bmp", "pics/.bmp", "pics/.bmp.bmp", "_bmp"},
        NameCase{".bmp.bmp", ".bmp_glcd", ".bmp_glcd.bmp", "_bmp_glcd"},
        // The directory part is kept as given; identifiers come from the file name only.
        NameCase{"art-work/logo.bmp", "art-work/logo_glcd", "art-work/logo_glcd.bmp", "logo_glcd"},
        NameCase{"x.bmp.d/logo.bmp", "x.bmp.d/logo_glcd", "x.bmp.d/logo_glcd.bmp", "logo_glcd"},
        NameCase{"x.bmp.d/logo", "x.bmp.d/logo", "x.bmp.d/logo.bmp", "logo"},
        NameCase{"/srv/a-b/my-pic.bmp", "/srv/a-b/my_pic_glcd", "/srv/a-b/my_pic_glcd.bmp", "my_pic_glcd"},
        NameCase{"./-/-.bmp", "./-/__glcd", "./-/__glcd.bmp", "__glcd"},
        // Dots, spaces and other bytes stay in the file names but not in identifiers.
        NameCase{"my logo.v2.bmp", "my logo.v2_glcd", "my logo.v2_glcd.bmp", "my_logo_v2_glcd"},
        NameCase{"8x8.bmp", "8x8_glcd", "8x8_glcd.bmp", "_8x8_glcd"},
        NameCase{"dir/0.bmp", "dir/0_glcd", "dir/0_glcd.bmp", "_0_glcd"},
        NameCase{"\xc3\xa9" "cran.bmp", "\xc3\xa9" "cran_glcd", "\xc3\xa9" "cran_glcd.bmp", "__cran_glcd"},
        backslashCase));

} // namespace

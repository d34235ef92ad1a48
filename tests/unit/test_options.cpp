// SPDX-License-Identifier: MIT
#include "diagnostics.h"
#include "options.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

struct ParseCase {
    const char* name;
    std::vector<const char*> args; // after the program name and the source path
    std::int32_t width;
    std::int32_t height;
    bool verbose;
    bool progmem;
    bool autoPsv;
};

ConverterOptions parse(std::vector<const char*> args, const char* source = "logo.bmp")
{
    args.insert(args.begin(), {"panelbake", source});
    return parseOptions(static_cast<int>(args.size()), args.data());
}

void PrintTo(const ParseCase& c, std::ostream* os)
{
    *os << c.name;
}

class ParseOptions : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseOptions, SetsFields)
{
    const ParseCase& c = GetParam();
    const ConverterOptions o = parse(c.args);
    EXPECT_EQ(o.targetWidth, c.width);
    EXPECT_EQ(o.targetHeight, c.height);
    EXPECT_EQ(o.verbose, c.verbose);
    EXPECT_EQ(o.avrProgmem, c.progmem);
    EXPECT_EQ(o.pic30AutoPsv, c.autoPsv);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, ParseOptions,
    testing::Values(
        ParseCase{"none", {}, -1, -1, false, false, false},
        ParseCase{"height", {"-h", "64"}, -1, 64, false, false, false},
        ParseCase{"width", {"-w", "128"}, 128, -1, false, false, false},
        // Values are read the way atoi reads them.
        ParseCase{"letters", {"-w", "abc"}, 0, -1, false, false, false},
        ParseCase{"blankAndTail", {"-w", " 12x"}, 12, -1, false, false, false},
        ParseCase{"minus", {"-h", "-5"}, -1, -5, false, false, false},
        ParseCase{"plus", {"-h", "+7"}, -1, 7, false, false, false},
        ParseCase{"empty", {"-h", ""}, -1, 0, false, false, false},
        // The value is not consumed: it is visited as an argument of its own.
        ParseCase{"valueIsVerbose", {"-h", "-v"}, -1, 0, true, false, false},
        ParseCase{"valueIsWidth", {"-h", "-w", "9"}, 9, 0, false, false, false},
        ParseCase{"laterWins", {"-h", "64", "-w", "32", "-h", "48"}, 32, 48, false, false, false},
        ParseCase{"flags", {"-pic30", "-v", "-pgm"}, -1, -1, true, true, true},
        // Unknown arguments and other spellings are ignored.
        ParseCase{"unknown", {"-x", "-V", "-PGM", "--pgm", "-pgm ", "64"}, -1, -1, false, false, false},
        // A value option at the end has no value and is ignored.
        ParseCase{"heightLast", {"-w", "5", "-h"}, 5, -1, false, false, false},
        ParseCase{"widthLast", {"-h", "7", "-w"}, -1, 7, false, false, false}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(ParseOptionsSource, FirstArgumentIsAlwaysThePath)
{
    const ConverterOptions o = parse({"-h", "3"}, "-v");
    EXPECT_FALSE(o.verbose);
    EXPECT_EQ(o.targetHeight, 3);
    EXPECT_EQ(parse({}, "-w").targetWidth, -1);
}

TEST(ApplyOptions, VerboseAlsoSwitchesLibraryMessages)
{
    ConverterOptions o;
    o.verbose = true;
    o.avrProgmem = true;
    applyOptions(o);
    EXPECT_TRUE(verbose && bitmapWarnings && avrProgmem && !pic30AutoPsv);
    applyOptions(ConverterOptions{});
    EXPECT_FALSE(verbose || bitmapWarnings || avrProgmem || pic30AutoPsv);
}

} // namespace

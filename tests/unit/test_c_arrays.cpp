// SPDX-License-Identifier: MIT
// The reading of C text: which array is taken, which bytes it holds, the size from the
// macros, and the problems said with their lines. The cases are those the page's reader
// (web/array-text.js) is held to, so that the two read every text alike.
#include "decoding/c_arrays.h"
#include "decoding/c_tokens.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A header as panelbake writes it with -pgm, 20 x 10: two pages, the second on one line,
// with Windows line ends.
std::string panelbakeHeader()
{
    std::string text = "//---------------------------------------------------------------------------\n\n"
                       "//---------------------------------------------------------------------------\n"
                       "#ifndef _MY_LOGO_GLCD_H \n#define _MY_LOGO_GLCD_H \n\n"
                       "#define MY_LOGO_GLCD_HEIGHT 10 \n#define MY_LOGO_GLCD_WIDTH  20 \n"
                       "static const unsigned char __attribute__ ((progmem)) my_logo_glcd_bmp[]={\n"
                       "0x00, 0x00, 0x00, 0xa0, 0xc4, 0xc0, 0xc0, 0x80, 0x00, 0x80, 0xe0, 0xe0, 0xe0, 0xe0, 0xc0, 0x80, \n"
                       "0x02, 0x02, 0x80, 0xc0, \n"
                       "0x02, 0x02, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, 0x03, "
                       "0x03, 0x03, 0x03, 0x03, 0x03\n};\n#endif  //define _MY_LOGO_GLCD_H \n";
    std::string crlf;
    for (char c : text)
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    return crlf;
}

const char* const framesHeader = "#define WALK_FRAMES_COUNT 2\n"
                                 "#define WALK_FRAMES_WIDTH  WALK_00_GLCD_WIDTH\n"
                                 "static const unsigned char *const walk_frames[WALK_FRAMES_COUNT] = {\n"
                                 "    (const unsigned char *)walk_00_glcd_bmp,\n"
                                 "    (const unsigned char *)walk_01_glcd_bmp,\n"
                                 "};\n"
                                 "static const unsigned long walk_frames_delay_ms[WALK_FRAMES_COUNT] = {\n"
                                 "    100,\n    200,\n};\n";

Bytes repeated(std::uint8_t value, std::size_t n)
{
    return Bytes(n, value);
}

Bytes joined(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(CArrays, LiteralsAsACompilerReadsThem)
{
    const std::pair<const char*, std::int64_t> cases[] = {
        {"0x0f", 15}, {"0X1F", 31}, {"15", 15}, {"017", 15}, {"0b1111", 15}, {"B1111", 15}, {"B10110001", 177},
        {"15u", 15}, {"0XFFul", 255}, {"7LLU", 7}, {"0", 0}, {"00", 0}, {"0u", 0},
        {"08", -1}, {"0x", -1}, {"0x1g", -1}, {"0b102", -1}, {"B101100011", -1}, {"B2", -1}, {"15lul", -1},
        {"15uu", -1}, {"1.5", -1}, {"x", -1}, {"", -1}, {"0xffffffffffffffffffff", std::int64_t{1} << 62}};
    for (const auto& [token, value] : cases)
        EXPECT_EQ(literalValue(token), value) << token;
}

TEST(CArrays, BytesAndSizeOfTheArrayTaken)
{
    const ArrayText header = readArrayText(panelbakeHeader());
    EXPECT_EQ(header.name, "my_logo_glcd_bmp");
    EXPECT_EQ(header.bytes, joined(Bytes{0x00, 0x00, 0x00, 0xa0, 0xc4, 0xc0, 0xc0, 0x80, 0x00, 0x80, 0xe0, 0xe0, 0xe0,
                                         0xe0, 0xc0, 0x80, 0x02, 0x02, 0x80, 0xc0, 0x02, 0x02},
                                   repeated(0x03, 18)));
    EXPECT_EQ(header.width, 20);
    EXPECT_EQ(header.height, 10);
    EXPECT_EQ(header.widthMacro, "MY_LOGO_GLCD_WIDTH");
    EXPECT_TRUE(header.problems.empty());

    struct Case {
        const char* name;
        std::string text;
        std::string array;
        Bytes bytes;
        std::int64_t line;
    };
    const Case cases[] = {
        {"every form of a byte", "const uint8_t logo[] PROGMEM = {0x0f, 15, 017, 0b1111, B1111, 15u, 0XFFul, 0, 00};",
         "logo", joined(repeated(15, 6), {255, 0, 0}), 1},
        {"comments, strings and a function are no bytes",
         "// {9, 9}\nconst char *s = \"{8, 8}\";\n/* uint8_t no[] = {7}; */\n"
         "int main(int argc, char *argv[]) {\n  static uint8_t in_main[] = {1, /* 6, */ 2 // 5\n  };\n}\n",
         "in_main", {1, 2}, 5},
        {"braces alone", "{0x00, 255, 0X1F}", "", {0, 255, 31}, 1},
        {"bytes alone, a trailing comma", "0x00, 255,\n0X1F,\n", "", {0, 255, 31}, 1},
        {"an array of arrays is read row after row", "const uint8_t pages[2][3] = {{1, 2, 3}, {4, 5, 6},};", "pages",
         {1, 2, 3, 4, 5, 6}, 1},
        {"a byte order mark and #if lines inside", "\xEF\xBB\xBFuint8_t a[] = {\n#if 1\n1,\n#endif\n2};", "a", {1, 2}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ArrayText read = readArrayText(c.text);
        EXPECT_EQ(read.name, c.array);
        EXPECT_EQ(read.bytes, c.bytes);
        EXPECT_EQ(read.line, c.line);
        EXPECT_TRUE(read.problems.empty()) << read.problems.front();
    }
    const ArrayText longer = readArrayText("#define LOGO_BYTES 6\nuint8_t logo[LOGO_BYTES] = {1, 2, 3};");
    EXPECT_EQ(longer.bytes, (Bytes{1, 2, 3, 0, 0, 0}));
    EXPECT_EQ(longer.notes, std::vector<std::string>{
                                "logo is declared with 6 bytes and initialised with 3: the other 3 are 0x00, as C fills them."});
}

TEST(CArrays, WhichArrayAndWhichMacros)
{
    const std::string several = "static const int sizes[] = {1, 2};\n" // wider numbers: not offered
                                "#define FIRST_WIDTH 2\n#define FIRST_HEIGHT 8\n#define SECOND_WIDTH 1\n"
                                "uint8_t first[] = {1, 2};\nuint8_t second[] = {3};\n";
    const ArrayText first = readArrayText(several);
    EXPECT_EQ(first.name, "first");
    EXPECT_EQ(first.chosen, 0);
    EXPECT_EQ(first.width, 2);
    EXPECT_EQ(first.height, 8);
    ASSERT_EQ(first.arrays.size(), 2u);
    EXPECT_EQ(first.arrays[1].name, "second");
    EXPECT_EQ(first.arrays[1].line, 6);
    EXPECT_EQ(first.arrays[1].count, 1u);

    const ArrayText second = readArrayText(several, "second");
    EXPECT_EQ(second.bytes, Bytes{3});
    EXPECT_EQ(second.width, 1);
    EXPECT_EQ(second.height, 0);
    EXPECT_EQ(readArrayText(several, "third").problems,
              std::vector<std::string>{"The text holds no array of bytes named third."});

    EXPECT_EQ(readArrayText("uint8_t broken[] = {1, x};\nuint8_t good[] = {2};").name, "good");
    const ArrayText pair = readArrayText("#define IMG_WIDTH 3\n#define IMG_HEIGHT (8)\nuint8_t logo[] = {1, 2, 3};");
    EXPECT_EQ(pair.width, 3);
    EXPECT_EQ(pair.heightMacro, "IMG_HEIGHT");
    const ArrayText continued = readArrayText(
        "#define LOGO_WIDTH \\\r\n  3 /* columns */\r\n#define LOGO_HEIGHT \\\r\n 8\r\nuint8_t logo[] = {\r\n1, x};");
    EXPECT_EQ(continued.width, 3);
    EXPECT_EQ(continued.height, 8);
    EXPECT_EQ(continued.problems, std::vector<std::string>{"line 6: x is not a byte (0 to 255)"});
    const ArrayText neither = readArrayText("#define A_WIDTH 3\n#define A_HEIGHT 8\n#define B_WIDTH 1\nuint8_t logo[] = {1};");
    EXPECT_EQ(neither.width, 0);
    // An X bitmap's macros, in lower case.
    const ArrayText xbm = readArrayText("#define logo_width 3\n#define logo_height 2\n#define other_width 9\n"
                                        "static unsigned char logo_bits[] = {1, 2};");
    EXPECT_EQ(xbm.width, 3);
    EXPECT_EQ(xbm.widthMacro, "logo_width");
}

TEST(CArrays, ProblemsSayWhatAndWhere)
{
    struct Case {
        const char* name;
        std::string text;
        std::vector<std::string> problems;
    };
    std::vector<std::string> many(20, "line 1: x is not a byte (0 to 255)");
    many.push_back("\xE2\x80\xA6 and 10 more");
    std::string thirty = "{x";
    for (int i = 1; i < 30; ++i)
        thirty += ", x";
    const Case cases[] = {
        {"tokens that are no bytes, on their lines",
         "uint8_t logo[] = {\n/* two\nlines */ 1,\n256,\n-1, 0x1g,\n(uint8_t)5, 'a',\n3 4,\n5,, 6};",
         {"line 4: 256 is not a byte (0 to 255)", "line 5: -1 is not a byte (0 to 255)",
          "line 5: 0x1g is not a byte (0 to 255)", "line 6: (uint8_t)5 is not a byte (0 to 255)",
          "line 6: 'a' is not a byte (0 to 255)", "line 7: a \",\" is missing before 4",
          "line 8: an element is missing before \",\""}},
        {"not closed", "uint8_t logo[] = {1,\n2,\n", {"line 2: the array that opens on line 1 is not closed with \"}\""}},
        {"declared shorter than it is", "uint8_t logo[2] = {1, 2, 3};", {"line 1: logo is declared with 2 bytes and holds 3"}},
        {"a frames header holds no bytes", framesHeader,
         {"The text holds no array of bytes: walk_frames, walk_frames_delay_ms are declared as pointers or wider "
          "numbers. A frames or table header holds no bytes itself: the headers it includes do."}},
        {"no array", "int main(void) { return 0; }", {"The text holds no array: no \"{\" follows an array's \"[...] =\"."}},
        {"empty", "uint8_t logo[] = {};", {"line 1: logo holds no bytes"}},
        {"a long token is cut", "{0x123456789012345678901234567890}",
         {"line 1: 0x1234567890123456789\xE2\x80\xA6 is not a byte (0 to 255)"}},
        {"many problems are counted, not all listed", thirty + "}", many},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readArrayText(c.text).problems, c.problems);
    }
    EXPECT_EQ(readArrayText(thirty + "}").problemCount, 30u);
}

} // namespace

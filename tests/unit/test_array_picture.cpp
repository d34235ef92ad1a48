// SPDX-License-Identifier: MIT
// C text as a picture: the layout and size its form tells or the options give, the rules of
// a byte count, and the refusals with their reasons.
#include "decoding/array_picture.h"
#include "decoding/python_bytes.h"
#include "picture_refusal.h"
#include "picture_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr std::int64_t limit = std::int64_t{1} << 28;

ArrayOptions given(const char* layout, std::int64_t width, const char* array = "")
{
    ArrayOptions options;
    options.layout = layout ? layoutNamed(layout) : nullptr;
    options.width = width;
    options.array = array;
    return options;
}

ArrayPicture read(const std::string& text, const ArrayOptions& options = {})
{
    return arrayPicture(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), options, limit);
}

// The kind and reason of the refusal of the text, or "read" when it is read.
std::pair<Refusal, std::string> refusal(const std::string& text, const ArrayOptions& options = {})
{
    try {
        read(text, options);
    } catch (const PictureRefusal& refused) {
        return {refused.kind, refused.what()};
    }
    return {Refusal::corrupt, "read"};
}

// A 3 x 2 picture with its corners at the top left and bottom right black, in each form.
TEST(ArrayPicture, OwnFilesAreKnownByTheirForm)
{
    const std::vector<std::string> picture = {"#..", "..#"};
    struct Case {
        const char* name;
        std::string text;
        const char* report;
    };
    const Case cases[] = {
        {"panelbake's header",
         "#define LOGO_GLCD_HEIGHT 2 \n#define LOGO_GLCD_WIDTH  3 \nstatic char logo_glcd_bmp[]={\n0x01, 0x00, 0x02\n};\n",
         "read logo_glcd_bmp (line 3): 3 bytes, 3 x 2 pixels in the pages layout (the layout from panelbake's size "
         "macros, the size from LOGO_GLCD_WIDTH and LOGO_GLCD_HEIGHT)"},
        {"a header of --for columns",
         "/* logo_columns.h: Made by panelbake-prepare --for columns. */\n#define LOGO_COLUMNS_WIDTH 3\n"
         "#define LOGO_COLUMNS_HEIGHT 2\nstatic unsigned char logo_columns[] = {0x01, 0x00, 0x02};\n",
         "read logo_columns (line 4): 3 bytes, 3 x 2 pixels in the columns layout (the layout from its comment, the "
         "size from LOGO_COLUMNS_WIDTH and LOGO_COLUMNS_HEIGHT)"},
        {"an X bitmap as picture programs write it",
         "#define logo_width 3\n#define logo_height 2\nstatic char logo_bits[] = {\n   0x01, 0x04 };\n",
         "read logo_bits (line 3): 2 bytes, 3 x 2 pixels in the xbm layout (the layout from its X bitmap macros, the "
         "size from logo_width and logo_height)"},
        {"a MicroPython module, CR LF",
         "import framebuf\r\nWIDTH = 3\r\nHEIGHT = 2\r\nDATA = bytearray(\r\n    b'\\x01'  # top left\r\n"
         "    b'\\x00\\x02'\r\n)\r\nFRAME = framebuf.FrameBuffer(DATA, WIDTH, HEIGHT, framebuf.MONO_VLSB)\r\n",
         "read DATA (line 4): 3 bytes, 3 x 2 pixels in the micropython layout (the layout from framebuf.MONO_VLSB, the "
         "size from WIDTH and HEIGHT)"},
        {"a module of rows, other escapes",
         "WIDTH = 3\nHEIGHT = 2\nbuf = bytearray(b\"\\200\" b' ')\nfb = FrameBuffer(buf, 3, 2, MONO_HLSB)\n",
         "read buf (line 3): 2 bytes, 3 x 2 pixels in the adafruit layout (the layout from framebuf.MONO_HLSB, the size "
         "from WIDTH and HEIGHT)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ArrayPicture result = read(c.text);
        EXPECT_EQ(rowsOf(result.picture), picture);
        EXPECT_EQ(result.report.front(), c.report);
    }
}

TEST(ArrayPicture, ALayoutAndAWidthGivenReadAnyArray)
{
    const std::string text = "#define LOGO_WIDTH 3\n#define LOGO_HEIGHT 2\nconst uint8_t logo[] = {0x80, 0x20};\n";
    // The macros give the width and, where they fit the bytes, the height.
    EXPECT_EQ(rowsOf(read(text, given("adafruit", 0)).picture), (std::vector<std::string>{"#..", "..#"}));
    // Another width: the height follows from the bytes, whole rows or pages.
    EXPECT_EQ(rowsOf(read(text, given("adafruit", 8)).picture), (std::vector<std::string>{"#.......", "..#....."}));
    EXPECT_EQ(read(text, given("pages", 2)).picture.height(), 8);
    // A layout given over the one the macros fit: whole rows of the width.
    const std::string pages = "#define P_GLCD_WIDTH 3\n#define P_GLCD_HEIGHT 2\nchar p_glcd_bmp[] = {0x80, 0x40, 0x20};\n";
    EXPECT_EQ(read(pages).picture.height(), 2);
    EXPECT_EQ(rowsOf(read(pages, given("adafruit", 0)).picture), (std::vector<std::string>{"#..", ".#.", "..#"}));
    // Of several arrays, the one named.
    const std::string two = "uint8_t a[] = {0xff};\nuint8_t b[] = {0x0f};\n";
    EXPECT_EQ(rowsOf(read(two, given("adafruit", 8, "b")).picture), std::vector<std::string>{"....####"});
    EXPECT_EQ(read(two, given("adafruit", 8)).report.back(),
              "the text holds 2 arrays of bytes: a (line 1, 1 byte), b (line 2, 1 byte); --array NAME reads another");
}

TEST(ArrayPicture, ACountThatDoesNotFillThePictureSaysWhatIsOverAndMissing)
{
    const std::string five = "uint8_t logo[] = {1, 2, 3, 4, 5};";
    const std::string macros = "#define LOGO_WIDTH 3\n#define LOGO_HEIGHT 10\n/* panelbake-prepare --for adafruit */\n"
                               "uint8_t logo[] = {1, 2, 3, 4, 5};";
    const std::pair<std::pair<Refusal, std::string>, std::string> cases[] = {
        {refusal(five, given("pages", 3)),
         "logo (line 1): 5 bytes do not fill whole pages of 3 columns: 2 are over, and 1 is missing for one more page"},
        {refusal(five, given("xbm", 20)),
         "logo (line 1): 5 bytes do not fill whole rows of 20 pixels, 3 bytes each: 2 are over, and 1 is missing for "
         "one more row"},
        {refusal(five, given("columns", 8)),
         "logo (line 1): 5 bytes do not fill whole pages of 8 columns: 5 are over, and 3 are missing for one more page"},
        {refusal(macros), "logo (line 4) holds 5 bytes, but its size macros say 3 x 10, which takes 10 in the adafruit "
                          "layout: 5 are missing"},
        {refusal(five, given(nullptr, 5)), "logo (line 1) holds 5 bytes and does not say its layout: give it with "
                                           "--layout pages, columns, adafruit, xbm, micropython or epd"},
        {refusal(five, given("pages", 0)),
         "logo (line 1) holds 5 bytes and no size macros: give the width of its picture with --width"},
    };
    for (const auto& [got, reason] : cases) {
        EXPECT_EQ(got.first, Refusal::unfitArray) << reason;
        EXPECT_EQ(got.second, reason);
    }
}

// The page's policy: the same bytes and sentences, but the whole pages or rows there are
// are drawn and what does not fit is said; only bytes that fill not one page or row are
// refused, with the command line's reason.
TEST(ArrayPicture, DrawingWhatFitsSaysWhatTheCommandLineRefuses)
{
    const std::string five = "uint8_t logo[] = {1, 2, 3, 4, 5};";
    const std::string macros = "#define LOGO_WIDTH 1\n#define LOGO_HEIGHT 48\n/* panelbake-prepare --for pages */\n"
                               "uint8_t logo[] = {1, 2, 3, 4, 5};";
    struct Case {
        std::string text;
        ArrayOptions options;
        std::int32_t height; // of the picture drawn
        std::vector<std::string> unfit;
    };
    const Case cases[] = {
        {five, given("pages", 2), 16,
         {"5 bytes do not fill whole pages of 2 columns: 1 is over, and 1 is missing for one more page",
          "the first 4 bytes are drawn"}},
        {five, given("xbm", 9), 2,
         {"5 bytes do not fill whole rows of 9 pixels, 2 bytes each: 1 is over, and 1 is missing for one more row",
          "the first 4 bytes are drawn"}},
        {five, given("adafruit", 8), 5, {}},
        // Macros that disagree with the count: the whole pages at their width.
        {macros, given(nullptr, 0), 40, {"its size macros say 1 x 48, which takes 6 in the pages layout: 1 is missing"}},
        {macros, given("adafruit", 0), 5, {"its size macros say 1 x 48, which takes 48 in the adafruit layout: 43 are missing"}},
        // Another width than the macros': their size is said.
        {macros, given(nullptr, 5), 8, {"its size macros say 1 x 48"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ArrayOptions options = c.options;
        options.fit = ArrayFit::drawWhatFits;
        const ArrayPicture drawn = read(c.text, options);
        EXPECT_EQ(drawn.picture.height(), c.height);
        EXPECT_EQ(drawn.unfit, c.unfit);
        EXPECT_EQ(drawn.picture.width(), options.width > 0 ? options.width : 1);
    }
    // Not one whole page: refused as on the command line.
    ArrayOptions wide = given("pages", 8);
    const auto refused = refusal(five, wide);
    wide.fit = ArrayFit::drawWhatFits;
    EXPECT_EQ(refusal(five, wide), refused);
    EXPECT_EQ(refused.second,
              "logo (line 1): 5 bytes do not fill whole pages of 8 columns: 5 are over, and 3 are missing for one more page");
}

TEST(ArrayPicture, RefusalsOfTextThatIsNoPicture)
{
    const std::pair<std::pair<Refusal, std::string>, std::pair<Refusal, std::string>> cases[] = {
        {refusal(std::string("uint8_t a[] = {1};\0", 19), given("pages", 1)),
         {Refusal::unknownFormat, "it is not a PNG, JPEG, GIF or BMP picture, nor text with a C array of bytes"}},
        {[] {
             try {
                 arrayPicture(nullptr, 0, {}, limit); // an empty file's bytes
             } catch (const PictureRefusal& refused) {
                 return std::make_pair(refused.kind, std::string(refused.what()));
             }
             return std::make_pair(Refusal::corrupt, std::string("read"));
         }(),
         {Refusal::unknownFormat, "it is not a PNG, JPEG, GIF or BMP picture, nor text with a C array of bytes"}},
        {refusal("just some text\n"),
         {Refusal::unknownFormat, "it is not a PNG, JPEG, GIF or BMP picture, nor text with a C array of bytes"}},
        {refusal("uint8_t a[] = {1, x, 300};", given("pages", 1)),
         {Refusal::corrupt,
          "a (line 1) could not be read: line 1: x is not a byte (0 to 255)\n  line 1: 300 is not a byte (0 to 255)"}},
        {refusal("int main(void) { return 0; }"),
         {Refusal::corrupt, "The text holds no array: no \"{\" follows an array's \"[...] =\"."}},
        {refusal("DATA = bytearray(b'\\x01\xc3\xa9')\n", given("micropython", 1)),
         {Refusal::corrupt, "DATA (line 1) could not be read: line 1: a bytes literal that is not closed, or holds more "
                            "than ASCII"}},
        {refusal("#define L_WIDTH 268435456\n#define L_HEIGHT 2\nuint8_t l[] = {1, 2};", given("pages", 0)),
         {Refusal::tooLarge, "it is 268435456 x 2 pixels, more than the 268435456 this program takes"}},
        {refusal("uint8_t a[] = {1, 2};", given("pages", limit + 1)),
         {Refusal::tooLarge, "it is 268435457 pixels wide, more than the 268435456 pixels this program takes"}},
    };
    for (const auto& [got, expected] : cases) {
        EXPECT_EQ(got.first, expected.first) << expected.second;
        EXPECT_EQ(got.second, expected.second);
    }
}

TEST(ArrayPicture, BytesLiteralsOfAModule)
{
    const PythonBytes module =
        readPythonBytes("X = 1\nDATA = bytearray(\n    b'\\x00\\xff\\\\\\'\\n\\0\\101A\\q'  # a comment\n    B\"\\\"\"\n)\n");
    EXPECT_TRUE(module.found);
    EXPECT_EQ(module.name, "DATA");
    EXPECT_EQ(module.line, 2);
    EXPECT_EQ(module.bytes, (std::vector<std::uint8_t>{0x00, 0xff, '\\', '\'', '\n', 0, 'A', 'A', '\\', 'q', '"'}));
    EXPECT_TRUE(module.problem.empty());
    // A bytearray of a size or of a list is not a picture's module.
    EXPECT_FALSE(readPythonBytes("buffer = bytearray(1024)\n").found);
    EXPECT_FALSE(readPythonBytes("f(bytearray(b'\\x00'))\n").found);
}

} // namespace

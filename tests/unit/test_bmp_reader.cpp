// SPDX-License-Identifier: MIT
// Bitmap::load against crafted files: rejections, colour tables, skipped bytes, every
// depth's row layout, long info headers and files cut short or damaged.
#include "bmp_bytes.h"
#include "bmp_format.h"
#include "bmp_header.h"

#include <climits>

namespace {

const std::string E15(15, ' '), W17(17, ' ');

// Message lines with '@' standing for the path.
std::vector<std::string> withPath(std::vector<std::string> lines, const std::string& path)
{
    for (std::string& line : lines)
        if (auto at = line.find('@'); at != std::string::npos)
            line.replace(at, 1, path);
    return lines;
}

const std::vector<std::string> paddedTableWarning = {"Picture Warning: file @ has an underspecified",
                                                     W17 + "color table. The table will be padded with extra",
                                                     W17 + "white (255,255,255,0) entries."};
const std::vector<std::string> extraDataWarning = {"Picture Warning: Extra meta data detected in file @",
                                                   W17 + "Data will be skipped."};

// A picture loaded before the file under test, to tell an untouched Bitmap apart.
void preload(Bitmap& b)
{
    b.setBitDepth(8);
    b.setDimensions(3, 2);
    b.pixelAt(1, 1) = rgb(1, 2, 3, 4);
    b.horizontalResolution = 111;
    b.verticalResolution = 222;
}

Bytes header(BmpHeader h)
{
    h.xRes = 1234;
    h.yRes = 5678;
    return headerBytes(h);
}

Bytes cut(Bytes b, std::size_t size)
{
    b.resize(size);
    return b;
}

TEST(BmpReader, RejectionsPrintTheirLinesAndLeaveTheDefinedState)
{
    enum State { EmptyKeepsResolution, EmptyWithFileResolution, Untouched };
    struct Case {
        const char* name;
        Bytes bytes; // none at all: the file does not exist
        std::vector<std::string> lines;
        State state;
    };
    Bytes wrongSignature = header(bmpHeader(1, 1, 24));
    wrongSignature[1] = 'A';
    const std::vector<std::string> notBmp = {"Picture Error: @ is not a Windows BMP file!"};
    const std::vector<std::string> corrupted = {"Picture Error: @ is obviously corrupted."};
    const std::vector<std::string> nonPositive = {"Picture Error: @ has a non-positive width or height."};
    const std::vector<std::string> rle = {"Picture Error: @ is (RLE) compressed.",
                                          E15 + "Picture does not support compression."};
    auto unsupported = [](const std::string& n) {
        return std::vector<std::string>{"Picture Error: @ is in an unsupported format.",
                                        E15 + "(bmih.biCompression = " + n + ")",
                                        E15 + "The file is probably an old OS2 bitmap or corrupted."};
    };
    const std::vector<std::string> bitFields = {"Picture Error: @ uses bit fields and is not a",
                                                E15 + "16-bit file. This is not supported."};
    const std::vector<std::string> tooLarge = {"Picture Error: @ is larger than 268435456 pixels."};
    const Bytes valid = header(bmpHeader(1, 1, 24));
    const std::vector<Case> cases = {
        {"missing", {}, {"Picture Error: Cannot open file @ for input."}, EmptyKeepsResolution},
        {"empty", {}, corrupted, EmptyKeepsResolution},
        {"lone B", {'B'}, corrupted, EmptyKeepsResolution},
        {"lone X", {'X'}, notBmp, Untouched},
        {"wrong signature", wrongSignature, notBmp, Untouched},
        {"ends in info header", cut(valid, 30), corrupted, EmptyKeepsResolution},
        {"ends one byte short", cut(valid, 53), corrupted, EmptyKeepsResolution},
        {"top-down", header(bmpHeader(4, -10, 24)), nonPositive, EmptyWithFileResolution},
        {"zero width", header(bmpHeader(0, 1, 24)), nonPositive, EmptyWithFileResolution},
        {"RLE8", header(bmpHeader(1, 1, 8, 1078, 1)), rle, EmptyWithFileResolution},
        {"RLE4", header(bmpHeader(1, 1, 4, 118, 2)), rle, EmptyWithFileResolution},
        {"compression 4", header(bmpHeader(1, 1, 24, 54, 4)), unsupported("4"), EmptyWithFileResolution},
        {"compression 2^31", header(bmpHeader(1, 1, 24, 54, 0x80000000u)), unsupported("2147483648"),
         EmptyWithFileResolution},
        {"bit fields at 24", header(bmpHeader(1, 1, 24, 54, 3)), bitFields, EmptyWithFileResolution},
        {"bit fields at 7", header(bmpHeader(1, 1, 7, 54, 3)), bitFields, EmptyWithFileResolution},
        {"2 bits", header(bmpHeader(1, 1, 2)), {"Picture Error: @ has unrecognized bit depth."},
         EmptyWithFileResolution},
        {"30000 x 30000", header(bmpHeader(30000, 30000, 24)), tooLarge, EmptyWithFileResolution},
        {"just above the limit", header(bmpHeader(16385, 16384, 1, 62)), tooLarge, EmptyWithFileResolution},
        {"largest sides", header(bmpHeader(INT_MAX, INT_MAX, 24)), tooLarge, EmptyWithFileResolution},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = c.name == std::string("missing") ? dir.path("none.bmp") : dir.write("f.bmp", c.bytes);
        Bitmap before;
        preload(before);
        auto [state, lines] = withAndWithoutWarnings([&] {
            Bitmap b;
            preload(b);
            const bool ok = b.load(path.c_str());
            return std::make_pair(ok, snapshot(b));
        });
        EXPECT_FALSE(state.first);
        EXPECT_EQ(lines, withPath(c.lines, path));
        EXPECT_EQ(state.second, c.state == Untouched               ? snapshot(before)
                                : c.state == EmptyKeepsResolution ? emptyState(111, 222)
                                                                  : emptyState(1234, 5678));
    }
}

// A colour table of n entries, entry i being (red i, green 2i, blue 3i, reserved i).
Bytes ramp(int n)
{
    Bytes b;
    for (int i = 0; i < n; ++i)
        append(b, {3 * i & 255, 2 * i & 255, i, i});
    return b;
}
Pixel rampEntry(int i)
{
    return rgb(i, 2 * i & 255, 3 * i & 255, i);
}
Bytes filler(std::size_t n)
{
    return Bytes(n, 0x77);
}
Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes& p : parts)
        append(out, p);
    return out;
}

TEST(BmpReader, DecodesEveryLayout)
{
    const Pixel white = whitePixel;
    const Pixel one = rgb(30, 20, 10, 5);
    const Pixel k = blackPixel;
    const Bytes bitTable = tableBytes({k, one});
    const Bytes masks565 = {0x00, 0xF8, 0xFF, 0xFF, 0xE0, 0x07, 0x12, 0x34, 0x1F, 0x00, 0x00, 0x80};
    struct Case {
        const char* name;
        BmpHeader h;
        Bytes body; // everything after the 54 header bytes
        std::vector<Pixel> pixels; // top row first
        std::vector<std::string> lines = {};
        int fromFile = 0; // colour-table entries taken from the file; the rest must be white
    };
    const std::vector<Case> cases = {
        {"1 bit, width 10: pixel 8 is the top bit of the second byte",
         bmpHeader(10, 2, 1, 62),
         join({bitTable, {0xB0, 0x7F, 0xFF, 0xFF, 0x01, 0x80, 0xFF, 0xFF}}),
         {k, k, k, k, k, k, k, one, one, k, one, k, one, one, k, k, k, k, k, one}, {}, 2},
        {"4 bits, width 3: high nibble first", bmpHeader(3, 1, 4, 118),
         join({ramp(16), {0x5A, 0x3F, 0xEE, 0xEE}}), {rampEntry(5), rampEntry(10), rampEntry(3)}, {}, 16},
        {"8 bits, 16 entries: the rest of the table is white", bmpHeader(3, 1, 8, 118),
         join({ramp(16), {5, 200, 15, 0}}), {rampEntry(5), white, rampEntry(15)}, paddedTableWarning, 16},
        {"8 bits, full table and 4 extra bytes", bmpHeader(2, 1, 8, 54 + 1024 + 4),
         join({ramp(256), {0xDE, 0xAD, 0xBE, 0xEF}, {1, 254, 0, 0}}), {rampEntry(1), rampEntry(254)},
         extraDataWarning, 256},
        {"8 bits, short table ending two bytes before the data: rows start at the offset",
         bmpHeader(2, 1, 8, 54 + 8 + 2), join({ramp(2), {0xEE, 0xEE}, {1, 0, 0, 0}}), {rampEntry(1), rampEntry(0)},
         paddedTableWarning, 2},
        {"1 bit, offset 0: no entries, data from 54", bmpHeader(1, 2, 1, 0),
         {0x00, 0, 0, 0, 0x80, 0, 0, 0}, {white, white}, paddedTableWarning},
        {"24 bits, width 1: 3 bytes and 1 of padding", {1, 2, 24, 54, 0, 40, 0, 0},
         {1, 2, 3, 0xAA, 4, 5, 6, 0xAA}, {rgb(6, 5, 4), rgb(3, 2, 1)}},
        {"24 bits, 4 extra bytes", bmpHeader(1, 1, 24, 58), {9, 9, 9, 9, 1, 2, 3, 0}, {rgb(3, 2, 1)},
         extraDataWarning},
        {"24 bits, negative offset", {1, 1, 24, 0xFFFFFFF0u, 0, 40, 2835, -7}, {1, 2, 3, 0}, {rgb(3, 2, 1)}},
        {"32 bits: the fourth byte is alpha", bmpHeader(1, 1, 32), {10, 20, 30, 40}, {rgb(30, 20, 10, 40)}},
        {"16 bits, 5-5-5 without masks", bmpHeader(3, 1, 16),
         {0xFF, 0xFF, 0x00, 0x7C, 0xE0, 0x03, 0x55, 0x55},
         {rgb(248, 248, 248), rgb(248, 0, 0), rgb(0, 248, 0)}},
        {"16 bits, 5-6-5 masks: the high halves do not count", bmpHeader(3, 1, 16, 66, 3),
         join({masks565, {0xE0, 0x07, 0x20, 0x00, 0x1F, 0xF8, 0, 0}}),
         {rgb(0, 248, 0), rgb(0, 0, 0), rgb(248, 0, 248)}},
        {"16 bits, masks and 4 extra bytes", bmpHeader(1, 1, 16, 70, 3),
         join({masks565, {1, 2, 3, 4}, {0x00, 0xF8, 0, 0}}), {rgb(248, 0, 0)}, extraDataWarning},
        {"V4 header, 8 bits: the table follows the long header",
         bmpHeader(2, 1, 8, 14 + 108 + 1024, 0, 108),
         join({filler(68), ramp(256), {7, 255, 0, 0}}), {rampEntry(7), rampEntry(255)}, {}, 256},
        {"V5 header, 4 bits", bmpHeader(3, 1, 4, 14 + 124 + 64, 0, 124),
         join({filler(84), ramp(16), {0x12, 0xF0, 0, 0}}), {rampEntry(1), rampEntry(2), rampEntry(15)}, {}, 16},
        {"V5 size that does not fit before the data: table at 54", bmpHeader(1, 1, 4, 118, 0, 124),
         join({ramp(16), {0x90, 0, 0, 0}}), {rampEntry(9)}, {}, 16},
        {"V4 header, short table counted from its end", bmpHeader(2, 1, 8, 122 + 8, 0, 108),
         join({filler(68), ramp(2), {1, 2, 0, 0}}), {rampEntry(1), white}, paddedTableWarning, 2},
        {"V4 header, extra bytes counted from its end", bmpHeader(1, 1, 1, 122 + 8 + 4, 0, 108),
         join({filler(68), bitTable, {0, 0, 0, 0}, {0x80, 0, 0, 0}}), {one}, extraDataWarning, 2},
        {"V5 header, 24 bits: the long header is skipped as extra data", bmpHeader(1, 1, 24, 138, 0, 124),
         join({filler(84), {1, 2, 3, 0}}), {rgb(3, 2, 1)}, extraDataWarning},
        {"V5 header, 16 bits: masks still at 54", bmpHeader(1, 1, 16, 138, 3, 124),
         join({masks565, filler(72), {0xE0, 0x07, 0, 0}}), {rgb(0, 248, 0)}, extraDataWarning},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.write("f.bmp", join({headerBytes(c.h), c.body}));
        auto [state, lines] = withAndWithoutWarnings([&] {
            Bitmap b;
            const bool ok = b.load(path.c_str());
            return std::make_pair(ok, snapshot(b));
        });
        Bitmap expected;
        expected.setBitDepth(c.h.bits);
        expected.setDimensions(c.h.width, c.h.height);
        expected.horizontalResolution = c.h.xRes;
        expected.verticalResolution = c.h.yRes;
        for (std::size_t i = 0; i < c.pixels.size(); ++i)
            expected.pixelAt(static_cast<int>(i) % c.h.width, static_cast<int>(i) / c.h.width) = c.pixels[i];
        for (int i = 0; i < static_cast<int>(expected.colorTable.size()); ++i)
            expected.colorTable[i] = i >= c.fromFile ? white : c.h.bits == 1 ? (i ? one : k) : rampEntry(i);
        EXPECT_TRUE(state.first);
        EXPECT_EQ(lines, withPath(c.lines, path));
        EXPECT_EQ(state.second, snapshot(expected));
    }
}

// A 16-bit mask narrower than five bits scales its channel the same wherever it sits in
// the word: a channel in the low bits is not left at half brightness.
TEST(BmpReader, NarrowSixteenBitMasksScaleAsInTheHighBits)
{
    auto maskBytes = [](std::uint16_t red, std::uint16_t green, std::uint16_t blue) {
        Bytes b;
        for (std::uint16_t m : {red, green, blue})
            putLE(b, m, 4);
        return b;
    };
    auto load = [&](const Bytes& masks, const std::vector<std::uint16_t>& words) {
        const auto width = static_cast<std::int32_t>(words.size());
        Bytes rows;
        for (std::uint16_t w : words)
            putLE(rows, w, 2);
        rows.resize(static_cast<std::size_t>(bmp::rowStride(width, 16)), 0);
        TempDir dir;
        const std::string path = dir.write("f.bmp", join({headerBytes(bmpHeader(width, 1, 16, 66, 3)), masks, rows}));
        Bitmap b;
        EXPECT_TRUE(b.load(path.c_str()));
        std::vector<Pixel> pixels;
        for (std::int32_t x = 0; x < width; ++x)
            pixels.push_back(b.pixelAt(x, 0));
        return pixels;
    };

    // X4 R4 G4 B4 mid grey: 128 in every channel, which the black-and-white rule calls white.
    EXPECT_EQ(load(maskBytes(0x0F00, 0x00F0, 0x000F), {0x0888, 0x0FFF, 0x0000}),
              (std::vector<Pixel>{rgb(128, 128, 128), rgb(240, 240, 240), rgb(0, 0, 0)}));
    // A mask of 0 gives 0.
    EXPECT_EQ(load(maskBytes(0x0000, 0x00F0, 0x0000), {0xFFFF}), (std::vector<Pixel>{rgb(0, 240, 0)}));

    // 1 to 4 bits: blue in the low bits, red the same bits at the top of the word.
    for (int bits = 1; bits <= 4; ++bits) {
        SCOPED_TRACE(std::to_string(bits) + "-bit channel");
        const auto low = static_cast<std::uint16_t>((1 << bits) - 1);
        const auto high = static_cast<std::uint16_t>(low << (16 - bits));
        std::vector<std::uint16_t> words;
        for (int v = 0; v <= low; ++v)
            words.push_back(static_cast<std::uint16_t>(v << (16 - bits) | v));
        const std::vector<Pixel> pixels = load(maskBytes(high, 0, low), words);
        for (int v = 0; v <= low; ++v) {
            EXPECT_EQ(pixels[static_cast<std::size_t>(v)].blue, pixels[static_cast<std::size_t>(v)].red) << "value " << v;
            EXPECT_EQ(pixels[static_cast<std::size_t>(v)].red, v << (5 - bits) << 3) << "value " << v;
        }
    }
}

// The decoders are public: a row outside the picture is clamped and an index the table
// does not hold reads white, each with its warning, never past the grid or the table.
TEST(BmpReader, RowDecodersStayInsideTheGridAndTheTable)
{
    const std::vector<std::string> clamp = {"Picture Warning: Attempted to access non-existent pixel;",
                                            W17 + "Truncating request to fit in the range [0,2] x [0,1]."};
    const std::vector<std::string> badIndex = {"Picture Warning: Requested color number 200 is outside the allowed",
                                               W17 + "range [0,1]. Ignoring request to get this color."};
    const std::vector<std::string> noTable = {"Picture Warning: Attempted to access color table for a BMP object",
                                              W17 + "that lacks a color table. Ignoring request."};
    using Decode = bool (*)(Bitmap&, const std::uint8_t*);
    struct Case {
        const char* name;
        int depth;
        Decode decode;
        Bytes buffer;
        int row;
        std::vector<Pixel> pixels;
        std::vector<std::string> warning;
        int warnings;
    };
    const Pixel w = whitePixel;
    const std::vector<Case> cases = {
        {"8-bit indices, 2-entry table", 1, [](Bitmap& b, const std::uint8_t* p) { return b.read8BitRow(p, 0); },
         {0, 1, 200}, 0, {blackPixel, w, w}, badIndex, 1},
        {"1-bit row without a table", 24, [](Bitmap& b, const std::uint8_t* p) { return b.read1BitRow(p, 1, 1); },
         {0xA0}, 1, {w, w, w}, noTable, 3},
        {"4-bit row below the picture", 8, [](Bitmap& b, const std::uint8_t* p) { return b.read4BitRow(p, 5); },
         {0x12, 0x30}, 1, {rgb(128, 0, 0), rgb(0, 128, 0), rgb(128, 128, 0)}, clamp, 3},
        {"24-bit row above the picture", 24, [](Bitmap& b, const std::uint8_t* p) { return b.read24BitRow(p, -1); },
         {1, 2, 3, 4, 5, 6, 7, 8, 9}, 0, {rgb(3, 2, 1), rgb(6, 5, 4), rgb(9, 8, 7)}, clamp, 3},
        {"32-bit row below the picture", 32, [](Bitmap& b, const std::uint8_t* p) { return b.read32BitRow(p, 2); },
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 1, {rgb(3, 2, 1, 4), rgb(7, 6, 5, 8), rgb(11, 10, 9, 12)}, clamp, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto [state, lines] = withAndWithoutWarnings([&] {
            Bitmap b;
            b.setBitDepth(c.depth);
            b.setDimensions(3, 2);
            const bool ok = c.decode(b, c.buffer.data());
            return std::make_pair(ok, snapshot(b));
        });
        Bitmap expected;
        expected.setBitDepth(c.depth);
        expected.setDimensions(3, 2);
        for (int x = 0; x < 3; ++x)
            expected.pixelAt(x, c.row) = c.pixels[static_cast<std::size_t>(x)];
        std::vector<std::string> warnings;
        for (int i = 0; i < c.warnings; ++i)
            warnings.insert(warnings.end(), c.warning.begin(), c.warning.end());
        EXPECT_TRUE(state.first);
        EXPECT_EQ(state.second, snapshot(expected));
        EXPECT_EQ(lines, warnings);
    }

    // The writer's row packer clamps the same way.
    Bitmap b;
    b.setBitDepth(1);
    b.setDimensions(10, 2);
    b.pixelAt(0, 1) = blackPixel;
    std::uint8_t packed[2] = {};
    auto [ok, lines] = withAndWithoutWarnings([&] { return b.write1BitRow(packed, 2, 7); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(Bytes(packed, packed + 2), (Bytes{0x7F, 0xC0}));
    EXPECT_EQ(lines,
              (std::vector<std::string>{clamp[0], W17 + "Truncating request to fit in the range [0,9] x [0,1]."}));
}

// A valid file of 3 x 4 pixels at the depth, with a full colour table at 1, 4, 8 bits.
Bytes smallFile(int depth, std::size_t& dataStart, std::size_t& stride)
{
    const int table = depth <= 8 ? 4 << depth : 0;
    stride = static_cast<std::size_t>((3 * depth + 31) / 32 * 4);
    dataStart = 54 + static_cast<std::size_t>(table);
    Bytes file = headerBytes(
        bmpHeader(3, 4, static_cast<std::uint16_t>(depth), static_cast<std::uint32_t>(dataStart)));
    append(file, ramp(table / 4));
    for (std::size_t i = 0; i < 4 * stride; ++i)
        file.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    return file;
}

TEST(BmpReader, PixelDataCutShortKeepsTheRowsRead)
{
    TempDir dir;
    for (int depth : {1, 4, 8, 24, 32}) {
        std::size_t dataStart = 0, stride = 0;
        const Bytes file = smallFile(depth, dataStart, stride);
        Bitmap full;
        ASSERT_TRUE(printedLines([&] { full.load(dir.write("full.bmp", file).c_str()); }).empty());
        for (std::size_t size = dataStart; size < file.size(); ++size) {
            SCOPED_TRACE(std::to_string(depth) + " bits, " + std::to_string(size) + " bytes");
            const std::string path = dir.write("cut.bmp", cut(file, size));
            auto [state, lines] = withAndWithoutWarnings([&] {
                Bitmap b;
                const bool ok = b.load(path.c_str());
                return std::make_pair(ok, snapshot(b));
            });
            const int rowsRead = static_cast<int>((size - dataStart) / stride);
            Bitmap expected(full);
            expected.horizontalResolution = expected.verticalResolution = 3780;
            for (int y = 0; y < 4 - rowsRead; ++y)
                for (int x = 0; x < 3; ++x)
                    expected.pixelAt(x, y) = whitePixel;
            EXPECT_TRUE(state.first);
            EXPECT_EQ(state.second, snapshot(expected));
            EXPECT_EQ(lines, std::vector<std::string>{"Picture Error: Could not read proper amount of data."});
        }
    }
}

// The size of a regular file is taken when its header has been read. A file that shrinks
// after that reads as the shorter file does, message included, whole or sampled.
TEST(BmpReader, AFileThatShrinksWhileItIsReadLoadsAsTheShorterFile)
{
    TempDir dir;
    Warnings on(true);
    const PictureSampling everyPixel = {{0, 1, 2, 3}, {0, 1, 2}};
    for (int depth : {1, 4, 8, 24, 32}) {
        std::size_t dataStart = 0, stride = 0;
        const Bytes file = smallFile(depth, dataStart, stride);
        for (std::size_t size : {dataStart, dataStart + stride + 1, file.size() - 1}) {
            Bitmap shorter;
            const std::vector<std::string> lines =
                printedLines([&] { ASSERT_TRUE(shorter.load(dir.write("short.bmp", cut(file, size)).c_str())); });
            ASSERT_EQ(lines, std::vector<std::string>{"Picture Error: Could not read proper amount of data."});
            for (const bool sampled : {false, true}) {
                SCOPED_TRACE(std::to_string(depth) + " bits, " + std::to_string(size) + " bytes" + (sampled ? ", sampled" : ""));
                const std::string path = dir.write("f.bmp", file);
                Bitmap b;
                BmpFile opened;
                EXPECT_EQ(printedLines([&] {
                              ASSERT_TRUE(b.loadHeader(path.c_str(), opened));
                              std::filesystem::resize_file(path, size);
                              EXPECT_EQ(b.loadPixels(opened, sampled ? &everyPixel : nullptr), sampled);
                          }),
                          lines);
                EXPECT_EQ(snapshot(b), snapshot(shorter));
            }
        }
    }
}

TEST(BmpReader, SixteenBitDataCutShortRepeatsTheLastWord)
{
    const Bytes head = headerBytes(bmpHeader(3, 2, 16));
    struct Case {
        Bytes data;
        std::vector<Pixel> pixels;
    };
    const Pixel r = rgb(248, 0, 0), g = rgb(0, 248, 0), b = rgb(0, 0, 248);
    const Pixel all = rgb(248, 248, 248), rg = rgb(248, 56, 0);
    const std::vector<Case> cases = {
        // The second top word has only its low byte; the high byte stays from the word before.
        {{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0, 0xFF, 0x7F, 0x00},
         {all, rgb(248, 192, 0), rgb(248, 192, 0), r, g, b}},
        {{0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0, 0}, {b, b, b, r, g, b}},
        {{0x00, 0x7C, 0xE0}, {rg, rg, rg, r, rg, rg}},
        {{}, {blackPixel, blackPixel, blackPixel, blackPixel, blackPixel, blackPixel}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data.size());
        const std::string path = dir.write("f.bmp", join({head, c.data}));
        auto [state, lines] = withAndWithoutWarnings([&] {
            Bitmap bm;
            const bool ok = bm.load(path.c_str());
            std::vector<Pixel> pixels;
            for (int y = 0; y < 2; ++y)
                for (int x = 0; x < 3; ++x)
                    pixels.push_back(bm.pixelAt(x, y));
            return std::make_pair(ok, pixels);
        });
        EXPECT_TRUE(state.first);
        EXPECT_EQ(state.second, c.pixels);
        EXPECT_TRUE(lines.empty());
    }
}

// Every prefix and every single-byte change of small valid files: the reader either
// refuses (empty state or, for a wrong signature, the old picture) or yields a
// well-formed image of the size and depth its header states. With both sides at least
// 17, a changed high byte of a side claims more pixels than the reader accepts.
TEST(BmpReader, DamagedFilesNeverBreakTheBitmap)
{
    auto picture = [](BmpHeader h, const Bytes& between) {
        const std::size_t stride = static_cast<std::size_t>((h.width * h.bits + 31) / 32 * 4);
        Bytes file = join({headerBytes(h), between});
        for (std::size_t i = 0; i < stride * static_cast<std::size_t>(h.height); ++i)
            file.push_back(static_cast<std::uint8_t>(i * 37 + 11));
        return file;
    };
    const Bytes masks = {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0};
    const std::vector<Bytes> files = {
        picture(bmpHeader(17, 17, 1, 62), tableBytes({blackPixel, whitePixel})),
        picture(bmpHeader(17, 17, 4, 202, 0, 124), join({filler(84), ramp(16)})),
        picture(bmpHeader(17, 17, 8, 118), ramp(16)),
        picture(bmpHeader(17, 17, 16, 66, 3), masks),
        picture(bmpHeader(17, 17, 24, 58), {9, 9, 9, 9}),
        picture(bmpHeader(17, 17, 32), {}),
    };
    TempDir dir;
    const std::string path = dir.path("f.bmp");
    Bitmap previous;
    preload(previous);
    const std::string before = snapshot(previous);
    for (const Bytes& file : files) {
        std::vector<Bytes> variants;
        for (std::size_t size = 0; size < file.size(); ++size)
            variants.push_back(cut(file, size));
        for (std::size_t i = 0; i < file.size(); ++i) {
            variants.push_back(file);
            variants.back()[i] ^= 0xFF;
        }
        for (const Bytes& v : variants) {
            dir.write("f.bmp", v);
            Bitmap b;
            preload(b);
            const bool ok = b.load(path.c_str());
            ASSERT_GE(b.width, 1);
            ASSERT_GE(b.height, 1);
            const bool paletted = b.bitsPerPixel == 1 || b.bitsPerPixel == 4 || b.bitsPerPixel == 8;
            ASSERT_EQ(b.colorTable.size(), paletted ? std::size_t{1} << b.bitsPerPixel : 0);
            if (ok) {
                ASSERT_EQ(b.width, static_cast<std::int32_t>(u32At(v, 18)));
                ASSERT_EQ(b.height, static_cast<std::int32_t>(u32At(v, 22)));
                ASSERT_EQ(b.bitsPerPixel, static_cast<std::int32_t>(u32At(v, 28) & 0xFFFF));
            } else {
                const bool notBmp = (!v.empty() && v[0] != 'B') || (v.size() >= 2 && v[1] != 'M');
                b.horizontalResolution = 111;
                b.verticalResolution = 222;
                ASSERT_EQ(snapshot(b), notBmp ? before : emptyState(111, 222));
            }
        }
    }
}

} // namespace

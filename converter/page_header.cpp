#include "page_header.h"

#include "options.h"
#include "output_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <utility>

namespace {

const char* const hyphenLine = "//---------------------------------------------------------------------------\n";

// "0x00, " to "0xff, ": every data byte is exactly four characters, here with the
// separator that follows it.
const std::array<std::array<char, 6>, 256> byteTexts = [] {
    std::array<std::array<char, 6>, 256> texts{};
    const char* digits = "0123456789abcdef";
    for (int v = 0; v < 256; ++v)
        texts[v] = {'0', 'x', digits[v >> 4], digits[v & 15], ',', ' '};
    return texts;
}();

void appendByte(std::string& out, std::uint8_t value)
{
    out.append(byteTexts[value].data(), 4);
}

std::string toUpperAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string toLowerAscii(std::string s)
{
    for (char& c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

const char* arrayPrefix()
{
    if (avrProgmem)
        return "static const unsigned char __attribute__ ((progmem)) "; // avr-gcc puts only const data there
    if (pic30AutoPsv)
        return "static unsigned char __attribute__((space(auto_psv))) ";
    return "static char ";
}

// Eight rows of eight columns, row b in byte b, bit 7 - c of a byte for column c, turned
// so that byte c holds column c, row b in bit b.
std::uint64_t turnBlock(std::uint64_t x)
{
    std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
    x = x ^ t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
    x = x ^ t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
    x = x ^ t ^ (t << 28);
    return x;
}

// Packs `rows` rows starting at `firstRow` into one byte per column, a bit set for black.
void packPage(const BitPicture& picture, std::int32_t firstRow, std::int32_t rows, std::vector<std::uint8_t>& bytes)
{
    const std::int32_t W = picture.width();
    bytes.assign(static_cast<std::size_t>(W) + 8, 0);
    const std::uint8_t* row[8];
    for (std::int32_t b = 0; b < rows; ++b)
        row[b] = picture.row(firstRow + b);
    std::uint8_t* out = bytes.data();
    for (std::int32_t g = 0; 8 * g < W; ++g) {
        std::uint64_t block = 0;
        for (std::int32_t b = 0; b < rows; ++b)
            block |= std::uint64_t{static_cast<std::uint8_t>(~row[b][g])} << (8 * b);
        block = turnBlock(block);
        for (int c = 0; c < 8; ++c)
            out[8 * g + c] = static_cast<std::uint8_t>(block >> (56 - 8 * c));
    }
    bytes.resize(static_cast<std::size_t>(W));
}

// Builds the header text and hands it to `flush` in pieces of about a megabyte, so that a
// large picture never holds its whole text in memory.
template <typename Flush>
void generateHeader(const BitPicture& bitmap, const std::string& baseName, Flush flush)
{
    constexpr std::size_t pieceSize = std::size_t{1} << 20;
    const std::string stem = identifierStem(baseName);
    const std::string upper = toUpperAscii(stem);
    const std::string lower = toLowerAscii(stem);
    const std::int32_t W = bitmap.width();
    const std::int32_t H = bitmap.height();
    const std::int32_t pageCount = H / 8;
    const std::int32_t partialRows = H % 8;

    std::string out;
    // Room for one piece, or for the whole text when that is smaller (at most seven
    // characters a byte, line ends included).
    const std::size_t dataBytes = static_cast<std::size_t>(W) * 7 * (static_cast<std::size_t>(pageCount) + 1);
    out.reserve(std::min(pieceSize, dataBytes) + 512);
    // Hands a full piece over, also in the middle of a page row: a row of a very wide
    // picture is itself hundreds of megabytes of text.
    auto spill = [&] {
        if (out.size() >= pieceSize) {
            flush(out);
            out.clear();
        }
    };

    out += hyphenLine;
    out += "\n";
    out += hyphenLine;
    out += "#ifndef _" + upper + "_H \n";
    out += "#define _" + upper + "_H \n";
    out += "\n";
    out += "#define " + upper + "_HEIGHT " + std::to_string(H) + " \n";
    out += "#define " + upper + "_WIDTH  " + std::to_string(W) + " \n";
    out += arrayPrefix() + lower + "_bmp[]={\n";

    // Bytes [first, last) of a page row, each with its separator, and with a line end
    // after every sixteenth column where `lineEnds` says so. The text is put straight
    // into `out`, some thousands of columns at a time.
    std::vector<std::uint8_t> bytes;
    auto appendBytes = [&](std::int32_t first, std::int32_t last, bool lineEnds) {
        constexpr std::int32_t stretch = 16384;
        for (std::int32_t from = first; from < last; from += stretch) {
            const std::int32_t to = std::min(last, from + stretch);
            const std::size_t at = out.size();
            out.resize(at + 7 * static_cast<std::size_t>(to - from));
            char* text = &out[at];
            for (std::int32_t x = from; x < to; ++x) {
                std::memcpy(text, byteTexts[bytes[x]].data(), 6);
                text += 6;
                if (lineEnds && (x + 1) % 16 == 0)
                    *text++ = '\n';
            }
            out.resize(static_cast<std::size_t>(text - out.data()));
            spill();
        }
    };
    for (std::int32_t p = 0; p < pageCount; ++p) {
        packPage(bitmap, 8 * p, 8, bytes);
        appendBytes(0, W, true);
        out += '\n';
    }
    if (partialRows > 0) {
        // The partial page goes on one line, with no separator after its last byte.
        packPage(bitmap, 8 * pageCount, partialRows, bytes);
        appendBytes(0, W - 1, false);
        appendByte(out, bytes[static_cast<std::size_t>(W - 1)]);
        out += '\n';
    }

    out += "};\n";
    out += "#endif  //define _" + upper + "_H \n";
    flush(out);
}

} // namespace

std::string pageColumnHeaderText(const BitPicture& bitmap, const std::string& baseName)
{
    std::string text;
    generateHeader(bitmap, baseName, [&](const std::string& piece) { text += piece; });
    return text;
}

bool writePageColumnHeader(const BitPicture& bitmap, std::string baseName)
{
    const std::string headerName = baseName + ".h";
    std::FILE* file = std::fopen(headerName.c_str(), "w");
    if (!file)
        return false;
    if (verbose)
        std::cout << "writing header file as  \"" << headerName << "\"" << std::endl;

    bool written = true;
    generateHeader(bitmap, baseName, [&](const std::string& piece) {
        written = std::fwrite(piece.data(), 1, piece.size(), file) == piece.size() && written;
    });
    const bool streamOk = written && std::ferror(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!streamOk || !closed) {
        std::remove(headerName.c_str()); // never leave a truncated header behind
        return false;
    }
    return true;
}

BitPicture displayBits(const Bitmap& bitmap)
{
    BitPicture bits;
    bits.setDimensions(bitmap.width, bitmap.height);
    for (std::int32_t y = 0; y < bitmap.height; ++y) {
        const Pixel* in = bitmap.rowData(y);
        std::uint8_t* out = bits.row(y);
        for (std::int32_t x = 0; x < bitmap.width; ++x)
            if (blackOnDisplay(in[x]))
                out[x >> 3] = static_cast<std::uint8_t>(out[x >> 3] & ~(0x80 >> (x & 7)));
    }
    return bits;
}

std::string pageColumnHeaderText(const Bitmap& bitmap, const std::string& baseName)
{
    return pageColumnHeaderText(displayBits(bitmap), baseName);
}

bool writePageColumnHeader(const Bitmap& bitmap, std::string baseName)
{
    return writePageColumnHeader(displayBits(bitmap), std::move(baseName));
}

#include "page_header.h"

#include "options.h"
#include "output_names.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <iostream>

namespace {

const char* const hyphenLine = "//---------------------------------------------------------------------------\n";

// "0x00" to "0xff": every data byte is exactly four characters.
const std::array<std::array<char, 4>, 256> byteTexts = [] {
    std::array<std::array<char, 4>, 256> texts{};
    const char* digits = "0123456789abcdef";
    for (int v = 0; v < 256; ++v)
        texts[v] = {'0', 'x', digits[v >> 4], digits[v & 15]};
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

// Packs `rows` rows starting at `firstRow` into one byte per column.
void packPage(const Bitmap& bitmap, std::int32_t firstRow, std::int32_t rows, std::vector<std::uint8_t>& bytes)
{
    bytes.assign(static_cast<std::size_t>(bitmap.width), 0);
    for (std::int32_t b = 0; b < rows; ++b) {
        const Pixel* row = bitmap.rowData(firstRow + b);
        const auto bit = static_cast<std::uint8_t>(1u << b);
        for (std::int32_t x = 0; x < bitmap.width; ++x)
            if (row[x].green == 0)
                bytes[x] = static_cast<std::uint8_t>(bytes[x] | bit);
    }
}

// Builds the header text and hands it to `flush` in pieces of about a megabyte, so that a
// large picture never holds its whole text in memory.
template <typename Flush>
void generateHeader(const Bitmap& bitmap, const std::string& baseName, Flush flush)
{
    constexpr std::size_t pieceSize = std::size_t{1} << 20;
    const std::string stem = identifierStem(baseName);
    const std::string upper = toUpperAscii(stem);
    const std::string lower = toLowerAscii(stem);
    const std::int32_t W = bitmap.width;
    const std::int32_t H = bitmap.height;
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

    std::vector<std::uint8_t> bytes;
    for (std::int32_t p = 0; p < pageCount; ++p) {
        packPage(bitmap, 8 * p, 8, bytes);
        for (std::int32_t x = 0; x < W; ++x) {
            appendByte(out, bytes[x]);
            out += ", ";
            if ((x + 1) % 16 == 0)
                out += '\n';
            spill();
        }
        out += '\n';
    }
    if (partialRows > 0) {
        // The partial page goes on one line, with no separator after its last byte.
        packPage(bitmap, 8 * pageCount, partialRows, bytes);
        for (std::int32_t x = 0; x < W; ++x) {
            if (x > 0)
                out += ", ";
            appendByte(out, bytes[x]);
            spill();
        }
        out += '\n';
    }

    out += "};\n";
    out += "#endif  //define _" + upper + "_H \n";
    flush(out);
}

} // namespace

std::string pageColumnHeaderText(const Bitmap& bitmap, const std::string& baseName)
{
    std::string text;
    generateHeader(bitmap, baseName, [&](const std::string& piece) { text += piece; });
    return text;
}

bool writePageColumnHeader(const Bitmap& bitmap, std::string baseName)
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

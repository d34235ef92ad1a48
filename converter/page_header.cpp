// SPDX-License-Identifier: MIT
#include "page_header.h"

#include "console_text.h"
#include "enum_texts.h"
#include "file_stream.h"
#include "layouts/layout_packing.h"
#include "output_names.h"
#include "run_notes.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <functional>
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

} // namespace

ArrayAttribute arrayAttribute(bool avrProgmem, bool pic30AutoPsv)
{
    if (avrProgmem)
        return ArrayAttribute::avrProgmem;
    return pic30AutoPsv ? ArrayAttribute::pic30AutoPsv : ArrayAttribute::none;
}

const char* arrayDeclaration(ArrayAttribute attribute)
{
    // avr-gcc puts only const data in program memory.
    static constexpr EnumText<ArrayAttribute> declarations[] = {
        {ArrayAttribute::avrProgmem, "static const unsigned char __attribute__ ((progmem)) "},
        {ArrayAttribute::pic30AutoPsv, "static unsigned char __attribute__((space(auto_psv))) "}};
    return textOf(attribute, declarations, "static char ");
}

namespace {

// The header text, handed to `flush` in pieces of about a megabyte, so that a large
// picture never holds its whole text in memory.
class HeaderText {
public:
    using Flush = std::function<void(const char* piece, std::size_t size)>;
    static constexpr std::size_t pieceSize = std::size_t{1} << 20;

    // The buffer is sized once, for `capacity` characters; `used` says how much of it
    // holds text.
    HeaderText(std::size_t capacity, const Flush& flush) : out(capacity, '\0'), flush(flush) {}

    // Room for n more characters; `advance` takes the ones written.
    char* room(std::size_t n)
    {
        if (used + n > out.size())
            out.resize(used + n);
        return &out[used];
    }
    void advance(std::size_t n) { used += n; }
    void put(const std::string& text)
    {
        std::memcpy(room(text.size()), text.data(), text.size());
        used += text.size();
    }
    // Hands a full piece over, also in the middle of a page row: a row of a very wide
    // picture is itself hundreds of megabytes of text.
    void spill()
    {
        if (used >= pieceSize) {
            flush(out.data(), used);
            used = 0;
        }
    }
    void finish() { flush(out.data(), used); }

private:
    std::string out;
    std::size_t used = 0;
    const Flush& flush;
};

// Bytes of a page row are turned into text some thousands of columns at a time.
constexpr std::int32_t stretch = 16384;

// Bytes [first, last) of a page row, each with its separator, and with a line end after
// every sixteenth column where `lineEnds` says so. It is a template parameter so that the
// loop over the bytes, most of the header's time, is compiled without the test.
template <bool lineEnds>
void putBytes(HeaderText& out, const std::uint8_t* bytes, std::int32_t first, std::int32_t last)
{
    for (std::int32_t from = first; from < last; from += stretch) {
        const std::int32_t to = std::min(last, from + stretch);
        char* const start = out.room(7 * static_cast<std::size_t>(to - from));
        char* text = start;
        for (std::int32_t x = from; x < to; ++x) {
            std::memcpy(text, byteTexts[bytes[x]].data(), 6);
            text += 6;
            if (lineEnds && (x + 1) % 16 == 0)
                *text++ = '\n';
        }
        out.advance(static_cast<std::size_t>(text - start));
        out.spill();
    }
}

// The lines before the bytes: the include guard, the size and the array's declaration.
void putPreamble(HeaderText& out, const std::string& upper, const std::string& array, std::int32_t W, std::int32_t H,
                 ArrayAttribute attribute)
{
    out.put(hyphenLine);
    out.put("\n");
    out.put(hyphenLine);
    out.put("#ifndef _" + upper + "_H \n");
    out.put("#define _" + upper + "_H \n");
    out.put("\n");
    out.put("#define " + upper + "_HEIGHT " + std::to_string(H) + " \n");
    out.put("#define " + upper + "_WIDTH  " + std::to_string(W) + " \n");
    out.put(arrayDeclaration(attribute) + array + "[]={\n");
}

// Builds the header text and hands it to `flush`.
void generateHeader(const BitPicture& bitmap, const std::string& baseName, ArrayAttribute attribute,
                    const HeaderText::Flush& flush)
{
    const std::string upper = macroStem(baseName);
    const std::int32_t W = bitmap.width();
    const std::int32_t H = bitmap.height();
    const std::int32_t pageCount = H / 8; // whole pages; a partial one may follow

    // Room for one piece and a stretch, or for the whole text when that is smaller (at
    // most seven characters a byte, line ends included).
    const std::size_t dataBytes = static_cast<std::size_t>(W) * 7 * (static_cast<std::size_t>(pageCount) + 1);
    HeaderText out(std::min(HeaderText::pieceSize + 7 * static_cast<std::size_t>(stretch), dataBytes) + 512, flush);
    putPreamble(out, upper, arrayName(baseName), W, H, attribute);
    packBands(bitmap, pageColumns(), [&](std::int64_t page, const std::uint8_t* bytes) {
        if (page < pageCount) {
            putBytes<true>(out, bytes, 0, W);
            out.put("\n");
            return;
        }
        // The partial page goes on one line, with no separator after its last byte.
        putBytes<false>(out, bytes, 0, W - 1);
        std::memcpy(out.room(4), byteTexts[bytes[W - 1]].data(), 4);
        out.advance(4);
        out.put("\n");
    });
    out.put("};\n");
    out.put("#endif  //define _" + upper + "_H \n");
    out.finish();
}

} // namespace

std::string pageColumnHeaderText(const BitPicture& bitmap, const std::string& baseName, ArrayAttribute attribute)
{
    std::string text;
    generateHeader(bitmap, baseName, attribute, [&](const char* piece, std::size_t size) { text.append(piece, size); });
    return text;
}

bool writePageColumnHeader(const BitPicture& bitmap, std::string baseName, ArrayAttribute attribute, bool verbose)
{
    const std::string headerName = baseName + ".h";
    return writePageColumnHeaderTo(bitmap, baseName, headerName, attribute, verbose);
}

bool writePageColumnHeaderTo(const BitPicture& bitmap, const std::string& baseName, const std::string& headerName,
                             ArrayAttribute attribute, bool verbose)
{
    std::FILE* file = openFile(headerName.c_str(), "w");
    if (!file)
        return false;
    if (verbose)
        writeOut("writing header file as  \"" + headerName + "\"\n");

    bool written = true;
    generateHeader(bitmap, baseName, attribute, [&](const char* piece, std::size_t size) {
        written = std::fwrite(piece, 1, size, file) == size && written;
    });
    const bool streamOk = written && std::ferror(file) == 0;
    const bool closed = std::fclose(file) == 0;
    if (!streamOk || !closed) {
        removeFile(headerName.c_str()); // never leave a truncated header behind
        return false;
    }
    noteHeaderPicture(bitmap);
    return true;
}

BitPicture displayBits(const Bitmap& bitmap)
{
    BitPicture bits;
    bits.setDimensions(bitmap.width, bitmap.height);
    for (std::int32_t y = 0; y < bitmap.height; ++y)
        bmp::packBits(bitmap.rowData(y), 0, bitmap.width, bits.row(y), whiteOnDisplay);
    return bits;
}

std::string pageColumnHeaderText(const Bitmap& bitmap, const std::string& baseName, ArrayAttribute attribute)
{
    return pageColumnHeaderText(displayBits(bitmap), baseName, attribute);
}

bool writePageColumnHeader(const Bitmap& bitmap, std::string baseName, ArrayAttribute attribute, bool verbose)
{
    return writePageColumnHeader(displayBits(bitmap), std::move(baseName), attribute, verbose);
}

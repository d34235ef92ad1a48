// SPDX-License-Identifier: MIT
#include "bmp_header.h"

#include "bitmap.h"
#include "bmp_format.h"
#include "diagnostics.h"

#include <algorithm>
#include <string>
#include <type_traits>
#include <utility>

namespace {

// Reads one item of n bytes unless the end of the file was already reached. Bytes of an
// item cut short by the end of the file still land at the front of the buffer.
bool safeRead(std::FILE* file, void* buffer, std::size_t n)
{
    if (std::feof(file))
        return false;
    return std::fread(buffer, 1, n, file) == n;
}

// Reads and discards count bytes, a piece at a time, stopping at the end of the file.
void skipBytes(std::FILE* file, std::int64_t count)
{
    std::uint8_t scratch[4096];
    while (count > 0 && !std::feof(file)) {
        const std::size_t piece = static_cast<std::size_t>(std::min<std::int64_t>(count, sizeof scratch));
        if (std::fread(scratch, 1, piece, file) != piece)
            break;
        count -= static_cast<std::int64_t>(piece);
    }
}

// Both header records from their 54 bytes, field by field in file order.
void decodeRecords(const std::uint8_t* bytes, BmpFileHeader& fh, BmpInfoHeader& ih)
{
    bmp::forEachField(fh, ih, [&](auto& value) {
        using T = std::remove_reference_t<decltype(value)>;
        value = static_cast<T>(sizeof(T) == 2 ? bmp::readU16(bytes) : bmp::readU32(bytes));
        bytes += sizeof(T);
    });
}

// The checks of the records, in order; the first that fails prints its message.
bool acceptable(const BmpInfoHeader& ih, const std::string& name)
{
    const std::uint16_t bits = ih.biBitCount;
    if (ih.biCompression == bmp::biRle8 || ih.biCompression == bmp::biRle4)
        pictureError({name + " is (RLE) compressed.", "Picture does not support compression."});
    else if (ih.biCompression > bmp::biBitfields)
        pictureError({name + " is in an unsupported format.",
                      "(bmih.biCompression = " + std::to_string(ih.biCompression) + ")",
                      "The file is probably an old OS2 bitmap or corrupted."});
    else if (ih.biCompression == bmp::biBitfields && bits != 16)
        pictureError({name + " uses bit fields and is not a", "16-bit file. This is not supported."});
    else if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        pictureError({name + " has unrecognized bit depth."});
    else if (ih.biWidth < 1 || ih.biHeight < 1)
        pictureError({name + " has a non-positive width or height."});
    else if (std::int64_t{ih.biWidth} * ih.biHeight > Bitmap::maxPixels) // refused before any allocation
        pictureError({name + " is larger than " + std::to_string(Bitmap::maxPixels) + " pixels."});
    else
        return true;
    return false;
}

// Reads the entries the file holds (as many as fit before bfOffBits) and pads the table
// with white. Returns the bytes between the table and the rows.
std::int64_t readColorTable(std::FILE* in, const BmpInfoHeader& ih, std::int64_t offBits, std::vector<Pixel>& table,
                            bool& shortTable)
{
    // A longer info header (V4, V5) comes before the colour table.
    std::int64_t tableStart = bmp::headersSize;
    const std::int64_t longHeaderEnd = bmp::fileHeaderSize + std::int64_t{ih.biSize};
    if (ih.biSize > bmp::infoHeaderSize && longHeaderEnd <= offBits) {
        skipBytes(in, longHeaderEnd - bmp::headersSize);
        tableStart = longHeaderEnd;
    }
    const std::int64_t fullTable = std::int64_t{1} << ih.biBitCount;
    const std::int64_t present = std::clamp<std::int64_t>((offBits - tableStart) / 4, 0, fullTable);
    shortTable = present < fullTable;
    // An entry the file ends before, or inside, keeps (the rest of) the standard palette's.
    Bitmap standard;
    standard.setBitDepth(ih.biBitCount);
    table = std::move(standard.colorTable);
    for (std::int64_t i = 0; i < fullTable; ++i) {
        Pixel& entry = table[static_cast<std::size_t>(i)];
        std::uint8_t bytes[4] = {entry.blue, entry.green, entry.red, entry.alpha};
        if (i < present)
            safeRead(in, bytes, sizeof bytes);
        entry = i < present ? Pixel{bytes[0], bytes[1], bytes[2], bytes[3]} : whitePixel;
    }
    // A short table that ends one to three bytes before the pixel data: those bytes are no
    // whole entry, and the rows still begin at bfOffBits.
    if (present < fullTable && offBits > tableStart)
        skipBytes(in, (offBits - tableStart) % 4);
    return offBits - tableStart - 4 * fullTable;
}

// The masks follow the info header; only the low half of each counts. Returns the bytes
// between them and the rows.
std::int64_t readMasks(std::FILE* in, const BmpInfoHeader& ih, std::int64_t offBits, WordLayout& words)
{
    if (ih.biCompression != bmp::biBitfields)
        return offBits - bmp::headersSize;
    std::uint8_t bytes[bmp::maskBlockSize] = {};
    safeRead(in, bytes, sizeof bytes); // a block cut short leaves no pixel data to decode
    for (int c = 0; c < 3; ++c)
        words.masks[c] = bmp::readU16(bytes + 4 * c);
    return offBits - bmp::headersSize - bmp::maskBlockSize;
}

} // namespace

Pixel WordLayout::pixel(std::uint16_t word) const
{
    auto channel = [&](int c) {
        return static_cast<std::uint8_t>((((word & masks[c]) >> downShifts[c]) << upShifts[c]) * 8);
    };
    return Pixel{channel(2), channel(1), channel(0), 0};
}

// A mask above 31 is shifted down until it is 31 or less; one below 16 is shifted up until
// it is 16 or more. A narrow channel in the low bits then scales like the same channel in
// the high bits: 0x000F becomes 0x1E, as 0x0F00 does.
void WordLayout::placeMasks()
{
    for (int c = 0; c < 3; ++c) {
        unsigned mask = masks[c];
        downShifts[c] = upShifts[c] = 0;
        for (; mask > 31; mask >>= 1)
            ++downShifts[c];
        for (; mask != 0 && mask < 16; mask <<= 1)
            ++upShifts[c];
    }
}

void printHeaderWarnings(const HeaderWarnings& warnings)
{
    if (warnings.shortTable)
        pictureWarning({"file " + warnings.name + " has an underspecified",
                        "color table. The table will be padded with extra", "white (255,255,255,0) entries."});
    if (warnings.extraData)
        pictureWarning({"Extra meta data detected in file " + warnings.name, "Data will be skipped."});
}

HeaderOutcome readBmpHeader(const char* path, BmpFile& file)
{
    const std::string name(path); // as the caller gave it
    file.stream.reset(openFile(path, "rb"));
    if (!file.stream) {
        pictureError({"Cannot open file " + name + " for input."});
        return HeaderOutcome::unreadable;
    }
    std::FILE* in = file.stream.get();
    // The bytes that arrive overlay a preset signature: an empty file, or a lone "B", goes
    // on to be reported as corrupted.
    std::uint8_t bytes[bmp::headersSize] = {'B', 'M'};
    const std::size_t signatureBytes = std::fread(bytes, 1, 2, in);
    if (bmp::readU16(bytes) != bmp::signature) {
        pictureError({name + " is not a Windows BMP file!"});
        return HeaderOutcome::notBmp;
    }
    if (signatureBytes < 2 || !safeRead(in, bytes + 2, sizeof bytes - 2)) {
        pictureError({name + " is obviously corrupted."});
        return HeaderOutcome::unreadable;
    }
    BmpFileHeader fh;
    BmpInfoHeader ih;
    decodeRecords(bytes, fh, ih);
    StoredPicture& p = file.picture;
    p.horizontalResolution = ih.biXPelsPerMeter;
    p.verticalResolution = ih.biYPelsPerMeter;
    if (!acceptable(ih, name))
        return HeaderOutcome::rejected;
    p.width = ih.biWidth;
    p.height = ih.biHeight;
    p.depth = ih.biBitCount;
    p.stride = static_cast<std::size_t>(bmp::rowStride(p.width, p.depth));
    p.words = WordLayout{{bmp::red555, bmp::green555, bmp::blue555}, {}, {}};
    // The offset of the pixel data is taken as a signed number.
    const std::int64_t offBits = static_cast<std::int32_t>(fh.bfOffBits);
    HeaderWarnings& warnings = file.warnings;
    std::int64_t extraBytes = p.depth <= 8    ? readColorTable(in, ih, offBits, p.colorTable, warnings.shortTable)
                              : p.depth == 16 ? readMasks(in, ih, offBits, p.words)
                                              : offBits - bmp::headersSize;
    warnings.name = name;
    warnings.extraData = extraBytes > 0;
    if (warnings.extraData)
        skipBytes(in, extraBytes);
    p.words.placeMasks();
    file.size = regularFileSize(in);
    file.rowsStart = file.size >= 0 ? streamPosition(in) : -1;
    return HeaderOutcome::accepted;
}

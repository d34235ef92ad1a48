// SPDX-License-Identifier: MIT
// Bitmap::save and the row encoders.
#include "bit_picture.h"
#include "bitmap.h"
#include "bmp_format.h"
#include "diagnostics.h"
#include "file_stream.h"
#include "indexed_rows.h"
#include "nearest_color.h"
#include "true_color_rows.h"
#include "vector_kernels.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <unistd.h> // ftruncate
#endif

namespace {

std::int32_t resolutionForFile(std::int32_t value)
{
    return value == 0 ? bmp::defaultResolution : value;
}

// The 54 header bytes, field by field in file order.
void encodeHeaders(std::uint8_t* p, const BmpFileHeader& fh, const BmpInfoHeader& ih)
{
    bmp::forEachField(fh, ih, [&](auto value) {
        if (sizeof value == 2)
            bmp::writeU16(p, static_cast<std::uint16_t>(value));
        else
            bmp::writeU32(p, static_cast<std::uint32_t>(value));
        p += sizeof value;
    });
}

void pack1BitRow(const Pixel* in, std::int32_t width, std::uint8_t* buffer, NearestColor& nearest)
{
    if (nearest.blackAndWhite())
        packBlackWhiteRow(in, width, buffer);
    else
        bmp::packBits(in, 0, width, buffer, [&](const Pixel& p) { return nearest(p); });
}

} // namespace

bool Bitmap::write1BitRow(std::uint8_t* buffer, std::size_t length, std::int32_t row) const
{
    if (static_cast<std::uint64_t>(width) > 8 * static_cast<std::uint64_t>(length))
        return false;
    NearestColor nearest(*this);
    // A row outside the picture is clamped to the nearest one, with pixelAt's warning.
    pack1BitRow(&pixelAt(0, row), width, buffer, nearest);
    return true;
}

namespace {

// Everything before the rows: the headers, then the colour table or the 16-bit masks.
std::vector<std::uint8_t> fileHead(std::int32_t width, std::int32_t height, std::int32_t d, const std::vector<Pixel>& table,
                                   std::int32_t horizontal, std::int32_t vertical, std::int64_t imageBytes)
{
    const std::int64_t tableBytes = !table.empty() ? 4 * std::int64_t{powerOfTwo(d)} : d == 16 ? bmp::maskBlockSize : 0;
    const std::int64_t offset = bmp::headersSize + tableBytes;
    BmpFileHeader fh;
    fh.bfSize = static_cast<std::uint32_t>(imageBytes + offset);
    fh.bfOffBits = static_cast<std::uint32_t>(offset);
    BmpInfoHeader ih;
    ih.biSize = static_cast<std::uint32_t>(bmp::infoHeaderSize);
    ih.biWidth = width;
    ih.biHeight = height; // positive: the bottom row is stored first
    ih.biBitCount = static_cast<std::uint16_t>(d);
    ih.biCompression = d == 16 ? bmp::biBitfields : bmp::biRgb;
    ih.biSizeImage = static_cast<std::uint32_t>(imageBytes);
    ih.biXPelsPerMeter = resolutionForFile(horizontal);
    ih.biYPelsPerMeter = resolutionForFile(vertical);

    std::vector<std::uint8_t> head(static_cast<std::size_t>(offset));
    encodeHeaders(head.data(), fh, ih);
    std::uint8_t* tail = head.data() + bmp::headersSize;
    if (!table.empty()) {
        // The table is public and may have been given more entries than the depth holds:
        // the file has room for the depth's own number only.
        const std::size_t room = static_cast<std::size_t>(tableBytes) / sizeof(Pixel);
        std::memcpy(tail, table.data(), std::min(table.size(), room) * sizeof(Pixel));
    } else if (d == 16) {
        bmp::writeU32(tail + 0, bmp::red565);
        bmp::writeU32(tail + 4, bmp::green565);
        bmp::writeU32(tail + 8, bmp::blue565);
    }
    return head;
}

// Writes the rows bottom first, each from rowAt(y, buffer), which returns the bytes to
// write. Rows of 16 bits are checked with the stream at the end only. False, with the
// message, where a row is not written.
template <typename RowAt>
bool writeRows(std::FILE* out, std::int32_t height, std::int32_t d, std::size_t rowBytes, RowAt& rowAt)
{
    // Cleared once: padding and the unused low bits of a last byte stay zero.
    std::vector<std::uint8_t> buffer(rowBytes, 0);
    for (std::int32_t y = height - 1; y >= 0; --y) {
        const std::uint8_t* row = rowAt(y, buffer.data());
        if (d == 16) {
            std::fwrite(row, 1, rowBytes, out); // checked with the stream at the end
            continue;
        }
        if (std::fwrite(row, 1, rowBytes, out) != rowBytes) {
            pictureError({"Could not write proper amount of data."});
            return false;
        }
    }
    return true;
}

// Writes a whole file of `d` bits a pixel, its rows from rowAt (see writeRows).
template <typename RowAt>
bool writeBmpFile(const char* path, std::int32_t width, std::int32_t height, std::int32_t d, const std::vector<Pixel>& table,
                  std::int32_t horizontal, std::int32_t vertical, RowAt rowAt)
{
    std::unique_ptr<char[]> streamBuffer; // outlives the stream that uses it
    FilePtr file(openFile(path, "wb"));
    if (!file) {
        pictureError({"Cannot open file " + std::string(path) + " for output."});
        return false;
    }
    std::FILE* out = file.get();

    const std::int64_t rowBytes = bmp::rowStride(width, d);
    const std::vector<std::uint8_t> head = fileHead(width, height, d, table, horizontal, vertical, rowBytes * height);
    // Rows of a 1-bit picture are a few hundred bytes: a stream buffer of up to 256 KiB
    // turns a thousand small writes into a handful.
    const std::int64_t fileBytes = static_cast<std::int64_t>(head.size()) + rowBytes * height;
    const auto streamBytes = static_cast<std::size_t>(std::clamp<std::int64_t>(fileBytes, BUFSIZ, 256 << 10));
    streamBuffer.reset(new char[streamBytes]);
    std::setvbuf(out, streamBuffer.get(), _IOFBF, streamBytes);
#ifdef __EMSCRIPTEN__
    // The browser's in-memory file system grows a file by an eighth at a time, copying it
    // each time: a 72 MB picture would be copied some 36 times. The file gets its size at
    // once; a failed write still ends in the message below.
    const int sized = ftruncate(fileno(out), static_cast<off_t>(fileBytes));
    (void)sized;
#endif
    std::fwrite(head.data(), 1, head.size(), out);

    const bool reported = !writeRows(out, height, d, static_cast<std::size_t>(rowBytes), rowAt);
    const bool streamFailed = std::ferror(out) != 0;
    const bool closeFailed = std::fclose(file.release()) != 0;
    if ((streamFailed || closeFailed) && !reported) {
        pictureError({"Could not write proper amount of data."});
        return false;
    }
    return !reported;
}

// Packs items into a 4-bit row, indexOf(item) each: two a byte, the leftmost in the high
// nibble; an odd last item leaves the low nibble 0.
template <typename Item, typename IndexOf>
void packNibbles(const Item* in, std::int32_t width, std::uint8_t* out, IndexOf indexOf)
{
    for (std::int32_t x = 0; x < width; x += 2) {
        const std::uint8_t low = x + 1 < width ? indexOf(in[x + 1]) : 0;
        out[x / 2] = static_cast<std::uint8_t>(indexOf(in[x]) << 4 | low);
    }
}

} // namespace

bool Bitmap::save(const char* path) const
{
    const std::int32_t d = bitsPerPixel;
    NearestColor nearest(*this);
    return writeBmpFile(path, width, height, d, colorTable, horizontalResolution, verticalResolution,
                        [&](std::int32_t y, std::uint8_t* b) -> const std::uint8_t* {
        const Pixel* in = rowData(y);
        switch (d) {
        case 32:
            std::memcpy(b, in, static_cast<std::size_t>(width) * sizeof(Pixel));
            break;
        case 24:
            for (std::int32_t x = 0; x < width; ++x) {
                b[3 * x] = in[x].blue;
                b[3 * x + 1] = in[x].green;
                b[3 * x + 2] = in[x].red;
            }
            break;
        case 16:
            // Five bits red, six green, five blue; low bits are dropped.
            for (std::int32_t x = 0; x < width; ++x)
                bmp::writeU16(b + 2 * x, static_cast<std::uint16_t>((in[x].red >> 3) * 2048 + (in[x].green >> 2) * 32 +
                                                                     (in[x].blue >> 3)));
            break;
        case 8:
            for (std::int32_t x = 0; x < width; ++x)
                b[x] = nearest(in[x]);
            break;
        case 4:
            packNibbles(in, width, b, [&](const Pixel& p) { return nearest(p); });
            break;
        case 1:
            pack1BitRow(in, width, b, nearest);
            break;
        }
        return b;
    });
}

bool BitPicture::save(const char* path) const
{
    static const std::vector<Pixel> blackWhite = {blackPixel, whitePixel};
    return writeBmpFile(path, w, h, 1, blackWhite, 0, 0,
                        [&](std::int32_t y, std::uint8_t*) -> const std::uint8_t* { return row(y); });
}

bool saveTrueColorRows(const char* path, std::int32_t width, std::int32_t height,
                       const std::function<void(std::int32_t y, std::uint8_t* row)>& fillRow)
{
    static const std::vector<Pixel> noTable;
    return writeBmpFile(path, width, height, 24, noTable, 0, 0, [&](std::int32_t y, std::uint8_t* b) {
        fillRow(y, b);
        return static_cast<const std::uint8_t*>(b);
    });
}

bool saveFourBitIndexes(const char* path, std::int32_t width, std::int32_t height, const std::vector<Pixel>& table,
                        const std::function<const std::uint8_t*(std::int32_t y)>& indexesOf)
{
    return writeBmpFile(path, width, height, 4, table, 0, 0, [&](std::int32_t y, std::uint8_t* b) {
        packNibbles(indexesOf(y), width, b, [](std::uint8_t index) { return static_cast<std::uint8_t>(index & 15); });
        return static_cast<const std::uint8_t*>(b);
    });
}

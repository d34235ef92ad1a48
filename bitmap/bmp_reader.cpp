// SPDX-License-Identifier: MIT
// The row stage of the BMP reader: the stored rows as they stand in the file, the decoder
// of each depth, and the pictures they go into (the whole grid, sampled rows and columns,
// bits). The header stage is in bmp_header.cpp.
#include "bit_picture.h"
#include "bitmap.h"
#include "bmp_format.h"
#include "bmp_header.h"
#include "diagnostics.h"
#include "vector_kernels.h"

#include <algorithm>
#include <cstring>

static_assert(sizeof(Pixel) == 4, "a Pixel is the four bytes of a 32-bit BMP pixel");

namespace {

// The bytes of stored rows. Stored row k holds picture row height - 1 - k: rows are stored
// bottom-up. A regular file is read with positioned reads, at the rows asked for, a run of
// rows that follow one another a piece; anything else (a pipe) front to back, past the rows
// not asked for. The size of a regular file and where its rows start are taken at the end of
// the header; a read that comes back short of that size (the file shrank) ends the data
// there, as the end of a stream does.
class StoredRows {
public:
    explicit StoredRows(const BmpFile& file)
        : in(file.stream.get()), height(file.picture.height), stride(file.picture.stride),
          pieceBytes(file.pieceBytes), buffer(stride), current(buffer.data()), start(file.rowsStart)
    {
        const std::int64_t all = height * static_cast<std::int64_t>(stride);
        seekable = start >= 0 && file.size <= farthestOffset() && start + all <= farthestOffset();
        dataBytes = seekable ? std::clamp<std::int64_t>(file.size - start, 0, all) : 0;
    }

    // Reads stored row k and returns the bytes that arrived, 0 past the end of the data;
    // `run` rows from k on are asked for one after another. A regular file takes the rows
    // in any order; from a stream, k grows from call to call.
    std::size_t read(std::int64_t k, std::int64_t run)
    {
        if (!seekable)
            return readOn(k);
        if (k < first || k >= first + heldRows)
            fetch(k, run);
        const std::int64_t at = (k - first) * static_cast<std::int64_t>(stride);
        current = buffer.data() + at;
        return static_cast<std::size_t>(std::clamp<std::int64_t>(heldBytes - at, 0, static_cast<std::int64_t>(stride)));
    }

    // The bytes of the row read last: a stride, led by those that arrived.
    std::uint8_t* data() { return current; }
    std::int64_t rowsPerPiece() const { return std::max<std::int64_t>(static_cast<std::int64_t>(pieceBytes / stride), 1); }
    // Whether the end of the data is known before it is read, and the rows it holds in full.
    bool knowsEnd() const { return seekable; }
    std::int64_t wholeRows() const { return dataBytes / static_cast<std::int64_t>(stride); }

    // After the last row asked for: true when the file held every row in full. A stream
    // is read past the rest for this.
    bool complete()
    {
        if (!seekable)
            readOn(height - 1);
        return seekable ? wholeRows() == height : !ended;
    }

private:
    // Rows k .. k + run - 1, as far as a piece and the data reach, in one system call.
    void fetch(std::int64_t k, std::int64_t run)
    {
        const auto s = static_cast<std::int64_t>(stride);
        const std::int64_t rows = std::clamp<std::int64_t>(std::min(run, rowsPerPiece()), 1, height - k);
        const std::int64_t wanted = std::clamp<std::int64_t>(dataBytes - k * s, 0, rows * s);
        buffer.resize(static_cast<std::size_t>(rows) * stride);
        first = k;
        heldRows = rows;
        heldBytes = wanted > 0 ? static_cast<std::int64_t>(readAt(in, start + k * s, buffer.data(), static_cast<std::size_t>(wanted))) : 0;
        if (heldBytes < wanted) // the file shrank: its data ends here
            dataBytes = k * s + heldBytes;
    }

    // Front to back: reads up to row k. Once the data has ended, every row is empty.
    std::size_t readOn(std::int64_t k)
    {
        current = buffer.data();
        std::size_t got = 0;
        for (; next <= k && !ended; ++next)
            ended = (got = std::fread(buffer.data(), 1, stride, in)) != stride;
        return next == k + 1 ? got : 0;
    }

    std::FILE* in;
    std::int64_t height;
    std::size_t stride;
    std::size_t pieceBytes;
    std::vector<std::uint8_t> buffer;
    std::uint8_t* current;
    bool seekable = false;
    std::int64_t start;       // where row 0 starts in a regular file, else -1
    std::int64_t dataBytes = 0; // of the rows, in a regular file
    std::int64_t first = 0;   // rows first .. first + heldRows - 1 are in the buffer
    std::int64_t heldRows = 0;
    std::int64_t heldBytes = 0;
    std::int64_t next = 0;    // front to back: the next row in the stream
    bool ended = false;
};

// Decodes a stored row into `out`: all of its pixels, or, given `columns`, pixel
// columns[c] into out[c]. This is the one decoder of each depth.
void decodeRow(const StoredPicture& picture, const std::uint8_t* row, const std::vector<std::int32_t>* columns,
               Pixel* out)
{
    const std::int32_t width = picture.width;
    const Pixel* table = picture.colorTable.data();
    auto each = [&](auto pixelOf) {
        if (columns)
            for (std::size_t c = 0; c < columns->size(); ++c)
                out[c] = pixelOf((*columns)[c]);
        else
            for (std::int32_t x = 0; x < width; ++x)
                out[x] = pixelOf(x);
    };
    switch (picture.depth) {
    case 1:
        if (!columns)
            return expandOneBitRow(row, width, table[0], table[1], out);
        return each([&](std::int32_t x) { return table[bmp::index1(row, x)]; });
    case 4:
        return each([&](std::int32_t x) { return table[bmp::index4(row, x)]; });
    case 8:
        return each([&](std::int32_t x) { return table[row[x]]; });
    case 16:
        return each([&](std::int32_t x) { return picture.words.pixel(bmp::readU16(row + 2 * x)); });
    case 24:
        if (!columns)
            return expand24BitRow(row, width, out);
        return each([&](std::int32_t x) { return bmp::colour24(row, x); });
    default: // 32: the four bytes of a pixel are a Pixel
        if (columns)
            return each([&](std::int32_t x) { return bmp::colour32(row, x); });
        std::memcpy(out, row, static_cast<std::size_t>(width) * sizeof(Pixel));
    }
}

// At 16 bits a pixel past the end of the data repeats the last word, and a word cut short
// keeps the high byte of the word before; before any word, a word is 0. Given each row
// read, in file order, with the bytes that arrived, this writes those words into the
// missing part, so that the row decodes as a whole one; `last` carries the low and the
// high byte of the last word from row to row. Of the rows before the end of the data, only
// the last whole one and the one cut short need to pass through.
void completeWords(std::uint8_t* row, std::size_t got, std::size_t wordBytes, std::uint8_t last[2])
{
    if (got >= wordBytes) {
        last[0] = row[wordBytes - 2];
        last[1] = row[wordBytes - 1];
        return;
    }
    for (std::size_t at = 0; at < wordBytes; ++at) {
        if (at < got)
            last[at % 2] = row[at];
        else
            row[at] = last[at % 2];
    }
}

// Reads the stored rows storedRow(0) < storedRow(1) < ... < storedRow(count - 1) and hands
// each to take(i, row, repeated): its bytes, or nullptr for a row that the data ends before or
// inside, which the destination makes white. At 16 bits every row has bytes (completeWords),
// and `repeated` says that they are those of the row handed over before.
// Where the data ends short, load's message is printed; at 16 bits none is.
template <typename StoredRow, typename Take>
void readRows(BmpFile& file, std::int64_t count, StoredRow storedRow, Take take)
{
    StoredRows rows(file);
    const bool words = file.picture.depth == 16;
    std::uint8_t last[2] = {0, 0};
    std::int64_t visited = -1, runEnd = 0;
    std::size_t previousGot = 1; // of the row handed over before
    auto visit = [&](std::int64_t k, std::int64_t run) {
        const std::size_t got = rows.read(k, run);
        if (words)
            completeWords(rows.data(), got, 2 * static_cast<std::size_t>(file.picture.width), last);
        visited = k;
        return got;
    };
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t k = storedRow(i);
        if (words) {
            // The rows that decide the word repeated past the end pass through the carry
            // first: from a stream every row, from a file the last whole row and the next.
            const std::int64_t end = rows.knowsEnd() ? rows.wholeRows() : k;
            for (std::int64_t j = std::max(visited + 1, rows.knowsEnd() ? end - 1 : 0); j < std::min(k, end + 1); ++j)
                visit(j, 1);
        }
        // Rows asked for that follow one another in the file are read in one piece.
        for (runEnd = std::max(runEnd, i + 1);
             runEnd < count && runEnd - i < rows.rowsPerPiece() && storedRow(runEnd) == storedRow(runEnd - 1) + 1;)
            ++runEnd;
        const std::size_t got = visit(k, runEnd - i);
        // At 16 bits, rows past the end of the data are all the same words.
        const bool repeated = words && got == 0 && previousGot == 0;
        previousGot = got;
        take(i, words || got == file.picture.stride ? rows.data() : nullptr, repeated);
    }
    if (!words && !rows.complete())
        pictureError({"Could not read proper amount of data."});
}

// A sampling list a picture can be made of: not empty, increasing, inside 0 .. size - 1.
bool increasingWithin(const std::vector<std::int32_t>& list, std::int32_t size)
{
    if (list.empty() || list.front() < 0 || list.back() >= size)
        return false;
    return std::adjacent_find(list.begin(), list.end(), [](std::int32_t a, std::int32_t b) { return a >= b; }) ==
           list.end();
}

// The row decoders are public. A row the picture does not hold, or a colour table too
// short for the depth's indices, goes through pixelAt and paletteColor, which clamp the
// row and answer a bad index with white, each with its warning, instead of reaching past
// the grid or the table.
bool decodePublicRow(Bitmap& b, std::int32_t depth, const std::uint8_t* buffer, std::int32_t row)
{
    const std::size_t entries = depth <= 8 ? std::size_t{1} << depth : 0;
    if (row >= 0 && row < b.height && b.colorTable.size() >= entries) {
        decodeRow(StoredPicture{b.width, b.height, depth, b.colorTable}, buffer, nullptr, b.rowData(row));
        return true;
    }
    for (std::int32_t x = 0; x < b.width; ++x) {
        auto colour = [&] {
            if (depth > 8)
                return depth == 24 ? bmp::colour24(buffer, x) : bmp::colour32(buffer, x);
            return b.paletteColor(depth == 1 ? bmp::index1(buffer, x) : depth == 4 ? bmp::index4(buffer, x) : buffer[x]);
        };
        b.pixelAt(x, row) = colour(); // the colour's warning, then the row's
    }
    return true;
}

} // namespace

bool Bitmap::read1BitRow(const std::uint8_t* buffer, std::size_t bufferSize, std::int32_t row)
{
    if (8 * static_cast<std::uint64_t>(bufferSize) < static_cast<std::uint64_t>(width))
        return false;
    return decodePublicRow(*this, 1, buffer, row);
}

bool Bitmap::read4BitRow(const std::uint8_t* buffer, std::int32_t row)
{
    return decodePublicRow(*this, 4, buffer, row);
}

bool Bitmap::read8BitRow(const std::uint8_t* buffer, std::int32_t row)
{
    return decodePublicRow(*this, 8, buffer, row);
}

bool Bitmap::read24BitRow(const std::uint8_t* buffer, std::int32_t row)
{
    return decodePublicRow(*this, 24, buffer, row);
}

bool Bitmap::read32BitRow(const std::uint8_t* buffer, std::int32_t row)
{
    return decodePublicRow(*this, 32, buffer, row);
}

bool Bitmap::load(const char* path)
{
    BmpFile file;
    if (!loadHeader(path, file))
        return false;
    loadPixels(file);
    return true;
}

bool Bitmap::loadHeader(const char* path, BmpFile& file)
{
    const HeaderOutcome outcome = readBmpHeader(path, file);
    if (outcome == HeaderOutcome::notBmp)
        return false;
    if (outcome != HeaderOutcome::unreadable) {
        horizontalResolution = file.picture.horizontalResolution;
        verticalResolution = file.picture.verticalResolution;
    }
    if (outcome != HeaderOutcome::accepted) {
        becomeEmpty();
        return false;
    }
    setBitDepth(file.picture.depth);
    colorTable = file.picture.colorTable;
    return true;
}

namespace {

// The rows of `sampling` (every row and column without it) decoded where destination(k)
// says, k being a row's place in the list, and done(k, held) called after each, from the
// bottom row up. A list of every column is read as whole rows. The header's warnings come
// first.
template <typename Destination, typename Done>
void decodeRows(BmpFile& file, const PictureSampling* sampling, Destination destination, Done done)
{
    const StoredPicture& stored = file.picture;
    const std::int64_t count = sampling ? static_cast<std::int64_t>(sampling->rows.size()) : stored.height;
    const std::vector<std::int32_t>* columns =
        sampling && sampling->columns.size() != static_cast<std::size_t>(stored.width) ? &sampling->columns : nullptr;
    printHeaderWarnings(file.warnings);
    // The rows are read bottom-up, as they are stored.
    auto place = [&](std::int64_t i) { return static_cast<std::int32_t>(count - 1 - i); };
    auto storedRow = [&](std::int64_t i) -> std::int64_t {
        return stored.height - 1 - (sampling ? sampling->rows[static_cast<std::size_t>(place(i))] : place(i));
    };
    const std::size_t rowPixels = columns ? columns->size() : static_cast<std::size_t>(stored.width);
    readRows(file, count, storedRow, [&](std::int64_t i, const std::uint8_t* row, bool repeated) {
        const std::int32_t k = place(i);
        if (repeated) {
            const Pixel* before = destination(k + 1);
            std::copy(before, before + rowPixels, destination(k));
        } else if (row) {
            decodeRow(stored, row, columns, destination(k));
        }
        done(k, row != nullptr);
    });
}

} // namespace

bool Bitmap::loadPixels(BmpFile& file, const PictureSampling* sampling)
{
    const StoredPicture& stored = file.picture;
    const bool sampled = sampling && increasingWithin(sampling->rows, stored.height) &&
                         increasingWithin(sampling->columns, stored.width);
    // Every pixel is decoded below, or made white where the data ends, so the grid is not
    // whitened first.
    if (sampled)
        resizeUnfilled(static_cast<std::int32_t>(sampling->columns.size()), static_cast<std::int32_t>(sampling->rows.size()));
    else
        resizeUnfilled(stored.width, stored.height);
    decodeRows(
        file, sampled ? sampling : nullptr, [&](std::int32_t k) { return rowData(k); },
        [&](std::int32_t k, bool held) {
            if (!held)
                std::fill(rowData(k), rowData(k) + width, whitePixel);
        });
    return sampled;
}

bool readSampledRows(BmpFile& file, const PictureSampling& sampling, RowSink& sink)
{
    if (!increasingWithin(sampling.rows, file.picture.height) || !increasingWithin(sampling.columns, file.picture.width))
        return false;
    decodeRows(
        file, &sampling, [&](std::int32_t k) { return sink.rowBuffer(k); },
        [&](std::int32_t k, bool held) { sink.rowDone(k, held); });
    return true;
}

bool Bitmap::loadBits(const char* path, BitPicture& bits, bool (*isSet)(const Pixel&))
{
    BmpFile file;
    if (!loadHeader(path, file))
        return false;
    const StoredPicture& stored = file.picture;
    const std::int32_t w = stored.width;
    bits.setDimensions(w, stored.height);
    printHeaderWarnings(file.warnings);
    // A 1-bit row maps straight onto bits: each stored bit stands for one of two entries.
    const bool oneBit = stored.depth == 1;
    const bool set0 = oneBit && isSet(stored.colorTable[0]);
    const bool set1 = oneBit && isSet(stored.colorTable[1]);
    const std::uint8_t whiteBits = isSet(whitePixel) ? 0xFF : 0; // of a row past the data
    const auto used = static_cast<std::size_t>(bmp::rowDataBytes(w, 1));
    const std::uint8_t lastMask = bmp::lastByteMask(w);
    std::vector<Pixel> pixels(oneBit ? 0 : static_cast<std::size_t>(w));
    readRows(file, stored.height, [](std::int64_t i) { return i; }, [&](std::int64_t k, const std::uint8_t* row, bool) {
        std::uint8_t* out = bits.row(static_cast<std::int32_t>(stored.height - 1 - k));
        if (row && oneBit && set1 && !set0) {
            std::memcpy(out, row, used); // the table black, white as the preview writes it
        } else if (oneBit || !row) {
            for (std::size_t b = 0; b < used; ++b)
                out[b] = row ? static_cast<std::uint8_t>((set1 ? row[b] : 0) | (set0 ? ~row[b] : 0)) : whiteBits;
        } else {
            decodeRow(stored, row, nullptr, pixels.data());
            bmp::packBits(pixels.data(), 0, w, out, isSet);
        }
        out[used - 1] &= lastMask;
    });
    return true;
}

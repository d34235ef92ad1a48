// SPDX-License-Identifier: MIT
// Bitmap::load and the row decoders.
#include "bit_picture.h"
#include "bitmap.h"
#include "bmp_format.h"
#include "diagnostics.h"
#include "file_stream.h"
#include "vector_kernels.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

static_assert(sizeof(Pixel) == 4, "a Pixel is the four bytes of a 32-bit BMP pixel");

namespace {

// Reads one item of n bytes unless the end of the file was already reached. Bytes of an
// item cut short by the end of the file still land at the front of the buffer.
bool safeRead(std::FILE* file, void* buffer, std::size_t n)
{
    if (std::feof(file))
        return false;
    return std::fread(buffer, 1, n, file) == n;
}

// Reads one little-endian header field in place. A field that is not read keeps its
// value; one cut short keeps its high bytes.
template <typename T>
bool readField(std::FILE* file, T& field)
{
    using U = std::make_unsigned_t<T>;
    std::uint8_t bytes[sizeof(T)];
    U value = static_cast<U>(field);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
    const bool ok = safeRead(file, bytes, sizeof(T));
    value = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        value = static_cast<U>(value | static_cast<U>(bytes[i]) << (8 * i));
    field = static_cast<T>(value);
    return ok;
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

// Reads both header records in file order. False if any field could not be read in full.
bool readHeaders(std::FILE* file, BmpFileHeader& fh, BmpInfoHeader& ih)
{
    bool ok = true;
    auto field = [&](auto& value) { ok = readField(file, value) && ok; };
    field(fh.bfSize);          //  2
    field(fh.bfReserved1);     //  6
    field(fh.bfReserved2);     //  8
    field(fh.bfOffBits);       // 10
    field(ih.biSize);          // 14
    field(ih.biWidth);         // 18
    field(ih.biHeight);        // 22
    field(ih.biPlanes);        // 26
    field(ih.biBitCount);      // 28
    field(ih.biCompression);   // 30
    field(ih.biSizeImage);     // 34
    field(ih.biXPelsPerMeter); // 38
    field(ih.biYPelsPerMeter); // 42
    field(ih.biClrUsed);       // 46
    field(ih.biClrImportant);  // 50
    return ok;
}

bool supportedDepth(std::uint16_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Number of single right shifts that bring a 16-bit mask down to 31 or less.
int maskShift(std::uint16_t mask)
{
    int shift = 0;
    while (mask > 31) {
        mask = static_cast<std::uint16_t>(mask >> 1);
        ++shift;
    }
    return shift;
}

void warnExtraData(const std::string& path)
{
    pictureWarning({"Extra meta data detected in file " + path, "Data will be skipped."});
}

// The row decoders are public. A row the picture does not hold, or a colour table too
// short for the row's indices, goes through pixelAt and paletteColor, which clamp the row
// and answer a bad index with white, each with its warning, instead of reaching past the
// grid or the table.
bool holdsRow(const Bitmap& b, std::int32_t row, std::size_t tableEntries)
{
    return row >= 0 && row < b.height && b.colorTable.size() >= tableEntries;
}

template <typename PixelOf>
bool decodeChecked(Bitmap& b, std::int32_t row, PixelOf pixelOf)
{
    for (std::int32_t x = 0; x < b.width; ++x)
        b.pixelAt(x, row) = pixelOf(x);
    return true;
}

} // namespace

bool Bitmap::read1BitRow(const std::uint8_t* buffer, std::size_t bufferSize, std::int32_t row)
{
    if (8 * static_cast<std::uint64_t>(bufferSize) < static_cast<std::uint64_t>(width))
        return false;
    if (!holdsRow(*this, row, 2))
        return decodeChecked(*this, row,
                             [&](std::int32_t x) { return paletteColor(bmp::index1(buffer, x)); });
    expandOneBitRow(buffer, width, colorTable[0], colorTable[1], rowData(row));
    return true;
}

bool Bitmap::read4BitRow(const std::uint8_t* buffer, std::int32_t row)
{
    if (!holdsRow(*this, row, 16))
        return decodeChecked(*this, row, [&](std::int32_t x) { return paletteColor(bmp::index4(buffer, x)); });
    Pixel* out = rowData(row);
    for (std::int32_t x = 0; x < width; ++x)
        out[x] = colorTable[bmp::index4(buffer, x)];
    return true;
}

bool Bitmap::read8BitRow(const std::uint8_t* buffer, std::int32_t row)
{
    if (!holdsRow(*this, row, 256))
        return decodeChecked(*this, row, [&](std::int32_t x) { return paletteColor(buffer[x]); });
    Pixel* out = rowData(row);
    for (std::int32_t x = 0; x < width; ++x)
        out[x] = colorTable[buffer[x]];
    return true;
}

bool Bitmap::read24BitRow(const std::uint8_t* buffer, std::int32_t row)
{
    if (!holdsRow(*this, row, 0))
        return decodeChecked(*this, row, [&](std::int32_t x) { return bmp::colour24(buffer, x); });
    expand24BitRow(buffer, width, rowData(row));
    return true;
}

bool Bitmap::read32BitRow(const std::uint8_t* buffer, std::int32_t row)
{
    if (!holdsRow(*this, row, 0))
        return decodeChecked(*this, row, [&](std::int32_t x) { return bmp::colour32(buffer, x); });
    std::memcpy(rowData(row), buffer, static_cast<std::size_t>(width) * sizeof(Pixel));
    return true;
}

namespace {

// Masks and shifts of the three channels of a 16-bit word: red, green, blue.
struct WordLayout {
    std::uint16_t masks[3] = {bmp::red555, bmp::green555, bmp::blue555};
    int shifts[3] = {0, 0, 0};
};

// One stored 16-bit row of which `got` bytes arrived. Where the data ends, the word cut
// short keeps the bytes that arrived, and every later pixel repeats the last word;
// `word` carries the last word from row to row.
void decode16BitRow(const std::uint8_t* buffer, std::size_t got, std::int32_t width, const WordLayout& l,
                    std::uint8_t word[2], Pixel* out)
{
    for (std::int32_t x = 0; x < width; ++x) {
        const std::size_t at = 2 * static_cast<std::size_t>(x);
        if (at < got)
            word[0] = buffer[at];
        if (at + 1 < got)
            word[1] = buffer[at + 1];
        const std::uint16_t value = bmp::readU16(word);
        out[x] = Pixel{static_cast<std::uint8_t>(((value & l.masks[2]) >> l.shifts[2]) * 8),
                       static_cast<std::uint8_t>(((value & l.masks[1]) >> l.shifts[1]) * 8),
                       static_cast<std::uint8_t>(((value & l.masks[0]) >> l.shifts[0]) * 8), 0};
    }
}

// Decodes one whole stored row of 1, 4, 8, 24 or 32 bits into row `row` of the Bitmap.
// False when the row is too short for the width.
bool decodeStoredRow(Bitmap& b, const std::uint8_t* data, std::size_t size, std::int32_t row)
{
    const auto width = static_cast<std::uint64_t>(b.width);
    switch (b.bitsPerPixel) {
    case 1: return b.read1BitRow(data, size, row);
    case 4: return 2 * static_cast<std::uint64_t>(size) >= width && b.read4BitRow(data, row);
    case 8: return size >= width && b.read8BitRow(data, row);
    case 24: return size >= 3 * width && b.read24BitRow(data, row);
    case 32: return size >= 4 * width && b.read32BitRow(data, row);
    }
    return true;
}

// The stored rows, in file order: stored row k holds picture row height - 1 - k. A row
// reads as the bytes the whole-file reader would have found there. A regular file is
// read at the rows asked for, each row with the rows asked for right after it in one
// piece; anything else is read front to back, past the rows not asked for.
class StoredRows {
public:
    StoredRows(std::FILE* file, std::int32_t rowCount, std::size_t rowStride)
        : in(file), height(rowCount), stride(rowStride), buffer(rowStride), current(buffer.data())
    {
        const std::int64_t size = regularFileSize(in);
        start = size >= 0 ? streamPosition(in) : -1;
        seekable = start >= 0 && size <= farthestOffset() &&
                   start + std::int64_t{height} * static_cast<std::int64_t>(stride) <= farthestOffset();
        if (seekable) {
            const std::int64_t data = std::max<std::int64_t>(size - start, 0);
            const std::int64_t s = static_cast<std::int64_t>(stride);
            whole = std::min<std::int64_t>(data / s, height);
            lastGot = whole < height ? static_cast<std::size_t>(data - whole * s) : 0;
        }
    }

    // Whole rows the file holds, when that is known before reading (a regular file).
    bool knowsEnd() const { return seekable; }
    std::int64_t wholeRows() const { return whole; }

    // Reads stored row k and returns the bytes that arrived, 0 for a row after the end of
    // the data. A regular file takes the rows in any order, and asks following(most) how
    // many rows from k on (1 to most) will be asked for one after another; otherwise k
    // never decreases from call to call.
    template <typename Following>
    std::size_t read(std::int64_t k, Following following)
    {
        if (!seekable)
            return readOn(k);
        if (k > whole || (k == whole && lastGot == 0))
            return 0;
        if (k < first || k >= first + held) {
            const std::int64_t s = static_cast<std::int64_t>(stride);
            const std::int64_t most = std::max<std::int64_t>(std::int64_t{pieceBytes} / s, 1);
            const std::int64_t rows = std::min<std::int64_t>(following(most), whole + 1 - k);
            const std::int64_t wanted = std::min(rows * s, whole * s + static_cast<std::int64_t>(lastGot) - k * s);
            buffer.resize(static_cast<std::size_t>(rows) * stride);
            first = k;
            held = rows;
            heldBytes = static_cast<std::int64_t>(readAt(in, start + k * s, buffer.data(), static_cast<std::size_t>(wanted)));
        }
        const std::int64_t at = (k - first) * static_cast<std::int64_t>(stride);
        current = buffer.data() + at;
        return static_cast<std::size_t>(std::clamp<std::int64_t>(heldBytes - at, 0, static_cast<std::int64_t>(stride)));
    }

    // Reads past the rows after the last one asked for, to find whether the data is cut
    // short there. True when every row was there.
    bool readRest()
    {
        if (seekable)
            return whole == height;
        readPast(height);
        return !ended;
    }

    // The bytes of the row read last.
    const std::uint8_t* data() const { return current; }

private:
    std::size_t readOn(std::int64_t k)
    {
        current = buffer.data();
        readPast(k);
        if (ended)
            return 0;
        ++next;
        const std::size_t got = std::fread(buffer.data(), 1, stride, in);
        ended = got != stride;
        return got;
    }

    // Reading front to back: reads past the rows before row k; once the data has ended
    // every row is empty.
    void readPast(std::int64_t k)
    {
        for (; next < k && !ended; ++next)
            ended = std::fread(buffer.data(), 1, stride, in) != stride;
    }

    static constexpr std::size_t pieceBytes = std::size_t{256} << 10;
    std::FILE* in;
    std::int64_t height;
    std::size_t stride;
    std::vector<std::uint8_t> buffer;
    const std::uint8_t* current = nullptr;
    bool seekable = false;
    std::int64_t start = -1;
    std::int64_t whole = 0;    // rows the file holds in full
    std::size_t lastGot = 0;   // bytes of the row cut short
    std::int64_t first = 0;    // rows first .. first + held - 1 are in the buffer
    std::int64_t held = 0;
    std::int64_t heldBytes = 0;
    std::int64_t next = 0;     // reading front to back: the next row in the stream
    bool ended = false;
};

// Reads the stored rows of `count` picture rows, rowAt(0) > rowAt(1) > ..., and hands
// each to take(y, raw, pixels): the stored bytes (nullptr for a row after the end of the
// data, which load makes white) and, when `decode` is set or the depth is 16, the row
// decoded into the one row of `scratch`, which has the stored width, depth and table.
// What load would print, is printed.
template <typename RowAt, typename Take>
void readStoredRows(std::FILE* in, Bitmap& scratch, std::int32_t height, const WordLayout& words,
                    std::int64_t count, RowAt rowAt, bool decode, Take take)
{
    const std::int32_t width = scratch.width;
    Pixel* pixels = scratch.rowData(0);
    const std::size_t stride = static_cast<std::size_t>(bmp::rowStride(width, scratch.bitsPerPixel));
    StoredRows rows(in, height, stride);
    auto storedIndex = [&](std::int64_t i) { return std::int64_t{height} - 1 - rowAt(i); };
    // How many of the rows asked for from the i-th on lie one after another in the file.
    auto following = [&](std::int64_t i) {
        return [&, i](std::int64_t most) {
            std::int64_t n = 1;
            while (n < most && i + n < count && storedIndex(i + n) == storedIndex(i) + n)
                ++n;
            return n;
        };
    };
    auto justOne = [](std::int64_t) { return std::int64_t{1}; };

    if (scratch.bitsPerPixel == 16) {
        std::uint8_t word[2] = {0, 0};
        if (!rows.knowsEnd()) {
            // Every row carries its last word on to the next: all are decoded.
            for (std::int64_t k = 0, i = 0; k < height; ++k) {
                const std::size_t got = rows.read(k, justOne);
                decode16BitRow(rows.data(), got, width, words, word, pixels);
                if (i < count && storedIndex(i) == k)
                    take(rowAt(i++), rows.data(), pixels);
            }
            return;
        }
        // Only the rows at the end of the data decide the word that the rows after it
        // repeat: the last whole row and the one cut short.
        const std::int64_t whole = rows.wholeRows();
        std::uint8_t beforeEnd[2] = {0, 0};
        std::uint8_t atEnd[2] = {0, 0};
        if (whole < height) {
            if (whole > 0)
                decode16BitRow(rows.data(), rows.read(whole - 1, justOne), width, words, beforeEnd, pixels);
            std::memcpy(atEnd, beforeEnd, sizeof atEnd);
            decode16BitRow(rows.data(), rows.read(whole, justOne), width, words, atEnd, pixels);
        }
        for (std::int64_t i = 0; i < count; ++i) {
            const std::int64_t k = storedIndex(i);
            if (k == whole)
                std::memcpy(word, beforeEnd, sizeof word);
            else if (k > whole)
                std::memcpy(word, atEnd, sizeof word);
            const std::size_t got = k <= whole ? rows.read(k, following(i)) : 0;
            decode16BitRow(rows.data(), got, width, words, word, pixels);
            take(rowAt(i), rows.data(), pixels);
        }
        return;
    }

    bool failed = false;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::int64_t k = storedIndex(i);
        const bool present = !failed && rows.read(k, following(i)) == stride;
        if (present && decode && !decodeStoredRow(scratch, rows.data(), stride, 0)) {
            pictureError({"Could not read enough pixel data!"});
            failed = true;
        }
        if (present && !failed) {
            take(rowAt(i), rows.data(), pixels);
        } else {
            std::fill(pixels, pixels + width, whitePixel);
            take(rowAt(i), nullptr, pixels);
        }
    }
    if (!failed && !rows.readRest())
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

} // namespace

// Where the decoded rows go: the grid, the sampled rows and columns, or bits.
struct Bitmap::RowSink {
    const SamplingPlanner* planner = nullptr;
    PictureSampling* sampling = nullptr;
    bool sampled = false;
    BitPicture* bits = nullptr;
    bool (*isSet)(const Pixel&) = nullptr;
};

bool Bitmap::load(const char* path)
{
    RowSink sink;
    return read(path, sink);
}

bool Bitmap::loadSampled(const char* path, const SamplingPlanner& planner, PictureSampling& sampling, bool& sampled)
{
    RowSink sink;
    sink.planner = &planner;
    sink.sampling = &sampling;
    const bool result = read(path, sink);
    sampled = sink.sampled;
    return result;
}

bool Bitmap::loadBits(const char* path, BitPicture& bits, bool (*isSet)(const Pixel&))
{
    RowSink sink;
    sink.bits = &bits;
    sink.isSet = isSet;
    return read(path, sink);
}

bool Bitmap::read(const char* path, RowSink& sink)
{
    const std::string name(path);
    FilePtr file(openFile(path, "rb"));
    if (!file) {
        pictureError({"Cannot open file " + name + " for input."});
        becomeEmpty();
        return false;
    }
    std::FILE* in = file.get();
    BmpFileHeader fh;
    BmpInfoHeader ih;
    // An empty file keeps the preset signature and is then reported as corrupted.
    const bool signatureRead = readField(in, fh.bfType);
    if (fh.bfType != bmp::signature) {
        pictureError({name + " is not a Windows BMP file!"});
        return false;
    }
    if (!readHeaders(in, fh, ih) || !signatureRead) {
        pictureError({name + " is obviously corrupted."});
        becomeEmpty();
        return false;
    }

    horizontalResolution = ih.biXPelsPerMeter;
    verticalResolution = ih.biYPelsPerMeter;

    if (ih.biCompression == bmp::biRle8 || ih.biCompression == bmp::biRle4) {
        pictureError({name + " is (RLE) compressed.", "Picture does not support compression."});
        becomeEmpty();
        return false;
    }
    if (ih.biCompression > bmp::biBitfields) {
        pictureError({name + " is in an unsupported format.",
                      "(bmih.biCompression = " + std::to_string(ih.biCompression) + ")",
                      "The file is probably an old OS2 bitmap or corrupted."});
        becomeEmpty();
        return false;
    }
    if (ih.biCompression == bmp::biBitfields && ih.biBitCount != 16) {
        pictureError({name + " uses bit fields and is not a", "16-bit file. This is not supported."});
        becomeEmpty();
        return false;
    }
    if (!supportedDepth(ih.biBitCount)) {
        pictureError({name + " has unrecognized bit depth."});
        becomeEmpty();
        return false;
    }
    setBitDepth(ih.biBitCount);
    if (ih.biWidth < 1 || ih.biHeight < 1) {
        pictureError({name + " has a non-positive width or height."});
        becomeEmpty();
        return false;
    }
    if (std::int64_t{ih.biWidth} * ih.biHeight > maxPixels) {
        pictureError({name + " is larger than " + std::to_string(maxPixels) + " pixels."});
        becomeEmpty();
        return false;
    }
    const std::int32_t storedWidth = ih.biWidth;
    const std::int32_t storedHeight = ih.biHeight;
    // Every pixel is decoded below, or made white where the data ends, so the grid is
    // not whitened first.
    if (sink.bits) {
        sink.bits->setDimensions(storedWidth, storedHeight);
    } else if (sink.planner && (*sink.planner)(storedWidth, storedHeight, *sink.sampling) &&
               increasingWithin(sink.sampling->rows, storedHeight) &&
               increasingWithin(sink.sampling->columns, storedWidth)) {
        sink.sampled = true;
        resizeUnfilled(static_cast<std::int32_t>(sink.sampling->columns.size()),
                       static_cast<std::int32_t>(sink.sampling->rows.size()));
    } else {
        resizeUnfilled(storedWidth, storedHeight);
    }

    const std::int32_t depth = bitsPerPixel;
    // The offset of the pixel data is taken as a signed number.
    const std::int64_t offBits = static_cast<std::int32_t>(fh.bfOffBits);

    std::int64_t extraBytes = 0;
    if (!colorTable.empty()) {
        // A longer info header (V4, V5) comes before the colour table.
        std::int64_t tableStart = bmp::headersSize;
        const std::int64_t longHeaderEnd = bmp::fileHeaderSize + std::int64_t{ih.biSize};
        if (ih.biSize > bmp::infoHeaderSize && longHeaderEnd <= offBits) {
            skipBytes(in, longHeaderEnd - bmp::headersSize);
            tableStart = longHeaderEnd;
        }
        const std::int64_t fullTable = paletteSize();
        const std::int64_t present = std::clamp<std::int64_t>((offBits - tableStart) / 4, 0, fullTable);
        if (present < fullTable)
            pictureWarning({"file " + name + " has an underspecified",
                            "color table. The table will be padded with extra", "white (255,255,255,0) entries."});
        for (std::int64_t i = 0; i < present; ++i) {
            Pixel& entry = colorTable[static_cast<std::size_t>(i)];
            std::uint8_t bytes[4] = {entry.blue, entry.green, entry.red, entry.alpha};
            safeRead(in, bytes, sizeof bytes);
            entry = Pixel{bytes[0], bytes[1], bytes[2], bytes[3]};
        }
        for (std::int64_t i = present; i < fullTable; ++i)
            setPaletteColor(static_cast<std::int32_t>(i), whitePixel);
        // A short table that ends one to three bytes before the pixel data: those bytes
        // are no whole entry, and the rows still begin at bfOffBits.
        if (present < fullTable && offBits > tableStart)
            skipBytes(in, (offBits - tableStart) % 4);
        extraBytes = offBits - tableStart - 4 * fullTable;
    } else if (depth == 16 && ih.biCompression == bmp::biBitfields) {
        extraBytes = offBits - bmp::headersSize - bmp::maskBlockSize;
    } else {
        extraBytes = offBits - bmp::headersSize;
    }
    extraBytes = std::max<std::int64_t>(extraBytes, 0);

    WordLayout words;
    if (depth == 16 && ih.biCompression == bmp::biBitfields) {
        for (std::uint16_t& mask : words.masks) {
            std::uint16_t highHalf = 0;
            readField(in, mask);
            readField(in, highHalf);
        }
    }
    if (extraBytes > 0) {
        warnExtraData(name);
        skipBytes(in, extraBytes);
    }
    for (int c = 0; c < 3; ++c)
        words.shifts[c] = maskShift(words.masks[c]);

    if (sink.bits || sink.sampled) {
        // Rows are decoded one at a time into a row of the stored width.
        Bitmap scratch;
        scratch.setBitDepth(depth);
        scratch.colorTable = colorTable;
        scratch.resizeUnfilled(storedWidth, 1); // every pixel is decoded or whitened before use
        if (sink.sampled) {
            std::int32_t sampledRow = height; // filled bottom-up, as the rows are stored
            const std::vector<std::int32_t>& rows = sink.sampling->rows;
            const std::vector<std::int32_t>& columns = sink.sampling->columns;
            const auto count = static_cast<std::int64_t>(rows.size());
            // Only the sampled pixels of a row are decoded; 16-bit rows are decoded whole,
            // as each carries its last word on.
            const Pixel* table = colorTable.data();
            readStoredRows(in, scratch, storedHeight, words, count,
                           [&](std::int64_t i) { return rows[static_cast<std::size_t>(count - 1 - i)]; }, false,
                           [&](std::int32_t, const std::uint8_t* raw, const Pixel* pixels) {
                               Pixel* out = rowData(--sampledRow);
                               auto gather = [&](auto pixelOf) {
                                   for (std::size_t c = 0; c < columns.size(); ++c)
                                       out[c] = pixelOf(columns[c]);
                               };
                               if (!raw || depth == 16)
                                   gather([&](std::int32_t x) { return pixels[x]; });
                               else if (depth == 1)
                                   gather([&](std::int32_t x) { return table[bmp::index1(raw, x)]; });
                               else if (depth == 4)
                                   gather([&](std::int32_t x) { return table[bmp::index4(raw, x)]; });
                               else if (depth == 8)
                                   gather([&](std::int32_t x) { return table[raw[x]]; });
                               else if (depth == 24)
                                   gather([&](std::int32_t x) { return bmp::colour24(raw, x); });
                               else
                                   gather([&](std::int32_t x) { return bmp::colour32(raw, x); });
                           });
            return true;
        }
        BitPicture& bits = *sink.bits;
        const auto isSet = sink.isSet;
        // A 1-bit row maps straight onto bits: each stored bit stands for one of two entries.
        const bool oneBit = depth == 1;
        const bool set0 = oneBit && isSet(colorTable[0]);
        const bool set1 = oneBit && isSet(colorTable[1]);
        const bool whiteSet = isSet(whitePixel);
        const std::size_t used = static_cast<std::size_t>(bmp::rowDataBytes(storedWidth, 1));
        const int tailBits = storedWidth % 8;
        const std::uint8_t lastMask = static_cast<std::uint8_t>(tailBits == 0 ? 0xFF : 0xFF << (8 - tailBits));
        readStoredRows(in, scratch, storedHeight, words, storedHeight,
                       [&](std::int64_t i) { return static_cast<std::int32_t>(storedHeight - 1 - i); }, !oneBit,
                       [&](std::int32_t y, const std::uint8_t* raw, const Pixel* pixels) {
                           std::uint8_t* out = bits.row(y);
                           if (raw && oneBit && set1 && !set0) {
                               std::memcpy(out, raw, used); // the table black, white as written
                               out[used - 1] &= lastMask;
                               return;
                           }
                           if (oneBit || !raw) {
                               for (std::size_t b = 0; b < used; ++b) {
                                   const std::uint8_t v = raw ? raw[b] : 0;
                                   const std::uint8_t ones = raw ? static_cast<std::uint8_t>((set1 ? v : 0) | (set0 ? ~v : 0))
                                                                 : (whiteSet ? 0xFF : 0);
                                   out[b] = ones;
                               }
                               out[used - 1] &= lastMask;
                               return;
                           }
                           std::fill(out, out + used, 0);
                           for (std::int32_t x = 0; x < storedWidth; ++x)
                               out[x >> 3] = static_cast<std::uint8_t>(out[x >> 3] | isSet(pixels[x]) << (7 - (x & 7)));
                       });
        return true;
    }

    if (depth == 16) {
        // A row is read in one piece.
        const std::size_t wordBytes = 2 * static_cast<std::size_t>(width);
        const std::size_t stride = wordBytes + (4 - wordBytes % 4) % 4;
        std::vector<std::uint8_t> buffer(stride);
        std::uint8_t word[2] = {0, 0};
        for (std::int32_t row = height - 1; row >= 0; --row) {
            const std::size_t got = std::feof(in) ? 0 : std::fread(buffer.data(), 1, stride, in);
            decode16BitRow(buffer.data(), got, width, words, word, rowData(row));
        }
        return true;
    }

    // Rows are stored bottom-up. They are fetched about 256 KiB at a time, which
    // decodes the same rows as fetching them one by one: only whole rows are decoded, and
    // the first row that the file cuts short ends the reading.
    const std::size_t size = static_cast<std::size_t>(bmp::rowStride(width, depth));
    const std::size_t rowsPerRead = std::clamp<std::size_t>((std::size_t{256} << 10) / size, 1, static_cast<std::size_t>(height));
    std::vector<std::uint8_t> buffer(size * rowsPerRead);
    std::int32_t row = height - 1;
    while (row >= 0) {
        const std::size_t wanted = std::min(rowsPerRead, static_cast<std::size_t>(row) + 1);
        const std::size_t whole = std::fread(buffer.data(), 1, wanted * size, in) / size;
        bool decoded = true;
        for (std::size_t k = 0; k < whole && decoded; ++k, --row)
            decoded = decodeStoredRow(*this, buffer.data() + k * size, size, row);
        if (!decoded) {
            ++row; // the row that failed was not decoded
            pictureError({"Could not read enough pixel data!"});
            break;
        }
        if (whole < wanted) {
            pictureError({"Could not read proper amount of data."});
            break;
        }
    }
    // Rows that were never read stay white.
    if (row >= 0)
        std::fill(rowData(0), rowData(row) + width, whitePixel);
    return true;
}

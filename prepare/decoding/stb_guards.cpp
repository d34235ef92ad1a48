// SPDX-License-Identifier: MIT
#include "decoding/stb_guards.h"

#include "decoding/jpeg_segments.h"
#include "picture_refusal.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr std::uint8_t defineHuffmanTables = 0xC4;
constexpr std::uint8_t progressiveFrame = 0xC2;
constexpr std::uint8_t startOfScan = 0xDA;
constexpr std::uint8_t defineQuantization = 0xDB;

// The start-of-frame markers the library reads: baseline, extended and progressive.
bool isFrame(std::uint8_t marker)
{
    return marker >= 0xC0 && marker <= 0xC2;
}
constexpr std::size_t maxHuffmanCodes = 256;

// The tables a JPEG defines as its segments go by, and the first use of one it has not
// defined. Each check returns the fault it found, or null.
class JpegTables {
public:
    const char* check(const JpegSegment& segment)
    {
        if (segment.marker == progressiveFrame)
            progressive_ = true;
        if (isFrame(segment.marker) && segment.size >= 6)
            frame(segment.payload, segment.size);
        if (segment.marker == defineQuantization)
            quantization(segment.payload, segment.size);
        if (segment.marker == startOfScan && segment.size >= 1)
            return scan(segment.payload, segment.size);
        if (segment.marker == defineHuffmanTables)
            return huffman(segment.payload, segment.size);
        return nullptr;
    }

private:
    // Precision, height, width, the number of components, then 3 bytes each: an id, the
    // sampling factors and the quantization table.
    void frame(const std::uint8_t* p, std::size_t size)
    {
        frameTables_.clear();
        for (std::size_t c = 0; c < p[5] && 8 + 3 * c < size; ++c)
            frameTables_.push_back(p[8 + 3 * c]);
    }

    // Tables of a precision and index byte and 64 values of 1 or 2 bytes.
    void quantization(const std::uint8_t* p, std::size_t size)
    {
        for (std::size_t at = 0; at < size; at += 1 + 64 * (1 + (p[at] >> 4 != 0)))
            if ((p[at] & 15) < 4)
                quantization_[p[at] & 15] = true;
    }

    // The components (an id, then the DC table in the high and the AC table in the low four
    // bits), then the first and last coefficient and the approximation bits. A progressive
    // scan of the first coefficient uses DC tables (none once it refines), one of the others
    // AC tables; any other scan both.
    const char* scan(const std::uint8_t* p, std::size_t size) const
    {
        for (const int table : frameTables_)
            if (table < 4 && !quantization_[table])
                return "a scan of the JPEG uses a quantization table it does not define";
        const std::size_t components = p[0];
        if (size < 1 + 2 * components + 3)
            return nullptr; // the library refuses it
        const std::uint8_t first = p[1 + 2 * components];
        const std::uint8_t refining = p[3 + 2 * components] >> 4;
        const bool usesDc = !progressive_ || (first == 0 && refining == 0);
        const bool usesAc = !progressive_ || first > 0;
        for (std::size_t c = 0; c < components; ++c) {
            const int dc = p[2 + 2 * c] >> 4;
            const int ac = p[2 + 2 * c] & 15;
            if ((usesDc && dc < 4 && !huffman_[0][dc]) || (usesAc && ac < 4 && !huffman_[1][ac]))
                return "a scan of the JPEG uses a Huffman table it does not define";
        }
        return nullptr;
    }

    // One or more tables: a class and index byte, 16 counts, then the symbols. The library
    // reads tables for as long as the segment's length has bytes left, so a table that
    // begins near its end would have its counts read from what follows.
    const char* huffman(const std::uint8_t* p, std::size_t size)
    {
        std::size_t at = 0;
        while (at < size) {
            if (size - at < 17)
                return "a Huffman table of the JPEG runs past its segment";
            std::size_t codes = 0;
            for (std::size_t i = 1; i <= 16; ++i)
                codes += p[at + i];
            if (codes > maxHuffmanCodes)
                return "a Huffman table of the JPEG lists more than 256 codes";
            const int tableClass = p[at] >> 4;
            const int table = p[at] & 15;
            if (tableClass < 2 && table < 4) // the library refuses any other
                huffman_[tableClass][table] = true;
            at += 17 + codes;
        }
        return nullptr;
    }

    bool progressive_ = false;
    bool huffman_[2][4] = {}; // [DC, AC][table]: defined by a segment so far
    bool quantization_[4] = {};
    std::vector<int> frameTables_; // the quantization table of each of the frame's components
};

} // namespace

void checkJpegForStb(const std::uint8_t* data, std::size_t size)
{
    JpegTables tables;
    const char* fault = nullptr;
    forEachJpegSegment(data, size, [&](const JpegSegment& segment) {
        fault = tables.check(segment);
        return fault == nullptr;
    });
    if (fault)
        throw PictureRefusal(Refusal::corrupt, fault);
}

std::vector<std::uint8_t> pngForStb(const std::uint8_t* data, std::size_t size)
{
    // After the 8-byte signature, chunks: a big-endian length, the type, the data and a
    // 4-byte check sum.
    std::vector<std::uint8_t> copy;
    std::size_t kept = 0; // bytes before this are in the copy, once there is one
    std::size_t at = 8;
    while (at + 8 <= size) {
        const std::size_t length = std::size_t{data[at]} << 24 | std::size_t{data[at + 1]} << 16 |
                                   std::size_t{data[at + 2]} << 8 | data[at + 3];
        const bool imageData = std::memcmp(data + at + 4, "IDAT", 4) == 0;
        if (length > size - at - 8) {
            if (imageData)
                throw PictureRefusal(Refusal::corrupt, "the PNG is cut short inside its image data");
            break;
        }
        if (imageData && length == 0) {
            copy.insert(copy.end(), data + kept, data + at);
            kept = std::min(at + 12, size);
        }
        at += 12 + length;
    }
    if (!copy.empty())
        copy.insert(copy.end(), data + kept, data + size);
    return copy;
}

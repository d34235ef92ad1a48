// SPDX-License-Identifier: MIT
#include "stb_guards.h"

#include "jpeg_segments.h"
#include "picture_refusal.h"

namespace {

constexpr std::uint8_t defineHuffmanTables = 0xC4;
constexpr std::size_t maxHuffmanCodes = 256;

} // namespace

void checkJpegForStb(const std::uint8_t* data, std::size_t size)
{
    const char* fault = nullptr;
    forEachJpegSegment(data, size, [&](const JpegSegment& segment) {
        if (segment.marker != defineHuffmanTables)
            return true;
        // One or more tables: a class and index byte, 16 counts, then the symbols. The
        // library reads tables for as long as the segment's length has bytes left, so a
        // table that begins near its end would have its counts read from what follows.
        std::size_t at = 0;
        while (at < segment.size) {
            if (segment.size - at < 17) {
                fault = "a Huffman table of the JPEG runs past its segment";
                return false;
            }
            std::size_t codes = 0;
            for (std::size_t i = 1; i <= 16; ++i)
                codes += segment.payload[at + i];
            if (codes > maxHuffmanCodes) {
                fault = "a Huffman table of the JPEG lists more than 256 codes";
                return false;
            }
            at += 17 + codes;
        }
        return true;
    });
    if (fault)
        throw PictureRefusal(Refusal::corrupt, fault);
}

// SPDX-License-Identifier: MIT
#include "decoding/jpeg_segments.h"

namespace {

constexpr std::uint8_t startOfScan = 0xDA;
constexpr std::uint8_t endOfPicture = 0xD9;

bool isRestart(std::uint8_t marker)
{
    return marker >= 0xD0 && marker <= 0xD7;
}

// Where the entropy-coded data that starts at `at` ends: at the next FF that begins a
// marker.
std::size_t afterEntropyData(const std::uint8_t* data, std::size_t size, std::size_t at)
{
    for (; at + 1 < size; ++at)
        if (data[at] == 0xFF && data[at + 1] != 0 && !isRestart(data[at + 1]) && data[at + 1] != 0xFF)
            return at;
    return size;
}

} // namespace

bool forEachJpegSegment(const std::uint8_t* data, std::size_t size,
                        const std::function<bool(const JpegSegment&)>& visit)
{
    if (size < 2 || data[0] != 0xFF || data[1] != 0xD8)
        return false;
    std::size_t at = 2;
    while (at + 1 < size) {
        if (data[at] != 0xFF) { // bytes between segments are passed over, as decoders do
            ++at;
            continue;
        }
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == endOfPicture)
            return true;
        if (marker == 0xD8 || marker == 0x01 || isRestart(marker)) { // no length
            at += 2;
            continue;
        }
        if (at + 4 > size)
            return false;
        const std::size_t length = std::size_t{data[at + 2]} << 8 | data[at + 3];
        if (length < 2)
            return false;
        if (length > size - at - 2) { // cut short: what there is, and the end
            visit(JpegSegment{marker, data + at + 4, size - at - 4});
            return false;
        }
        if (!visit(JpegSegment{marker, data + at + 4, length - 2}))
            return true;
        at += 2 + length;
        if (marker == startOfScan)
            at = afterEntropyData(data, size, at);
    }
    return true;
}

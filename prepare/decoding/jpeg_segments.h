// SPDX-License-Identifier: MIT
#pragma once

// The segments of a JPEG file, walked with every read bounds-checked. After the start
// marker (FF D8) each segment is FF, a marker byte and, for most markers, a big-endian
// length that counts itself, then the payload. A start of scan (FF DA) is followed by
// entropy-coded data up to the next marker that is not a restart marker (FF D0..D7) or a
// stuffed FF 00.

#include <cstddef>
#include <cstdint>
#include <functional>

struct JpegSegment {
    std::uint8_t marker;
    const std::uint8_t* payload;
    std::size_t size;
};

// Calls `visit` for each segment with a length, in file order, until it returns false or
// the end of the picture (FF D9). Bytes between segments are passed over up to the next
// FF. A segment that runs past the end of the data is visited with the bytes there are,
// and ends the walk: decoders read on as if the rest were there. False when the data is
// not a JPEG or a segment runs past its end.
bool forEachJpegSegment(const std::uint8_t* data, std::size_t size,
                        const std::function<bool(const JpegSegment&)>& visit);

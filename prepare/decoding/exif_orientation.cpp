// SPDX-License-Identifier: MIT
#include "decoding/exif_orientation.h"

#include "decoding/jpeg_segments.h"

#include <cstring>

namespace {

// A view of bytes in which every read is checked; a read past the end gives 0 and marks
// the view as failed.
class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size, bool bigEndian = true) : p(data), n(size), big(bigEndian) {}

    bool has(std::size_t offset, std::size_t length) const { return offset <= n && length <= n - offset; }
    std::uint16_t u16(std::size_t offset)
    {
        if (!has(offset, 2))
            return fail();
        const std::uint32_t a = p[offset];
        const std::uint32_t b = p[offset + 1];
        return static_cast<std::uint16_t>(big ? a << 8 | b : b << 8 | a);
    }
    std::uint32_t u32(std::size_t offset)
    {
        const std::uint32_t a = u16(offset);
        const std::uint32_t b = u16(offset + 2);
        return big ? a << 16 | b : b << 16 | a;
    }
    bool ok() const { return good; }

private:
    std::uint16_t fail()
    {
        good = false;
        return 0;
    }
    const std::uint8_t* p;
    std::size_t n;
    bool big;
    bool good = true;
};

constexpr std::uint8_t app1 = 0xE1;
constexpr std::uint8_t startOfScan = 0xDA;
constexpr std::uint16_t orientationTag = 0x0112;
constexpr std::uint16_t shortType = 3;

// The orientation in a TIFF structure (the Exif block after its "Exif\0\0"): the byte
// order, 42, the offset of the first directory, and there 12-byte entries.
int tiffOrientation(const std::uint8_t* tiff, std::size_t size)
{
    if (size < 8)
        return 1;
    const bool big = tiff[0] == 'M' && tiff[1] == 'M';
    if (!big && !(tiff[0] == 'I' && tiff[1] == 'I'))
        return 1;
    Bytes b(tiff, size, big);
    if (b.u16(2) != 42)
        return 1;
    const std::uint32_t directory = b.u32(4);
    const std::uint16_t entries = b.u16(directory);
    for (std::uint32_t i = 0; b.ok() && i < entries; ++i) {
        const std::size_t entry = std::size_t{directory} + 2 + 12 * std::size_t{i};
        if (!b.has(entry, 12))
            return 1;
        if (b.u16(entry) != orientationTag)
            continue;
        // type, count, then the value itself in the first two of four bytes
        if (b.u16(entry + 2) != shortType || b.u32(entry + 4) < 1)
            return 1;
        const std::uint16_t value = b.u16(entry + 8);
        return value >= 1 && value <= 8 ? value : 1;
    }
    return 1;
}

} // namespace

int jpegOrientation(const std::uint8_t* data, std::size_t size)
{
    // The first Exif block counts; it comes before the pixels.
    int orientation = 1;
    forEachJpegSegment(data, size, [&](const JpegSegment& segment) {
        if (segment.marker == startOfScan)
            return false;
        if (segment.marker != app1 || segment.size < 6 || std::memcmp(segment.payload, "Exif\0\0", 6) != 0)
            return true;
        orientation = tiffOrientation(segment.payload + 6, segment.size - 6);
        return false;
    });
    return orientation;
}

OrientedLayout orientedLayout(int orientation, std::int32_t storedWidth, std::int32_t storedHeight)
{
    const std::int64_t w = storedWidth;
    const std::int64_t h = storedHeight;
    switch (orientation) {
    case 2: // shown (X, Y) is stored (w - 1 - X, Y)
        return {storedWidth, storedHeight, w - 1, -1, w};
    case 3: // stored (w - 1 - X, h - 1 - Y)
        return {storedWidth, storedHeight, (h - 1) * w + w - 1, -1, -w};
    case 4: // stored (X, h - 1 - Y)
        return {storedWidth, storedHeight, (h - 1) * w, 1, -w};
    case 5: // stored (Y, X)
        return {storedHeight, storedWidth, 0, w, 1};
    case 6: // stored (Y, h - 1 - X)
        return {storedHeight, storedWidth, (h - 1) * w, -w, 1};
    case 7: // stored (w - 1 - Y, h - 1 - X)
        return {storedHeight, storedWidth, (h - 1) * w + w - 1, -w, -1};
    case 8: // stored (w - 1 - Y, X)
        return {storedHeight, storedWidth, w - 1, w, -1};
    default: // stored (X, Y)
        return {storedWidth, storedHeight, 0, 1, w};
    }
}

// SPDX-License-Identifier: MIT
#include "decoding/still_decoder.h"

#include "decoding/decoder_memory.h"
#include "decoding/pam_reader.h"
#include "decoding/pixel_rules.h"
#include "decoding/stb_failure.h"
#include "decoding/stb_guards.h"
#include "stb_image.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

std::string sizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// Sides of up to 32 bits each: either side alone over the limit settles it before the
// product is taken.
void checkPixelLimit(std::int64_t width, std::int64_t height, const DecodeLimits& limits)
{
    if (width > limits.maxPixels || height > limits.maxPixels || width * height > limits.maxPixels)
        throw PictureRefusal(Refusal::tooLarge, "it is " + sizeText(width, height) + ", more than the " +
                                                    pixelsText(limits.maxPixels) + " this program takes");
}

// A PNG's stated size, read from its header chunk (IHDR, first after the signature:
// length, type, then width and height as big-endian 32-bit numbers) before the library
// sees it: stb_image refuses sizes past its own smaller limit with no more than "unknown
// image type".
void checkPngStatedSize(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits)
{
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return;
    auto u32 = [&](std::size_t at) {
        return std::uint32_t{data[at]} << 24 | std::uint32_t{data[at + 1]} << 16 | std::uint32_t{data[at + 2]} << 8 |
               std::uint32_t{data[at + 3]};
    };
    checkPixelLimit(u32(16), u32(20), limits);
}

// Shown pixels of row y from decoded samples of type Sample, `channels` a pixel: every
// pixel of the row, or, given `columns`, those columns. Each sample is reduced to 8 bits,
// then laid on white by its alpha. Without alpha a pixel is opaque, and onWhite(c, 255)
// is c.
template <typename Sample, int channels>
void makePixels(const Sample* samples, const OrientedLayout& layout, std::int32_t y,
                const std::vector<std::int32_t>* columns, std::uint8_t* out)
{
    auto byte = [](Sample v) -> std::uint8_t {
        if constexpr (sizeof(Sample) == 2)
            return nearest8Bit(v);
        else
            return v;
    };
    auto make = [&](std::int64_t x) {
        const Sample* in = samples + (layout.origin + x * layout.stepX + y * layout.stepY) * channels;
        if constexpr (channels == 4) {
            const std::uint8_t a = byte(in[3]);
            out[0] = onWhite(byte(in[2]), a);
            out[1] = onWhite(byte(in[1]), a);
            out[2] = onWhite(byte(in[0]), a);
        } else {
            out[0] = byte(in[2]);
            out[1] = byte(in[1]);
            out[2] = byte(in[0]);
        }
        out += 3;
    };
    if (columns)
        for (const std::int32_t x : *columns)
            make(x);
    else
        for (std::int32_t x = 0; x < layout.width; ++x)
            make(x);
}

} // namespace

PictureSize stillPictureSize(const std::uint8_t* data, std::size_t size, PictureFormat format,
                             const DecodeLimits& limits)
{
    if (format == PictureFormat::pam) {
        const PamHeader pam = readPamHeader(data, size, limits);
        return {pam.width, pam.height};
    }
    checkStbLength(size);
    if (format == PictureFormat::png)
        checkPngStatedSize(data, size, limits);
    if (format == PictureFormat::jpeg)
        checkJpegForStb(data, size);
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels))
        throw stbFailure(formatName(format));
    if (width < 1 || height < 1)
        throw PictureRefusal(Refusal::corrupt, "it has no pixels");
    checkPixelLimit(width, height, limits);
    return {width, height};
}

void DecodedStill::Free::operator()(void* pixels) const
{
    stbi_image_free(pixels);
}

DecodedStill::DecodedStill(const std::uint8_t* data, std::size_t size, PictureFormat format,
                           const DecodeLimits& limits)
{
    if (format == PictureFormat::pam) {
        takePam(data, size, limits);
        return;
    }
    const PictureSize stored = stillPictureSize(data, size, format, limits);
    std::vector<std::uint8_t> cleaned;
    if (format == PictureFormat::png)
        cleaned = pngForStb(data, size);
    if (!cleaned.empty()) {
        data = cleaned.data();
        size = cleaned.size();
    }
    const int length = static_cast<int>(size);
    // A JPEG has no alpha; every other picture is asked for four channels, so that its
    // transparency, if it has any, comes along.
    channels = format == PictureFormat::jpeg ? 3 : 4;
    sixteenBits = stbi_is_16_bit_from_memory(data, length) != 0;
    int width = 0;
    int height = 0;
    int inFile = 0;
    pixels.reset(sixteenBits ? static_cast<void*>(stbi_load_16_from_memory(data, length, &width, &height, &inFile, channels))
                             : static_cast<void*>(stbi_load_from_memory(data, length, &width, &height, &inFile, channels)));
    if (!pixels)
        throw stbFailure(formatName(format));
    if (width != stored.width || height != stored.height)
        throw PictureRefusal(Refusal::corrupt, "its header and its pixels disagree on its size");
    const int orientation = format == PictureFormat::jpeg ? jpegOrientation(data, size) : 1;
    layout = orientedLayout(orientation, width, height);
}

// A PAM's samples are already what the decoder would give: eight bits, three or four a
// pixel, rows from the top.
void DecodedStill::takePam(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits)
{
    const PamHeader pam = readPamHeader(data, size, limits);
    const std::size_t bytes = static_cast<std::size_t>(pam.width) * static_cast<std::size_t>(pam.height) *
                              static_cast<std::size_t>(pam.depth);
    pixels.reset(decoderAllocate(bytes));
    if (!pixels)
        throw PictureRefusal(Refusal::outOfMemory, "not enough memory to decode it");
    std::memcpy(pixels.get(), data + pam.rasterAt, bytes);
    channels = pam.depth;
    layout = orientedLayout(1, pam.width, pam.height);
}

void DecodedStill::shownRow(std::int32_t y, std::uint8_t* row) const
{
    makeShown(y, nullptr, row);
}

void DecodedStill::shownPixels(std::int32_t y, const std::vector<std::int32_t>& columns, std::uint8_t* bytes) const
{
    makeShown(y, &columns, bytes);
}

void DecodedStill::makeShown(std::int32_t y, const std::vector<std::int32_t>* columns, std::uint8_t* bytes) const
{
    if (sixteenBits) {
        const auto* samples = static_cast<const std::uint16_t*>(pixels.get());
        channels == 4 ? makePixels<std::uint16_t, 4>(samples, layout, y, columns, bytes)
                      : makePixels<std::uint16_t, 3>(samples, layout, y, columns, bytes);
    } else {
        const auto* samples = static_cast<const stbi_uc*>(pixels.get());
        channels == 4 ? makePixels<stbi_uc, 4>(samples, layout, y, columns, bytes)
                      : makePixels<stbi_uc, 3>(samples, layout, y, columns, bytes);
    }
}

// SPDX-License-Identifier: MIT
#include "still_decoder.h"

#include "exif_orientation.h"
#include "pixel_rules.h"
#include "stb_failure.h"
#include "stb_image.h"

#include <memory>
#include <new>
#include <string>

namespace {

struct StbFree {
    void operator()(void* pixels) const { stbi_image_free(pixels); }
};

std::string sizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

// Every decoded pixel, `channels` samples of type Sample each, becomes the Bitmap's pixel
// at its shown place: reduced to 8 bits, then laid on white.
template <typename Sample, int channels>
void placePixels(const Sample* in, std::int32_t width, std::int32_t height, const OrientedLayout& layout,
                 Bitmap& picture)
{
    Pixel* out = picture.rowData(0);
    auto byte = [](Sample v) -> std::uint8_t {
        if constexpr (sizeof(Sample) == 2)
            return nearest8Bit(v);
        else
            return v;
    };
    for (std::int32_t y = 0; y < height; ++y) {
        std::int64_t at = layout.origin + y * layout.stepY;
        for (std::int32_t x = 0; x < width; ++x, in += channels, at += layout.stepX) {
            const std::uint8_t a = channels == 4 ? byte(in[3]) : 255;
            out[at] = Pixel{onWhite(byte(in[2]), a), onWhite(byte(in[1]), a), onWhite(byte(in[0]), a), 0};
        }
    }
}

} // namespace

PictureSize stillPictureSize(const std::uint8_t* data, std::size_t size, PictureFormat format,
                             const DecodeLimits& limits)
{
    checkStbLength(size);
    int width = 0;
    int height = 0;
    int channels = 0;
    if (!stbi_info_from_memory(data, static_cast<int>(size), &width, &height, &channels))
        throw stbFailure(formatName(format));
    if (width < 1 || height < 1)
        throw PictureRefusal(Refusal::corrupt, "it has no pixels");
    if (std::int64_t{width} * height > limits.maxPixels)
        throw PictureRefusal(Refusal::tooLarge, "it is " + sizeText(width, height) + ", more than the " +
                                                    std::to_string(limits.maxPixels) + " this program takes");
    return {width, height};
}

void decodeStill(const std::uint8_t* data, std::size_t size, PictureFormat format, const DecodeLimits& limits,
                 Bitmap& picture)
{
    const PictureSize stored = stillPictureSize(data, size, format, limits);
    const int length = static_cast<int>(size);
    const int orientation = format == PictureFormat::jpeg ? jpegOrientation(data, size) : 1;
    const OrientedLayout layout = orientedLayout(orientation, stored.width, stored.height);
    try {
        picture.setBitDepth(24);
        picture.setDimensions(layout.width, layout.height);
    } catch (const std::bad_alloc&) {
        throw PictureRefusal(Refusal::outOfMemory, "not enough memory to decode it");
    }

    // A JPEG has no alpha; every other picture is asked for four channels, so that its
    // transparency, if it has any, comes along.
    const int channels = format == PictureFormat::jpeg ? 3 : 4;
    int width = 0;
    int height = 0;
    int inFile = 0;
    if (stbi_is_16_bit_from_memory(data, length)) {
        std::unique_ptr<std::uint16_t, StbFree> pixels(
            stbi_load_16_from_memory(data, length, &width, &height, &inFile, channels));
        if (!pixels)
            throw stbFailure(formatName(format));
        if (width != stored.width || height != stored.height)
            throw PictureRefusal(Refusal::corrupt, "its header and its pixels disagree on its size");
        if (channels == 4)
            placePixels<std::uint16_t, 4>(pixels.get(), width, height, layout, picture);
        else
            placePixels<std::uint16_t, 3>(pixels.get(), width, height, layout, picture);
        return;
    }
    std::unique_ptr<stbi_uc, StbFree> pixels(stbi_load_from_memory(data, length, &width, &height, &inFile, channels));
    if (!pixels)
        throw stbFailure(formatName(format));
    if (width != stored.width || height != stored.height)
        throw PictureRefusal(Refusal::corrupt, "its header and its pixels disagree on its size");
    if (channels == 4)
        placePixels<stbi_uc, 4>(pixels.get(), width, height, layout, picture);
    else
        placePixels<stbi_uc, 3>(pixels.get(), width, height, layout, picture);
}

// SPDX-License-Identifier: MIT
#pragma once

// The preparation check: arbitrary bytes as a picture for panelbake-prepare. A picture
// is decoded whole, or refused with a PictureRefusal; what is decoded must have the size
// its header states (sides swapped by an EXIF turn), every shown row made from pixels
// inside it, and an animation as many
// frames, each of the screen's size, as its blocks list. Aborts on a violation.

#include "fuzz_support.h"
#include "decoding/exif_orientation.h"
#include "decoding/gif_frames.h"
#include "decoding/picture_format.h"
#include "decoding/still_decoder.h"

#include <cstdint>
#include <vector>

namespace fuzz {

// The fuzzers' limits: pictures of up to pixelBudget pixels, animations of up to four
// times that in all.
inline DecodeLimits prepareLimits()
{
    return {static_cast<std::int64_t>(pixelBudget), 4 * static_cast<std::int64_t>(pixelBudget)};
}

inline int prepareInput(const std::uint8_t* data, std::size_t size)
{
    const DecodeLimits limits = prepareLimits();
    const PictureFormat format = sniffFormat(data, size);
    const int orientation = jpegOrientation(data, size);
    check(orientation >= 1 && orientation <= 8, "orientation from 1 to 8");
    try {
        if (format == PictureFormat::gif) {
            const GifAnimation animation = scanGif(data, size, limits);
            check(std::int64_t{animation.width} * animation.height <= limits.maxPixels, "screen within the limit");
            std::size_t frames = 0;
            composeGifFrames(animation, data, size, [&](const Bitmap& frame, int delayMs) {
                check(frame.width == animation.width && frame.height == animation.height, "frame of the screen's size");
                check(frame.bitsPerPixel == 24, "frame of 24 bits");
                check(delayMs >= 20, "delay of at least 20 ms");
                ++frames;
            });
            check(frames == animation.frames.size(), "every frame composed");
        } else if (format != PictureFormat::unknown) {
            const PictureSize stored = stillPictureSize(data, size, format, limits);
            const DecodedStill picture(data, size, format, limits);
            const bool turned = format == PictureFormat::jpeg && orientation >= 5;
            check(picture.width() == (turned ? stored.height : stored.width) &&
                      picture.height() == (turned ? stored.width : stored.height),
                  "the stated size, turned");
            // Every shown row, from pixels inside the decoded picture (the sanitizers watch).
            std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(picture.width()));
            for (std::int32_t y = 0; y < picture.height(); ++y)
                picture.shownRow(y, row.data());
        }
    } catch (const PictureRefusal&) {
        // refused with a reason: as it should be for a malformed or oversized picture
    }
    return 0;
}

} // namespace fuzz

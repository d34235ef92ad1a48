// SPDX-License-Identifier: MIT
#pragma once

// Animated GIF pictures, frame by frame, composed as a browser shows them.
//
// The file's blocks are walked here: the logical screen, the graphic control extensions
// (disposal, delay, transparent index) and the frames with their rectangles. Each frame's
// pixels are decoded by stb_image from a one-frame GIF made of that frame alone, and the
// frames are composed here, on a screen that starts transparent:
//   disposal 0, 1  the frame stays as it is drawn;
//   disposal 2     its rectangle is cleared to transparent before the next frame;
//   disposal 3     its rectangle is put back as it was before the frame was drawn.
// A frame's transparent pixels leave what is below them; a part of a frame outside the
// screen is cut off. Each composed frame is laid on white.

#include "bitmap.h"
#include "picture_refusal.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

struct GifFrame {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    int disposal = 0;
    int transparentIndex = -1; // -1: none
    int delayCentiseconds = 0;
    bool interlaced = false;
    std::size_t tableOffset = 0; // the colour table the frame uses, local or global
    std::size_t tableEntries = 0;
    std::size_t dataOffset = 0;  // the LZW code size byte ...
    std::size_t dataEnd = 0;     // ... up to and with the empty block that ends the data
};

struct GifAnimation {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<GifFrame> frames;
};

// Walks the file's blocks and checks the limits: the screen within maxPixels, every frame
// within maxPixels, and all frames together within maxFramePixels, counted at the
// screen's size and at their own. Throws PictureRefusal. A file may end after a complete
// frame without its trailer, or carry unknown bytes there; a frame cut short is refused.
GifAnimation scanGif(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits);

// How long a frame is shown, in milliseconds, as browsers show it: the stated delay, but
// 100 ms for a delay of 10 ms or less.
int frameDelayMs(const GifFrame& frame);

// Composes every frame in turn and hands it to `take`, as a 24-bit Bitmap laid on white.
// Throws PictureRefusal.
void composeGifFrames(const GifAnimation& animation, const std::uint8_t* data, std::size_t size,
                      const std::function<void(const Bitmap& frame, int delayMs)>& take);

// SPDX-License-Identifier: MIT
#include "decoding/gif_frames.h"

#include "decoding/pixel_rules.h"
#include "decoding/stb_failure.h"
#include "stb_image.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace {

const PictureRefusal cutShort(Refusal::corrupt, "the GIF is cut short inside a frame");

// A reader over the file's bytes; a read past the end is refused as a file cut short.
class GifReader {
public:
    GifReader(const std::uint8_t* data, std::size_t size) : p(data), n(size) {}

    bool atEnd() const { return at >= n; }
    std::size_t position() const { return at; }
    std::uint8_t u8()
    {
        if (at >= n)
            throw cutShort;
        return p[at++];
    }
    std::uint16_t u16()
    {
        const std::uint16_t low = u8();
        const std::uint16_t high = u8();
        return static_cast<std::uint16_t>(low | high << 8);
    }
    void skip(std::size_t count)
    {
        if (count > n - at)
            throw cutShort;
        at += count;
    }
    // Data sub-blocks: a length byte, that many bytes, until a length of 0.
    void skipSubBlocks()
    {
        for (std::uint8_t length = u8(); length != 0; length = u8())
            skip(length);
    }

private:
    const std::uint8_t* p;
    std::size_t n;
    std::size_t at = 0;
};

// A colour table of 2^(bits + 1) entries of three bytes follows where `flags` has its top
// bit set.
std::size_t tableEntries(std::uint8_t flags)
{
    return flags & 0x80 ? std::size_t{2} << (flags & 7) : 0;
}

std::string sizeText(std::int64_t width, std::int64_t height)
{
    return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

void checkLimits(const GifAnimation& animation, const DecodeLimits& limits)
{
    const std::int64_t screen = std::int64_t{animation.width} * animation.height;
    if (screen > limits.maxPixels)
        throw PictureRefusal(Refusal::tooLarge, "it is " + sizeText(animation.width, animation.height) +
                                                    ", more than the " + pixelsText(limits.maxPixels) +
                                                    " this program takes");
    std::int64_t drawn = 0;
    for (const GifFrame& frame : animation.frames) {
        const std::int64_t area = std::int64_t{frame.width} * frame.height;
        if (area > limits.maxPixels)
            throw PictureRefusal(Refusal::tooLarge, "a frame is " + sizeText(frame.width, frame.height) +
                                                        ", more than the " + pixelsText(limits.maxPixels) +
                                                        " this program takes");
        drawn += area;
    }
    const auto count = static_cast<std::int64_t>(animation.frames.size());
    if (drawn > limits.maxFramePixels || count > limits.maxFramePixels / screen)
        throw PictureRefusal(Refusal::tooLarge, "its " + std::to_string(count) + " frames of " +
                                                    sizeText(animation.width, animation.height) +
                                                    " are more than the " + pixelsText(limits.maxFramePixels) +
                                                    " in all this program takes");
}

// The one-frame GIF stb_image decodes a frame from: a screen of the frame's size with
// the frame's colour table as its global one, the transparent index if there is one,
// and the frame at (0, 0) with its own data.
std::vector<std::uint8_t> oneFrameGif(const GifFrame& frame, const std::uint8_t* data)
{
    std::vector<std::uint8_t> gif;
    const std::size_t tableBytes = 3 * frame.tableEntries;
    gif.reserve(13 + tableBytes + 8 + 10 + (frame.dataEnd - frame.dataOffset) + 1);
    auto put16 = [&](std::int32_t v) {
        gif.push_back(static_cast<std::uint8_t>(v & 0xFF));
        gif.push_back(static_cast<std::uint8_t>(v >> 8 & 0xFF));
    };
    const std::uint8_t header[] = {'G', 'I', 'F', '8', '9', 'a'};
    gif.insert(gif.end(), header, header + sizeof header);
    put16(frame.width);
    put16(frame.height);
    std::uint8_t sizeBits = 0; // the table has 2^(sizeBits + 1) entries
    while ((std::size_t{2} << sizeBits) < frame.tableEntries)
        ++sizeBits;
    gif.push_back(static_cast<std::uint8_t>(0x80 | sizeBits));
    gif.push_back(0); // background index: not used, the screen starts transparent
    gif.push_back(0); // aspect ratio
    gif.insert(gif.end(), data + frame.tableOffset, data + frame.tableOffset + tableBytes);
    if (frame.transparentIndex >= 0) {
        const std::uint8_t control[] = {0x21, 0xF9, 4, 1, 0, 0, static_cast<std::uint8_t>(frame.transparentIndex), 0};
        gif.insert(gif.end(), control, control + sizeof control);
    }
    gif.push_back(0x2C);
    put16(0);
    put16(0);
    put16(frame.width);
    put16(frame.height);
    gif.push_back(frame.interlaced ? 0x40 : 0);
    gif.insert(gif.end(), data + frame.dataOffset, data + frame.dataEnd);
    gif.push_back(0x3B);
    return gif;
}

struct StbFree {
    void operator()(void* pixels) const { stbi_image_free(pixels); }
};

// The screen's pixels as red, green, blue, alpha; alpha is 0 or 255.
using Screen = std::vector<std::uint8_t>;

struct Rectangle {
    std::int32_t left, top, right, bottom; // right and bottom exclusive
};

// The part of the frame on the screen. Where it is not empty, it starts at the frame's
// own top left corner.
Rectangle onScreen(const GifFrame& frame, const GifAnimation& animation)
{
    return {std::min(frame.left, animation.width), std::min(frame.top, animation.height),
            std::min(frame.left + frame.width, animation.width), std::min(frame.top + frame.height, animation.height)};
}

// Draws a frame's pixels that are not transparent onto the screen.
void drawFrame(const GifFrame& frame, const std::uint8_t* data, const GifAnimation& animation, Screen& screen)
{
    if (frame.width == 0 || frame.height == 0)
        return;
    const std::vector<std::uint8_t> gif = oneFrameGif(frame, data);
    int width = 0;
    int height = 0;
    int channels = 0;
    std::unique_ptr<stbi_uc, StbFree> pixels(
        stbi_load_from_memory(gif.data(), static_cast<int>(gif.size()), &width, &height, &channels, 4));
    if (!pixels)
        throw stbFailure("GIF");
    if (width != frame.width || height != frame.height)
        throw PictureRefusal(Refusal::corrupt, "a frame decodes to another size than it states");
    const Rectangle r = onScreen(frame, animation);
    if (r.left == r.right || r.top == r.bottom) // wholly off the screen
        return;
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        const stbi_uc* in = pixels.get() + 4 * (std::size_t(y - frame.top) * std::size_t(width) + (r.left - frame.left));
        std::uint8_t* out = screen.data() + 4 * (std::size_t(y) * std::size_t(animation.width) + r.left);
        for (std::int32_t x = r.left; x < r.right; ++x, in += 4, out += 4)
            if (in[3] != 0) // stb leaves transparent pixels at 0
                std::memcpy(out, in, 4);
    }
}

// Copies the rectangle's rows from one screen to the other.
void copyRectangle(const Rectangle& r, std::int32_t screenWidth, const Screen& from, Screen& to)
{
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        const std::size_t start = 4 * (std::size_t(y) * std::size_t(screenWidth) + r.left);
        std::memcpy(to.data() + start, from.data() + start, 4 * std::size_t(r.right - r.left));
    }
}

void clearRectangle(const Rectangle& r, std::int32_t screenWidth, Screen& screen)
{
    for (std::int32_t y = r.top; y < r.bottom; ++y) {
        const std::size_t start = 4 * (std::size_t(y) * std::size_t(screenWidth) + r.left);
        std::memset(screen.data() + start, 0, 4 * std::size_t(r.right - r.left));
    }
}

void layOnWhite(const Screen& screen, Bitmap& frame)
{
    Pixel* out = frame.rowData(0);
    const std::size_t count = std::size_t(frame.width) * std::size_t(frame.height);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* in = screen.data() + 4 * i;
        out[i] = Pixel{onWhite(in[2], in[3]), onWhite(in[1], in[3]), onWhite(in[0], in[3]), 0};
    }
}

// A graphic control extension, after its label: a block of 4 bytes (flags, delay, transparent
// index) that says how the next frame is shown.
void readGraphicControl(GifReader& in, GifFrame& next)
{
    const std::uint8_t length = in.u8();
    const std::size_t start = in.position();
    if (length >= 4) {
        const std::uint8_t flags = in.u8();
        next.disposal = flags >> 2 & 7;
        next.delayCentiseconds = in.u16();
        const std::uint8_t transparent = in.u8();
        next.transparentIndex = flags & 1 ? transparent : -1;
    }
    in.skip(length - (in.position() - start));
}

// The colour table the screen gives the frames that have none of their own.
struct GlobalTable {
    std::size_t offset = 0;
    std::size_t entries = 0;
};

// An image descriptor, after its separator: left, top, width, height, flags, its own colour
// table if any, then the compressed data in sub-blocks.
GifFrame readFrame(GifReader& in, const GifFrame& next, const GlobalTable& global)
{
    GifFrame frame = next;
    frame.left = in.u16();
    frame.top = in.u16();
    frame.width = in.u16();
    frame.height = in.u16();
    const std::uint8_t flags = in.u8();
    frame.interlaced = (flags & 0x40) != 0;
    frame.tableEntries = tableEntries(flags);
    frame.tableOffset = in.position();
    in.skip(3 * frame.tableEntries);
    if (frame.tableEntries == 0) {
        if (global.entries == 0)
            throw PictureRefusal(Refusal::corrupt, "a GIF frame has no colour table");
        frame.tableEntries = global.entries;
        frame.tableOffset = global.offset;
    }
    frame.dataOffset = in.position();
    in.skip(1); // LZW code size
    in.skipSubBlocks();
    frame.dataEnd = in.position();
    return frame;
}

} // namespace

GifAnimation scanGif(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits)
{
    GifReader in(data, size);
    in.skip(6); // "GIF87a" or "GIF89a"
    GifAnimation animation;
    // The logical screen: width, height, flags, background index, aspect ratio.
    animation.width = in.u16();
    animation.height = in.u16();
    const std::uint8_t screenFlags = in.u8();
    in.skip(2);
    const GlobalTable global{in.position(), tableEntries(screenFlags)};
    in.skip(3 * global.entries);
    if (animation.width == 0 || animation.height == 0)
        throw PictureRefusal(Refusal::corrupt, "the GIF's screen has no pixels");

    GifFrame next; // what the last graphic control extension says of the next frame
    while (!in.atEnd()) {
        const std::uint8_t block = in.u8();
        if (block == 0x3B) // trailer
            break;
        if (block == 0x21) { // extension: a label, then sub-blocks
            if (in.u8() == 0xF9)
                readGraphicControl(in, next);
            in.skipSubBlocks();
            continue;
        }
        if (block != 0x2C) { // unknown bytes after the frames end the picture
            if (animation.frames.empty())
                throw PictureRefusal(Refusal::corrupt, "the GIF holds an unknown block before its first frame");
            break;
        }
        animation.frames.push_back(readFrame(in, next, global));
        next = GifFrame{};
    }
    if (animation.frames.empty())
        throw PictureRefusal(Refusal::corrupt, "the GIF holds no frame");
    checkLimits(animation, limits);
    return animation;
}

int frameDelayMs(const GifFrame& frame)
{
    return frame.delayCentiseconds <= 1 ? 100 : 10 * frame.delayCentiseconds;
}

void composeGifFrames(const GifAnimation& animation, const std::uint8_t* data, std::size_t size,
                      const std::function<void(const Bitmap& frame, int delayMs)>& take)
{
    checkStbLength(size);
    try {
        const std::size_t pixels = std::size_t(animation.width) * std::size_t(animation.height);
        Screen screen(4 * pixels, 0);
        Screen before; // the screen before a frame of disposal 3 was drawn
        Bitmap frame;
        frame.setBitDepth(24);
        frame.setDimensions(animation.width, animation.height);
        const GifFrame* previous = nullptr;
        for (const GifFrame& current : animation.frames) {
            if (previous && previous->disposal == 2)
                clearRectangle(onScreen(*previous, animation), animation.width, screen);
            else if (previous && previous->disposal == 3)
                copyRectangle(onScreen(*previous, animation), animation.width, before, screen);
            if (current.disposal == 3) {
                before.resize(screen.size());
                copyRectangle(onScreen(current, animation), animation.width, screen, before);
            }
            drawFrame(current, data, animation, screen);
            layOnWhite(screen, frame);
            take(frame, frameDelayMs(current));
            previous = &current;
        }
    } catch (const std::bad_alloc&) {
        throw PictureRefusal(Refusal::outOfMemory, "not enough memory to decode it");
    }
}

// SPDX-License-Identifier: MIT
#include "compression/frame_stream.h"

#include "compression/frame_steps.h"
#include "compression/player_model.h"

#include <algorithm>
#include <string>

namespace {

// Writes bits, lowest first, into bytes of their own among the bytes taken whole: a bit
// byte is added when the first of its bits is written, as the player reads it then. A
// frame's bits follow the frame before's.
class StreamWriter {
public:
    explicit StreamWriter(std::vector<std::uint8_t>& out) : out(out) {}

    // The byte the next bit goes into.
    std::size_t nextBitAt() const { return used == 8 ? out.size() : at; }

    void bit(unsigned value)
    {
        if (used == 8) {
            at = out.size();
            out.push_back(0);
            used = 0;
        }
        out[at] = static_cast<std::uint8_t>(out[at] | value << used);
        ++used;
    }
    void number(std::uint32_t value)
    {
        int digits = 0;
        while (value >> (digits + 1))
            ++digits;
        for (int d = digits - 1; d >= 0; --d) {
            bit(0);
            bit(value >> d & 1);
        }
        bit(1);
    }
    void bytes(const std::uint8_t* from, std::size_t count) { out.insert(out.end(), from, from + count); }

private:
    std::vector<std::uint8_t>& out;
    std::size_t at = 0;
    int used = 8;
};

void put16(std::vector<std::uint8_t>& out, std::size_t at, std::size_t value)
{
    out[at] = static_cast<std::uint8_t>(value);
    out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

// The fewest bits for a frame whose player's time stays within its budget: the more
// its time weighs, the fewer and longer its steps. `previous` is null for the first frame.
FrameParse fastEnoughSteps(const std::uint8_t* previous, const std::uint8_t* frame, std::size_t size)
{
    const std::int64_t budget = 100 * frameCycles(size) - playerCentiCycles::frame - playerCentiCycles::bit;
    FrameParse parse = cheapestSteps(previous, frame, size, 0);
    for (std::int64_t weight = 16; parse.centiCycles > budget && weight <= 1 << 20; weight *= 2)
        parse = cheapestSteps(previous, frame, size, weight);
    return parse;
}

// One frame, from its first byte to its last or the other way, whichever takes fewer bits
// in the time allowed; `previous` is null for the first. Returns the frame's time.
std::int64_t writeFrame(StreamWriter& writer, const std::vector<std::uint8_t>* previous,
                        const std::vector<std::uint8_t>& frame)
{
    const std::size_t size = frame.size();
    const FrameParse forward = fastEnoughSteps(previous ? previous->data() : nullptr, frame.data(), size);
    const std::vector<std::uint8_t> reversed(frame.rbegin(), frame.rend());
    std::vector<std::uint8_t> reversedPrevious;
    if (previous)
        reversedPrevious.assign(previous->rbegin(), previous->rend());
    const FrameParse backward = fastEnoughSteps(previous ? reversedPrevious.data() : nullptr, reversed.data(), size);
    const bool back = backward.bits < forward.bits;
    const FrameParse& chosen = back ? backward : forward;
    const std::uint8_t* bytes = back ? reversed.data() : frame.data();
    writer.bit(back ? 1 : 0);
    std::size_t at = 0;
    for (const FrameStep& step : chosen.steps) {
        writer.number(step.count);
        if (step.literal) {
            writer.number(1);
            writer.bytes(bytes + at, step.count);
        } else {
            writer.number(sourceNumber(step.offset));
        }
        at += step.count;
    }
    return playerCentiCycles::frame + playerCentiCycles::bit + chosen.centiCycles;
}

void checkFrames(const std::vector<std::vector<std::uint8_t>>& frames)
{
    checkFramesFit(frames.size(), frames.empty() ? 0 : frames.front().size());
    for (const std::vector<std::uint8_t>& frame : frames)
        if (frame.size() != frames.front().size())
            throw FramesNotCompressible("frames of different sizes");
}

} // namespace

void checkFramesFit(std::size_t count, std::size_t frameBytes)
{
    if (count == 0)
        throw FramesNotCompressible("there are no frames");
    if (frameBytes == 0 || frameBytes > largestStream)
        throw FramesNotCompressible("a frame of " + std::to_string(frameBytes) + " bytes; the player takes 1 to " +
                                    std::to_string(largestStream));
    if (count > largestStream)
        throw FramesNotCompressible(std::to_string(count) + " frames; the player takes up to " +
                                    std::to_string(largestStream));
}

CompressedFrames compressFrames(const std::vector<std::vector<std::uint8_t>>& frames)
{
    checkFrames(frames);
    CompressedFrames result;
    std::vector<std::uint8_t>& out = result.stream;
    out.assign(streamHeaderBytes, 0);
    StreamWriter writer(out);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        result.offsets.push_back(writer.nextBitAt());
        result.centiCycles.push_back(writeFrame(writer, i ? &frames[i - 1] : nullptr, frames[i]));
    }
    if (out.size() > largestStream)
        throw FramesNotCompressible("the stream would be " + std::to_string(out.size()) +
                                    " bytes; the player reads up to " + std::to_string(largestStream));
    put16(out, 0, frames.front().size());
    put16(out, 2, out.size() - streamHeaderBytes);
    return result;
}

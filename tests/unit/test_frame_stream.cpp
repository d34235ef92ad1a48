// SPDX-License-Identifier: MIT
// Frames compressed into a stream and played back by panelbake_play.h, the player firmware
// includes (compiled here as C++, every read and write checked): known bytes worked out by
// hand, every frame of random and hard animations played twice over, the player's time,
// refusals, and damaged streams.
#include "../../fuzz/player_check.h"

#include "compression/frame_steps.h"
#include "compression/frame_stream.h"
#include "compression/player_model.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using Frames = std::vector<std::vector<std::uint8_t>>;

// Every frame, played twice over from a buffer that holds garbage, equals the frame given.
void expectPlaysBack(const Frames& frames)
{
    const CompressedFrames c = compressFrames(frames);
    std::size_t i = 0;
    fuzz::playChecked(c.stream, frames.front().size(), 2 * frames.size(), [&](const std::uint8_t* buffer) {
        const std::vector<std::uint8_t>& expected = frames[i++ % frames.size()];
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer)) << "frame " << (i - 1) % frames.size();
    });
}

std::vector<std::uint8_t> randomBytes(std::mt19937& random, std::size_t size, unsigned density)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& b : bytes)
        b = random() % 100 < density ? static_cast<std::uint8_t>(random()) : 0;
    return bytes;
}

// A square of `side` bytes of 0xFF moving by `step` bytes a frame over a frame of zeros.
Frames movingBlock(std::size_t size, std::size_t side, std::ptrdiff_t step, std::size_t count)
{
    Frames frames;
    for (std::size_t i = 0; i < count; ++i) {
        std::vector<std::uint8_t> f(size, 0);
        const auto at = static_cast<std::size_t>((static_cast<std::ptrdiff_t>(size / 2) + step * static_cast<std::ptrdiff_t>(i)) %
                                                  static_cast<std::ptrdiff_t>(size - side));
        std::fill(f.begin() + static_cast<std::ptrdiff_t>(at), f.begin() + static_cast<std::ptrdiff_t>(at + side), 0xFF);
        frames.push_back(f);
    }
    return frames;
}

TEST(FrameStream, KnownBytes)
{
    // 1 2 3, then 3 three times more (a copy by -1), then 7 8: three steps, forward.
    const CompressedFrames c = compressFrames({{1, 2, 3, 3, 3, 3, 7, 8}});
    // Bits, lowest first: 0 (forward); 011 (count 3) 1 (from the stream) 011 (count 3) in
    // 0xdc, then the three bytes; 011 (source 3: by -1) 001 (count 2) 1 (from the stream) in
    // 0x66, then 7 and 8.
    const std::vector<std::uint8_t> expected = {8, 0, 7, 0, 0xdc, 1, 2, 3, 0x66, 7, 8};
    EXPECT_EQ(c.stream, expected);
    EXPECT_EQ(c.offsets, std::vector<std::size_t>{4});
}

struct Animation {
    const char* name;
    Frames frames;
};

std::vector<Animation> animations()
{
    std::mt19937 random(11);
    std::vector<Animation> all;
    for (std::size_t size : {1u, 2u, 7u, 64u, 1024u, 4000u}) {
        Frames sparse, dense;
        for (int i = 0; i < 6; ++i) {
            sparse.push_back(randomBytes(random, size, 5));
            dense.push_back(randomBytes(random, size, 100));
        }
        all.push_back({"random, few bytes set", sparse});
        all.push_back({"random, every byte", dense});
    }
    const std::vector<std::uint8_t> picture = randomBytes(random, 1024, 30);
    std::vector<std::uint8_t> inverted = picture, onePixel = picture;
    for (std::uint8_t& b : inverted)
        b = static_cast<std::uint8_t>(~b);
    onePixel[517] ^= 0x10;
    all.push_back({"every pixel changing", {picture, inverted, picture, inverted}});
    all.push_back({"nothing changing", {picture, picture, picture}});
    all.push_back({"one pixel changing", {picture, onePixel, picture, onePixel}});
    all.push_back({"one frame", {picture}});
    all.push_back({"a block moving forward", movingBlock(1024, 40, 3, 8)});
    all.push_back({"a block moving back", movingBlock(1024, 40, -5, 8)});
    all.push_back({"runs longer than a number of 8 bits", {std::vector<std::uint8_t>(3000, 0), std::vector<std::uint8_t>(3000, 0xFF)}});
    return all;
}

TEST(FrameStream, PlaysEveryFrameTwiceOver)
{
    for (const Animation& a : animations()) {
        SCOPED_TRACE(std::string(a.name) + ", frames of " + std::to_string(a.frames.front().size()) + " bytes");
        expectPlaysBack(a.frames);
    }
}

// The steps of each frame of a stream, read as the player reads them, and its direction.
struct ReadFrame {
    bool backward = false;
    std::vector<FrameStep> steps;
};

class StepReader {
public:
    explicit StepReader(const std::vector<std::uint8_t>& stream) : stream(stream) {}

    std::vector<ReadFrame> frames()
    {
        const std::size_t size = stream[0] | stream[1] << 8;
        std::vector<ReadFrame> read;
        while (next < stream.size()) {
            ReadFrame& f = read.emplace_back();
            f.backward = bit();
            for (std::size_t at = 0; at < size;) {
                FrameStep s;
                s.count = number();
                const std::uint32_t source = number();
                s.literal = source == 1;
                s.offset = source & 1 ? -static_cast<std::int32_t>(source - 1) / 2 : static_cast<std::int32_t>(source - 2) / 2;
                next += s.literal ? s.count : 0;
                at += s.count;
                f.steps.push_back(s);
            }
        }
        return read;
    }

private:
    unsigned bit()
    {
        if (used == 8) {
            byte = stream.at(next++);
            used = 0;
        }
        return byte >> used++ & 1;
    }
    std::uint32_t number()
    {
        std::uint32_t v = 1;
        while (!bit())
            v = 2 * v + bit();
        return v;
    }

    const std::vector<std::uint8_t>& stream;
    std::size_t next = streamHeaderBytes;
    std::uint8_t byte = 0;
    int used = 8;
};

TEST(FrameStream, EveryFrameWithinThePlayersTime)
{
    // Noise, and noise moving by a byte a frame: the cheapest steps in bits would be many
    // short copies, too slow for the player.
    std::mt19937 random(5);
    Frames noise, moving;
    std::vector<std::uint8_t> wide = randomBytes(random, 1100, 100);
    for (int i = 0; i < 4; ++i) {
        noise.push_back(randomBytes(random, 1024, 100));
        moving.emplace_back(wide.begin() + i, wide.begin() + i + 1024);
        for (int k = 0; k < 40; ++k)
            moving.back()[random() % 1024] ^= 1;
    }
    for (const Frames& frames : {noise, moving}) {
        const CompressedFrames c = compressFrames(frames);
        for (const ReadFrame& f : StepReader(c.stream).frames()) {
            const std::int64_t centiCycles = playerCentiCycles::frame + playerCentiCycles::bit + stepsCentiCycles(f.steps);
            EXPECT_LE(centiCycles, 100 * frameCycles(1024));
        }
    }
}

TEST(FrameStream, RefusesWhatThePlayerCannotPlay)
{
    std::mt19937 random(9);
    Frames tooLarge;
    for (int i = 0; i < 70; ++i)
        tooLarge.push_back(randomBytes(random, 1000, 100)); // incompressible: over 65535 bytes
    const std::vector<Frames> refused = {
        {},
        {{}},
        {{1, 2, 3}, {1, 2}},
        {std::vector<std::uint8_t>(65536, 0)},
        tooLarge,
    };
    for (const Frames& frames : refused)
        EXPECT_THROW(compressFrames(frames), FramesNotCompressible);
    EXPECT_NO_THROW(compressFrames({std::vector<std::uint8_t>(65535, 0)}));
}

// A stream with every kind of step in both directions, damaged at every byte in three ways
// and cut at every length: the player reads only the stream and writes only the buffer.
TEST(FrameStream, DamagedStreamsStayWithinStreamAndBuffer)
{
    Frames frames = movingBlock(48, 5, 3, 3);
    Frames back = movingBlock(48, 5, -2, 3);
    frames.insert(frames.end(), back.begin(), back.end());
    frames[1][0] = 0x42;
    const std::vector<std::uint8_t> stream = compressFrames(frames).stream;
    for (std::size_t at = 0; at < stream.size(); ++at)
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::vector<std::uint8_t> damaged = stream;
            damaged[at] ^= flip;
            fuzz::playerInput(damaged.data(), damaged.size());
        }
    for (std::size_t length = 0; length <= stream.size(); ++length)
        fuzz::playerInput(stream.data(), length);
}

} // namespace

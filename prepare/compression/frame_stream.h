// SPDX-License-Identifier: MIT
#pragma once

// An animation's frames as one compressed stream that panelbake_play.h plays straight
// into a display buffer. The codec sees bytes only: any layout of the frames will do.
//
// The stream: two little-endian 16-bit numbers (the bytes of a frame, the bytes of the
// frames after the header), then the frames, each frame's bits following the frame
// before's. The first frame is rebuilt from nothing; each later one from the frame before,
// which is what the display buffer holds when it is played. After the last frame the
// player reads the first again, so looping costs no extra frame.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

struct CompressedFrames {
    std::vector<std::uint8_t> stream;
    std::vector<std::size_t> offsets;       // where each frame starts: the byte that holds its first bit
    std::vector<std::int64_t> centiCycles; // each frame's time on the chip in hundredths of a cycle, as player_model.h has it
};

// The header's bytes before the first frame.
constexpr std::size_t streamHeaderBytes = 4;
// The player counts in 16 bits: a frame and the stream stay below, and so does the number
// of frames, which a frames header's loop counts.
constexpr std::size_t largestStream = 0xFFFF;

// Frames that cannot be made into a stream: none, of no bytes or of different sizes, or
// a stream that would be larger than the player reads.
class FramesNotCompressible : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Throws FramesNotCompressible for `count` frames of `frameBytes` bytes each that no
// stream can hold, whatever they hold: none, of no bytes, or more than the player counts.
void checkFramesFit(std::size_t count, std::size_t frameBytes);

// The frames, each of the same number of bytes, as a stream. Throws FramesNotCompressible.
CompressedFrames compressFrames(const std::vector<std::vector<std::uint8_t>>& frames);

// SPDX-License-Identifier: MIT
#pragma once

// What panelbake_play.h reads and what it costs: the bits of the numbers in a stream, and
// the time its assembly takes on an ATmega328P, counted from its instructions and held to
// the cycles a simulator of the chip measures (bench/README.md says how).

#include <cstddef>
#include <cstdint>

// The largest number a stream holds: the player counts in 16 bits.
constexpr std::uint32_t largestStreamNumber = 0xFFFF;

// The bits of a number of 1 or more: a 1 ends it, a 0 comes before each binary digit
// after its leading 1.
int numberBits(std::uint32_t value);

// The number that names a copy's source: 2 for an offset of 0, then -1, 1, -2, 2, ...
std::uint32_t sourceNumber(std::int32_t offset);

// The player's time in hundredths of a clock cycle: a frame (with its call, the 23 cycles
// of the chip tests' clock around it and the reading of its direction), each bit of its
// numbers (12.5 cycles, and 8 for each byte of bits read), each step by its kind (with the
// 8.5 cycles of each of its two numbers), each byte taken from the stream and each byte
// copied. Where the two directions or the two signs of a copy differ, the slower: a backward
// frame moves its pointers back after each byte. A copy by 0 bytes keeps what the buffer
// holds and costs no time a byte. A bit's share of a byte read is 1 cycle, but a frame of b
// bits may read up to 7 cycles' worth more bytes than b / 8 (25 bits that begin a byte read
// 4); the frame's part holds that too, so the sum is never below the chip's count.
namespace playerCentiCycles {
constexpr std::int64_t frame = 11200;
constexpr std::int64_t bit = 1350;
constexpr std::int64_t literalStep = 3800;
constexpr std::int64_t copyStep = 6600;
constexpr std::int64_t keepStep = 5400;
constexpr std::int64_t literalByte = 1200;
constexpr std::int64_t copiedByte = 1300;
} // namespace playerCentiCycles

// The clock cycles a frame may take: a 128 x 64 frame (1024 bytes) in under 2 ms at 16 MHz,
// with a margin for what the sum leaves out, as may any smaller one; a larger one as long
// for each of its bytes.
constexpr std::int64_t cyclesPerFrameByte = 30;
constexpr std::int64_t frameCycles(std::size_t frameBytes)
{
    return cyclesPerFrameByte * static_cast<std::int64_t>(frameBytes < 1024 ? 1024 : frameBytes);
}

// SPDX-License-Identifier: MIT
#pragma once

// What panelbake_play.h reads and what it costs: the bits of the numbers in a stream, and
// the time the player takes on an ATmega328P, measured in a simulator of the chip and fitted
// to a sum of what a frame holds (bench/README.md says how).

#include <cstddef>
#include <cstdint>

// The largest number a stream holds: the player counts in 16 bits.
constexpr std::uint32_t largestStreamNumber = 0xFFFF;

// The bits of a number of 1 or more: a 1 ends it, a 0 comes before each binary digit
// after its leading 1.
int numberBits(std::uint32_t value);

// The number that names a copy's source: 2 for an offset of 0, then -1, 1, -2, 2, ...
std::uint32_t sourceNumber(std::int32_t offset);

// The player's time in hundredths of a clock cycle: a frame, each bit of its numbers, each
// step by its kind, each byte taken from the stream and each byte copied. A copy by 0 bytes
// keeps what the buffer holds and costs no time a byte.
namespace playerCentiCycles {
constexpr std::int64_t frame = 8700;
constexpr std::int64_t bit = 2030;
constexpr std::int64_t literalStep = 6300;
constexpr std::int64_t copyStep = 7800;
constexpr std::int64_t keepStep = 7900;
constexpr std::int64_t literalByte = 1400;
constexpr std::int64_t copiedByte = 1300;
} // namespace playerCentiCycles

// The clock cycles a frame may take: a 128 x 64 frame (1024 bytes) in under 2 ms at 16 MHz,
// with a margin for what the fit leaves out, as may any smaller one; a larger one as long
// for each of its bytes.
constexpr std::int64_t cyclesPerFrameByte = 30;
constexpr std::int64_t frameCycles(std::size_t frameBytes)
{
    return cyclesPerFrameByte * static_cast<std::int64_t>(frameBytes < 1024 ? 1024 : frameBytes);
}

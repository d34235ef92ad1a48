// SPDX-License-Identifier: MIT
#pragma once

// The steps that rebuild one frame in a display buffer, chosen for the fewest bits, or
// for the fewest bits and clock cycles of the player together. A frame is rebuilt byte
// after byte in one direction; each step either takes bytes from the stream or copies
// them from elsewhere in the buffer.

#include <cstddef>
#include <cstdint>
#include <vector>

struct FrameStep {
    std::uint32_t count = 0; // bytes written
    bool literal = false;    // taken from the stream
    std::int32_t offset = 0; // a copy's source, this many bytes further on
};

struct FrameParse {
    std::vector<FrameStep> steps;
    std::int64_t bits = 0;        // of the steps' numbers and bytes
    std::int64_t centiCycles = 0; // the player's time for the steps, in hundredths of a cycle
};

// The steps that rebuild `frame` of `size` bytes, in the order given, for the least
// bits * 65536 + centiCycles * cycleWeight: 0 for the fewest bits (and of those the fewest
// steps), 655 to weigh a bit about as much as a cycle. `previous` is what the buffer holds
// before (the frame before, in the same order), or null when it may hold anything.
FrameParse cheapestSteps(const std::uint8_t* previous, const std::uint8_t* frame, std::size_t size,
                         std::int64_t cycleWeight);

// The player's time for steps, in hundredths of a cycle (without the frame's own).
std::int64_t stepsCentiCycles(const std::vector<FrameStep>& steps);

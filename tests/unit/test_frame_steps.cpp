// SPDX-License-Identifier: MIT
// The steps chosen for a frame against every way to rebuild it: on small frames, where the
// offsets tried cover every source, the cheapest steps cost exactly the least any sequence
// of steps costs, and rebuild the frame.
#include "compression/frame_steps.h"
#include "compression/player_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::int64_t cost(const std::vector<FrameStep>& steps, std::int64_t weight)
{
    std::int64_t bits = 0;
    for (const FrameStep& s : steps)
        bits += numberBits(s.count) + (s.literal ? 1 + 8 * std::int64_t{s.count} : numberBits(sourceNumber(s.offset)));
    return bits * 65536 + stepsCentiCycles(steps) * weight + static_cast<std::int64_t>(steps.size());
}

// The buffer after the steps, from `previous` (or zeros): what the player writes.
Bytes rebuild(const Bytes& previous, const Bytes& frame, const std::vector<FrameStep>& steps)
{
    Bytes buffer = previous.empty() ? Bytes(frame.size(), 0) : previous;
    std::size_t at = 0;
    for (const FrameStep& s : steps)
        for (std::uint32_t k = 0; k < s.count; ++k, ++at)
            buffer.at(at) = s.literal ? frame[at] : buffer.at(at + static_cast<std::size_t>(s.offset));
    return buffer;
}

// The least cost of any steps, trying every count and every source at every byte.
std::int64_t leastCost(const Bytes& previous, const Bytes& frame, std::int64_t weight)
{
    const auto n = static_cast<std::int32_t>(frame.size());
    std::vector<std::int64_t> best(frame.size() + 1, INT64_MAX);
    best[0] = 0;
    for (std::int32_t at = 0; at < n; ++at) {
        for (std::int32_t count = 1; at + count <= n; ++count) {
            best[static_cast<std::size_t>(at + count)] =
                std::min(best[static_cast<std::size_t>(at + count)],
                         best[static_cast<std::size_t>(at)] + cost({{static_cast<std::uint32_t>(count), true, 0}}, weight));
            for (std::int32_t offset = -at; offset < n - at; ++offset) {
                if (offset >= 0 && previous.empty())
                    continue;
                // The buffer holds this frame before `at` and the frame before from it on.
                Bytes buffer = previous.empty() ? Bytes(frame.size(), 0) : previous;
                std::copy(frame.begin(), frame.begin() + at, buffer.begin());
                bool gives = true;
                for (std::int32_t k = 0; k < count && gives; ++k) {
                    const std::int32_t from = at + offset + k;
                    gives = from < n && buffer[static_cast<std::size_t>(from)] == frame[static_cast<std::size_t>(at + k)];
                    if (gives)
                        buffer[static_cast<std::size_t>(at + k)] = frame[static_cast<std::size_t>(at + k)];
                }
                if (gives)
                    best[static_cast<std::size_t>(at + count)] =
                        std::min(best[static_cast<std::size_t>(at + count)],
                                 best[static_cast<std::size_t>(at)] + cost({{static_cast<std::uint32_t>(count), false, offset}}, weight));
            }
        }
    }
    return best.back();
}

TEST(FrameSteps, CheapestOfEveryWay)
{
    std::mt19937 random(1);
    for (int round = 0; round < 300; ++round) {
        const std::size_t size = 1 + random() % 9;
        Bytes frame(size), previous;
        for (std::uint8_t& b : frame)
            b = static_cast<std::uint8_t>(random() % 3);
        if (round % 3) {
            previous = frame;
            for (std::uint8_t& b : previous)
                if (random() % 3 == 0)
                    b = static_cast<std::uint8_t>(random() % 3);
        }
        for (std::int64_t weight : {0, 655, 1 << 16}) {
            SCOPED_TRACE("round " + std::to_string(round) + ", weight " + std::to_string(weight));
            const FrameParse parse = cheapestSteps(previous.empty() ? nullptr : previous.data(), frame.data(), size, weight);
            EXPECT_EQ(rebuild(previous, frame, parse.steps), frame);
            EXPECT_EQ(cost(parse.steps, weight), leastCost(previous, frame, weight));
        }
    }
}

} // namespace

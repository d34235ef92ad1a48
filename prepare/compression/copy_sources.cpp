// SPDX-License-Identifier: MIT
#include "compression/copy_sources.h"

#include "compression/player_model.h"

#include <algorithm>

namespace {

// Offsets tried at every byte besides those the pairs of bytes point to: the bytes just
// before (runs) and just after (a picture moved by a few bytes).
constexpr std::int32_t nearOffsets = 8;
// How many earlier places of the same pair of bytes are tried, in this frame and in the
// one before: the nearest ones.
constexpr std::size_t pairTries = 16;

// Each pair of neighbouring bytes with its place, pair first (pair << 16 | place), in order:
// the places of a pair are one run, the nearest found by a binary search.
std::vector<std::uint32_t> pairPlaces(const std::uint8_t* bytes, std::int32_t size)
{
    std::vector<std::uint32_t> keys;
    for (std::int32_t p = 0; p + 1 < size; ++p)
        keys.push_back(static_cast<std::uint32_t>(bytes[p] | bytes[p + 1] << 8) << 16 | static_cast<std::uint32_t>(p));
    std::sort(keys.begin(), keys.end());
    return keys;
}

} // namespace

CopySources::CopySources(const std::uint8_t* previous, const std::uint8_t* frame, std::int32_t size)
    : previous(previous), frame(frame), size(size), runEnd(2 * static_cast<std::size_t>(size) + 1, -1),
      seenAt(runEnd.size(), -1), ownPairs(pairPlaces(frame, size)),
      previousPairs(previous ? pairPlaces(previous, size) : std::vector<std::uint32_t>())
{
}

// The bytes a copy by `offset` gives from byte `at`: the frame's own bytes before `at`
// (a copy may run on into bytes it writes), the frame before's from `at` on.
std::uint32_t CopySources::lengthAt(std::int32_t at, std::int32_t offset)
{
    std::int32_t& end = runEnd[static_cast<std::size_t>(offset + size)];
    if (end > at)
        return static_cast<std::uint32_t>(end - at);
    const std::uint8_t* source = offset < 0 ? frame : previous;
    std::int32_t p = at;
    while (p < size && p + offset < size && frame[p] == source[p + offset])
        ++p;
    end = p;
    return static_cast<std::uint32_t>(p - at);
}

void CopySources::consider(std::int32_t at, std::int32_t offset)
{
    if (at + offset < 0 || at + offset >= size || (offset >= 0 && !previous) ||
        sourceNumber(offset) > largestStreamNumber)
        return;
    std::int32_t& seen = seenAt[static_cast<std::size_t>(offset + size)];
    if (seen == at)
        return;
    seen = at;
    const std::uint32_t length = lengthAt(at, offset);
    if (length > 0)
        found.push_back({offset, length, numberBits(sourceNumber(offset))});
}

std::vector<CopyCandidate>& CopySources::at(std::int32_t at)
{
    found.clear();
    for (std::int32_t d = 0; d <= nearOffsets; ++d) {
        consider(at, d);
        consider(at, -d);
    }
    if (at + 1 < size) {
        const std::uint32_t key = static_cast<std::uint32_t>(frame[at] | frame[at + 1] << 8) << 16 | static_cast<std::uint32_t>(at);
        // The same pair before this byte in this frame, the nearest first.
        auto own = std::lower_bound(ownPairs.begin(), ownPairs.end(), key);
        for (std::size_t tried = 0; own != ownPairs.begin() && tried < pairTries; ++tried) {
            --own;
            if (*own >> 16 != key >> 16)
                break;
            consider(at, static_cast<std::int32_t>(*own & 0xFFFF) - at);
        }
        // And from this byte on in the frame before.
        auto later = std::lower_bound(previousPairs.begin(), previousPairs.end(), key);
        for (std::size_t tried = 0; later != previousPairs.end() && *later >> 16 == key >> 16 && tried < pairTries; ++later, ++tried)
            consider(at, static_cast<std::int32_t>(*later & 0xFFFF) - at);
    }
    return found;
}


// SPDX-License-Identifier: MIT
#pragma once

// The sources a copy could take a frame's bytes from, byte after byte: the frame's own
// bytes before the one being written, and the frame before's from it on (the buffer holds
// this frame up to the byte being written and the frame before after it).

#include <cstdint>
#include <vector>

// A source for a copy at one byte, and how many bytes it gives.
struct CopyCandidate {
    std::int32_t offset; // the source is this many bytes further on
    std::uint32_t length;
    int bits; // of its source number
};

class CopySources {
public:
    // `previous` is null when the buffer may hold anything before the frame.
    CopySources(const std::uint8_t* previous, const std::uint8_t* frame, std::int32_t size);

    // The sources at byte `at`: the offsets near it, and those of the nearest earlier places
    // of the pair of bytes that starts there.
    std::vector<CopyCandidate>& at(std::int32_t at);

private:
    std::uint32_t lengthAt(std::int32_t at, std::int32_t offset);
    void consider(std::int32_t at, std::int32_t offset);

    const std::uint8_t* previous;
    const std::uint8_t* frame;
    std::int32_t size;
    std::vector<std::int32_t> runEnd; // by offset + size: where the match found last ends
    std::vector<std::int32_t> seenAt; // by offset + size: the byte it was last tried at
    std::vector<std::uint32_t> ownPairs, previousPairs;
    std::vector<CopyCandidate> found;
};

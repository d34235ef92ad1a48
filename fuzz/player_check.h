// SPDX-License-Identifier: MIT
#pragma once

// The player check: arbitrary bytes as a compressed stream for panelbake_play.h, the
// player firmware includes. The stream's header is taken as it stands, except that a
// length beyond the bytes given (a stream cut short) is cut to them: the player trusts the
// length it is given and nothing else. It plays eight frames into a buffer of the frame
// size the header declares, and every byte it reads must lie within the
// declared stream, every byte it writes within the buffer. Aborts on a violation.

#include "fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

namespace fuzz {

// The bytes the player may read: those of the stream it plays.
inline const unsigned char* streamFirst = nullptr;
inline const unsigned char* streamEnd = nullptr;

inline unsigned char streamByte(const unsigned char* p)
{
    const std::less<const unsigned char*> before;
    check(!before(p, streamFirst) && before(p, streamEnd), "the player reads within the stream");
    return *p;
}

} // namespace fuzz

#define PANELBAKE_PLAY_READ(p) fuzz::streamByte(p)
#include "compression/panelbake_play.h"

namespace fuzz {

// Bytes on either side of the display buffer that the player must leave alone.
constexpr std::size_t playerGuardBytes = 16;
constexpr std::uint8_t playerGuard = 0xA5;

// Plays `frames` frames of `stream` into a buffer of `frameBytes` bytes with guards around
// it, checking every read and write; `played` gets each frame.
inline void playChecked(const std::vector<std::uint8_t>& stream, std::size_t frameBytes, std::size_t frames,
                        const std::function<void(const std::uint8_t*)>& played = nullptr)
{
    streamFirst = stream.data();
    streamEnd = stream.data() + stream.size();
    std::vector<std::uint8_t> memory(frameBytes + 2 * playerGuardBytes, playerGuard);
    std::uint8_t* buffer = memory.data() + playerGuardBytes;
    struct panelbake_player player;
    panelbake_play_start(&player, stream.data());
    for (std::size_t i = 0; i < frames; ++i) {
        panelbake_play_frame(&player, buffer);
        for (std::size_t g = 0; g < playerGuardBytes; ++g)
            check(memory[g] == playerGuard && memory[playerGuardBytes + frameBytes + g] == playerGuard,
                  "the player writes within the buffer");
        if (played)
            played(buffer);
    }
    streamFirst = streamEnd = nullptr;
}

// Frames played of each input: enough to loop back to the first frame of a short stream.
constexpr std::size_t playerFrames = 8;

inline int playerInput(const std::uint8_t* data, std::size_t size)
{
    constexpr std::size_t header = 4;
    if (size < header)
        return 0; // no header to read
    size = std::min<std::size_t>(size, 0xFFFF);
    // A copy of exactly the stream's bytes, so that the sanitizers see a read past them.
    std::vector<std::uint8_t> stream(data, data + size);
    const std::size_t declared = header + (stream[2] | stream[3] << 8);
    if (declared > size) {
        stream[2] = static_cast<std::uint8_t>(size - header);
        stream[3] = static_cast<std::uint8_t>((size - header) >> 8);
    }
    stream.resize(std::min(size, declared));
    const std::size_t frameBytes = stream[0] | stream[1] << 8;
    playChecked(stream, frameBytes, playerFrames);
    return 0;
}

} // namespace fuzz

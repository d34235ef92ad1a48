// SPDX-License-Identifier: MIT
// Compresses frames into the stream panelbake_play.h plays, for bench/run:
//
//   compress_frames FRAME_BYTES FRAMES STREAM [TIMES]
//
// FRAMES holds the frames one after another, FRAME_BYTES each. TIMES gets each frame's time
// on the chip as the encoder's model has it, in clock cycles, a line each. Exit 1 when they
// cannot be compressed, 2 on a wrong command line or a file error.
#include "compression/frame_stream.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: compress_frames FRAME_BYTES FRAMES STREAM [TIMES]\n");
        return 2;
    }
    const std::size_t frameBytes = std::strtoul(argv[1], nullptr, 10);
    std::ifstream in(argv[2], std::ios::binary);
    const std::vector<std::uint8_t> all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in || frameBytes == 0 || all.size() % frameBytes) {
        std::fprintf(stderr, "compress_frames: %s does not hold whole frames of %zu bytes\n", argv[2], frameBytes);
        return 2;
    }
    std::vector<std::vector<std::uint8_t>> frames;
    for (auto at = all.begin(); at != all.end(); at += static_cast<std::ptrdiff_t>(frameBytes))
        frames.emplace_back(at, at + static_cast<std::ptrdiff_t>(frameBytes));
    try {
        const CompressedFrames c = compressFrames(frames);
        std::ofstream out(argv[3], std::ios::binary);
        out.write(reinterpret_cast<const char*>(c.stream.data()), static_cast<std::streamsize>(c.stream.size()));
        if (argc == 5) {
            std::ofstream times(argv[4]);
            for (std::int64_t centiCycles : c.centiCycles)
                times << (centiCycles + 99) / 100 << '\n';
            if (!times.flush())
                return 2;
        }
        return out.flush() ? 0 : 2;
    } catch (const FramesNotCompressible& e) {
        std::fprintf(stderr, "compress_frames: %s\n", e.what());
        return 1;
    }
}

// SPDX-License-Identifier: MIT
// Writes the header of compressed frames from the command line, for the player's tests:
//
//   streamtool header HEADER WIDTH HEIGHT FRAME_BYTES FRAMES MEMORY DELAY...
//       FRAMES holds the frames one after another, FRAME_BYTES each; writes the compressed
//       frames header HEADER of page columns (MEMORY: player, where panelbake_play.h reads,
//       pgm or pic30; a delay in milliseconds for each frame) and panelbake_play.h beside it
//   streamtool times FRAME_BYTES FRAMES
//       prints each frame's time on an ATmega328P as the encoder's model has it (player_model.h),
//       in clock cycles rounded up, a line each: the player's assembly must take no longer
//
// Exit 1 when the frames cannot be compressed, 2 on a wrong command line or a file error.
#include "compression/frame_stream.h"
#include "compression/frames_header.h"
#include "compression/player_header.h"
#include "output_names.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::vector<std::uint8_t>> readFrames(const char* path, std::size_t frameBytes)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (!in || frameBytes == 0 || all.size() % frameBytes) {
        std::fprintf(stderr, "streamtool: %s does not hold whole frames of %zu bytes\n", path, frameBytes);
        std::exit(2);
    }
    std::vector<std::vector<std::uint8_t>> frames;
    for (std::size_t at = 0; at < all.size(); at += frameBytes)
        frames.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(at), all.begin() + static_cast<std::ptrdiff_t>(at + frameBytes));
    return frames;
}

void writeFile(const std::string& path, const void* data, std::size_t size)
{
    std::ofstream out(path, std::ios::binary);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out.flush()) {
        std::fprintf(stderr, "streamtool: could not write %s\n", path.c_str());
        std::exit(2);
    }
}

ArrayAttribute attributeNamed(const std::string& name)
{
    return arrayAttribute(name == "pgm", name == "pic30");
}

int header(int argc, char** argv)
{
    const std::string path = argv[2];
    const auto frames = readFrames(argv[6], std::strtoul(argv[5], nullptr, 10));
    std::vector<int> delays;
    for (int i = 8; i < argc; ++i)
        delays.push_back(std::atoi(argv[i]));
    if (delays.size() != frames.size()) {
        std::fprintf(stderr, "streamtool: %zu frames but %zu delays\n", frames.size(), delays.size());
        return 2;
    }
    const std::string text = compressedFramesHeaderText(path, std::atoi(argv[3]), std::atoi(argv[4]),
                                                        compressFrames(frames), delays, attributeNamed(argv[7]),
                                                        *layoutNamed("pages"));
    writeFile(path, text.data(), text.size());
    const std::string player = path.substr(0, fileNameStart(path)) + playerHeaderName;
    writeFile(player, playerHeaderText().data(), playerHeaderText().size());
    return 0;
}

int times(char** argv)
{
    const auto frames = readFrames(argv[3], std::strtoul(argv[2], nullptr, 10));
    for (std::int64_t centiCycles : compressFrames(frames).centiCycles)
        std::printf("%lld\n", static_cast<long long>((centiCycles + 99) / 100));
    return std::fflush(stdout) == 0 ? 0 : 2;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc >= 8 && std::strcmp(argv[1], "header") == 0)
            return header(argc, argv);
        if (argc == 4 && std::strcmp(argv[1], "times") == 0)
            return times(argv);
    } catch (const FramesNotCompressible& e) {
        std::fprintf(stderr, "streamtool: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: streamtool header HEADER WIDTH HEIGHT FRAME_BYTES FRAMES MEMORY DELAY...\n"
                         "       streamtool times FRAME_BYTES FRAMES\n");
    return 2;
}

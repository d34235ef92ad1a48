// SPDX-License-Identifier: MIT
// The header of an animation's compressed frames, known text worked out by hand for a tiny
// animation, and the player's header that panelbake-prepare writes beside it, which is
// the repository's panelbake_play.h.
#include "compression/frames_header.h"
#include "compression/player_header.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

TEST(FramesHeader, CompressedFramesKnownText)
{
    // Frame 0: forward, 3 bytes from the stream, 1 copied by -1 (0xbc: 0 011 1 1 01, then
    // 1 in 0x99); frame 1, from the second bit of 0x99: forward, 3 bytes kept, 1 byte from
    // the stream (0 011 001, then 0x03: 1 1).
    const CompressedFrames c = compressFrames({{1, 2, 3, 3}, {1, 2, 3, 4}});
    const std::string expected =
        "/* walk-cycle_frames.h: the 2 frames of an animation, compressed, for a display loop.\n"
        " * panelbake_play.h, written beside this header, plays them into a display buffer:\n"
        " *\n"
        " *   #include \"panelbake_play.h\"\n"
        " *   #include \"walk-cycle_frames.h\"\n"
        " *\n"
        " *   static struct panelbake_player player;\n"
        " *   unsigned int i;\n"
        " *\n"
        " *   panelbake_play_start(&player, walk_cycle_frames_stream);\n"
        " *   for (;;) for (i = 0; i < WALK_CYCLE_FRAMES_COUNT; i++) {\n"
        " *       panelbake_play_frame(&player, display.getBuffer());\n"
        " *       display.display();\n"
        " *       delay(walk_cycle_frames_delay_ms[i]);\n"
        " *   }\n"
        " *\n"
        " * Each call writes the next frame, WALK_CYCLE_FRAMES_BYTES bytes, into the buffer, and\n"
        " * after the last frame the first again.\n"
        " * With -pgm the stream lies in program memory, where the player reads it on AVR. */\n"
        "#ifndef _WALK_CYCLE_FRAMES_H\n"
        "#define _WALK_CYCLE_FRAMES_H\n"
        "\n"
        "#include \"panelbake_play.h\"\n"
        "\n"
        "#define WALK_CYCLE_FRAMES_COUNT 2\n"
        "#define WALK_CYCLE_FRAMES_WIDTH  4\n"
        "#define WALK_CYCLE_FRAMES_HEIGHT 8\n"
        "/* bytes of one frame in the pages layout, as the player writes it */\n"
        "#define WALK_CYCLE_FRAMES_BYTES 4\n"
        "/* bytes of the stream, for 8 bytes of frames */\n"
        "#define WALK_CYCLE_FRAMES_STREAM_BYTES 11\n"
        "\n"
        "static const unsigned char __attribute__ ((progmem)) walk_cycle_frames_stream[WALK_CYCLE_FRAMES_STREAM_BYTES] = {\n"
        "0x04, 0x00, 0x07, 0x00, 0xbc, 0x01, 0x02, 0x03, 0x99, 0x03, 0x04,\n"
        "};\n"
        "\n"
        "/* the byte of the stream that holds each frame's first bit */\n"
        "static const unsigned int walk_cycle_frames_offset[WALK_CYCLE_FRAMES_COUNT] = {\n"
        "    4,\n"
        "    8,\n"
        "};\n"
        "\n"
        "/* how long each frame is shown, in milliseconds */\n"
        "static const unsigned long walk_cycle_frames_delay_ms[WALK_CYCLE_FRAMES_COUNT] = {\n"
        "    100,\n"
        "    250,\n"
        "};\n"
        "\n"
        "#endif\n";
    EXPECT_EQ(compressedFramesHeaderText("art/walk-cycle_frames.h", 4, 8, c, {100, 250}, ArrayAttribute::avrProgmem,
                                         *layoutNamed("pages")),
              expected);
}

TEST(FramesHeader, PlayerHeaderIsTheSource)
{
    const std::filesystem::path source =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "prepare" / "compression" / playerHeaderName;
    std::ifstream in(source, std::ios::binary);
    ASSERT_TRUE(in) << source;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_EQ(playerHeaderText(), text);
}

} // namespace

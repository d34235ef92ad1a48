// SPDX-License-Identifier: MIT
#pragma once

// A MicroPython module of a picture's bytes, as panelbake-prepare --for micropython writes
// one: `WIDTH = 13` and `HEIGHT = 10`, `DATA = bytearray(` with bytes literals
// (b'\x00\x1f...', one after another), and the frame buffer's format.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PythonBytes {
    bool found = false; // the text makes a bytearray of bytes literals
    std::string name;   // the name it is assigned to
    std::int64_t line = 0;
    std::vector<std::uint8_t> bytes;
    std::int64_t width = 0; // WIDTH and HEIGHT; 0 where the text has none
    std::int64_t height = 0;
    std::string format;  // the first of MONO_VLSB, MONO_HLSB, MONO_HMSB, GS2_HMSB and GS4_HMSB the text names, or empty
    std::string problem; // why the literals are not bytes; empty when they are
};

PythonBytes readPythonBytes(std::string_view text);

// SPDX-License-Identifier: MIT
// What a picture chosen on the page is, as panelbake-prepare tells it from its first bytes.
#include "decoding/picture_format.h"

#include <emscripten.h>

#include <cstddef>
#include <cstdint>

// "PNG", "JPEG", "GIF", "BMP", "PAM" or "unknown" (formatName) of a file's first bytes.
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_format(const std::uint8_t* bytes, int count)
{
    return formatName(sniffFormat(bytes, static_cast<std::size_t>(count)));
}

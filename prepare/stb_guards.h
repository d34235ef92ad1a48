// SPDX-License-Identifier: MIT
#pragma once

// Checks made before stb_image sees a picture, for malformed files that the library
// version Debian ships would read or write out of bounds on. Each refuses the file as
// corrupt with a PictureRefusal.

#include <cstddef>
#include <cstdint>

// A JPEG Huffman table (DHT) lists how many codes it has of each length 1 to 16; more
// than 256 in all overruns the library's arrays of 256 symbols while it builds the table.
// A table that does not fit in its segment is refused too: the library would take its
// counts from the bytes after it.
void checkJpegForStb(const std::uint8_t* data, std::size_t size);

// SPDX-License-Identifier: MIT
#pragma once

// Checks made before stb_image sees a picture, for malformed files that the library
// version Debian ships would read or write out of bounds on. Each refuses the file as
// corrupt with a PictureRefusal.

#include <cstddef>
#include <cstdint>
#include <vector>

// A JPEG Huffman table (DHT) lists how many codes it has of each length 1 to 16; more
// than 256 in all overruns the library's arrays of 256 symbols while it builds the table.
// A table that does not fit in its segment is refused too: the library would take its
// counts from the bytes after it. And a scan that decodes with a Huffman or quantization
// table no segment before it defined is refused: the library would read that table from
// memory it never set (out of bounds for a Huffman table, different pixels on every run
// for a quantization table).
void checkJpegForStb(const std::uint8_t* data, std::size_t size);

// PNG image data chunks (IDAT) as the library takes them. It makes room for a chunk's
// stated length before reading it, so a chunk that claims more bytes than the file has
// left would have a few bytes take gigabytes: such a file is refused as cut short. And a
// chunk of no bytes before any other makes it copy no bytes to a null pointer: it holds
// nothing, so the file is decoded without it. Returns the copy of the file with those
// chunks left out, or an empty vector when it has none.
std::vector<std::uint8_t> pngForStb(const std::uint8_t* data, std::size_t size);

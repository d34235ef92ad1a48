// SPDX-License-Identifier: MIT
// Runs the bitmap library's reader and writer from the command line, for the
// interoperability tests:
//
//   bmptool load-dump IN           prints "WIDTH HEIGHT DEPTH", then one line per row, top
//                                  row first, of the pixels as hex rrggbbaa; exit 1 when the
//                                  file is refused
//   bmptool convert IN OUT DEPTH   loads IN, switches it to DEPTH (with the standard palette
//                                  at 1, 4 and 8 bits) and saves it as OUT
//
// The library's messages stay off, as they are until a program turns them on, so that
// standard output holds only the dump.
#include "bitmap.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "load-dump") == 0) {
        Bitmap b;
        if (!b.load(argv[2]))
            return 1;
        std::printf("%d %d %d\n", b.width, b.height, b.bitsPerPixel);
        for (std::int32_t y = 0; y < b.height; ++y) {
            for (std::int32_t x = 0; x < b.width; ++x) {
                const Pixel& p = b.pixelAt(x, y);
                std::printf("%s%02x%02x%02x%02x", x ? " " : "", p.red, p.green, p.blue, p.alpha);
            }
            std::printf("\n");
        }
        return 0;
    }
    if (argc == 5 && std::strcmp(argv[1], "convert") == 0) {
        Bitmap b;
        return b.load(argv[2]) && b.setBitDepth(std::atoi(argv[4])) && b.save(argv[3]) ? 0 : 1;
    }
    std::fprintf(stderr, "usage: bmptool load-dump IN | bmptool convert IN OUT DEPTH\n");
    return 2;
}

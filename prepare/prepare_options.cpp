// SPDX-License-Identifier: MIT
#include "prepare_options.h"

#include <cstring>

PrepareOptions parsePrepareOptions(int argc, const char* const* argv)
{
    PrepareOptions options;
    for (int i = 1; i < argc && options.problem.empty(); ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0) {
            options.help = true;
        } else if (std::strcmp(arg, "--force") == 0) {
            options.force = true;
        } else if (std::strcmp(arg, "-v") == 0) {
            options.verbose = true;
        } else if (std::strcmp(arg, "-o") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                options.problem = "-o needs the path of the BMP to write";
            else
                options.output = argv[++i];
        } else if (arg[0] == '-' && arg[1] != '\0') {
            options.problem = std::string("unknown option ") + arg;
        } else if (!options.source.empty()) {
            options.problem = "give one picture only";
        } else {
            options.source = arg;
        }
    }
    if (options.problem.empty() && options.source.empty() && !options.help)
        options.problem = "no picture given";
    return options;
}

const char* prepareUsage()
{
    return "Usage: panelbake-prepare <picture> [-o <output.bmp>] [--force] [-v]\n"
           "\n"
           "Turns a PNG, JPEG, GIF or BMP picture into the 24-bit BMP that panelbake converts,\n"
           "written next to the picture (logo.png -> logo.bmp) or at -o:\n"
           "\t-o <path>\tthe BMP to write; for an animation, the base of the frames' names\n"
           "\t--force\t\treplace files that exist (without it they are never overwritten)\n"
           "\t-v\t\tname every file written\n"
           "\t--help\t\tthis text\n"
           "\n"
           "Transparent parts are laid on white, 16-bit samples reduced to the nearest 8-bit\n"
           "value, and a JPEG is turned as its EXIF orientation says; colour profiles are\n"
           "ignored. A BMP that panelbake reads is copied as it is. An animated GIF gives one\n"
           "BMP per frame (walk.gif -> walk_00.bmp, walk_01.bmp, ...) as a browser shows it,\n"
           "and walk_frames.h, which lists the frames' headers and delays for a display loop.\n"
           "\n"
           "Exit codes: 0 written (or nothing to do), 1 wrong command line, 2 the picture\n"
           "cannot be read, 3 not a picture this program reads or a damaged one, 4 the\n"
           "picture is too large, 5 an output exists (give --force), 6 an output cannot be\n"
           "written (nothing is left behind), 7 not enough memory.\n";
}

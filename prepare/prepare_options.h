// SPDX-License-Identifier: MIT
#pragma once

// The command line of panelbake-prepare, parsed into a plain struct without touching a
// file.

#include <string>

struct PrepareOptions {
    std::string source;
    std::string output;  // -o PATH; empty: next to the source
    bool force = false;  // --force: replace existing files
    bool verbose = false;
    bool help = false;   // --help: the usage text, nothing else
    std::string problem; // why the command line is refused; empty when it is not
};

// Reads argv[1] onwards. Options may come in any order, before or after the picture.
PrepareOptions parsePrepareOptions(int argc, const char* const* argv);

// The usage text.
const char* prepareUsage();

// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

// What the command line sets. A negative size means "not given".
struct ConverterOptions {
    std::int32_t targetWidth = -1;
    std::int32_t targetHeight = -1;
    bool verbose = false;
    bool avrProgmem = false;
    bool pic30AutoPsv = false;
};

// panelbake's process-wide switches, set once by applyOptions. Its pipeline reads them and
// hands them to the header writer, which takes them as parameters.
extern bool verbose;
extern bool avrProgmem;
extern bool pic30AutoPsv;

// Reads the options after the source path (argv[2] onwards). A value argument is not
// consumed: it is visited like any other argument, and later options win.
ConverterOptions parseOptions(int argc, const char* const* argv);

// Sets the process-wide switches, the library's warning switch included.
void applyOptions(const ConverterOptions& options);

void printUsage();

// SPDX-License-Identifier: MIT
#include "options.h"

#include "console_text.h"
#include "diagnostics.h"
#include "switch_options.h"

#include <cstdlib>
#include <cstring>

bool verbose = false;
bool avrProgmem = false;
bool pic30AutoPsv = false;

namespace {

// The value the C library's atoi gives: leading white space and one sign, digits up to
// the first non-digit, 0 when there are none.
std::int32_t integerValue(const char* text)
{
    return static_cast<std::int32_t>(std::strtol(text, nullptr, 10));
}

} // namespace

ConverterOptions parseOptions(int argc, const char* const* argv)
{
    ConverterOptions options;
    for (int i = 2; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc; // "-h" or "-w" as the last argument is ignored
        if (std::strcmp(arg, "-h") == 0) {
            if (hasValue)
                options.targetHeight = integerValue(argv[i + 1]);
        } else if (std::strcmp(arg, "-w") == 0) {
            if (hasValue)
                options.targetWidth = integerValue(argv[i + 1]);
        } else {
            setSwitch(arg, {{"-v", options.verbose}, {"-pgm", options.avrProgmem}, {"-pic30", options.pic30AutoPsv}});
        }
    }
    return options;
}

void applyOptions(const ConverterOptions& options)
{
    verbose = options.verbose;
    avrProgmem = options.avrProgmem;
    pic30AutoPsv = options.pic30AutoPsv;
    bitmapWarnings = options.verbose;
}

void printUsage()
{
    writeOut("\n"
             "Usage: panelbake <image.bmp> <options>\n"
             "\t-h <height>\ttarget image height in pixels\n"
             "\t-w <width>\ttarget image width in pixels\n"
             "\t-v\tverbose mode\n"
             "\t-pgm\tcrate header with __attribute__ ((progmem)) for AVR\n"
             "\t-pic30\tcrate header whith __attribute__((space(auto_psv))) for PIC30\n"
             "\n"
             "This program converts a bitmap to binary bitmap (black and white) with 8bit page\n"
             "height that can be written directly to graphical lcd display. A c-header file is\n"
             "created where data bytes represent pixels in page columns rather than in lines.\n"
             "The created bitmap is solely to see the result image in simple way.\n"
             "\n");
}

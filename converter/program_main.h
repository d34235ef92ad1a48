// SPDX-License-Identifier: MIT
#pragma once

// The entry point of a program whose work is `run(argc, argv)` on its arguments in UTF-8:
// main; on Windows wmain (linked with -municode), which gets the arguments in UTF-16 and
// shows a console's output as UTF-8 while the program runs. Both programs start here.

#ifdef _WIN32
#include "windows_utf8.h"

#define PANELBAKE_PROGRAM_MAIN(run)                                                                                   \
    int wmain(int argc, wchar_t** wideArgv)                                                                           \
    {                                                                                                                 \
        Utf8Arguments arguments(argc, wideArgv);                                                                      \
        Utf8Console console;                                                                                          \
        return run(argc, arguments.argv());                                                                           \
    }
#else
#define PANELBAKE_PROGRAM_MAIN(run)                                                                                   \
    int main(int argc, char** argv)                                                                                   \
    {                                                                                                                 \
        return run(argc, argv);                                                                                       \
    }
#endif

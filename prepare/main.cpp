// SPDX-License-Identifier: MIT
// panelbake-prepare: a PNG, JPEG, GIF or BMP picture to the 24-bit BMP panelbake converts.
#include "prepare_run.h"

#ifdef _WIN32
#include "windows_utf8.h"

// Windows passes the arguments in UTF-16 to wmain (linked with -municode).
int wmain(int argc, wchar_t** wideArgv)
{
    Utf8Arguments arguments(argc, wideArgv);
    Utf8Console console;
    return runPrepare(argc, arguments.argv());
}
#else
int main(int argc, char** argv)
{
    return runPrepare(argc, argv);
}
#endif

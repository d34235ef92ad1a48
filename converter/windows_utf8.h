// SPDX-License-Identifier: MIT
#pragma once

// UTF-8 at the Windows edge of the program. Past the entry point the converter works on
// UTF-8 names, as on other systems, so it prints and derives exactly the names a Linux
// build does.

#include <string>
#include <vector>

// The command line as UTF-8 strings. Windows hands a program its arguments in UTF-16
// (wmain).
class Utf8Arguments {
public:
    Utf8Arguments(int argc, const wchar_t* const* wideArgv);
    char** argv() { return pointers.data(); }

private:
    std::vector<std::string> strings;
    std::vector<char*> pointers; // argv[argc] is a null pointer, as in main
};

// While it lives, a console that shows this program's output decodes it as UTF-8, so
// names print as they are; its earlier code page comes back afterwards. Output to a file
// or a pipe is the same bytes either way.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned int previousCodePage = 0; // 0: left alone
};

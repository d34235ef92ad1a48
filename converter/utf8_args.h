#pragma once

#include <string>
#include <vector>

// The command line as UTF-8 strings. Windows hands a program its arguments in UTF-16
// (wmain); past the entry point the converter works on UTF-8 names, as on other systems,
// so it prints and derives exactly the names a Linux build does.
class Utf8Arguments {
public:
    Utf8Arguments(int argc, const wchar_t* const* wideArgv);
    char** argv() { return pointers.data(); }

private:
    std::vector<std::string> strings;
    std::vector<char*> pointers; // argv[argc] is a null pointer, as in main
};

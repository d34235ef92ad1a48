// SPDX-License-Identifier: MIT
#include "output_names.h"

std::size_t fileNameStart(const std::string& path)
{
#ifdef _WIN32
    const std::size_t separator = path.find_last_of("/\\");
#else
    const std::size_t separator = path.find_last_of('/');
#endif
    return separator == std::string::npos ? 0 : separator + 1;
}

namespace {

bool isAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isAsciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The ASCII letters of `s` from the case of `from` ('a' or 'A') to that of `to`; other
// bytes stay as they are.
std::string inAsciiCase(std::string s, char from, char to)
{
    for (char& c : s)
        if (c >= from && c <= from + 25)
            c = static_cast<char>(c - from + to);
    return s;
}

} // namespace

std::string makeBaseName(const std::string& sourcePath)
{
    const std::size_t start = fileNameStart(sourcePath);
    std::string directory = sourcePath.substr(0, start);
    std::string name = sourcePath.substr(start);
    // A name that is only ".bmp" keeps it: the search starts at its second character.
    const std::size_t extension = name.find(".bmp", 1);
    if (extension != std::string::npos)
        name.replace(extension, 4, "_glcd");
    for (char& c : name)
        if (c == '-')
            c = '_';
    return directory + name;
}

std::string makePreviewName(const std::string& baseName)
{
    return baseName + ".bmp";
}

std::string identifierStem(const std::string& baseName)
{
    std::string stem = baseName.substr(fileNameStart(baseName));
    for (char& c : stem)
        if (!isAsciiLetter(c) && !isAsciiDigit(c) && c != '_')
            c = '_';
    if (!stem.empty() && isAsciiDigit(stem.front()))
        stem.insert(stem.begin(), '_');
    return stem;
}

std::string macroStem(const std::string& baseName)
{
    return inAsciiCase(identifierStem(baseName), 'a', 'A');
}

std::string arrayName(const std::string& baseName)
{
    return inAsciiCase(identifierStem(baseName), 'A', 'a') + "_bmp";
}

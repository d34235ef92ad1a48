// SPDX-License-Identifier: MIT
#include "diagnostics.h"

#include <iostream>

bool bitmapWarnings = false;

namespace {

void printMessage(const char* prefix, std::initializer_list<std::string> lines)
{
    if (!bitmapWarnings)
        return;
    const std::string indent(std::char_traits<char>::length(prefix), ' ');
    bool first = true;
    for (const std::string& line : lines) {
        std::cout << (first ? prefix : indent.c_str()) << line << std::endl;
        first = false;
    }
}

} // namespace

void pictureError(std::initializer_list<std::string> lines)
{
    printMessage("Picture Error: ", lines);
}

void pictureWarning(std::initializer_list<std::string> lines)
{
    printMessage("Picture Warning: ", lines);
}

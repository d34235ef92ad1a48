// SPDX-License-Identifier: MIT
#include "diagnostics.h"

#include "console_text.h"

bool bitmapWarnings = false;

namespace {

void printMessage(const char* prefix, std::initializer_list<std::string> lines)
{
    if (!bitmapWarnings)
        return;
    const std::string indent(std::char_traits<char>::length(prefix), ' ');
    bool first = true;
    for (const std::string& line : lines) {
        writeOut((first ? prefix : indent.c_str()) + line + "\n");
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

// SPDX-License-Identifier: MIT
#include "windows_utf8.h"

#include "wide_names.h"

#include <windows.h>

Utf8Arguments::Utf8Arguments(int argc, const wchar_t* const* wideArgv)
{
    for (int i = 0; i < argc; ++i)
        strings.push_back(utf16ToUtf8(wideArgv[i]));
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
}

namespace {

bool isConsole(DWORD handle)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(handle), &mode) != 0;
}

} // namespace

Utf8Console::Utf8Console()
{
    if (!isConsole(STD_OUTPUT_HANDLE) && !isConsole(STD_ERROR_HANDLE))
        return;
    const UINT current = GetConsoleOutputCP();
    if (current != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        previousCodePage = current;
}

Utf8Console::~Utf8Console()
{
    if (previousCodePage != 0)
        SetConsoleOutputCP(previousCodePage);
}

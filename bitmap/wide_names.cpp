// SPDX-License-Identifier: MIT
#include "wide_names.h"

#include <windows.h>

// Without MB_ERR_INVALID_CHARS and WC_ERR_INVALID_CHARS, Windows replaces what it cannot
// convert with U+FFFD instead of failing. An empty text is not converted: Windows refuses
// a length of 0.

std::string utf16ToUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring utf8ToUtf16(const std::string& text)
{
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, out.data(), size);
    return out;
}

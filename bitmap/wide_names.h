// SPDX-License-Identifier: MIT
#pragma once

// Windows only. Windows' file functions and command line take names in UTF-16, while the
// program works on UTF-8 names throughout; Windows' own conversion does the translation.
// A malformed sequence (a lone surrogate, a stray or cut-short UTF-8 sequence) becomes
// U+FFFD, so a bad name can only fail to open, never name another file.

#include <string>

std::string utf16ToUtf8(const std::wstring& text);
std::wstring utf8ToUtf16(const std::string& text);

// SPDX-License-Identifier: MIT
#pragma once

// UTF-8 and UTF-16 for Windows, whose file functions and command line use UTF-16 while
// the program works on UTF-8 names throughout. A malformed sequence (a lone surrogate,
// a stray or truncated UTF-8 byte sequence) becomes U+FFFD, so a bad name can only fail
// to open, never name another file.

#include <string>

std::string utf16ToUtf8(const std::u16string& text);
std::u16string utf8ToUtf16(const std::string& text);

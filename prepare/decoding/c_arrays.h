// SPDX-License-Identifier: MIT
#pragma once

// Bytes back from C text: the initialiser of an array of bytes, in a header panelbake or
// panelbake-prepare writes or in any C source, and the picture's size from the size macros
// beside it. The bytes are read as a C compiler reads them: hex, decimal, 0b binary,
// Arduino's B10110001 and a leading 0 octal, comments skipped.

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The most bytes an array is read up to: a byte holds at least one pixel of a picture, and
// a picture holds at most this many.
constexpr std::int64_t arrayTextMostBytes = std::int64_t{1} << 28;

// The problems of an array listed by name; more are counted.
constexpr std::size_t arrayProblemsListed = 20;

struct ListedArray {
    std::string name; // empty for braces without a declaration
    std::int64_t line;
    std::size_t count; // of its bytes
};

struct ArrayText {
    std::vector<std::uint8_t> bytes;
    std::string name;
    std::int64_t line = 0;
    bool bytesAlone = false;         // the text has no braces: its bytes are read alone
    std::vector<ListedArray> arrays; // every array of bytes in the text
    int chosen = -1;                 // the place of the one read among them
    // What a reader should know of bytes that are read, and why they are not the array's
    // (the first few; problemCount counts all). Nothing is to be shown when there are
    // problems.
    std::vector<std::string> notes;
    std::vector<std::string> problems;
    std::size_t problemCount = 0;
    // The size from the size macros (0 where they say none), and the macros' names.
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::string widthMacro;
    std::string heightMacro;
    std::map<std::string, std::int64_t> defines; // every integer macro of the text
};

// Reads the bytes of one array in C text: the one named `choice`, or by default the first
// that is declared as bytes and reads without a problem. A text without braces is read as
// bytes alone ("0x00, 0x1f, ..." copied out of an initialiser).
ArrayText readArrayText(std::string_view text, const std::string& choice = "");

// "The array on line 3", or "logo (line 3)".
std::string arrayLabel(const std::string& name, std::int64_t line);

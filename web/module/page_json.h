// SPDX-License-Identifier: MIT
#pragma once

// JSON for the page's worker, and the names the page gives the BMPs of the pictures
// chosen together.

#include <string>
#include <vector>

// A string as a JSON string literal, quotes included.
std::string jsonString(const std::string& text);

// Strings as a JSON array of string literals.
std::string jsonStrings(const std::vector<std::string>& texts);

// The lines of a text, one a line ("a\nb" -> {"a", "b"}); a last empty line is none.
std::vector<std::string> splitLines(const std::string& lines);

struct PageBmpNames {
    std::string bmp;         // the BMP panelbake converts: the prepared name, kept apart from the others'
    std::string adjustedBmp; // the BMP an adjusted BMP is prepared into beside itself, with -o
    bool renamed;            // bmp is not the prepared name: panelbake-prepare is given it with -o
};

// panelbake-prepare's names for the sources (logo.png -> logo.bmp), in their order. A name
// that an earlier source has already (in any case of its letters: logo.png, logo.jpg) gets
// a number after its stem (logo_2.bmp), so that their BMPs and headers are kept apart.
std::vector<PageBmpNames> pageBmpNames(const std::vector<std::string>& sources);

// pageBmpNames of the sources given one a line, as a JSON array of {"bmp", "adjustedBmp",
// "renamed"}.
std::string pageNamesJson(const std::string& sourceLines);

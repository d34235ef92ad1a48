// SPDX-License-Identifier: MIT
#pragma once

// The names the page gives the BMPs of the pictures chosen together, as JSON for its
// worker.

#include <string>
#include <vector>

// A string as a JSON string literal, quotes included.
std::string jsonString(const std::string& text);

struct PageBmpNames {
    std::string bmp;    // the BMP panelbake converts: the prepared name, kept apart from the others'
    std::string beside; // the BMP an adjusted BMP is prepared into beside itself, with -o
    bool apart;         // bmp is not the prepared name: panelbake-prepare is given it with -o
};

// panelbake-prepare's names for the sources (logo.png -> logo.bmp), in their order. A name
// that an earlier source has already (in any case of its letters: logo.png, logo.jpg) gets
// a number after its stem (logo_2.bmp), so that their BMPs and headers are kept apart.
std::vector<PageBmpNames> pageBmpNames(const std::vector<std::string>& sources);

// pageBmpNames of the sources given one a line, as a JSON array of {"bmp", "beside", "apart"}.
std::string pageNamesJson(const std::string& sourceLines);

// SPDX-License-Identifier: MIT
#pragma once

#include <initializer_list>
#include <string>

// While false, the bitmap library prints nothing; results are the same either way. It is
// false until a program turns the messages on: panelbake with -v, as its option parsing
// sets it. panelbake-prepare leaves it alone, and so stays quiet.
extern bool bitmapWarnings;

// "Picture Error: " / "Picture Warning: " messages on standard output. The first text
// follows the prefix; every further text is a continuation line indented to line up
// under it. Each line is flushed. Nothing is printed while bitmapWarnings is false.
void pictureError(std::initializer_list<std::string> lines);
void pictureWarning(std::initializer_list<std::string> lines);

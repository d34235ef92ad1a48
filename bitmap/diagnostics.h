// SPDX-License-Identifier: MIT
#pragma once

#include <initializer_list>
#include <string>

// While false, the bitmap library prints nothing; results are the same either way.
extern bool bitmapWarnings;

// "Picture Error: " / "Picture Warning: " messages on standard output. The first text
// follows the prefix; every further text is a continuation line indented to line up
// under it. Each line is flushed. Nothing is printed while bitmapWarnings is false.
void pictureError(std::initializer_list<std::string> lines);
void pictureWarning(std::initializer_list<std::string> lines);

// SPDX-License-Identifier: MIT
#pragma once

// Text for the console through C's streams (iostreams would more than double the size of
// the page's WebAssembly programs). Each piece is flushed as it is written, so that what
// goes to standard output and to standard error keeps its order where both go to one place.

#include <string>

void writeOut(const std::string& text);
void writeError(const std::string& text);

// Tests and fuzz checks that compare what is printed: while `out` (`err`) is not null, what
// would go to standard output (standard error) is appended to it instead. Null releases.
void captureConsole(std::string* out, std::string* err);

// SPDX-License-Identifier: MIT
#pragma once

// Buffered C streams for the BMP reader and writer, closed on every path out.

#include <cstdio>
#include <memory>

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// std::fopen for a UTF-8 name. Windows opens files by UTF-16 name (the narrow functions
// would go through the ANSI code page, which cannot hold most names), so the name is
// converted there; elsewhere this is std::fopen.
std::FILE* openFile(const char* path, const char* mode);

// std::remove for a UTF-8 name, in the same way.
int removeFile(const char* path);

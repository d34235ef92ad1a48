// SPDX-License-Identifier: MIT
#pragma once

// Buffered C streams for the BMP reader and writer, closed on every path out.

#include <cstddef>
#include <cstdint>
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

// The size of an open regular file, or -1 for anything else (a pipe, a terminal, a
// device), which can only be read front to back.
std::int64_t regularFileSize(std::FILE* file);

// Where the stream stands in its file, or -1.
std::int64_t streamPosition(std::FILE* file);

// The largest offset that readAt reaches: a 32-bit system without large-file offsets
// stops at 2 GiB.
std::int64_t farthestOffset();

// Reads up to `size` bytes at `offset` of an open regular file, past the stream and its
// buffer: one system call for a piece of any size, and no seek. Returns the bytes read,
// fewer at the end of the file or on an error. The stream is not read from afterwards.
std::size_t readAt(std::FILE* file, std::int64_t offset, void* buffer, std::size_t size);

// SPDX-License-Identifier: MIT
#pragma once

// Shared pieces of the fuzz targets: a private scratch directory, file helpers and the
// size budget that keeps one input cheap.

#include "bitmap.h"
#include "bmp_header.h"
#include "bmp_format.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

namespace fuzz {

// Pictures up to this many pixels are converted; larger ones would make an input cost
// tens of milliseconds to fill and scan without reaching any new code.
constexpr double pixelBudget = double(1 << 14);

// A directory of its own for each fuzzing process, in memory where the system has one.
class ScratchDir {
public:
    ScratchDir()
    {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        // A random name that did not exist before (Windows has no mkdtemp).
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            dir = std::string(base) + "/panelbake-fuzz-" + std::to_string(random());
            if (std::filesystem::create_directory(dir))
                return;
        }
        std::perror("scratch directory");
        std::abort();
    }
    ~ScratchDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string path(const char* file) const { return dir + "/" + file; }

private:
    std::string dir;
};

inline void writeFile(const std::string& path, const std::uint8_t* data, std::size_t size)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(data, 1, size, file) != size || std::fclose(file) != 0) {
        std::perror(path.c_str());
        std::abort();
    }
}

// The whole file, or false when it does not exist. A header is read as text ("r"), so
// that Windows line ends read as '\n'.
inline bool readFile(const std::string& path, std::string& contents, const char* mode = "rb")
{
    std::FILE* file = std::fopen(path.c_str(), mode);
    if (!file)
        return false;
    contents.clear();
    char piece[65536];
    std::size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, file)) > 0)
        contents.append(piece, got);
    std::fclose(file);
    return true;
}

// True when the header claims a picture the reader would allocate but that is over the
// budget. Claims above the library's own limit are kept: they are refused before any
// allocation and so stay cheap.
inline bool claimsCostlyPicture(const std::uint8_t* data, std::size_t size)
{
    if (size < 26 || data[0] != 'B' || data[1] != 'M')
        return false;
    const auto width = static_cast<std::int32_t>(bmp::readU32(data + 18));
    const auto height = static_cast<std::int32_t>(bmp::readU32(data + 22));
    if (width < 1 || height < 1)
        return false;
    const std::int64_t pixels = std::int64_t{width} * height;
    return pixels > pixelBudget && pixels <= Bitmap::maxPixels;
}

// The fuzzers read stored rows in pieces of this many bytes instead of 256 KiB, so that
// their small pictures cross piece boundaries as large ones do.
constexpr std::size_t readPieceBytes = 40;

// Bitmap::load, its stored rows read in pieces of `pieceBytes`.
inline bool loadInPieces(Bitmap& bitmap, const std::string& path, std::size_t pieceBytes = readPieceBytes)
{
    BmpFile file;
    file.pieceBytes = pieceBytes;
    if (!bitmap.loadHeader(path.c_str(), file))
        return false;
    bitmap.loadPixels(file);
    return true;
}

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

inline void check(bool condition, const char* what)
{
    if (!condition)
        fail(what);
}

} // namespace fuzz

// SPDX-License-Identifier: MIT
#pragma once

// Helpers for the bitmap library's tests: crafted BMP byte arrays, scratch files,
// captured console output and a printable summary of a Bitmap.

#include "bitmap.h"
#include "diagnostics.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

inline Pixel rgb(int red, int green, int blue, int alpha = 0)
{
    return Pixel{static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(red),
                 static_cast<std::uint8_t>(alpha)};
}

inline void PrintTo(const Pixel& p, std::ostream* os)
{
    *os << "rgba(" << int{p.red} << "," << int{p.green} << "," << int{p.blue} << "," << int{p.alpha} << ")";
}

inline void putLE(Bytes& out, std::uint64_t value, int size)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

inline void append(Bytes& out, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        out.push_back(static_cast<std::uint8_t>(b));
}

inline void append(Bytes& out, const Bytes& more)
{
    out.insert(out.end(), more.begin(), more.end());
}

// The fields of the 54 header bytes a crafted file starts with.
struct BmpHeader {
    std::int32_t width, height;
    std::uint16_t bits;
    std::uint32_t offBits, compression, biSize;
    std::int32_t xRes, yRes;
};

inline BmpHeader bmpHeader(std::int32_t width, std::int32_t height, std::uint16_t bits, std::uint32_t offBits = 54,
                           std::uint32_t compression = 0, std::uint32_t biSize = 40)
{
    return {width, height, bits, offBits, compression, biSize, 3780, 3780};
}

inline std::uint32_t u32At(const Bytes& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 4; i-- > 0;)
        v = v << 8 | (at + i < b.size() ? b[at + i] : 0);
    return v;
}

inline Bytes headerBytes(const BmpHeader& h)
{
    Bytes b{'B', 'M'};
    putLE(b, 0, 4); // bfSize, not used by the reader
    putLE(b, 0, 4);
    putLE(b, h.offBits, 4);
    putLE(b, h.biSize, 4);
    putLE(b, static_cast<std::uint32_t>(h.width), 4);
    putLE(b, static_cast<std::uint32_t>(h.height), 4);
    putLE(b, 1, 2);
    putLE(b, h.bits, 2);
    putLE(b, h.compression, 4);
    putLE(b, 0, 4);
    putLE(b, static_cast<std::uint32_t>(h.xRes), 4);
    putLE(b, static_cast<std::uint32_t>(h.yRes), 4);
    putLE(b, 0, 8);
    return b;
}

// Colour-table entries as stored: blue, green, red, reserved.
inline Bytes tableBytes(std::initializer_list<Pixel> entries)
{
    Bytes b;
    for (const Pixel& p : entries)
        append(b, {p.blue, p.green, p.red, p.alpha});
    return b;
}

// A scratch directory removed with everything in it at the end of the test.
class TempDir {
public:
    TempDir()
    {
        // A random name that did not exist before (Windows has no mkdtemp).
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            dir = std::filesystem::temp_directory_path() / ("panelbake-unit-" + std::to_string(random()));
            if (std::filesystem::create_directory(dir))
                return;
        }
        throw std::runtime_error("cannot create a scratch directory");
    }
    ~TempDir() { std::filesystem::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }
    // Writes a new file each time: truncating an old one can make the file system flush
    // it to disk, which slows loops over many variants a hundredfold.
    std::string write(const std::string& name, const Bytes& bytes) const
    {
        std::filesystem::remove(path(name));
        std::ofstream(path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                           static_cast<std::streamsize>(bytes.size()));
        return path(name);
    }

private:
    std::filesystem::path dir;
};

inline Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Sets bitmapWarnings for the scope and restores it afterwards.
class Warnings {
public:
    explicit Warnings(bool on) : saved(bitmapWarnings) { bitmapWarnings = on; }
    ~Warnings() { bitmapWarnings = saved; }

private:
    bool saved;
};

// Everything f prints on standard output, split into lines.
template <typename F>
std::vector<std::string> printedLines(F&& f)
{
    testing::internal::CaptureStdout();
    f();
    std::istringstream text(testing::internal::GetCapturedStdout());
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

// Runs f with warnings on and again with warnings off. Both runs must give the same
// result and the silent one must print nothing; returns the result and the lines of
// the first run.
template <typename F>
auto withAndWithoutWarnings(F f) -> std::pair<decltype(f()), std::vector<std::string>>
{
    decltype(f()) loud{}, quiet{};
    std::vector<std::string> lines;
    {
        Warnings on(true);
        lines = printedLines([&] { loud = f(); });
    }
    {
        Warnings off(false);
        EXPECT_TRUE(printedLines([&] { quiet = f(); }).empty());
    }
    EXPECT_EQ(loud, quiet);
    return {loud, lines};
}

// Depth, size, resolution, colour table and every pixel, for comparing whole states.
inline std::string snapshot(const Bitmap& b)
{
    std::ostringstream s;
    auto hex = [&](const Pixel& p) {
        s << ' ' << std::hex << (std::uint32_t{p.red} << 24 | std::uint32_t{p.green} << 16 | p.blue << 8 | p.alpha)
          << std::dec;
    };
    s << b.bitsPerPixel << "bpp " << b.width << 'x' << b.height << " res " << b.horizontalResolution << ','
      << b.verticalResolution << " table";
    for (const Pixel& p : b.colorTable)
        hex(p);
    s << " pixels";
    for (std::int32_t y = 0; y < b.height; ++y)
        for (std::int32_t x = 0; x < b.width; ++x)
            hex(b.rowData(y)[x]);
    return s.str();
}

// The state of a Bitmap whose load was refused after the header: 1 bit, (black, white),
// one white pixel, with the given resolution.
inline std::string emptyState(std::int32_t xRes, std::int32_t yRes)
{
    Bitmap b;
    b.setBitDepth(1);
    b.horizontalResolution = xRes;
    b.verticalResolution = yRes;
    return snapshot(b);
}

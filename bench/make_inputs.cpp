// SPDX-License-Identifier: MIT
// Writes the benchmark pictures into a directory, byte for byte the same on every run
// and every machine: integer arithmetic only and a fixed-seed xorshift generator.
//
//   w1.bmp  6000 x 4000, 24 bits: smooth gradients and round lights under pixel noise
//   w2.bmp   128 x   64, 24 bits: a logo (frame, disc, ring with soft edges, bars)
//   w3.bmp   the same bytes as w2.bmp (scaled up by its own run)
//   w4.bmp  4000 x 3000,  8 bits: a 256-colour table and smoothly varying indices with noise
//   series_1500x1000.bmp, series_3000x2000.bmp, series_12000x8000.bmp: the picture of
//           w1.bmp drawn at other sizes (w1.bmp is the 6000 x 4000 one)
//   square.bmp  64 x 64, 24 bits: the logo's left half, for a 16384 x 16384 target
//   unscaled_8000x8000.bmp: the picture of w1.bmp drawn at 8000 x 8000, converted at its size
//   claim.bmp   54 bytes: the headers of a 16384 x 16384 24-bit picture and no pixel data
//
// usage: make_inputs DIRECTORY
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Rgb {
    int r, g, b;
};

class XorShift {
public:
    explicit XorShift(std::uint32_t seed) : state(seed) {}
    std::uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // Uniform-ish in [-amplitude, amplitude].
    int noise(int amplitude) { return static_cast<int>(next() % (2u * amplitude + 1)) - amplitude; }

private:
    std::uint32_t state;
};

int clampByte(int v)
{
    return v < 0 ? 0 : v > 255 ? 255 : v;
}

void put16(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// Headers of an uncompressed bottom-up BMP; the pixel rows follow.
std::vector<std::uint8_t> headers(int width, int height, int bits, std::uint32_t stride)
{
    const std::uint32_t table = bits == 8 ? 1024 : 0;
    const std::uint32_t offset = 54 + table;
    const std::uint32_t image = stride * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> out;
    out.reserve(offset);
    put16(out, 0x4D42);
    put32(out, offset + image);
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);
    put16(out, static_cast<std::uint32_t>(bits));
    put32(out, 0);
    put32(out, image);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    return out;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& head, const std::vector<std::uint8_t>& rows)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size() &&
              std::fwrite(rows.data(), 1, rows.size(), f) == rows.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

// Rows of a 24-bit picture, bottom row first, from a colour function of (x, y).
template <typename ColorAt>
std::vector<std::uint8_t> rows24(int width, int height, ColorAt colorAt)
{
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> rows(stride * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rows.data() + stride * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const Rgb c = colorAt(x, y);
            row[3 * x] = static_cast<std::uint8_t>(clampByte(c.b));
            row[3 * x + 1] = static_cast<std::uint8_t>(clampByte(c.g));
            row[3 * x + 2] = static_cast<std::uint8_t>(clampByte(c.r));
        }
    }
    return rows;
}

// A soft round light: 0 outside the radius, rising to `peak` at the centre.
int light(long long x, long long y, long long cx, long long cy, long long radius, int peak)
{
    const long long d2 = (x - cx) * (x - cx) + (y - cy) * (y - cy);
    const long long r2 = radius * radius;
    return d2 >= r2 ? 0 : static_cast<int>((r2 - d2) * peak / r2);
}

// Positions of the photo are laid out on 6000 x 4000 and scaled to the picture's size.
bool photo(const std::string& path, int W, int H)
{
    XorShift rng(0x2545F491u);
    const long long sx = W, sy = H;
    const auto rows = rows24(W, H, [&](int x, int y) {
        const int sun = light(x, y, 4200 * sx / 6000, 900 * sy / 4000, 1500 * sx / 6000, 150);
        const int shade = light(x, y, 1300 * sx / 6000, 3100 * sy / 4000, 1200 * sx / 6000, 170);
        const int n = rng.noise(24);
        return Rgb{x * 200 / (W - 1) + sun - shade / 2 + n + 20, y * 180 / (H - 1) + sun / 2 - shade + n + 40,
                   (W - 1 - x + y) * 160 / (W + H - 2) + sun / 3 + shade / 3 + n + 50};
    });
    return writeFile(path, headers(W, H, 24, static_cast<std::uint32_t>(W * 3)), rows);
}

bool logo(const std::string& path, int W, int H)
{
    const auto rows = rows24(W, H, [&](int x, int y) {
        if (x < 2 || y < 2 || x >= W - 2 || y >= H - 2)
            return Rgb{0, 0, 0}; // frame
        const int disc = light(x, y, 32, 32, 22, 255);
        if (disc > 60)
            return Rgb{0, 0, 0};
        if (disc > 0)
            return Rgb{255 - disc * 4, 255 - disc * 4, 255 - disc * 4}; // soft edge
        const long long d2 = (x - 32LL) * (x - 32) + (y - 32LL) * (y - 32);
        if (d2 >= 26 * 26 && d2 < 29 * 29)
            return Rgb{200, 40, 40}; // a red ring: dark by the sum of its channels
        if (x >= 64 && x < 120 && (y / 6) % 2 == 1 && y < 56)
            return Rgb{(x - 64) * 4, 60, 255 - (x - 64) * 4}; // bars fading from blue to red
        return Rgb{250, 250, 245};
    });
    return writeFile(path, headers(W, H, 24, static_cast<std::uint32_t>(W * 3)), rows);
}

bool paletted(const std::string& path)
{
    const int W = 4000, H = 3000;
    auto head = headers(W, H, 8, static_cast<std::uint32_t>(W));
    // A 6 x 6 x 6 colour cube, then a grey ramp for the remaining 40 entries.
    for (int i = 0; i < 256; ++i) {
        int r, g, b;
        if (i < 216) {
            r = i / 36 * 51;
            g = i / 6 % 6 * 51;
            b = i % 6 * 51;
        } else {
            r = g = b = (i - 216) * 255 / 39;
        }
        head.push_back(static_cast<std::uint8_t>(b));
        head.push_back(static_cast<std::uint8_t>(g));
        head.push_back(static_cast<std::uint8_t>(r));
        head.push_back(0);
    }
    XorShift rng(0x9E3779B9u);
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(W) * H);
    for (int y = 0; y < H; ++y) {
        std::uint8_t* row = rows.data() + static_cast<std::size_t>(W) * (H - 1 - y);
        for (int x = 0; x < W; ++x) {
            const int band = (x / 300 + y / 250) % 2;
            const int ramp = band ? 216 + (x + y) * 39 / (W + H) : (x * 6 / W) * 36 + (y * 6 / H) * 6 + (x + y) % 6;
            row[x] = static_cast<std::uint8_t>(rng.next() % 16 == 0 ? rng.next() % 256 : ramp);
        }
    }
    return writeFile(path, head, rows);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = photo(dir + "/w1.bmp", 6000, 4000) && logo(dir + "/w2.bmp", 128, 64) &&
                    logo(dir + "/w3.bmp", 128, 64) && paletted(dir + "/w4.bmp") &&
                    photo(dir + "/series_1500x1000.bmp", 1500, 1000) && photo(dir + "/series_3000x2000.bmp", 3000, 2000) &&
                    photo(dir + "/series_12000x8000.bmp", 12000, 8000) && logo(dir + "/square.bmp", 64, 64) &&
                    photo(dir + "/unscaled_8000x8000.bmp", 8000, 8000) &&
                    writeFile(dir + "/claim.bmp", headers(16384, 16384, 24, 16384 * 3), {});
    if (!ok) {
        std::perror("make_inputs");
        return 1;
    }
    return 0;
}

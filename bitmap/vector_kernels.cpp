// SPDX-License-Identifier: MIT
#include "vector_kernels.h"

#include <array>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PANELBAKE_X86_VECTORS 1
#include <immintrin.h>
#endif

static_assert(sizeof(Pixel) == 4, "a pixel is stored as one 32-bit word: blue, green, red, alpha");

namespace {

#if defined(PANELBAKE_X86_VECTORS)

// __builtin_cpu_supports takes its feature name as a literal only.
#define PANELBAKE_PROCESSOR_HAS(feature) (__builtin_cpu_init(), __builtin_cpu_supports(feature) != 0)

#define AVX2 __attribute__((target("avx2")))
#define SSSE3 __attribute__((target("ssse3")))

struct Channel4 {
    __m256d c00, c10, c01, c11;
};

AVX2 Channel4 broadcast(std::uint8_t c00, std::uint8_t c10, std::uint8_t c01, std::uint8_t c11)
{
    return {_mm256_set1_pd(c00), _mm256_set1_pd(c10), _mm256_set1_pd(c01), _mm256_set1_pd(c11)};
}

// blend4 in four lanes, truncated like channel().
AVX2 __m128i blend4Lanes(const Channel4& c, __m256d w00, __m256d w10, __m256d w01, __m256d w11)
{
    __m256d s = _mm256_mul_pd(c.c10, w10);
    s = _mm256_add_pd(_mm256_mul_pd(c.c00, w00), s);
    s = _mm256_add_pd(_mm256_mul_pd(c.c01, w01), s);
    s = _mm256_add_pd(_mm256_mul_pd(c.c11, w11), s);
    return _mm256_cvttpd_epi32(s); // truncation toward zero, like a conversion to int
}

// The four corner values of one channel, one byte each.
std::uint32_t cornerValues(const RunCorners& c, std::uint8_t Pixel::*channel)
{
    return std::uint32_t{c.p00.*channel} | std::uint32_t{c.p10.*channel} << 8 | std::uint32_t{c.p01.*channel} << 16 |
           std::uint32_t{c.p11.*channel} << 24;
}

// Which channel's sums a channel can take over: equal corner values give equal sums,
// and corners that are all 0 give 0 (every product is 0, whatever the sign of its
// weight, and the truncation of a zero is 0).
enum class Source { own, zero, red, green };

Source sourceOf(std::uint32_t corners, std::uint32_t red, std::uint32_t green, bool isGreen)
{
    if (corners == 0)
        return Source::zero;
    if (corners == red)
        return Source::red;
    if (!isGreen && corners == green)
        return Source::green;
    return Source::own;
}

AVX2 std::int32_t blendRunAvx2(const double* fx, const double* oneMinusFx, std::int32_t n, double fy,
                               const RunCorners& c, Pixel* out)
{
    const Channel4 red = broadcast(c.p00.red, c.p10.red, c.p01.red, c.p11.red);
    const Channel4 green = broadcast(c.p00.green, c.p10.green, c.p01.green, c.p11.green);
    const Channel4 blue = broadcast(c.p00.blue, c.p10.blue, c.p01.blue, c.p11.blue);
    const std::uint32_t redCorners = cornerValues(c, &Pixel::red);
    const std::uint32_t greenCorners = cornerValues(c, &Pixel::green);
    const Source redSource = redCorners == 0 ? Source::zero : Source::own;
    const Source greenSource = sourceOf(greenCorners, redCorners, greenCorners, true);
    const Source blueSource = sourceOf(cornerValues(c, &Pixel::blue), redCorners, greenCorners, false);
    const __m256d vfy = _mm256_set1_pd(fy);
    const __m128i low = _mm_set1_epi32(0xFF);
    std::int32_t k = 0;
    for (; k + 4 <= n; k += 4) {
        // bilinearWeights in four lanes.
        const __m256d f = _mm256_loadu_pd(fx + k);
        const __m256d w11 = _mm256_mul_pd(f, vfy);
        const __m256d w10 = _mm256_sub_pd(f, w11);
        const __m256d w00 = _mm256_add_pd(_mm256_sub_pd(_mm256_loadu_pd(oneMinusFx + k), vfy), w11);
        const __m256d w01 = _mm256_sub_pd(vfy, w11);
        // A pixel is the 32-bit word blue | green << 8 | red << 16, alpha 0; each channel
        // keeps the low byte of its integer, as channel() does.
        const __m128i r = redSource == Source::zero ? _mm_setzero_si128() : _mm_and_si128(blend4Lanes(red, w00, w10, w01, w11), low);
        const __m128i g = greenSource == Source::zero  ? _mm_setzero_si128()
                          : greenSource == Source::red ? r
                                                       : _mm_and_si128(blend4Lanes(green, w00, w10, w01, w11), low);
        const __m128i b = blueSource == Source::zero    ? _mm_setzero_si128()
                          : blueSource == Source::red   ? r
                          : blueSource == Source::green ? g
                                                        : _mm_and_si128(blend4Lanes(blue, w00, w10, w01, w11), low);
        const __m128i pixels = _mm_or_si128(_mm_or_si128(b, _mm_slli_epi32(g, 8)), _mm_slli_epi32(r, 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), pixels);
    }
    return k;
}

// Every 16-byte load stays inside the width x 3 bytes of the row.
SSSE3 std::int32_t expand24BitSsse3(const std::uint8_t* in, std::int32_t width, Pixel* out)
{
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    std::int32_t x = 0;
    for (; x + 6 <= width; x += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_shuffle_epi8(bytes, spread));
    }
    return x;
}

// SSE2, which every x86-64 processor has. Whole bytes, eight pixels each: a lane takes
// entry 1 where its bit is set.
std::int32_t expandOneBitVector(const std::uint8_t* bits, std::int32_t width, Pixel entry0, Pixel entry1, Pixel* out)
{
    __m128i zero, flip;
    std::memcpy(&zero, &entry0, sizeof(Pixel));
    zero = _mm_shuffle_epi32(zero, 0);
    std::memcpy(&flip, &entry1, sizeof(Pixel));
    flip = _mm_xor_si128(_mm_shuffle_epi32(flip, 0), zero);
    const __m128i firstBits = _mm_set_epi32(0x10, 0x20, 0x40, 0x80);
    const __m128i lastBits = _mm_set_epi32(0x01, 0x02, 0x04, 0x08);
    std::int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i byte = _mm_set1_epi32(bits[x >> 3]);
        const __m128i first = _mm_cmpeq_epi32(_mm_and_si128(byte, firstBits), firstBits);
        const __m128i last = _mm_cmpeq_epi32(_mm_and_si128(byte, lastBits), lastBits);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_xor_si128(zero, _mm_and_si128(first, flip)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x + 4), _mm_xor_si128(zero, _mm_and_si128(last, flip)));
    }
    return x;
}

// Bit i of `bits` moved to bit 7 - i: the first pixel of a group goes to the top bit.
constexpr std::array<std::uint8_t, 256> reversedBits = [] {
    std::array<std::uint8_t, 256> table{};
    for (int v = 0; v < 256; ++v)
        for (int i = 0; i < 8; ++i)
            if (v >> i & 1)
                table[v] = static_cast<std::uint8_t>(table[v] | 1 << (7 - i));
    return table;
}();

// Bit i set where pixel i of four is white; alpha plays no part.
int whiteMask4(const Pixel* in)
{
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i low = _mm_set1_epi32(0xFF);
    const __m128i sum = _mm_add_epi32(_mm_add_epi32(_mm_and_si128(pixels, low), _mm_and_si128(_mm_srli_epi32(pixels, 8), low)),
                                      _mm_and_si128(_mm_srli_epi32(pixels, 16), low));
    return _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpgt_epi32(sum, _mm_set1_epi32(whiteFromSum - 1))));
}

// SSE2, eight pixels a step.
std::int32_t packBlackWhiteVector(const Pixel* in, std::int32_t width, std::uint8_t* out)
{
    std::int32_t x = 0;
    for (; x + 8 <= width; x += 8)
        out[x / 8] = reversedBits[static_cast<std::size_t>(whiteMask4(in + x) | whiteMask4(in + x + 4) << 4)];
    return x;
}

#undef AVX2
#undef SSSE3

std::int32_t blendRunVector(const double* fx, const double* oneMinusFx, std::int32_t n, double fy, const RunCorners& c,
                            Pixel* out)
{
    static const bool avx2 = PANELBAKE_PROCESSOR_HAS("avx2");
    return avx2 ? blendRunAvx2(fx, oneMinusFx, n, fy, c, out) : 0;
}

std::int32_t expand24BitVector(const std::uint8_t* in, std::int32_t width, Pixel* out)
{
    static const bool ssse3 = PANELBAKE_PROCESSOR_HAS("ssse3");
    return ssse3 ? expand24BitSsse3(in, width, out) : 0;
}

#else

// The plain code alone.
std::int32_t blendRunVector(const double*, const double*, std::int32_t, double, const RunCorners&, Pixel*)
{
    return 0;
}
std::int32_t expand24BitVector(const std::uint8_t*, std::int32_t, Pixel*)
{
    return 0;
}
std::int32_t expandOneBitVector(const std::uint8_t*, std::int32_t, Pixel, Pixel, Pixel*)
{
    return 0;
}
std::int32_t packBlackWhiteVector(const Pixel*, std::int32_t, std::uint8_t*)
{
    return 0;
}

#endif

} // namespace

void blendRun(const double* fx, const double* oneMinusFx, std::int32_t n, double fy, const RunCorners& c, Pixel* out)
{
    for (std::int32_t k = blendRunVector(fx, oneMinusFx, n, fy, c, out); k < n; ++k) {
        const Weights w = bilinearWeights(fx[k], fy);
        out[k] = Pixel{channel(blend4(c.p00.blue, c.p10.blue, c.p01.blue, c.p11.blue, w)),
                       channel(blend4(c.p00.green, c.p10.green, c.p01.green, c.p11.green, w)),
                       channel(blend4(c.p00.red, c.p10.red, c.p01.red, c.p11.red, w)), 0};
    }
}

void expandOneBitRow(const std::uint8_t* bits, std::int32_t width, Pixel entry0, Pixel entry1, Pixel* out)
{
    for (std::int32_t x = expandOneBitVector(bits, width, entry0, entry1, out); x < width; ++x)
        out[x] = bmp::index1(bits, x) ? entry1 : entry0;
}

void expand24BitRow(const std::uint8_t* in, std::int32_t width, Pixel* out)
{
    for (std::int32_t x = expand24BitVector(in, width, out); x < width; ++x)
        out[x] = bmp::colour24(in, x);
}

void packBlackWhiteRow(const Pixel* in, std::int32_t width, std::uint8_t* out)
{
    bmp::packBits(in, packBlackWhiteVector(in, width, out), width, out, [](const Pixel& p) { return nearerToWhite(p); });
}

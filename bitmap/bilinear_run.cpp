#include "bilinear_run.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define PANELBAKE_AVX2_RUNS 1
#include <immintrin.h>
#endif

#if defined(PANELBAKE_AVX2_RUNS)

namespace {

static_assert(sizeof(Pixel) == 4, "a pixel is stored as one 32-bit word: blue, green, red, alpha");

#define AVX2 __attribute__((target("avx2")))

struct Channel4 {
    __m256d c00, c10, c01, c11;
};

AVX2 Channel4 broadcast(std::uint8_t c00, std::uint8_t c10, std::uint8_t c01, std::uint8_t c11)
{
    return {_mm256_set1_pd(c00), _mm256_set1_pd(c10), _mm256_set1_pd(c01), _mm256_set1_pd(c11)};
}

// s = c10 * w10; s = c00 * w00 + s; s = c01 * w01 + s; s = c11 * w11 + s; truncated.
AVX2 __m128i blend4(const Channel4& c, __m256d w00, __m256d w10, __m256d w01, __m256d w11)
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
        // w11 = fx * fy; w10 = fx - w11; w00 = ((1 - fx) - fy) + w11; w01 = fy - w11.
        const __m256d f = _mm256_loadu_pd(fx + k);
        const __m256d w11 = _mm256_mul_pd(f, vfy);
        const __m256d w10 = _mm256_sub_pd(f, w11);
        const __m256d w00 = _mm256_add_pd(_mm256_sub_pd(_mm256_loadu_pd(oneMinusFx + k), vfy), w11);
        const __m256d w01 = _mm256_sub_pd(vfy, w11);
        // A pixel is the 32-bit word blue | green << 8 | red << 16, alpha 0; each channel
        // keeps the low byte of its integer, as a conversion to an 8-bit value does.
        const __m128i r = redSource == Source::zero ? _mm_setzero_si128() : _mm_and_si128(blend4(red, w00, w10, w01, w11), low);
        const __m128i g = greenSource == Source::zero  ? _mm_setzero_si128()
                          : greenSource == Source::red ? r
                                                       : _mm_and_si128(blend4(green, w00, w10, w01, w11), low);
        const __m128i b = blueSource == Source::zero    ? _mm_setzero_si128()
                          : blueSource == Source::red   ? r
                          : blueSource == Source::green ? g
                                                        : _mm_and_si128(blend4(blue, w00, w10, w01, w11), low);
        const __m128i pixels = _mm_or_si128(_mm_or_si128(b, _mm_slli_epi32(g, 8)), _mm_slli_epi32(r, 16));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), pixels);
    }
    return k;
}

#undef AVX2

bool haveAvx2()
{
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

} // namespace

std::int32_t blendRun(const double* fx, const double* oneMinusFx, std::int32_t n, double fy, const RunCorners& c,
                      Pixel* out)
{
    static const bool avx2 = haveAvx2();
    return avx2 ? blendRunAvx2(fx, oneMinusFx, n, fy, c, out) : 0;
}

#else

std::int32_t blendRun(const double*, const double*, std::int32_t, double, const RunCorners&, Pixel*)
{
    return 0;
}

#endif

// SPDX-License-Identifier: MIT
#include "reduction/linear_light.h"

// The tables are constants worked out by the compiler; their declarations in the header
// make them visible elsewhere.

// Made by Python: round(65535 * (v / 255 / 12.92 if v / 255 <= 0.04045 else
// ((v / 255 + 0.055) / 1.055) ** 2.4)).
constexpr std::uint16_t linearFromByte[256] = {
    0, 20, 40, 60, 80, 99, 119, 139, 159, 179, 199, 219,
    241, 264, 288, 313, 340, 367, 396, 427, 458, 491, 526, 562,
    599, 637, 677, 718, 761, 805, 851, 898, 947, 997, 1048, 1101,
    1156, 1212, 1270, 1330, 1391, 1453, 1517, 1583, 1651, 1720, 1790, 1863,
    1937, 2013, 2090, 2170, 2250, 2333, 2418, 2504, 2592, 2681, 2773, 2866,
    2961, 3058, 3157, 3258, 3360, 3464, 3570, 3678, 3788, 3900, 4014, 4129,
    4247, 4366, 4488, 4611, 4736, 4864, 4993, 5124, 5257, 5392, 5530, 5669,
    5810, 5953, 6099, 6246, 6395, 6547, 6700, 6856, 7014, 7174, 7335, 7500,
    7666, 7834, 8004, 8177, 8352, 8528, 8708, 8889, 9072, 9258, 9445, 9635,
    9828, 10022, 10219, 10417, 10619, 10822, 11028, 11235, 11446, 11658, 11873, 12090,
    12309, 12530, 12754, 12980, 13209, 13440, 13673, 13909, 14146, 14387, 14629, 14874,
    15122, 15371, 15623, 15878, 16135, 16394, 16656, 16920, 17187, 17456, 17727, 18001,
    18277, 18556, 18837, 19121, 19407, 19696, 19987, 20281, 20577, 20876, 21177, 21481,
    21787, 22096, 22407, 22721, 23038, 23357, 23678, 24002, 24329, 24658, 24990, 25325,
    25662, 26001, 26344, 26688, 27036, 27386, 27739, 28094, 28452, 28813, 29176, 29542,
    29911, 30282, 30656, 31033, 31412, 31794, 32179, 32567, 32957, 33350, 33745, 34143,
    34544, 34948, 35355, 35764, 36176, 36591, 37008, 37429, 37852, 38278, 38706, 39138,
    39572, 40009, 40449, 40891, 41337, 41785, 42236, 42690, 43147, 43606, 44069, 44534,
    45002, 45473, 45947, 46423, 46903, 47385, 47871, 48359, 48850, 49344, 49841, 50341,
    50844, 51349, 51858, 52369, 52884, 53401, 53921, 54445, 54971, 55500, 56032, 56567,
    57105, 57646, 58190, 58737, 59287, 59840, 60396, 60955, 61517, 62082, 62650, 63221,
    63795, 64372, 64952, 65535,
};

namespace {

// Linear red and green as luminance and colour differences, times 65536, from the XYZ of
// sRGB's primaries (D65, white at Xn = 0.95047, Zn = 1.08883): red's Y is 0.2126729, its
// (X / Xn - Y) * 500 / 116 is 0.95378 and its (Y - Z / Zn) * 200 / 116 0.33606; green's
// 0.7151522, -1.46096 and 1.04428. Blue adds what makes a grey (three equal bytes) exactly
// its linear light, with no colour difference; its own would be 0.0721750, 0.50718 and
// -1.38035, and it is within 1 / 65535 of them.
constexpr std::int64_t toY[2] = {13938, 46868};
constexpr std::int64_t toA[2] = {62507, -95745};
constexpr std::int64_t toB[2] = {22024, 68438};

// n / 65536 to the nearest integer, halves away from zero.
constexpr std::int32_t scaledDown(std::int64_t n)
{
    return static_cast<std::int32_t>(n >= 0 ? (n + 32768) / 65536 : -((-n + 32768) / 65536));
}

constexpr LightTables makeTables()
{
    LightTables t{};
    for (int v = 0; v < 256; ++v) {
        const std::int64_t linear = linearFromByte[v];
        t.red[v] = Light{scaledDown(toY[0] * linear), scaledDown(toA[0] * linear), scaledDown(toB[0] * linear)};
        t.green[v] = Light{scaledDown(toY[1] * linear), scaledDown(toA[1] * linear), scaledDown(toB[1] * linear)};
        t.blue[v] = Light{static_cast<std::int32_t>(linear) - t.red[v].y - t.green[v].y, -t.red[v].a - t.green[v].a,
                          -t.red[v].b - t.green[v].b};
    }
    return t;
}

} // namespace

constexpr LightTables lightTables = makeTables();

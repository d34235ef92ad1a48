// SPDX-License-Identifier: MIT
#pragma once

// The names of the black-and-white rules and the brightness scale they share, as the
// command line takes them and the page offers them.

#include <cstddef>
#include <string>

enum class Dither { none, floydSteinberg, atkinson, bayer4, bayer8 };

// The brightness scale: red + green + blue, 0 to 765.
constexpr int brightestSum = 765;
// panelbake's own cut: white exactly where red + green + blue >= 383.
constexpr int panelbakeThreshold = 383;

struct DitherName {
    const char* name;
    Dither dither;
    bool takesThreshold; // error diffusion cuts at the threshold; a Bayer matrix sets its own cuts
};

// "floyd-steinberg", "atkinson", "bayer4", "bayer8", in that order.
constexpr DitherName ditherNames[] = {{"floyd-steinberg", Dither::floydSteinberg, true},
                                      {"atkinson", Dither::atkinson, true},
                                      {"bayer4", Dither::bayer4, false},
                                      {"bayer8", Dither::bayer8, false}};

// False for a name neither "none" nor in the table.
bool ditherFromName(const std::string& name, Dither& dither);

// Whether --threshold goes with the rule: true for none.
bool takesThreshold(Dither dither);

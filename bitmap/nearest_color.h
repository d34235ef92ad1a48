// SPDX-License-Identifier: MIT
#pragma once

// The writer's colour reduction: the same answer as nearestPaletteIndex, found faster.
// For the black-and-white table the nearest entry is the black-and-white decision,
// nearerToWhite; any other table is scanned, with recent answers kept in a small
// direct-mapped cache.

#include "bitmap.h"

#include <array>
#include <cstdint>

class NearestColor {
public:
    explicit NearestColor(const Bitmap& bitmap);
    std::uint8_t operator()(Pixel pixel);
    // True for the two-entry table black, white, where the answer is nearerToWhite.
    bool blackAndWhite() const { return blackWhite; }

private:
    std::uint8_t scan(Pixel pixel) const;

    const std::vector<Pixel>& table;
    bool blackWhite;
    // Tag 0 marks an empty slot; a filled slot holds the colour plus bit 24.
    std::array<std::uint32_t, 4096> tags{};
    std::array<std::uint8_t, 4096> answers{};
};

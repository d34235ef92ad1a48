// SPDX-License-Identifier: MIT
#pragma once

// A black-and-white picture as text, for tests that compare pictures: one string a row,
// '#' for a black pixel and '.' for a white one.

#include "bit_picture.h"

#include <string>
#include <vector>

inline std::vector<std::string> rowsOf(const BitPicture& picture)
{
    std::vector<std::string> rows;
    for (std::int32_t y = 0; y < picture.height(); ++y) {
        rows.emplace_back();
        for (std::int32_t x = 0; x < picture.width(); ++x)
            rows.back() += picture.row(y)[x / 8] & (0x80 >> x % 8) ? '.' : '#';
    }
    return rows;
}

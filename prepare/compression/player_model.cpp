// SPDX-License-Identifier: MIT
#include "compression/player_model.h"

int numberBits(std::uint32_t value)
{
    int digits = 0;
    while (value >> (digits + 1))
        ++digits;
    return 2 * digits + 1;
}

std::uint32_t sourceNumber(std::int32_t offset)
{
    const std::uint32_t folded = offset >= 0 ? 2u * static_cast<std::uint32_t>(offset)
                                             : 2u * static_cast<std::uint32_t>(-(offset + 1)) + 1;
    return folded + 2;
}

// SPDX-License-Identifier: MIT
// libFuzzer entry point of the player check.
#include "player_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::playerInput(data, size);
}

// SPDX-License-Identifier: MIT
// libFuzzer entry point of the preparation check.
#include "prepare_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::prepareInput(data, size);
}

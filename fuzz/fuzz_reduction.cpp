// SPDX-License-Identifier: MIT
// libFuzzer entry point of the reduction check.
#include "reduction_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::reductionInput(data, size);
}

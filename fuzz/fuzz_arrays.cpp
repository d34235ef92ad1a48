// SPDX-License-Identifier: MIT
// libFuzzer entry point of the check of C text read back into a picture.
#include "array_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::arrayInput(data, size);
}

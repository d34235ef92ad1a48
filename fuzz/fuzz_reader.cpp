// SPDX-License-Identifier: MIT
// libFuzzer entry point of the reader check.
#include "reader_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::readerInput(data, size);
}

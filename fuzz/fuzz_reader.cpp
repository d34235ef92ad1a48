// SPDX-License-Identifier: MIT
// libFuzzer entry point of the reader check.
#include "diagnostics.h"
#include "reader_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    bitmapWarnings = false;
    rowPieceBytes = fuzz::readPieceBytes;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::readerInput(data, size);
}

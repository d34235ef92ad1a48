// SPDX-License-Identifier: MIT
// libFuzzer entry point of the conversion check.
#include "pipeline_check.h"

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // The library's messages go to standard output; libFuzzer reports on standard error.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::pipelineInput(data, size);
}

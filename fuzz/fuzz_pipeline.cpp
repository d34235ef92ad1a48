// libFuzzer entry point of the conversion check.
#include "diagnostics.h"
#include "options.h"
#include "pipeline_check.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    bitmapWarnings = false;
    verbose = false;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return fuzz::pipelineInput(data, size);
}

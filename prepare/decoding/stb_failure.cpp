// SPDX-License-Identifier: MIT
#include "decoding/stb_failure.h"

#include "stb_image.h"

#include <climits>
#include <cstring>
#include <string>

PictureRefusal stbFailure(const char* format)
{
    const char* reason = stbi_failure_reason();
    const std::string why = reason ? reason : "unknown";
    if (why == "outofmem")
        return PictureRefusal(Refusal::outOfMemory, "not enough memory to decode it");
    if (why == "too large")
        return PictureRefusal(Refusal::tooLarge, "it is too large to decode");
    return PictureRefusal(Refusal::corrupt, std::string("it could not be decoded as ") + format + " (" + why + ")");
}

void checkStbLength(std::size_t size)
{
    if (size > static_cast<std::size_t>(INT_MAX))
        throw PictureRefusal(Refusal::tooLarge, "the file is larger than 2 GiB");
}

// SPDX-License-Identifier: MIT
#include "decoding/stb_failure.h"

#include "stb_image.h"

#include <climits>
#include <string>

PictureRefusal stbFailure(const char* format)
{
    const char* reason = stbi_failure_reason();
    const std::string why = reason ? reason : "unknown";
    for (const StbReason& known : stbReasons)
        if (why == known.reason)
            return PictureRefusal(known.kind, known.message);
    return PictureRefusal(Refusal::corrupt, std::string("it could not be decoded as ") + format + " (" + why + ")");
}

void checkStbLength(std::size_t size)
{
    if (size > static_cast<std::size_t>(INT_MAX))
        throw PictureRefusal(Refusal::tooLarge, "the file is larger than 2 GiB");
}

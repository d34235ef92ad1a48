// SPDX-License-Identifier: MIT
#pragma once

// What stb_image's last failure means for this program.

#include "picture_refusal.h"

#include <cstddef>

// The library's reasons (stbi_failure_reason) that are not a malformed file, worded as
// stb_image 2.27, Debian 12's libstb-dev, words them, and what each one is here.
struct StbReason {
    const char* reason;
    Refusal kind;
    const char* message; // in the message, after the file's name
};
constexpr StbReason stbReasons[] = {
    {"outofmem", Refusal::outOfMemory, "not enough memory to decode it"},
    {"too large", Refusal::tooLarge, "it is too large to decode"},
};

// The refusal for the library's last failure: one of stbReasons, or else a malformed
// file. `format` names the picture's kind in the message ("PNG").
PictureRefusal stbFailure(const char* format);

// Refuses data too long for the library's int lengths.
void checkStbLength(std::size_t size);

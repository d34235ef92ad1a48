// SPDX-License-Identifier: MIT
#pragma once

// What stb_image's last failure means for this program.

#include "picture_refusal.h"

// The refusal for the library's last failure: its "outofmem" and "too large" reasons are
// a lack of memory and a picture over its limit; anything else is a malformed file.
// `format` names the picture's kind in the message ("PNG").
PictureRefusal stbFailure(const char* format);

// Refuses data too long for the library's int lengths.
void checkStbLength(std::size_t size);

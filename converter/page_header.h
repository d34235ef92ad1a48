// SPDX-License-Identifier: MIT
#pragma once

#include "bit_picture.h"
#include "bitmap.h"

#include <cstdint>
#include <string>
#include <vector>

// A pixel the display shows white: the bit of a picture held as bits is 1, the header's
// is 0. Only black and white reach the header, and of the two only black has a green of 0.
inline bool whiteOnDisplay(const Pixel& p)
{
    return p.green != 0;
}

// The attribute of the header's array: none, AVR program memory (-pgm), or PIC30's
// auto_psv space (-pic30).
enum class ArrayAttribute { none, avrProgmem, pic30AutoPsv };

// The attribute -pgm and -pic30 ask for; -pgm where both are given.
ArrayAttribute arrayAttribute(bool avrProgmem, bool pic30AutoPsv);

// What comes before an array's name in its declaration, for its attribute: with none,
// "static char ".
const char* arrayDeclaration(ArrayAttribute attribute);

// Writes baseName + ".h": the picture as bytes of page columns for a display whose
// memory is organised in pages eight rows high. The byte for page p and column x holds
// rows 8p (bit 0) to 8p + 7 (bit 7) of that column; a bit is 1 for a black pixel. The
// array is declared with `attribute`; `verbose` (-v) names the file on standard output.
// False when the file cannot be created or written in full; a partial file is removed.
bool writePageColumnHeader(const BitPicture& picture, std::string baseName, ArrayAttribute attribute, bool verbose);
bool writePageColumnHeader(const Bitmap& bitmap, std::string baseName, ArrayAttribute attribute, bool verbose);
// The same header, for the identifiers of baseName, written to `path`.
bool writePageColumnHeaderTo(const BitPicture& picture, const std::string& baseName, const std::string& path,
                             ArrayAttribute attribute, bool verbose);

// The header text itself, as written to the file.
std::string pageColumnHeaderText(const BitPicture& picture, const std::string& baseName, ArrayAttribute attribute);
std::string pageColumnHeaderText(const Bitmap& bitmap, const std::string& baseName, ArrayAttribute attribute);

// A picture's pixels as bits, 1 where the display shows white.
BitPicture displayBits(const Bitmap& bitmap);

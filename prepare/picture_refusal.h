// SPDX-License-Identifier: MIT
#pragma once

// Why a picture is not prepared. The decoders throw a PictureRefusal; the run turns its
// kind into the exit code and prints its reason after the file's name.

#include <cstdint>
#include <stdexcept>
#include <string>

enum class Refusal {
    unknownFormat, // not a PNG, JPEG, GIF, BMP or PAM picture, nor C text with an array of bytes
    corrupt,       // one of those pictures, but cut short or malformed
    tooLarge,      // a valid picture over this program's limits
    outOfMemory,   // the memory for decoding it cannot be had
    unfitArray,    // a C array whose layout or width is not known, or whose bytes do not fill its picture
};

// A count of pixels as a message says it, with separators and the unit: "268,435,456 pixels".
inline std::string pixelsText(std::int64_t count)
{
    std::string digits = std::to_string(count);
    for (std::size_t at = digits.size(); at > 3 && digits[at - 4] != '-'; at -= 3)
        digits.insert(at - 3, ",");
    return digits + " pixels";
}

class PictureRefusal : public std::runtime_error {
public:
    PictureRefusal(Refusal kind, const std::string& reason) : std::runtime_error(reason), kind(kind) {}
    Refusal kind;
};

// The limits a decoder checks from a picture's header, before a pixel is decoded.
struct DecodeLimits {
    // Pixels of one picture, or of the logical screen of an animation.
    std::int64_t maxPixels;
    // Pixels of all the frames of an animation together, each counted at the size of the
    // screen: the frames written in all.
    std::int64_t maxFramePixels;
};

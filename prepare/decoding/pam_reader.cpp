// SPDX-License-Identifier: MIT
#include "decoding/pam_reader.h"

#include <string>

namespace {

// The header's lines, one token after another: comments (from '#' to the line's end) are
// skipped, and so is whitespace.
class HeaderTokens {
public:
    HeaderTokens(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}

    // The next token, or "" at the end of the data.
    std::string next()
    {
        for (;;) {
            while (at < size && isSpace(data[at]))
                ++at;
            if (at >= size || data[at] != '#')
                break;
            while (at < size && data[at] != '\n')
                ++at;
        }
        std::string token;
        while (at < size && !isSpace(data[at]) && token.size() < 32)
            token.push_back(static_cast<char>(data[at++]));
        return token;
    }

    // Past the line end after ENDHDR: where the samples begin.
    std::size_t afterLine() const { return at < size ? at + 1 : at; }

private:
    static bool isSpace(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
};

[[noreturn]] void refuse(const std::string& why)
{
    throw PictureRefusal(Refusal::corrupt, "it could not be decoded as PAM (" + why + ")");
}

// A number of 1 to 9 digits, or -1.
std::int64_t number(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return -1;
    std::int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

} // namespace

PamHeader readPamHeader(const std::uint8_t* data, std::size_t size, const DecodeLimits& limits)
{
    HeaderTokens tokens(data, size);
    if (tokens.next() != "P7")
        refuse("no P7 signature");
    std::int64_t width = -1, height = -1, depth = -1, maxval = -1;
    std::string tupleType;
    for (std::string key = tokens.next(); key != "ENDHDR"; key = tokens.next()) {
        if (key.empty())
            refuse("the header has no ENDHDR");
        const std::string value = tokens.next();
        if (key == "WIDTH")
            width = number(value);
        else if (key == "HEIGHT")
            height = number(value);
        else if (key == "DEPTH")
            depth = number(value);
        else if (key == "MAXVAL")
            maxval = number(value);
        else if (key == "TUPLTYPE")
            tupleType = value;
        else
            refuse("the header has an unknown line " + key);
    }
    if (width < 1 || height < 1)
        refuse("its width or height is missing or 0");
    const bool rgb = tupleType == "RGB" && depth == 3;
    const bool rgba = tupleType == "RGB_ALPHA" && depth == 4;
    if (!(rgb || rgba) || maxval != 255)
        refuse("only RGB and RGB_ALPHA at MAXVAL 255 are read");
    // Each side has at most 9 digits: the product cannot overflow.
    if (width > limits.maxPixels || height > limits.maxPixels || width * height > limits.maxPixels)
        throw PictureRefusal(Refusal::tooLarge, "it is " + std::to_string(width) + " x " + std::to_string(height) +
                                                    " pixels, more than the " + pixelsText(limits.maxPixels) +
                                                    " this program takes");
    PamHeader header{static_cast<std::int32_t>(width), static_cast<std::int32_t>(height), static_cast<int>(depth),
                     tokens.afterLine()};
    if (header.rasterAt > size || static_cast<std::uint64_t>(size - header.rasterAt) <
                                      static_cast<std::uint64_t>(width * height) * static_cast<std::uint64_t>(depth))
        refuse("its samples end early");
    return header;
}

// SPDX-License-Identifier: MIT
#include "decoding/picture_format.h"

#include "enum_texts.h"

#include <cstring>

namespace {

bool startsWith(const std::uint8_t* data, std::size_t size, const char* signature, std::size_t length)
{
    return size >= length && std::memcmp(data, signature, length) == 0;
}

} // namespace

PictureFormat sniffFormat(const std::uint8_t* data, std::size_t size)
{
    if (startsWith(data, size, "\x89PNG\r\n\x1a\n", 8))
        return PictureFormat::png;
    if (startsWith(data, size, "\xff\xd8\xff", 3))
        return PictureFormat::jpeg;
    if (startsWith(data, size, "GIF87a", 6) || startsWith(data, size, "GIF89a", 6))
        return PictureFormat::gif;
    if (startsWith(data, size, "BM", 2))
        return PictureFormat::bmp;
    if (startsWith(data, size, "P7\n", 3))
        return PictureFormat::pam;
    return PictureFormat::unknown;
}

const char* formatName(PictureFormat format)
{
    static constexpr EnumText<PictureFormat> names[] = {{PictureFormat::png, "PNG"}, {PictureFormat::jpeg, "JPEG"},
                                                        {PictureFormat::gif, "GIF"}, {PictureFormat::bmp, "BMP"},
                                                        {PictureFormat::pam, "PAM"}};
    return textOf(format, names, "unknown");
}

// SPDX-License-Identifier: MIT
#pragma once

// The kind of picture a file holds, told from its first bytes alone.

#include <cstddef>
#include <cstdint>

enum class PictureFormat { unknown, png, jpeg, gif, bmp, pam };

// The bytes sniffFormat needs at most: the PNG signature's eight.
constexpr std::size_t longestSignature = 8;

PictureFormat sniffFormat(const std::uint8_t* data, std::size_t size);

// "PNG", "JPEG", "GIF", "BMP", "PAM", or "unknown".
const char* formatName(PictureFormat format);

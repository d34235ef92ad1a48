// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Output names are made from the file-name part of the source path; the directory part
// is kept as given, so the outputs land next to the source.

// logo.bmp -> logo_glcd, my-logo.bmp -> my_logo_glcd, LOGO.BMP -> LOGO.BMP.
std::string makeBaseName(const std::string& sourcePath);

// The preview BMP: the base name plus ".bmp".
std::string makePreviewName(const std::string& baseName);

// A C identifier stem from the file-name part of the base name: every byte that is not
// an ASCII letter, digit or '_' becomes '_', and a leading digit gets a '_' in front.
std::string identifierStem(const std::string& baseName);

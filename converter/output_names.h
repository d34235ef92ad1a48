// SPDX-License-Identifier: MIT
#pragma once

#include <string>

// Output names are made from the file-name part of the source path; the directory part
// is kept as given, so the outputs land next to the source.

// Index where the file-name part of a path begins: after the last '/' (or '\\' on
// Windows).
std::size_t fileNameStart(const std::string& path);

// logo.bmp -> logo_glcd, my-logo.bmp -> my_logo_glcd, LOGO.BMP -> LOGO.BMP.
std::string makeBaseName(const std::string& sourcePath);

// The preview BMP: the base name plus ".bmp".
std::string makePreviewName(const std::string& baseName);

// A C identifier stem from the file-name part of the base name: every byte that is not
// an ASCII letter, digit or '_' becomes '_', and a leading digit gets a '_' in front.
std::string identifierStem(const std::string& baseName);

// The header's identifiers: the stem in upper case for the include guard and the size
// macros (LOGO_GLCD), in lower case with "_bmp" for the array (logo_glcd_bmp). Only
// ASCII letters change case, whatever the locale.
std::string macroStem(const std::string& baseName);
std::string arrayName(const std::string& baseName);

#pragma once

#include "bitmap.h"

#include <string>

// Writes baseName + ".h": the picture as bytes of page columns for a display whose
// memory is organised in pages eight rows high. The byte for page p and column x holds
// rows 8p (bit 0) to 8p + 7 (bit 7) of that column; a bit is 1 for a black pixel.
// False when the file cannot be created or written in full; a partial file is removed.
bool writePageColumnHeader(const Bitmap& bitmap, std::string baseName);

// The header text itself, as written to the file.
std::string pageColumnHeaderText(const Bitmap& bitmap, const std::string& baseName);

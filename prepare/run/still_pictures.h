// SPDX-License-Identifier: MIT
#pragma once

// A picture of one frame prepared as the run asks and written: a BMP panelbake reads (as it
// is, or adjusted from its rows), a decoded PNG, JPEG, PAM or BMP, a picture held whole,
// or C text read back into the picture its array's bytes hold.

#include "bitmap.h"
#include "bmp_header.h"
#include "decoding/still_decoder.h"
#include "run/source_job.h"

#include <cstdint>
#include <string>
#include <vector>

// A BMP that panelbake reads, with nothing adjusted: its bytes as they are, or nothing
// where the source is its own output.
int copyBmp(SourceJob& job, const std::string& output, const std::vector<std::uint8_t>& bytes);

// A BMP adjusted from the pixels panelbake itself reads, its header read into `picture`
// and `file` (Bitmap::loadHeader): at a display's size only the pixels the reduction
// depends on, read from the file.
int writeBmpByRows(SourceJob& job, const std::string& output, Bitmap& picture, BmpFile& file);

// A decoded picture, adjusted and reduced as its rows are asked for.
int writeDecodedStill(SourceJob& job, const std::string& output, DecodedStill& picture);

// A picture held whole.
int writeBitmap(SourceJob& job, const std::string& output, const Bitmap& picture);

// C text read back into the picture its array's bytes hold, which is then prepared as any
// other picture.
int writeArrayText(SourceJob& job, const std::string& output, const std::vector<std::uint8_t>& bytes);

// SPDX-License-Identifier: MIT
#pragma once

// A source read for its preparation: its first bytes, to tell what it is, and then all of
// them, unless it is a BMP that panelbake reads and is adjusted or reduced from its rows,
// where they lie in the file.

#include "bitmap.h"
#include "bmp_header.h"
#include "decoding/picture_format.h"
#include "run/source_job.h"

#include <cstdint>
#include <vector>

struct Source {
    std::vector<std::uint8_t> bytes;
    PictureFormat format = PictureFormat::unknown;
    Bitmap picture;              // a BMP panelbake reads: its header, the file standing at its first row
    BmpFile header;
    bool panelbakeReads = false; // a BMP panelbake reads
    bool readByRows = false;     // ... adjusted or reduced from its rows as they are needed, where they lie
};

// Reads the job's source into `source`; refused (exit 2) where it cannot be opened or read.
int readSource(const SourceJob& job, Source& source);

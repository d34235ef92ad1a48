// SPDX-License-Identifier: MIT
#pragma once

// The header stage of the BMP reader: it opens the file, reads and checks both header
// records, reads the colour table or the 16-bit masks and skips to the rows. It says what
// the stored picture is without reading a pixel; the rows are read in bmp_reader.cpp.

#include "file_stream.h"
#include "pixel.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Where a 16-bit word holds its channels: red, green, blue.
struct WordLayout {
    std::uint16_t masks[3];
    // A channel's masked bits are shifted down by downShifts[c], then up by upShifts[c],
    // so that its mask lands in 16 .. 31 (a mask of 0 stays 0).
    int downShifts[3];
    int upShifts[3];
    // A channel is its masked bits brought to 0 .. 31, times 8; alpha is 0.
    Pixel pixel(std::uint16_t word) const;
    // The shifts for the masks.
    void placeMasks();
};

// What the header says about the stored picture.
struct StoredPicture {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t depth = 0;
    std::vector<Pixel> colorTable; // 2^depth entries at 1, 4 and 8 bits: the file's, then white
    WordLayout words{};            // 16 bits
    std::int32_t horizontalResolution = 0;
    std::int32_t verticalResolution = 0;
    std::size_t stride = 0;        // bytes of one stored row, padding included
};

// The warnings a header gives cause for. The row stage prints them (printHeaderWarnings)
// once the picture's destination is had: a picture that cannot be held in memory is
// reported by that failure alone, as it always has been.
struct HeaderWarnings {
    std::string name;        // the file's, as the caller gave it
    bool shortTable = false; // the colour table is padded with white
    bool extraData = false;  // bytes before the rows are skipped
};
void printHeaderWarnings(const HeaderWarnings& warnings);

// An open BMP file after its header, standing at its first row.
struct BmpFile {
    FilePtr stream;
    StoredPicture picture;
    HeaderWarnings warnings;
    // Taken when the header ends, for a regular file; -1 for anything else.
    std::int64_t size = -1;
    std::int64_t rowsStart = -1;
    // The most bytes one read of stored rows fetches: rows that follow one another in the
    // file come in pieces of up to this size. Tests and fuzzing set a few dozen bytes, so
    // that small pictures cross pieces.
    static constexpr std::size_t defaultPieceBytes = std::size_t{256} << 10;
    std::size_t pieceBytes = defaultPieceBytes;
};

enum class HeaderOutcome {
    accepted,
    notBmp,     // the wrong signature
    unreadable, // the file cannot be opened, or its header records are cut short
    rejected,   // the records were read and refused
};

// Opens `path` and reads its header into `file`, printing why it is refused. The
// resolutions are filled once the records are read; everything else only when the header
// is accepted.
HeaderOutcome readBmpHeader(const char* path, BmpFile& file);

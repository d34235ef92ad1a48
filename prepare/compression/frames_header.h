// SPDX-License-Identifier: MIT
#pragma once

// The header that ties an animation's frames together for a display loop: it includes
// the header of each frame in a layout (panelbake's own for pages) and declares the table
// of the frames' arrays, their count, their size in bytes and how long each is shown. Or,
// with the frames compressed, it holds the stream that panelbake_play.h plays.

#include "layouts/layout_table.h"
#include "page_header.h"

#include "compression/frame_stream.h"

#include <cstdint>
#include <string>
#include <vector>

// The text of the header `headerPath` for the frame BMPs `framePaths` (in order) and
// their delays in milliseconds, whose arrays are declared with `attribute`. Frame headers
// are named as the layout names them, and included by their file names alone, as they
// land beside the frame BMPs.
std::string framesHeaderText(const std::string& headerPath, const std::vector<std::string>& framePaths,
                             const std::vector<int>& delaysMs, const Layout& layout, ArrayAttribute attribute);

// The text of the header `headerPath` for frames of width x height pixels in `layout`,
// compressed into `frames`, and their delays in milliseconds: the stream, each frame's
// offset in it, the sizes and the delays, with the player's call in a comment. The stream
// is declared to lie where panelbake_play.h reads it (program memory on AVR, plain memory
// elsewhere), or with an attribute as panelbake declares its arrays: in program memory for
// AVR (-pgm) or in PIC30's auto_psv space (-pic30).
std::string compressedFramesHeaderText(const std::string& headerPath, std::int32_t width, std::int32_t height,
                                       const CompressedFrames& frames, const std::vector<int>& delaysMs,
                                       ArrayAttribute attribute, const Layout& layout);

// SPDX-License-Identifier: MIT
#pragma once

// An animated GIF prepared as the run asks: each frame written as a picture (its BMP, or
// the files of --for) with the frames header of each layout, or with --compress the frames
// of each layout compressed into its frames header, with the player beside them.

#include "decoding/gif_frames.h"
#include "run/source_job.h"

#include <cstdint>
#include <vector>

// The frames' files and the frames headers, all written or none.
int writeAnimation(SourceJob& job, const GifAnimation& animation, const std::vector<std::uint8_t>& bytes);

// The frames of each layout (pages without --for) compressed into its frames header, and
// panelbake_play.h beside them, unless the one there is this program's own. No frame
// files are written.
int writeCompressedAnimation(SourceJob& job, const GifAnimation& animation, const std::vector<std::uint8_t>& bytes);

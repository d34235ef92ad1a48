// SPDX-License-Identifier: MIT
#pragma once

// The header that ties an animation's frames together for a display loop: it includes
// the header of each frame in a layout (panelbake's own for pages) and declares the table
// of the frames' arrays, their count, their size in bytes and how long each is shown.

#include "layouts/layout_table.h"

#include <string>
#include <vector>

// The text of the header `headerPath` for the frame BMPs `framePaths` (in order) and
// their delays in milliseconds. Frame headers are named as the layout names them, and
// included by their file names alone, as they land beside the frame BMPs.
std::string framesHeaderText(const std::string& headerPath, const std::vector<std::string>& framePaths,
                             const std::vector<int>& delaysMs, const Layout& layout);

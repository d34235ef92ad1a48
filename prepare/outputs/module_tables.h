// SPDX-License-Identifier: MIT
#pragma once

// The MicroPython modules that tie pictures together, as the C headers of frames and of a
// table do: they import the module of each picture and list their frame buffers.

#include <string>
#include <vector>

// walk_frames.py: the frames of an animation (their BMPs `framePaths`, not written) with
// how long each is shown, in milliseconds.
std::string framesModuleText(const std::string& modulePath, const std::vector<std::string>& framePaths,
                             const std::vector<int>& delaysMs);

// icons.py: the pictures of a table (their BMPs `bmpPaths`, not written).
std::string picturesModuleText(const std::string& modulePath, const std::vector<std::string>& bmpPaths);

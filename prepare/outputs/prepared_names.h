// SPDX-License-Identifier: MIT
#pragma once

// The names of what a picture is prepared into. They are made from the output path
// (-o) or, without one, from the source path; the directory part is kept, so the files
// land next to the source, as panelbake's do.
//
//   logo.png             logo.bmp
//   logo.png, acep7      logo_acep7.bmp
//   walk.gif, 3 frames   walk_00.bmp walk_01.bmp walk_02.bmp, and walk_frames.h
//   walk.gif, 120 frames walk_000.bmp ... walk_119.bmp

#include <cstddef>
#include <string>
#include <vector>

// The path without the extension of its file name ("art/logo.png" -> "art/logo"). A
// name's leading dot starts no extension (".png" stays).
std::string withoutExtension(const std::string& path);

// The prepared BMP of a one-frame picture: the source's name with ".bmp" for its
// extension; for a panel other than bw, with '_' and the panel's name before it
// (logo.png, acep7: logo_acep7.bmp).
std::string preparedName(const std::string& sourcePath, const std::string& panel = "bw");

// The frames of an animation: the base, '_', and the frame's number with as many digits
// as the last number needs, but at least two.
std::vector<std::string> frameNames(const std::string& base, std::size_t count);

// The header that lists the frames: the base and "_frames.h".
std::string framesHeaderName(const std::string& base);

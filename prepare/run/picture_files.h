// SPDX-License-Identifier: MIT
#pragma once

// The files one picture is written into: the BMP panelbake converts, or with --for the
// arrays of each layout, made from the BMP's picture as panelbake converts it; for a panel
// of colours the BMP of its values, or with --for its arrays.

#include "bitmap.h"
#include "outputs/output_files.h"
#include "outputs/prepared_picture.h"
#include "panels/panel_picture.h"
#include "prepare_options.h"
#include "run/source_job.h"

#include <cstddef>
#include <string>
#include <vector>

// What a picture prepared into the BMP `output` writes: that BMP, or the files of --for.
std::vector<std::string> pictureOutputs(const PrepareOptions& options, const std::string& output);

// Writes the files of one picture, prepared into the BMP `output`, to their temporary names
// in `batch` from place `first` on. Returns the place of the first file that could not be
// written, or the place after the last.
std::size_t writeTemporaries(const SourceJob& job, const std::string& output, const PreparedPicture& picture,
                             const OutputBatch& batch, std::size_t first);

// Claims, writes and commits what a picture is prepared into, and nothing if any of it
// cannot be written; its BMP is counted as written.
int writePictureFiles(SourceJob& job, const std::string& output, const PreparedPicture& picture);

// The same for a picture at the display's size (24 bits), as the run's panel asks: for bw
// black and white already, whose BMP panelbake converts; for another panel reduced to its
// colours here.
int writeDisplayPicture(SourceJob& job, const std::string& output, const Bitmap& picture);

// The same for a panel's picture, as it is: its BMP, or the files of --for.
int writePanelFiles(SourceJob& job, const std::string& output, const PanelPicture& picture);

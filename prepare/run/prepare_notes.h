// SPDX-License-Identifier: MIT
#pragma once

// What a run of panelbake-prepare hands, beside its messages and files, to a caller that
// runs the program in its own process and takes them as data: the page's worker. Each
// note is optional; the command-line program takes none.

#include "bit_picture.h"

#include <cstddef>
#include <string>

struct PanelPicture;

struct PrepareNotes {
    // Each failure's exit code and message (without "Error: ").
    void (*failure)(int code, const std::string& message) = nullptr;
    // Each picture written in the layouts of --for, as panelbake converts it.
    void (*picture)(const BitPicture& picture) = nullptr;
    // Each panel's picture written (not bw's): its values and colours.
    void (*panelPicture)(const PanelPicture& picture) = nullptr;
    // Each layout's compressed frames (--compress): the bytes of its frames uncompressed and
    // of its stream.
    void (*compressed)(const std::string& layout, std::size_t rawBytes, std::size_t streamBytes) = nullptr;
};

// Says a failure: "Error: " and the message on standard error, and the failure's note.
// Returns the exit code.
int fail(const PrepareNotes& notes, int code, const std::string& message);

// A path as the messages quote it.
std::string quoted(const std::string& path);

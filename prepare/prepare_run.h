// SPDX-License-Identifier: MIT
#pragma once

// panelbake-prepare as a whole: the command line in, files and an exit code out. The
// page runs the same function on the same arguments, with notes of what the run makes.

#include "picture_refusal.h"
#include "run/prepare_notes.h"

// The exit codes, as documented in the usage text, the man page and the README.
enum PrepareExit : int {
    prepared = 0,        // written, or nothing to do
    commandLineError = 1,
    sourceUnreadable = 2,
    notAPicture = 3,     // unknown format, or a damaged picture
    pictureTooLarge = 4,
    outputExists = 5,    // without --force: nothing written
    outputFailed = 6,    // nothing left behind
    outOfMemory = 7,
    arrayUnfit = 8,      // a C array whose layout or width is not known, or whose bytes do not fill its picture
    framesTooLarge = 9,  // --compress: frames that panelbake_play.h's 16-bit counts cannot take
};

// The limits the program decodes within: a picture as large as panelbake converts, and
// the frames of an animation as many pixels in all.
DecodeLimits programLimits();

// Messages go to standard error ("Error: ..."), -v's lines and --help to standard output;
// each failure, and what the run makes, also to `notes`.
int runPrepare(int argc, const char* const* argv, const PrepareNotes& notes = {});

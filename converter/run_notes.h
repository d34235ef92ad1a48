// SPDX-License-Identifier: MIT
#pragma once

// What a run hands, beside its messages and files, to a caller that runs the program in
// its own process: the page's worker. The exit codes cannot tell the failures apart, and
// the page shows a result without reading the header's text back.
//
// The program itself notes nothing: only a build that defines PANELBAKE_RUN_NOTES (the
// page's module) gives these functions a body, outside this folder. Every other build
// compiles the calls to nothing.

#include "bit_picture.h"

// Each failure, noted where its message is printed.
enum class RunFailure {
    noPicture = 1,         // the usage text
    sourceNotOpened,       // exit -1
    notSupportedBmp,       // exit -1
    sourceOutOfMemory,     // exit -1: loading threw
    previewNotWritten,     // exit -2
    headerNotWritten,      // exit -2
    targetTooLarge,        // exit -2
    conversionOutOfMemory, // exit -2
};

#ifdef PANELBAKE_RUN_NOTES
void noteFailure(RunFailure failure);
// The picture the header was written from, once it is written in full.
void noteHeaderPicture(const BitPicture& picture);
#else
inline void noteFailure(RunFailure) {}
inline void noteHeaderPicture(const BitPicture&) {}
#endif

// SPDX-License-Identifier: MIT
// panelbake-prepare: a PNG, JPEG, GIF, BMP or PAM picture, or C text (a C array, an X
// bitmap, a MicroPython module), to the 24-bit BMP panelbake converts; with --for, to the
// arrays of display libraries instead; with --table, several pictures and the table of
// their arrays; with --compress, an animation's frames compressed for panelbake_play.h.
#include "prepare_run.h"
#include "program_main.h"

PANELBAKE_PROGRAM_MAIN(runPrepare)

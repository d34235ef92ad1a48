// SPDX-License-Identifier: MIT
#pragma once

// The rules that make a picture black and white, all on one brightness scale: the sum of
// red, green and blue, 0 to 765. Every rule works in integers, so every system gives the
// same pixels.
//
// - A cut: white exactly where the sum is at least the threshold (383 by default, the cut
//   panelbake makes).
// - Error diffusion (Floyd-Steinberg, Atkinson): rows from top to bottom, each from left
//   to right. A pixel is white where its sum plus the error it was given is at least the
//   threshold; its own error, that value less 765 or 0, goes in whole units to the
//   neighbours still to come (Floyd-Steinberg: 7/16 right, 3/16 below left, 5/16 below,
//   the rest below right; Atkinson: 1/8 each to two right, three below and one two rows
//   below, the last quarter dropped), each share rounded toward zero. Shares that fall off
//   the picture are dropped.
// - Ordered (Bayer 4 x 4 and 8 x 8): the matrix entry M of a pixel, 0 to n * n - 1,
//   scaled onto the brightness scale: white where sum >= (M + 1/2) * 765 / (n * n), so a
//   flat area of brightness s comes out s / 765 white to within 1 / (n * n).

#include "bitmap.h"
#include "reduction/dither_names.h"

// The entry (x, y), 0 to n * n - 1, of the Bayer matrix of side n (a power of two), x and y
// each below n.
int bayerEntry(int n, int x, int y);

// Every pixel of the picture becomes black or white. Throws std::bad_alloc when the
// memory for the diffused errors cannot be had.
void makeBlackAndWhite(Bitmap& picture, int threshold, Dither dither);

// SPDX-License-Identifier: MIT
#pragma once

// A picture at the display's size reduced to a panel's colours: each pixel becomes the
// value of one of them, one byte a pixel, rows from the top. Colours are compared, and
// their errors spread, in linear light (reduction/linear_light.h); the nearest colour is
// the one at the least distance in luminance and both colour differences
// (reduction/panel_light.h). By the rules of --dither:
//
// - none: the nearest colour.
// - Error diffusion (Floyd-Steinberg, Atkinson): rows from the top, the even rows (0, 2,
//   ...) from left to right and the odd ones from right to left, so that errors do not
//   all drift one way. A pixel becomes the colour nearest to it plus the error it was
//   given, that sum first held to the panel's reach (its colours' range widened on either
//   side), so that a colour the panel cannot show does not heap up error without end.
//   The sum less the colour goes to the neighbours still to come in the shares of black
//   and white's rules, taken along the row's direction (a pixel's shares are summed,
//   weighted, and divided once, toward zero, when it is reached); shares that fall off the
//   picture are dropped.
// - Ordered (Bayer 4 x 4 and 8 x 8, n * n entries): each pixel shows its colour as a mix
//   of n * n steps, each step the colour nearest to the pixel's plus the error of the
//   steps before (held to the panel's reach, as above). The mix's colours are ranked from
//   the lightest: a pixel whose matrix entry is below the count of the lightest takes it,
//   below the first two counts the second, and so on, so a flat area shows its mix to
//   within 1 / (n * n).

#include "bitmap.h"
#include "panels/panel_table.h"
#include "reduction/dither_names.h"

#include <cstdint>
#include <vector>

// The values of `kind` for the pixels of `picture` (24-bit rows, width x height), row by
// row, where the panel shows `colours` (kind.colourCount of them, in the order of its
// colours). Throws std::invalid_argument when there are not as many colours, and
// std::bad_alloc when the memory cannot be had.
std::vector<std::uint8_t> reduceToPanel(const Bitmap& picture, const PanelKind& kind,
                                        const std::vector<Pixel>& colours, Dither dither);

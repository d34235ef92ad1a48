// SPDX-License-Identifier: MIT
#pragma once

// A picture reduced to a panel's colours: its values, one byte a pixel, with the colours
// they stand for; the BMP that shows it, whose pixels are the values themselves; and the
// arrays of a layout it is written in: one, the two planes of a two-plane panel in a
// layout of one bit a pixel, or the two halves of a layout of halves.

#include "bitmap.h"
#include "layouts/layout_packing.h"
#include "panels/panel_table.h"
#include "reduction/dither_names.h"

#include <string>
#include <vector>

struct PanelPicture {
    const PanelKind* kind = nullptr;
    std::vector<Pixel> colours; // kind->colourCount of them, in the order of its colours
    ValuePicture values;
};

// `picture` (24 bits, at the display's size) reduced to the panel's `colours` by the
// --dither rule (reduceToPanel). Throws std::bad_alloc when the memory cannot be had.
PanelPicture reducedToPanel(const Bitmap& picture, const PanelKind& kind, const std::vector<Pixel>& colours,
                            Dither dither);

// The colour table of the panel's BMP: entry v is the colour of value v, for all 16 values
// of 4 bits.
std::vector<Pixel> panelColourTable(const PanelKind& kind, const std::vector<Pixel>& colours);

// The picture the panel shows, in 24 bits: each value's colour (white for one it does not
// use).
void expandPanelPicture(const PanelPicture& picture, Bitmap& bitmap);

// Writes the BMP of 4 bits a pixel, the values its pixels; false when it cannot be written
// in full.
bool savePanelPicture(const char* path, const PanelPicture& picture);

// One array of a picture in a layout: its identifier's end after the file's array name
// ("_black", "_left"; empty for the only one) and the pixels it holds.
struct PanelArray {
    std::string suffix;
    int plane = -1;      // a plane: the value of its ink; -1: the values themselves
    bool half = false;   // one half of the rows
    bool right = false;  // ... the right one
};

// The arrays of `kind`'s pictures in `layout`, in order.
std::vector<PanelArray> panelArrays(const PanelKind& kind, const Layout& layout);

// The pixels of one of them, of a picture `values`.
PackSource arraySource(const PanelArray& array, const ValuePicture& values);

// Where the bytes of one of them go back to in a picture `values` of the full size.
UnpackTarget arrayTarget(const PanelArray& array, ValuePicture& values);

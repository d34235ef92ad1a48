// SPDX-License-Identifier: MIT
#pragma once

// --palette "#rrggbb,#rrggbb,...": a panel's colours as a user measured them, in the order
// of the panel's colours, one for each.

#include "panels/panel_table.h"

#include <string>
#include <vector>

struct PaletteText {
    std::vector<Pixel> colours; // kind.colourCount of them; empty where there is a problem
    std::string problem;        // what is wrong with the text; empty when nothing is
};

// Each colour is # and six hex digits (either case), spaces around it allowed. The problem
// names a wrong count with the colours the panel takes, or the first bad colour, its place
// and what is wrong with it.
PaletteText paletteFromText(const PanelKind& kind, const std::string& text);

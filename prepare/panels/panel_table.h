// SPDX-License-Identifier: MIT
#pragma once

// The panels a picture can be reduced to: the values their arrays hold, in order, the
// colour each value shows by default (the colours the panels' makers quantise to), and the
// bits a pixel takes. The values are the panels' own numbers, so some leave a gap:
// spectra6 has no colour 4.

#include "pixel.h"

#include <cstdint>
#include <string>
#include <vector>

enum class Panel { bw, bwr, bwy, bwyr, grey4, grey16, acep7, spectra6 };

// The most colours a panel shows, and one more than the highest value any panel takes.
constexpr int maxPanelColours = 16;

struct PanelColour {
    std::uint8_t value; // what the arrays hold for it
    const char* name;   // for messages: "black", "light grey"
    Pixel standard;     // the default colour
};

struct PanelKind {
    const char* name; // as --panel takes it
    Panel panel;
    int bitsPerPixel; // of the values; bwr and bwy keep them as two planes of one bit
    int planes;       // 2 for bwr and bwy: black, and red or yellow; 1 for the others
    int colourCount;
    PanelColour colours[maxPanelColours]; // colourCount of them, by increasing value
};

// bw, bwr, bwy, bwyr, grey4, grey16, acep7, spectra6, in that order. bw is black and white
// as panelbake makes it (a threshold on red + green + blue, or its dithers).
extern const PanelKind panelKinds[8];

const PanelKind& panelKind(Panel panel);

// Null for a name not in the table.
const PanelKind* panelFromName(const std::string& name);

// "bw, bwr, bwy, bwyr, grey4, grey16, acep7 or spectra6".
std::string panelChoices();

// The colours of `kind` by name, "black, white, red".
std::string colourNames(const PanelKind& kind);

// Whether the arrays of `kind` can hold `value`: false for a value past the last colour,
// and for a gap (spectra6's 4).
bool valueUsed(const PanelKind& kind, int value);

// The default colours of `kind`, in the order of its colours.
std::vector<Pixel> standardColours(const PanelKind& kind);

// SPDX-License-Identifier: MIT
#pragma once

// The command line of panelbake-prepare, parsed into a plain struct without touching a
// file.

#include "decoding/array_picture.h"
#include "layouts/layout_table.h"
#include "panels/panel_table.h"
#include "reduction/adjustments.h"
#include "reduction/black_and_white.h"

#include <cstdint>
#include <string>
#include <vector>

// Bringing the picture to the display's size and reducing it to the panel's colours:
// black and white (bw), asked for by any of -w, -h, --threshold and --dither, or any
// other panel's colours, always. Without -w and -h at the picture's own size.
struct Reduction {
    bool requested = false;
    std::int32_t width = -1;  // -w; negative: not given
    std::int32_t height = -1; // -h
    int threshold = panelbakeThreshold; // --threshold, on red + green + blue
    Dither dither = Dither::none;
    const PanelKind* panel = &panelKinds[0]; // --panel
    std::vector<Pixel> colours; // the panel's colours, --palette's or its own (not bw's)
    bool blackAndWhite() const { return panel->panel == Panel::bw; }
};

struct PrepareOptions {
    std::vector<std::string> sources; // one, or with --table any number
    std::string output;  // -o PATH; empty: next to the source
    std::string table;   // --table NAME: NAME.h beside the first picture; empty: none
    Adjustments adjustments;
    Reduction reduction;
    // --for: the layouts written instead of the BMP, those of the panel's name: for bw each
    // as panelbake would convert the BMP, for another panel of its picture's values.
    std::vector<const Layout*> layouts;
    // --compress: an animation's frames, in each layout (pages without --for), compressed
    // into one frames header each, with panelbake_play.h beside them; no frame files.
    bool compress = false;
    bool avrProgmem = false;   // -pgm, as panelbake's
    bool pic30AutoPsv = false; // -pic30
    ArrayOptions arrays;       // --layout, --width, --array: reading C text
    bool force = false;  // --force: replace existing files
    bool verbose = false;
    bool help = false;   // --help: the usage text, nothing else
    std::string problem; // why the command line is refused; empty when it is not
};

// The headers --table writes: NAME.h beside the first picture, or the one of each layout of
// --for (NAME.h for pages, NAME_adafruit.h, ...).
std::vector<std::string> tableHeaderNames(const PrepareOptions& options);

// The layouts whose headers tie a run's pictures together (a table's, an animation's
// frames'): those of --for, or without it pages, the headers panelbake writes for the BMPs.
std::vector<const Layout*> headerLayouts(const PrepareOptions& options);

// The files whose names a picture prepared into the BMP `bmpPath` gives: without --for, the
// header panelbake writes for the BMP (the BMP itself aside); with it, the layouts' files.
std::vector<std::string> pictureFileNames(const PrepareOptions& options, const std::string& bmpPath);

// The BMP a picture of one frame is prepared into: -o, or the source's prepared name for
// the panel (logo_acep7.bmp).
std::string pictureBmpName(const PrepareOptions& options, const std::string& source);

// Reads argv[1] onwards. Options may come in any order, before or after the pictures.
PrepareOptions parsePrepareOptions(int argc, const char* const* argv);

// The usage text.
const char* prepareUsage();

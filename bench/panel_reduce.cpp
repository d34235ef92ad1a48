// SPDX-License-Identifier: MIT
// Pictures brought to a display's size and reduced to a panel's colours, for
// bench/panel_quality.py:
//
//   panel_reduce scale PICTURE.bmp WIDTH HEIGHT SCALED.bmp
//   panel_reduce reduce SCALED.bmp PANEL DITHER VALUES [RUNS]
//   panel_reduce colours PANEL
//
// scale: the picture brought to WIDTH x HEIGHT as panelbake-prepare's -w and -h bring it,
// written as a 24-bit BMP. reduce: the picture reduced to the panel's default colours by
// the --dither rule, its values written one byte a pixel, rows from the top; with RUNS,
// reduced that many times more, and the time of the fastest reduction printed in
// milliseconds. colours: the panel's values and their default colours, "value rrggbb" a
// line.
#include "bitmap.h"
#include "diagnostics.h"
#include "panels/panel_table.h"
#include "reduction/colour_reduction.h"
#include "reduction/display_size.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: panel_reduce scale PICTURE.bmp WIDTH HEIGHT SCALED.bmp\n"
                         "       panel_reduce reduce SCALED.bmp PANEL DITHER VALUES [RUNS]\n"
                         "       panel_reduce colours PANEL\n");
    return 2;
}

bool load(const char* path, Bitmap& picture)
{
    if (picture.load(path))
        return true;
    std::fprintf(stderr, "panel_reduce: cannot read %s\n", path);
    return false;
}

int scale(char** argv)
{
    Bitmap picture;
    if (!load(argv[2], picture))
        return 2;
    scaleToDisplay(picture, std::atoi(argv[3]), std::atoi(argv[4]));
    picture.setBitDepth(24);
    return picture.save(argv[5]) ? 0 : 2;
}

// The fastest of `runs` timed reductions, in milliseconds: on a shared machine the one
// least held up by other work.
double fastestMilliseconds(const Bitmap& picture, const PanelKind& kind, Dither dither, int runs)
{
    const std::vector<Pixel> colours = standardColours(kind);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::uint8_t> values = reduceToPanel(picture, kind, colours, dither);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        times.push_back(took.count());
    }
    return *std::min_element(times.begin(), times.end());
}

int reduce(int argc, char** argv)
{
    Bitmap picture;
    const PanelKind* kind = panelFromName(argv[3]);
    Dither dither = Dither::none;
    if (!kind || !(std::string(argv[4]) == "none" || ditherFromName(argv[4], dither)))
        return usage();
    if (!load(argv[2], picture))
        return 2;
    const std::vector<std::uint8_t> values = reduceToPanel(picture, *kind, standardColours(*kind), dither);
    std::ofstream out(argv[5], std::ios::binary);
    out.write(reinterpret_cast<const char*>(values.data()), static_cast<std::streamsize>(values.size()));
    if (!out.flush())
        return 2;
    if (argc == 7)
        std::printf("%.3f\n", fastestMilliseconds(picture, *kind, dither, std::max(1, std::atoi(argv[6]))));
    return 0;
}

int colours(const char* name)
{
    const PanelKind* kind = panelFromName(name);
    if (!kind)
        return usage();
    for (int i = 0; i < kind->colourCount; ++i) {
        const Pixel& c = kind->colours[i].standard;
        std::printf("%d %02x%02x%02x\n", kind->colours[i].value, c.red, c.green, c.blue);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    bitmapWarnings = false;
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "scale" && argc == 6)
        return scale(argv);
    if (command == "reduce" && (argc == 6 || argc == 7))
        return reduce(argc, argv);
    if (command == "colours" && argc == 3)
        return colours(argv[2]);
    return usage();
}

// SPDX-License-Identifier: MIT
#include "prepare_options.h"

#include "output_names.h"
#include "outputs/layout_files.h"
#include "outputs/layout_names.h"
#include "outputs/pictures_header.h"
#include "outputs/prepared_names.h"
#include "panels/palette_text.h"
#include "switch_options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// A whole number of decimal digits alone, from `low` to `high`. False for anything else.
bool wholeNumber(const char* text, std::int64_t low, std::int64_t high, std::int64_t& value)
{
    value = 0;
    if (*text == '\0')
        return false;
    for (; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9')
            return false;
        value = value * 10 + (*text - '0');
        if (value > high)
            return false;
    }
    return value >= low;
}

class Parser {
public:
    Parser(int argc, const char* const* argv) : argc(argc), argv(argv) {}

    PrepareOptions parse()
    {
        for (i = 1; i < argc && o.problem.empty(); ++i)
            option(argv[i]);
        if (o.problem.empty())
            checkTogether();
        return o;
    }

private:
    // The value after option `name`, or null (and the problem said) when there is none.
    const char* value(const char* name, const char* what)
    {
        if (i + 1 >= argc || argv[i + 1][0] == '\0') {
            o.problem = std::string(name) + " needs " + what;
            return nullptr;
        }
        return argv[++i];
    }

    void number(const char* name, const char* what, std::int64_t low, std::int64_t high, std::int64_t& out)
    {
        const char* text = value(name, what);
        if (text && !wholeNumber(text, low, high, out))
            o.problem = std::string(name) + " needs " + what + ", not \"" + text + "\"";
    }

    // The options of layouts: the arrays written and the arrays read. False for another.
    bool layoutOption(const char* arg)
    {
        std::int64_t n = 0;
        if (std::strcmp(arg, "--for") == 0) {
            if (const char* names = value(arg, layoutChoices().c_str()))
                forNames = names;
        } else if (std::strcmp(arg, "--layout") == 0) {
            if (const char* name = value(arg, layoutChoices().c_str()))
                layoutName = name;
        } else if (std::strcmp(arg, "--width") == 0) {
            number(arg, "the width of a C array's picture, 1 pixel or more", 1, std::numeric_limits<std::int32_t>::max(), n);
            o.arrays.width = n;
        } else if (std::strcmp(arg, "--array") == 0) {
            if (const char* name = value(arg, "the name of the array to read")) {
                const std::string names = name; // FIRST,SECOND for a panel's two arrays
                o.arrays.array = names.substr(0, names.find(','));
                o.arrays.secondArray = names.find(',') == std::string::npos ? "" : names.substr(names.find(',') + 1);
            }
        } else {
            return false;
        }
        return true;
    }

    // --panel and --palette. False for another option.
    bool panelOption(const char* arg)
    {
        if (std::strcmp(arg, "--panel") == 0) {
            const char* name = value(arg, panelChoices().c_str());
            if (name && !(o.arrays.panel = o.reduction.panel = panelFromName(name))) {
                o.reduction.panel = &panelKinds[0];
                o.problem = "--panel needs " + panelChoices() + ", not \"" + name + "\"";
            }
        } else if (std::strcmp(arg, "--palette") == 0) {
            if (const char* text = value(arg, "the panel's colours, \"#rrggbb,#rrggbb,...\""))
                paletteText = text, paletteGiven = true;
        } else {
            return false;
        }
        return true;
    }

    void option(const char* arg)
    {
        std::int64_t n = 0;
        if (layoutOption(arg) || panelOption(arg) ||
            setSwitch(arg, {{"--help", o.help}, {"--force", o.force}, {"-v", o.verbose},
                            {"--invert", o.adjustments.invert}, {"--compress", o.compress},
                            {"-pgm", o.avrProgmem}, {"-pic30", o.pic30AutoPsv}})) {
            return;
        } else if (std::strcmp(arg, "-o") == 0) {
            if (const char* path = value(arg, "the path of the BMP to write"))
                o.output = path;
        } else if (std::strcmp(arg, "--rotate") == 0) {
            const char* angle = value(arg, "90, 180 or 270");
            if (angle && (std::strcmp(angle, "90") == 0 || std::strcmp(angle, "180") == 0 || std::strcmp(angle, "270") == 0))
                o.adjustments.rotate = static_cast<int>(std::strtol(angle, nullptr, 10));
            else if (angle)
                o.problem = std::string("--rotate needs 90, 180 or 270, not \"") + angle + "\"";
        } else if (std::strcmp(arg, "--flip") == 0) {
            const char* way = value(arg, "h or v");
            if (way && std::strcmp(way, "h") == 0)
                o.adjustments.flipHorizontal = true;
            else if (way && std::strcmp(way, "v") == 0)
                o.adjustments.flipVertical = true;
            else if (way)
                o.problem = std::string("--flip needs h or v, not \"") + way + "\"";
        } else if (std::strcmp(arg, "-w") == 0 || std::strcmp(arg, "-h") == 0) {
            number(arg, "a width or height of 1 pixel or more", 1, std::numeric_limits<std::int32_t>::max(), n);
            (arg[1] == 'w' ? o.reduction.width : o.reduction.height) = static_cast<std::int32_t>(n);
            o.reduction.requested = true;
        } else if (std::strcmp(arg, "--threshold") == 0) {
            number(arg, "a sum of red, green and blue from 0 to 765", 0, brightestSum, n);
            o.reduction.threshold = static_cast<int>(n);
            o.reduction.requested = true;
            thresholdGiven = true;
        } else if (std::strcmp(arg, "--dither") == 0) {
            const char* name = value(arg, "floyd-steinberg, atkinson, bayer4 or bayer8");
            if (name && !ditherFromName(name, o.reduction.dither))
                o.problem = std::string("--dither needs floyd-steinberg, atkinson, bayer4 or bayer8, not \"") + name + "\"";
            o.reduction.requested = true;
        } else if (std::strcmp(arg, "--table") == 0) {
            if (const char* name = value(arg, "the name of the header to write"))
                o.table = name;
            if (!o.table.empty() && fileNameStart(o.table) != 0)
                o.problem = "--table needs a name without a folder: the header is written beside the first picture";
        } else if (arg[0] == '-' && arg[1] != '\0') {
            o.problem = std::string("unknown option ") + arg;
        } else {
            o.sources.push_back(arg);
        }
    }

    // The layouts of "--for a,b" that the panel takes: each once, in the order first named.
    void forLayouts(const std::string& names)
    {
        const std::string panel = o.reduction.panel->name;
        for (std::size_t from = 0; from <= names.size() && o.problem.empty();) {
            std::size_t to = names.find(',', from);
            if (to == std::string::npos)
                to = names.size();
            const std::string name = names.substr(from, to - from);
            const Layout* layout = layoutFor(name, panel);
            if (!layout && layoutNamed(name))
                o.problem = "--for " + name + " is not a layout of --panel " + panel + ", which takes " +
                            layoutChoices(panel);
            else if (!layout)
                o.problem = "--for needs " + layoutChoices(panel) + " (one or more, separated by commas), not \"" +
                            name + "\"";
            else if (std::find(o.layouts.begin(), o.layouts.end(), layout) == o.layouts.end())
                o.layouts.push_back(layout);
            from = to + 1;
        }
    }

    // The layout of --layout: the panel's row of that name. Without --panel, a name of a
    // panel of colours is the panel's whose arrays the text holds, known when it is read.
    void arrayLayout(const std::string& name)
    {
        const std::string panel = o.reduction.panel->name;
        o.arrays.layout = layoutFor(name, panel);
        if (!o.arrays.layout && !o.arrays.panel)
            o.arrays.layout = layoutNamed(name);
        if (o.arrays.layout)
            return;
        if (layoutNamed(name))
            o.problem = "--layout " + name + " is not a layout of --panel " + panel + ", which takes " +
                        layoutChoices(panel);
        else
            o.problem = "--layout needs " + layoutChoices(panel) + ", not \"" + name + "\"";
    }

    // Why the panel does not go with the rest of the command line, or "". Its colours are
    // read from --palette's text here, and any panel but bw is always reduced.
    std::string panelClash()
    {
        const PanelKind& kind = *o.reduction.panel;
        const std::string panel = std::string("--panel ") + kind.name;
        if (o.reduction.blackAndWhite())
            return paletteGiven ? "--palette gives the colours of a panel of colours: bw is black and white, cut by "
                                  "--threshold" : "";
        if (thresholdGiven)
            return "--threshold is for black and white (--panel bw): " + panel + " takes the nearest of its colours";
        if (o.compress)
            return "--compress is for black and white (--panel bw): an animation's frames are not prepared for " +
                   panel;
        if (!o.table.empty() && o.layouts.empty())
            return "--table ties arrays together, and " + panel + " writes its arrays with --for " +
                   layoutChoices(kind.name) + " only: give --for";
        const PaletteText colours = paletteGiven ? paletteFromText(kind, paletteText) : PaletteText{standardColours(kind), {}};
        o.reduction.colours = colours.colours;
        o.reduction.requested = true;
        return colours.problem;
    }

    // Whether a layout of --for writes C, or the frames are compressed (into C, pages by
    // default).
    bool writesC() const
    {
        return o.compress || std::any_of(o.layouts.begin(), o.layouts.end(), [](const Layout* layout) {
                   return layout->form != FileForm::pythonModule;
               });
    }

    // Why --compress does not go with the rest of the command line, or "".
    std::string compressClash() const
    {
        if (!o.compress)
            return {};
        if (!o.table.empty() || o.sources.size() > 1)
            return "--compress makes the frames header of one animation: give one picture, without --table";
        for (const Layout* layout : o.layouts)
            if (layout->form == FileForm::pythonModule)
                return std::string("--compress writes C for panelbake_play.h, and --for ") + layout->name +
                       " is a Python module";
        return {};
    }

    void checkTogether()
    {
        if (o.help)
            return;
        if (!forNames.empty())
            forLayouts(forNames);
        if (o.problem.empty() && !layoutName.empty())
            arrayLayout(layoutName);
        if (!o.problem.empty())
            return;
        if (o.sources.empty())
            o.problem = "no picture given";
        else if (!compressClash().empty())
            o.problem = compressClash();
        else if (const std::string clash = panelClash(); !clash.empty())
            o.problem = clash;
        else if (o.sources.size() > 1 && o.table.empty())
            o.problem = "give one picture only, or --table NAME for several";
        else if (!o.table.empty() && !o.output.empty())
            o.problem = "-o is for one picture; with --table every picture is prepared beside itself";
        else if (!sameFolder())
            o.problem = "with --table every picture must be in one folder: the header includes their headers by name";
        else if (!tableClash().empty())
            o.problem = "--table " + o.table + " would be overwritten by " +
                        (o.layouts.empty() ? "the header panelbake writes" : "a file written") + " for " + tableClash();
        else if (thresholdGiven && !takesThreshold(o.reduction.dither))
            o.problem = "--threshold does not go with --dither bayer4 or bayer8: their matrix sets the cuts";
        else if ((o.avrProgmem || o.pic30AutoPsv) && !writesC())
            o.problem = std::string(o.avrProgmem ? "-pgm" : "-pic30") +
                        " is for the C arrays of --for or --compress: give --for with a C layout, or --compress";
    }

    // The picture one of whose files would have the name of a table's header, or "".
    std::string tableClash() const
    {
        if (o.table.empty())
            return {};
        const std::vector<std::string> tables = tableHeaderNames(o);
        for (const std::string& source : o.sources)
            for (const std::string& file : pictureFileNames(o, pictureBmpName(o, source)))
                if (std::find(tables.begin(), tables.end(), file) != tables.end())
                    return source;
        return {};
    }

    bool sameFolder() const
    {
        const std::string& first = o.sources.front();
        const std::string folder = first.substr(0, fileNameStart(first));
        for (const std::string& source : o.sources)
            if (source.substr(0, fileNameStart(source)) != folder)
                return false;
        return true;
    }

    int argc;
    const char* const* argv;
    int i = 1;
    bool thresholdGiven = false;
    std::string forNames; // --for's, read once the panel is known
    std::string layoutName; // --layout's, likewise
    std::string paletteText;
    bool paletteGiven = false;
    PrepareOptions o;
};

} // namespace

std::vector<std::string> tableHeaderNames(const PrepareOptions& options)
{
    const std::string plain = picturesHeaderName(options.sources.front(), options.table);
    if (options.layouts.empty())
        return {plain};
    std::vector<std::string> names;
    for (const Layout* layout : options.layouts)
        names.push_back(layoutTableName(*layout, plain));
    return names;
}

std::vector<const Layout*> headerLayouts(const PrepareOptions& options)
{
    if (!options.layouts.empty())
        return options.layouts;
    return {layoutNamed("pages")};
}

std::vector<std::string> pictureFileNames(const PrepareOptions& options, const std::string& bmpPath)
{
    if (options.layouts.empty())
        return {makeBaseName(bmpPath) + ".h"};
    return layoutFilePaths(options.layouts, bmpPath);
}

std::string pictureBmpName(const PrepareOptions& options, const std::string& source)
{
    return options.output.empty() ? preparedName(source, options.reduction.panel->name) : options.output;
}

PrepareOptions parsePrepareOptions(int argc, const char* const* argv)
{
    return Parser(argc, argv).parse();
}

namespace {

// The usage text, as --help prints it: its head, the panels, its tail.
constexpr const char usageHead[] = "Usage: panelbake-prepare <picture> [options]\n"
    "       panelbake-prepare <picture> --for <layouts> [-pgm|-pic30] [options]\n"
    "       panelbake-prepare <animation.gif> --compress [--for <layouts>] [-pgm|-pic30] [options]\n"
    "       panelbake-prepare --table <name> <picture>... [options]\n"
    "\n"
    "Turns a PNG, JPEG, GIF or BMP picture (or C text, below) into the 24-bit BMP that\n"
    "panelbake converts, written next to the picture (logo.png -> logo.bmp) or at -o:\n"
    "\t-o <path>\tthe BMP to write (with --for, the BMP the files are named from);\n"
    "\t\t\tfor an animation, the base of the frames' names\n"
    "\t--force\t\treplace files that exist (without it they are never overwritten)\n"
    "\t-v\t\tname every file written\n"
    "\t--help\t\tthis text\n"
    "Adjustments, in this order (after a JPEG's EXIF turn):\n"
    "\t--rotate <angle>\tturn 90, 180 or 270 degrees clockwise\n"
    "\t--flip <h|v>\tmirror left to right (h) or top to bottom (v); both may be given\n"
    "\t--invert\tevery colour to its inverse (255 - value)\n"
    "Black and white at the display's size, asked for by any of these four:\n"
    "\t-w <width>\tscale to the display's size as panelbake's -w and -h do, with\n"
    "\t-h <height>\tthe same fitting and bilinear rule; without either, the size stays\n"
    "\t--threshold <n>\twhite where red + green + blue >= n, 0 to 765 (default 383,\n"
    "\t\t\tpanelbake's own cut); the cut of error diffusion too\n"
    "\t--dither <rule>\tfloyd-steinberg, atkinson, bayer4 or bayer8. Error diffusion\n"
    "\t\t\truns left to right in rows from top to bottom, in integers.\n";

constexpr const char usageTail[] =
    "Several pictures at once:\n"
    "\t--table <name>\tprepare every picture given with the same options, and write\n"
    "\t\t\t<name>.h beside the first: it includes the header panelbake writes\n"
    "\t\t\tfor each BMP and declares the table of their arrays and its count\n"
    "For a display library, arrays of the pixels panelbake makes of the BMP, not the BMP:\n"
    "\t--for <layouts>\tpages, columns, adafruit, xbm, micropython or epd (a panel's:\n"
    "\t\t\tabove), or several of them separated by commas. logo.png gives\n"
    "\t\t\tlogo_glcd.h and logo_glcd.bmp (pages: panelbake's own), logo_columns.h,\n"
    "\t\t\tlogo_adafruit.h, logo.xbm, logo.py or logo_epd.h (0 for black); with\n"
    "\t\t\t--table or an animation, their tables too. A panel's are named from\n"
    "\t\t\tits BMP: its first layout logo_acep7.h, the others logo_acep7_halves.h,\n"
    "\t\t\t... (micropython: logo_grey4.py)\n"
    "\t-pgm\t\tdeclare the C arrays for AVR program memory, as panelbake does\n"
    "\t-pic30\t\tdeclare the C arrays for PIC30 (auto_psv), as panelbake does\n"
    "An animation's frames in flash, for panelbake_play.h to play into a display buffer:\n"
    "\t--compress\tcompress the frames of an animated GIF into walk_frames.h (or the\n"
    "\t\t\tframes header of each layout of --for, pages without it) and\n"
    "\t\t\twrite panelbake_play.h beside it; no frame files. Without -pgm\n"
    "\t\t\tand -pic30 the stream lies where the player reads it: program\n"
    "\t\t\tmemory on AVR, plain memory elsewhere\n"
    "C text as a picture: a C array, an X bitmap or a MicroPython module is read back\n"
    "into the black-and-white picture its bytes hold, or a panel's values (logo_acep7.h\n"
    "-> logo_acep7.bmp, the panel's BMP). panelbake's and these files tell their panel,\n"
    "layout and size; for another array give them (--panel, bw by default, and):\n"
    "\t--layout <name>\tthe layout of its bytes, one of those of --for the panel takes\n"
    "\t--width <n>\tthe width of its picture; the height follows from the bytes\n"
    "\t--array <name>\tthe array to read, of several (the first array of bytes); a\n"
    "\t\tpanel's two planes or halves: --array FIRST,SECOND, or by default\n"
    "\t\tthe array read and the one after it\n"
    "\n"
    "Transparent parts are laid on white, 16-bit samples reduced to the nearest 8-bit\n"
    "value, and a JPEG is turned as its EXIF orientation says; colour profiles are\n"
    "ignored. A BMP that panelbake reads is copied as it is when nothing is adjusted.\n"
    "An animated GIF gives one BMP per frame (walk.gif -> walk_00.bmp, walk_01.bmp, ...)\n"
    "as a browser shows it, and walk_frames.h, which lists the frames' headers and\n"
    "delays for a display loop. A black-and-white BMP is converted by panelbake pixel\n"
    "for pixel without -w and -h:\n"
    "\tpanelbake-prepare photo.jpg -w 128 -h 64 --dither atkinson && panelbake photo.bmp\n"
    "\n"
    "Exit codes: 0 written (or nothing to do), 1 wrong command line, 2 the picture\n"
    "cannot be read, 3 not a picture this program reads or a damaged one, 4 the\n"
    "picture is too large, 5 an output exists (give --force), 6 an output cannot be\n"
    "written (nothing is left behind), 7 not enough memory, 8 a C array whose layout\n"
    "or width is not known, or whose bytes do not fill its picture, 9 frames too large\n"
    "for panelbake_play.h (a frame or the stream over 65535 bytes). With --table, the\n"
    "code of the first picture that failed; the others are prepared all the same.\n";

// A panel's values and default colours, in lines of at most 60 characters after `indent`.
std::string panelColours(const PanelKind& kind, const std::string& indent)
{
    std::string text;
    std::size_t lineStart = 0;
    for (int i = 0; i < kind.colourCount; ++i) {
        const PanelColour& c = kind.colours[i];
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02x%02x%02x", c.standard.red, c.standard.green, c.standard.blue);
        const std::string item = std::to_string(c.value) + " " + c.name + " " + hex;
        if (i > 0 && text.size() - lineStart + item.size() + 2 > 60) {
            text += ",\n" + indent;
            lineStart = text.size();
        } else if (i > 0) {
            text += ", ";
        }
        text += item;
    }
    return text;
}

// The panels, their values and colours, and the layouts each takes.
std::string panelsUsage()
{
    std::string text = "A panel of colours: the picture reduced to them at -w and -h (or its own size) by\n"
                       "--dither (none: the nearest colour), in linear light, as the eye mixes them.\n"
                       "logo.png gives logo_acep7.bmp, a BMP whose pixels are the panel's values and\n"
                       "whose colour table is its colours, or with --for the panel's arrays:\n"
                       "\t--panel <name>\tbw (black and white, as above: the default) or one of these, with\n"
                       "\t\t\tits values, default colours and the layouts of --for it takes:\n";
    const std::string indent = "\t          ";
    for (const PanelKind& kind : panelKinds)
        text += "\t" + std::string(kind.name) + std::string(10 - std::strlen(kind.name), ' ') +
                panelColours(kind, indent) + "\n" + indent + "--for " + layoutChoices(kind.name) + "\n";
    return text + "\t--palette <colours>\tthe panel's colours as measured, \"#rrggbb,#rrggbb,...\",\n"
                  "\t\t\tin the order of its values (not for bw)\n";
}

} // namespace

const char* prepareUsage()
{
    static const std::string usage = usageHead + panelsUsage() + usageTail;
    return usage.c_str();
}

// SPDX-License-Identifier: MIT
#include "decoding/array_picture.h"

#include "decoding/c_arrays.h"
#include "decoding/python_bytes.h"
#include "layouts/layout_packing.h"
#include "panels/panel_picture.h"
#include "picture_refusal.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

namespace {

std::string counted(std::int64_t n, const std::string& one, const std::string& many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string bytesText(std::int64_t n)
{
    return counted(n, "byte", "bytes");
}

std::string isAre(std::int64_t n)
{
    return std::to_string(n) + (n == 1 ? " is" : " are");
}

[[noreturn]] void refuse(Refusal kind, const std::string& reason)
{
    throw PictureRefusal(kind, reason);
}

// The layout a comment of panelbake-prepare's names: "panelbake-prepare --for adafruit".
const Layout* layoutOfComment(std::string_view text)
{
    const std::string_view mark = "panelbake-prepare --for ";
    const std::size_t at = text.find(mark);
    if (at == std::string_view::npos)
        return nullptr;
    std::size_t end = at + mark.size();
    while (end < text.size() && text[end] >= 'a' && text[end] <= 'z')
        ++end;
    return layoutNamed(std::string(text.substr(at + mark.size(), end - at - mark.size())));
}

// The panel and layout a comment of panelbake-prepare's names for a panel of colours:
// "panelbake-prepare --panel acep7 --for rows", across the comment's lines. Sought in the
// text's start, where the comment is.
void panelOfComment(std::string_view text, TextArray& read)
{
    std::string words; // the start, its comments' marks and runs of white space as one space
    for (const char c : text.substr(0, 16384)) {
        const bool space = c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '*' || c == '#';
        if (!space)
            words += c;
        else if (!words.empty() && words.back() != ' ')
            words += ' ';
    }
    const std::string mark = "panelbake-prepare --panel ";
    const std::size_t at = words.find(mark);
    if (at == std::string::npos)
        return;
    const std::size_t nameEnd = words.find(' ', at + mark.size());
    const std::string forMark = " --for ";
    if (nameEnd == std::string::npos || words.compare(nameEnd, forMark.size(), forMark) != 0)
        return;
    std::size_t end = nameEnd + forMark.size();
    while (end < words.size() && ((words[end] >= 'a' && words[end] <= 'z') || (words[end] >= '0' && words[end] <= '9')))
        ++end;
    const PanelKind* panel = panelFromName(words.substr(at + mark.size(), nameEnd - at - mark.size()));
    const std::string layout = words.substr(nameEnd + forMark.size(), end - nameEnd - forMark.size());
    if (panel && layoutFor(layout, panel->name)) {
        read.panel = panel;
        read.panelFrom = read.layoutFrom = "its comment";
        read.layout = layoutFor(layout, panel->name);
    }
}

bool endsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

TextArray fromPython(PythonBytes& module)
{
    TextArray read;
    read.label = arrayLabel(module.name, module.line);
    read.arrays.push_back({module.name, module.line, module.bytes.size()});
    if (!module.problem.empty())
        read.problems.push_back(module.problem);
    read.problemCount = read.problems.size();
    read.bytes = std::move(module.bytes);
    if (read.bytes.empty() && read.problems.empty())
        refuse(Refusal::corrupt, read.label + " holds no bytes");
    const char* layouts[][2] = {{"MONO_VLSB", "micropython"}, {"MONO_HLSB", "adafruit"}, {"MONO_HMSB", "xbm"}};
    for (const auto& pair : layouts)
        if (module.format == pair[0]) {
            read.layout = layoutNamed(pair[1]);
            read.layoutFrom = "framebuf." + module.format;
        }
    const char* greys[][2] = {{"GS2_HMSB", "grey4"}, {"GS4_HMSB", "grey16"}}; // the grey panels' modules
    for (const auto& pair : greys)
        if (module.format == pair[0]) {
            read.panel = panelFromName(pair[1]);
            read.panelFrom = read.layoutFrom = "framebuf." + module.format;
            read.layout = layoutFor("micropython", pair[1]);
        }
    if (module.width > 0 && module.height > 0) {
        read.width = module.width;
        read.height = module.height;
        read.sizeFrom = "WIDTH and HEIGHT";
    }
    return read;
}

std::string upperCase(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The layout the form of a C array tells: the one its comment names, an X bitmap's for
// NAME_bits beside NAME_width and NAME_height, or pages for panelbake's NAME_bmp beside
// NAME_WIDTH and NAME_HEIGHT.
void layoutOfForm(std::string_view text, const ArrayText& array, TextArray& read)
{
    const std::string& name = array.name;
    const std::string xbmStem = endsWith(name, "_bits") ? name.substr(0, name.size() - 5) : "";
    const std::string pagesStem = endsWith(name, "_bmp") ? upperCase(name.substr(0, name.size() - 4)) : "";
    if ((read.layout = layoutOfComment(text)))
        read.layoutFrom = "its comment";
    else if (!xbmStem.empty() && array.widthMacro == xbmStem + "_width" && array.heightMacro == xbmStem + "_height")
        read.layout = layoutNamed("xbm"), read.layoutFrom = "its X bitmap macros";
    else if (!pagesStem.empty() && array.widthMacro == pagesStem + "_WIDTH" && array.heightMacro == pagesStem + "_HEIGHT")
        read.layout = layoutNamed("pages"), read.layoutFrom = "panelbake's size macros";
}

TextArray fromC(std::string_view text, const std::string& choice)
{
    ArrayText array = readArrayText(text, choice);
    TextArray read;
    if (array.bytesAlone && array.bytes.empty())
        refuse(Refusal::unknownFormat, "it is not a PNG, JPEG, GIF or BMP picture, nor text with a C array of bytes");
    if (array.chosen < 0)
        refuse(Refusal::corrupt, array.problems.front());
    read.label = arrayLabel(array.name, array.line);
    read.arrays = array.arrays;
    read.chosen = array.chosen;
    read.problems = std::move(array.problems);
    read.problemCount = array.problemCount;
    read.bytes = std::move(array.bytes);
    layoutOfForm(text, array, read);
    panelOfComment(text, read);
    if (array.width > 0 && array.height > 0) {
        read.width = array.width;
        read.height = array.height;
        read.sizeFrom = array.widthMacro + " and " + array.heightMacro;
    } else if (array.width > 0) {
        read.width = array.width;
        read.sizeFrom = array.widthMacro;
    }
    read.notes = std::move(array.notes);
    return read;
}

// What is made of bytes that do not fill their picture: they are refused, the reason
// after `refused`; or with ArrayFit::drawWhatFits the reason is said in `unfit`.
struct Misfits {
    ArrayFit fit;
    std::vector<std::string>& unfit;
    void operator()(const std::string& refused, const std::string& why) const
    {
        if (fit == ArrayFit::refuse)
            refuse(Refusal::unfitArray, refused + why);
        unfit.push_back(why);
    }
};

// One array of a picture: its label, the count of its bytes, and the columns of the
// picture it holds (all of them, or a half's).
struct ArrayBytes {
    const std::string& label;
    std::int64_t count;
    std::int64_t columns;
};

// The height of the picture the bytes fill at `width` in `layout`: the size macros' where
// the count is theirs, otherwise whole pages or rows. Where everything came from the text,
// a count the macros disagree with does not fit; so, always, bytes over whole pages or rows.
std::int64_t fittedHeight(const TextArray& read, const ArrayBytes& array, const Layout& layout, std::int64_t width,
                          bool allTold, std::int64_t maxPixels, const Misfits& misfit)
{
    const std::int64_t count = array.count;
    const std::int64_t columns = array.columns;
    const std::string size = read.height > 0 ? std::to_string(read.width) + " x " + std::to_string(read.height) : "";
    if (read.height > 0 && read.width == width) {
        if (read.height > maxPixels / width)
            refuse(Refusal::tooLarge, "it is " + size + " pixels, more than the " + std::to_string(maxPixels) +
                                          " this program takes");
        const std::int64_t needed = byteGrid(layout, columns, read.height).bytes();
        if (needed == count)
            return read.height;
        if (allTold || misfit.fit == ArrayFit::drawWhatFits)
            misfit(array.label + " holds " + bytesText(count) + ", but ",
                   "its size macros say " + size + ", which takes " + std::to_string(needed) + " in the " +
                       layout.name + " layout: " + isAre(std::abs(count - needed)) + (count > needed ? " over" : " missing"));
    } else if (read.height > 0 && misfit.fit == ArrayFit::drawWhatFits) {
        misfit.unfit.push_back("its size macros say " + size);
    }
    const bool down = layout.axis == ByteAxis::down;
    const std::int64_t band = byteGrid(layout, columns, down ? 8 : 1).bandBytes;
    const std::int64_t over = count % band;
    const std::string whole = "whole " + (down ? "pages of " + counted(columns, "column", "columns")
                                               : "rows of " + counted(columns, "pixel", "pixels") + ", " +
                                                     bytesText(band) + " each");
    if (over > 0)
        misfit(array.label + ": ",
               bytesText(count) + " do not fill " + whole + ": " + isAre(over) + " over, and " + isAre(band - over) +
                   " missing for one more " + bandName(layout));
    if (count < band) // not one whole page or row to draw
        refuse(Refusal::unfitArray, array.label + ": " + misfit.unfit.back());
    return count / band * (down ? 8 : 1);
}

// What -v says of the arrays of a text that holds several.
std::string arraysListed(const std::vector<ListedArray>& arrays)
{
    std::string listed;
    for (const ListedArray& a : arrays)
        listed += (listed.empty() ? "" : ", ") + (a.name.empty() ? "one without a name" : a.name) + " (line " +
                  std::to_string(a.line) + ", " + bytesText(static_cast<std::int64_t>(a.count)) + ")";
    return "the text holds " + std::to_string(arrays.size()) + " arrays of bytes: " + listed +
           "; --array NAME reads another";
}

// What -v says of the array read, and of the second, for a panel of colours.
std::string readReport(const TextArray& read, const Layout& layout, std::int64_t width, std::int64_t height,
                       const ArrayOptions& options, const PanelKind& panel)
{
    std::string whence;
    const bool panelTold = !options.panel && read.panel;
    if (panelTold && !options.layout && read.panelFrom == read.layoutFrom)
        whence = "the panel and the layout from " + read.panelFrom;
    else if (panelTold)
        whence = "the panel from " + read.panelFrom;
    if (!options.layout && whence.empty())
        whence = "the layout from " + read.layoutFrom;
    else if (!options.layout && whence.find("layout") == std::string::npos)
        whence += ", the layout from " + read.layoutFrom;
    const bool macrosSize = options.width == 0 && height == read.height;
    const std::string size = macrosSize ? "the size from " + read.sizeFrom
                             : options.width == 0 && !read.sizeFrom.empty() ? "the width from " + read.sizeFrom
                                                                            : "";
    if (!size.empty())
        whence += (whence.empty() ? "" : ", ") + size;
    const bool bw = panel.panel == Panel::bw;
    const bool two = !read.secondLabel.empty() && !bw;
    return "read " + read.label + (two ? " and " + read.secondLabel : "") + ": " +
           (two && read.bytes.size() != read.second.size() ? std::to_string(read.bytes.size()) + " and " : "") +
           bytesText(static_cast<std::int64_t>((two ? read.second : read.bytes).size())) +
           (two && read.bytes.size() == read.second.size() ? " each" : "") + ", " + std::to_string(width) + " x " +
           std::to_string(height) + " pixels " + (bw ? "" : "of the " + std::string(panel.name) + " panel ") +
           "in the " + layout.name + " layout" + (whence.empty() ? "" : " (" + whence + ")");
}

// The panel and the layout an array is read in: the options', or else the text's.
struct ReadKind {
    const PanelKind* panel;
    const Layout* layout;
};

ReadKind readKind(const TextArray& read, const ArrayOptions& options)
{
    const PanelKind* panel = options.panel ? options.panel : read.panel ? read.panel : &panelKinds[0];
    if (options.panel && read.panel && options.panel != read.panel && !options.layout)
        refuse(Refusal::unfitArray, read.label + " holds the arrays of --panel " + read.panel->name + " (" +
                                        read.panelFrom + " says so), not of --panel " + options.panel->name +
                                        ": leave --panel out, or give --layout to read its bytes as " +
                                        options.panel->name + "'s");
    if (!options.layout)
        return {panel, read.panel == panel || panel->panel == Panel::bw ? read.layout : nullptr};
    const Layout* layout = layoutFor(options.layout->name, panel->name);
    if (!layout)
        refuse(Refusal::unfitArray, std::string("--layout ") + options.layout->name + " is not a layout of --panel " +
                                        panel->name + ", which takes " + layoutChoices(panel->name));
    return {panel, layout};
}

// "the black plane", "the right halves".
std::string arrayRole(const PanelArray& array)
{
    return "the " + array.suffix.substr(1) + (array.plane >= 0 ? " plane" : " halves");
}

// A note on values a panel does not use, which a foreign array may hold: the panel's BMP
// shows them as white.
void noteUnusedValues(const ValuePicture& values, const PanelKind& panel, std::vector<std::string>& report)
{
    bool used[256] = {};
    for (int v = 0; v < 256; ++v)
        used[v] = valueUsed(panel, v);
    const auto unused = std::count_if(values.values.begin(), values.values.end(), [&](std::uint8_t v) { return !used[v]; });
    if (unused > 0)
        report.push_back(counted(unused, "pixel holds a value", "pixels hold values") + " the " + panel.name +
                         " panel does not use: its BMP shows " + (unused == 1 ? "it" : "them") + " white");
}

// The values of a panel's arrays: the first's, and the second's (its colour plane, which
// wins over black where both have ink, as the panels show it; or its right halves).
ArrayPicture fitPanelArrays(const TextArray& read, const ArrayOptions& options, const ReadKind& kind,
                            std::int64_t width, std::int64_t maxPixels)
{
    const PanelKind& panel = *kind.panel;
    const Layout& layout = *kind.layout;
    const std::vector<PanelArray> arrays = panelArrays(panel, layout);
    if (arrays.size() == 2 && read.secondLabel.empty())
        refuse(Refusal::unfitArray, read.label + " is " + arrayRole(arrays[0]) + " of --panel " + panel.name +
                                        " in the " + layout.name + " layout, and the text holds no array after it for " +
                                        arrayRole(arrays[1]) + ": give the two with --array FIRST,SECOND");
    if (layout.halves && width < 2)
        refuse(Refusal::unfitArray, std::string("the ") + layout.name +
                                        " layout cuts every row in two: the picture's width is 2 pixels or more");
    ArrayPicture result;
    const Misfits misfit{options.fit, result.unfit};
    const bool allTold = !options.layout && options.width == 0;
    const auto columns = [&](const PanelArray& a) { return !a.half ? width : a.right ? width / 2 : (width + 1) / 2; };
    const auto count = static_cast<std::int64_t>(read.bytes.size());
    std::int64_t height = fittedHeight(read, {read.label, count, columns(arrays[0])}, layout, width, allTold, maxPixels, misfit);
    if (arrays.size() == 2) {
        const ArrayBytes second{read.secondLabel, static_cast<std::int64_t>(read.second.size()), columns(arrays[1])};
        const std::int64_t its = fittedHeight(read, second, layout, width, allTold, maxPixels, misfit);
        if (its != height)
            misfit(read.secondLabel + ": ", "its bytes fill " + counted(its, "row", "rows") + ", and those of " +
                                                read.label + " " + std::to_string(height));
        height = std::min(height, its);
    }
    if (width * height > maxPixels)
        refuse(Refusal::tooLarge, "it is " + std::to_string(width) + " x " + std::to_string(height) +
                                      " pixels, more than the " + std::to_string(maxPixels) + " this program takes");
    result.panel = &panel;
    result.layout = &layout;
    result.bytesTaken = byteGrid(layout, columns(arrays[0]), height).bytes();
    if (result.bytesTaken < count)
        result.unfit.push_back("the first " + bytesText(result.bytesTaken) + " are drawn");
    ValuePicture& values = result.values;
    values.width = static_cast<std::int32_t>(width);
    values.height = static_cast<std::int32_t>(height);
    values.values.assign(static_cast<std::size_t>(width * height), arrays[0].plane >= 0 ? 1 : 0); // planes: white
    for (std::size_t i = 0; i < arrays.size(); ++i)
        drawLayoutValues((i == 0 ? read.bytes : read.second).data(), layout, arrayTarget(arrays[i], values));
    result.report.push_back(readReport(read, layout, width, height, options, panel));
    noteUnusedValues(values, panel, result.report);
    return result;
}

// The black-and-white picture of an array.
ArrayPicture fitBlackAndWhite(const TextArray& read, const ArrayOptions& options, const Layout& layout,
                              std::int64_t width, std::int64_t maxPixels)
{
    const auto count = static_cast<std::int64_t>(read.bytes.size());
    ArrayPicture result;
    const Misfits misfit{options.fit, result.unfit};
    const std::int64_t height = fittedHeight(read, {read.label, count, width}, layout, width,
                                             !options.layout && options.width == 0, maxPixels, misfit);
    if (width * height > maxPixels)
        refuse(Refusal::tooLarge, "it is " + std::to_string(width) + " x " + std::to_string(height) +
                                      " pixels, more than the " + std::to_string(maxPixels) + " this program takes");
    result.panel = &panelKinds[0];
    result.layout = &layout;
    result.bytesTaken = byteGrid(layout, width, height).bytes();
    if (result.bytesTaken < count)
        result.unfit.push_back("the first " + bytesText(result.bytesTaken) + " are drawn");
    result.picture.setDimensions(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    drawLayoutBytes(read.bytes.data(), layout, result.picture);
    result.report.push_back(readReport(read, layout, width, height, options, panelKinds[0]));
    return result;
}

} // namespace

bool mayBeText(const std::uint8_t* data, std::size_t size)
{
    return std::find(data, data + size, 0) == data + size;
}

TextArray readTextArray(const std::uint8_t* data, std::size_t size, const std::string& array)
{
    if (!mayBeText(data, size))
        refuse(Refusal::unknownFormat, "it is not a PNG, JPEG, GIF or BMP picture, nor text with a C array of bytes");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    PythonBytes module = readPythonBytes(text);
    if (module.found && !array.empty() && array != module.name)
        refuse(Refusal::corrupt, "The text holds no array of bytes named " + array + ".");
    return module.found ? fromPython(module) : fromC(text, array);
}

ArrayPicture fitTextArray(const TextArray& read, const ArrayOptions& options, std::int64_t maxPixels)
{
    if (!read.problems.empty()) {
        std::string reason = read.label + " could not be read: " + read.problems.front();
        for (std::size_t i = 1; i < read.problems.size(); ++i)
            reason += "\n  " + read.problems[i];
        refuse(Refusal::corrupt, reason);
    }
    const auto count = static_cast<std::int64_t>(read.bytes.size());
    const ReadKind kind = readKind(read, options);
    const Layout* layout = kind.layout;
    if (!layout)
        refuse(Refusal::unfitArray, read.label + " holds " + bytesText(count) +
                                        " and does not say its layout: give it with --layout " +
                                        layoutChoices(kind.panel->name));
    const std::int64_t width = options.width > 0 ? options.width : read.width;
    if (width <= 0)
        refuse(Refusal::unfitArray, read.label + " holds " + bytesText(count) +
                                        " and no size macros: give the width of its picture with --width");
    if (width > maxPixels)
        refuse(Refusal::tooLarge, "it is " + std::to_string(width) + " pixels wide, more than the " +
                                      std::to_string(maxPixels) + " pixels this program takes");
    ArrayPicture result = kind.panel->panel == Panel::bw ? fitBlackAndWhite(read, options, *layout, width, maxPixels)
                                                         : fitPanelArrays(read, options, kind, width, maxPixels);
    if (read.arrays.size() > 1)
        result.report.push_back(arraysListed(read.arrays));
    result.report.insert(result.report.end(), read.notes.begin(), read.notes.end());
    return result;
}

void readSecondArray(const std::uint8_t* data, std::size_t size, const ArrayOptions& options, TextArray& read)
{
    ReadKind kind{};
    try {
        kind = readKind(read, options);
    } catch (const PictureRefusal&) {
        return; // fitTextArray says why
    }
    if (!kind.layout || panelArrays(*kind.panel, *kind.layout).size() < 2)
        return;
    const auto next = static_cast<std::size_t>(read.chosen) + 1;
    const std::string name = !options.secondArray.empty() ? options.secondArray
                             : next < read.arrays.size()   ? read.arrays[next].name
                                                           : "";
    if (name.empty())
        return;
    TextArray second = readTextArray(data, size, name);
    if (!second.problems.empty())
        refuse(Refusal::corrupt, second.label + " could not be read: " + second.problems.front());
    read.second = std::move(second.bytes);
    read.secondName = name;
    read.secondLabel = second.label;
}

ArrayPicture arrayPicture(const std::uint8_t* data, std::size_t size, const ArrayOptions& options,
                          std::int64_t maxPixels)
{
    TextArray read = readTextArray(data, size, options.array);
    readSecondArray(data, size, options, read);
    return fitTextArray(read, options, maxPixels);
}

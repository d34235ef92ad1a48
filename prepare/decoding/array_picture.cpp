// SPDX-License-Identifier: MIT
#include "decoding/array_picture.h"

#include "decoding/c_arrays.h"
#include "decoding/python_bytes.h"
#include "layouts/layout_packing.h"
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

// The height of the picture the bytes fill at `width` in `layout`: the size macros' where
// the count is theirs, otherwise whole pages or rows. Where everything came from the text,
// a count the macros disagree with does not fit; so, always, bytes over whole pages or rows.
std::int64_t fittedHeight(const TextArray& read, const Layout& layout, std::int64_t width, bool allTold,
                          std::int64_t maxPixels, const Misfits& misfit)
{
    const auto count = static_cast<std::int64_t>(read.bytes.size());
    const std::string size = read.height > 0 ? std::to_string(read.width) + " x " + std::to_string(read.height) : "";
    if (read.height > 0 && read.width == width) {
        if (read.height > maxPixels / width)
            refuse(Refusal::tooLarge, "it is " + size + " pixels, more than the " + std::to_string(maxPixels) +
                                          " this program takes");
        const std::int64_t needed = byteGrid(layout, width, read.height).bytes();
        if (needed == count)
            return read.height;
        if (allTold || misfit.fit == ArrayFit::drawWhatFits)
            misfit(read.label + " holds " + bytesText(count) + ", but ",
                   "its size macros say " + size + ", which takes " + std::to_string(needed) + " in the " +
                       layout.name + " layout: " + isAre(std::abs(count - needed)) + (count > needed ? " over" : " missing"));
    } else if (read.height > 0 && misfit.fit == ArrayFit::drawWhatFits) {
        misfit.unfit.push_back("its size macros say " + size);
    }
    const bool down = layout.axis == ByteAxis::down;
    const std::int64_t band = byteGrid(layout, width, down ? 8 : 1).bandBytes;
    const std::int64_t over = count % band;
    const std::string whole = "whole " + (down ? "pages of " + counted(width, "column", "columns")
                                               : "rows of " + counted(width, "pixel", "pixels") + ", " + bytesText(band) +
                                                     " each");
    if (over > 0)
        misfit(read.label + ": ",
               bytesText(count) + " do not fill " + whole + ": " + isAre(over) + " over, and " + isAre(band - over) +
                   " missing for one more " + bandName(layout));
    if (count < band) // not one whole page or row to draw
        refuse(Refusal::unfitArray, read.label + ": " + misfit.unfit.back());
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

// What -v says of the array read.
std::string readReport(const TextArray& read, const Layout& layout, std::int64_t width, std::int64_t height,
                       const ArrayOptions& options)
{
    std::string whence;
    if (!options.layout)
        whence = "the layout from " + read.layoutFrom;
    const bool macrosSize = options.width == 0 && height == read.height;
    const std::string size = macrosSize ? "the size from " + read.sizeFrom
                             : options.width == 0 && !read.sizeFrom.empty() ? "the width from " + read.sizeFrom
                                                                            : "";
    if (!size.empty())
        whence += (whence.empty() ? "" : ", ") + size;
    return "read " + read.label + ": " + bytesText(static_cast<std::int64_t>(read.bytes.size())) + ", " +
           std::to_string(width) + " x " + std::to_string(height) + " pixels in the " + layout.name + " layout" +
           (whence.empty() ? "" : " (" + whence + ")");
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
    const Layout* layout = options.layout ? options.layout : read.layout;
    if (!layout)
        refuse(Refusal::unfitArray, read.label + " holds " + bytesText(count) +
                                        " and does not say its layout: give it with --layout " + layoutChoices());
    const std::int64_t width = options.width > 0 ? options.width : read.width;
    if (width <= 0)
        refuse(Refusal::unfitArray, read.label + " holds " + bytesText(count) +
                                        " and no size macros: give the width of its picture with --width");
    if (width > maxPixels)
        refuse(Refusal::tooLarge, "it is " + std::to_string(width) + " pixels wide, more than the " +
                                      std::to_string(maxPixels) + " pixels this program takes");
    ArrayPicture result;
    const Misfits misfit{options.fit, result.unfit};
    const std::int64_t height =
        fittedHeight(read, *layout, width, !options.layout && options.width == 0, maxPixels, misfit);
    if (width * height > maxPixels)
        refuse(Refusal::tooLarge, "it is " + std::to_string(width) + " x " + std::to_string(height) +
                                      " pixels, more than the " + std::to_string(maxPixels) + " this program takes");
    result.layout = layout;
    result.bytesTaken = byteGrid(*layout, width, height).bytes();
    if (result.bytesTaken < count)
        result.unfit.push_back("the first " + bytesText(result.bytesTaken) + " are drawn");
    result.picture.setDimensions(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    drawLayoutBytes(read.bytes.data(), *layout, result.picture);
    result.report.push_back(readReport(read, *layout, width, height, options));
    if (read.arrays.size() > 1)
        result.report.push_back(arraysListed(read.arrays));
    result.report.insert(result.report.end(), read.notes.begin(), read.notes.end());
    return result;
}

ArrayPicture arrayPicture(const std::uint8_t* data, std::size_t size, const ArrayOptions& options,
                          std::int64_t maxPixels)
{
    return fitTextArray(readTextArray(data, size, options.array), options, maxPixels);
}

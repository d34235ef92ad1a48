// SPDX-License-Identifier: MIT
// Bytes back to a picture, for the page: C text read by panelbake-prepare's own reader of C
// arrays, with the page's policy of drawing what fits (ArrayFit::drawWhatFits), into black
// and white or a panel's values; and whether panelbake-prepare's parser takes a command
// line, for the notes beside the page's controls.
#include "bitmap.h"
#include "file_stream.h"
#include "decoding/array_picture.h"
#include "layouts/layout_packing.h"
#include "page_json.h"
#include "page_pictures.h"
#include "panels/panel_table.h"
#include "picture_refusal.h"
#include "prepare_options.h"

#include <emscripten.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// The page-column bytes of the newest picture read back in black and white, or its values
// (one byte a pixel, rows from the top) for a panel of colours.
std::vector<std::uint8_t> arrayColumns;
std::vector<std::uint8_t> arrayValues;

// The options of arguments after the program's name, as panelbake-prepare's parser takes
// them (a picture's name first, which it needs); `problem` says why it refuses them.
PrepareOptions parsedOptions(std::vector<std::string> args)
{
    args.insert(args.begin(), "panelbake-prepare");
    std::vector<const char*> argv;
    for (const std::string& arg : args)
        argv.push_back(arg.c_str());
    return parsePrepareOptions(static_cast<int>(argv.size()), argv.data());
}

std::string listingJson(const TextArray& read)
{
    std::string arrays = "[";
    for (const ListedArray& a : read.arrays)
        arrays += (arrays.size() > 1 ? "," : "") + std::string("{\"name\":") + jsonString(a.name) +
                  ",\"line\":" + std::to_string(a.line) + ",\"count\":" + std::to_string(a.count) + "}";
    return "\"arrays\":" + arrays + "],\"chosen\":" + std::to_string(read.chosen) +
           ",\"problems\":" + jsonStrings(read.problems) + ",\"problemCount\":" + std::to_string(read.problemCount) +
           ",\"notes\":" + jsonStrings(read.notes) + ",\"told\":{\"layout\":" +
           jsonString(read.layout ? read.layout->name : "") + ",\"width\":" + std::to_string(read.width) + "}";
}

// The options the page's controls give for the text read: in a fresh reading, the layout
// and width the text tells win over them; a control that says what the text tells leaves
// it the text's own. An empty string, or why the width is refused.
std::string arrayOptions(const TextArray& read, const std::string& layoutName, const std::string& width, bool fresh,
                         ArrayOptions& options)
{
    options.fit = ArrayFit::drawWhatFits;
    const Layout* layout = layoutNamed(layoutName);
    const bool told = layout && read.layout && std::string(layout->name) == read.layout->name;
    if (!told && !(fresh && read.layout))
        options.layout = layout;
    if (width.empty() || (fresh && read.width > 0))
        return {};
    const PrepareOptions parsed = parsedOptions({"logo.h", "--width", width});
    if (!parsed.problem.empty())
        return parsed.problem;
    if (parsed.arrays.width != read.width)
        options.width = parsed.arrays.width;
    return {};
}

// The picture read, as the page is told of it: for black and white its page columns (at
// panelbake_page_array_bytes), for a panel its values (at panelbake_page_array_values).
std::string pictureJson(const ArrayPicture& drawn)
{
    const bool bw = drawn.panel->panel == Panel::bw;
    const std::int32_t width = bw ? drawn.picture.width() : drawn.values.width;
    const std::int32_t height = bw ? drawn.picture.height() : drawn.values.height;
    arrayColumns = bw ? layoutBytes(drawn.picture, pageColumns()) : std::vector<std::uint8_t>();
    arrayValues = bw ? std::vector<std::uint8_t>() : drawn.values.values;
    return ",\"layout\":" + jsonString(drawn.layout->name) + ",\"width\":" + std::to_string(width) +
           ",\"picture\":{\"width\":" + std::to_string(width) + ",\"height\":" + std::to_string(height) +
           ",\"grid\":" + gridJson(*drawn.layout, width, height) + ",\"columnBytes\":" +
           std::to_string(arrayColumns.size()) + (bw ? "" : ",\"values\":" + std::to_string(arrayValues.size())) +
           "},\"refusal\":\"\",\"read\":" + jsonString(drawn.report.front()) + ",\"unfit\":" +
           jsonStrings(drawn.unfit);
}

// The page's reading of the text: the arrays it holds and what its form tells, then the
// picture drawn or why there is none. `panel`: the panel whose arrays are read, or null
// for the text's own; with `panelJson`, the panel read is said too (as "panel", and the
// second array's name as "second").
std::string arrayJson(const std::vector<std::uint8_t>& text, const std::string& choice, const std::string& layout,
                      const std::string& width, bool fresh, const PanelKind* panel, bool panelJson)
{
    TextArray read;
    const std::string first = choice.substr(0, choice.find(','));
    try {
        read = readTextArray(text.data(), text.size(), first);
    } catch (const PictureRefusal& refusal) {
        if (first.empty())
            return "{\"arrays\":[],\"chosen\":0,\"problems\":[],\"problemCount\":0,\"notes\":[],\"told\":{\"layout\":"
                   "\"\",\"width\":0},\"layout\":\"\",\"width\":0,\"picture\":null,\"refusal\":" +
                   jsonString(refusal.what()) + ",\"read\":\"\",\"unfit\":[]" +
                   (panelJson ? ",\"panel\":\"\",\"second\":\"\",\"toldPanel\":\"\"}" : "}");
        return arrayJson(text, "", layout, width, fresh, panel, panelJson); // an array of that name no more: the first
    }
    ArrayOptions options;
    options.panel = panel;
    options.secondArray = choice.find(',') == std::string::npos ? "" : choice.substr(choice.find(',') + 1);
    const std::string refused = arrayOptions(read, layout, width, fresh, options);
    std::string json = "{" + listingJson(read);
    std::string said;
    try {
        if (!refused.empty())
            throw PictureRefusal(Refusal::unfitArray, refused);
        readSecondArray(text.data(), text.size(), options, read);
        const ArrayPicture drawn = fitTextArray(read, options, Bitmap::maxPixels);
        json += pictureJson(drawn);
        said = drawn.panel->name;
    } catch (const PictureRefusal& refusal) {
        arrayColumns.clear();
        arrayValues.clear();
        json += ",\"layout\":" + jsonString(layout) + ",\"width\":0,\"picture\":null,\"refusal\":" +
                jsonString(refusal.what()) + ",\"read\":\"\",\"unfit\":[]";
    }
    if (panelJson)
        json += ",\"panel\":" + jsonString(said) + ",\"second\":" + jsonString(said.empty() ? "" : read.secondName) +
                ",\"toldPanel\":" + jsonString(read.panel ? read.panel->name : "");
    return json + "}";
}

std::vector<std::uint8_t> fileBytes(const char* path)
{
    std::vector<std::uint8_t> bytes;
    FilePtr file(openFile(path, "rb"));
    std::uint8_t piece[1 << 16];
    for (std::size_t n; file && (n = std::fread(piece, 1, sizeof piece, file.get())) > 0;)
        bytes.insert(bytes.end(), piece, piece + n);
    return bytes;
}

} // namespace

// The array that `choice` names (empty, or one the text does not hold: the first of bytes)
// in the C text of the file at `path` (the worker writes it there: a text too long for the
// stack), read in black and white with `layout` and `width` (as typed) or, where `fresh`,
// those the text tells; its picture's page columns at panelbake_page_array_bytes(). See
// ReadArray in web/src/protocol.js.
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_array(const char* path, const char* choice, const char* layout,
                                                                 const char* width, int fresh)
{
    static std::string json;
    json = arrayJson(fileBytes(path), choice, layout, width, fresh != 0, &panelKinds[0], false);
    return json.c_str();
}

extern "C" EMSCRIPTEN_KEEPALIVE const std::uint8_t* panelbake_page_array_bytes()
{
    return arrayColumns.data();
}

// The same for any panel: `panel` names the panel whose arrays the text holds (as --panel
// takes it), or is "" for the text's own (its comment's, its frame buffer's, or else bw).
// `choice` may name two arrays, "FIRST,SECOND" (a panel's black and colour planes, or its
// left and right halves); by default the second is the array after the first. The JSON is
// panelbake_page_array's with "panel" (the panel read, "" when there is no picture),
// "second" (the second array's name, or "") and "toldPanel" (the panel the text's form
// tells, "" for none: black and white); for a panel of colours its picture has
// "values", the count of the values at panelbake_page_array_values() (one byte a pixel,
// rows from the top, width x height), and "columnBytes" is 0. An unknown panel name reads
// as the text's own.
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_panel_array(const char* path, const char* choice,
                                                                       const char* panel, const char* layout,
                                                                       const char* width, int fresh)
{
    static std::string json;
    json = arrayJson(fileBytes(path), choice, layout, width, fresh != 0, panelFromName(panel), true);
    return json.c_str();
}

extern "C" EMSCRIPTEN_KEEPALIVE const std::uint8_t* panelbake_page_array_values()
{
    return arrayValues.data();
}

// Why panelbake-prepare refuses the arguments after its name (one a line), or "".
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_options(const char* lines)
{
    static std::string problem;
    problem = parsedOptions(splitLines(lines)).problem;
    return problem.c_str();
}

// SPDX-License-Identifier: MIT
// Bytes back to a picture, for the page: C text read by panelbake-prepare's own reader of C
// arrays, with the page's policy of drawing what fits (ArrayFit::drawWhatFits); and whether
// panelbake-prepare's parser takes a command line, for the notes beside the page's
// controls.
#include "bitmap.h"
#include "decoding/array_picture.h"
#include "layouts/layout_packing.h"
#include "page_json.h"
#include "page_pictures.h"
#include "picture_refusal.h"
#include "prepare_options.h"

#include <emscripten.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

// The page-column bytes of the newest picture read back.
std::vector<std::uint8_t> arrayColumns;

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
    if (layout != read.layout && !(fresh && read.layout))
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

// The page's reading of the text: the arrays it holds and what its form tells, then the
// picture drawn or why there is none.
std::string arrayJson(const std::vector<std::uint8_t>& text, const std::string& choice, const std::string& layout,
                      const std::string& width, bool fresh)
{
    TextArray read;
    try {
        read = readTextArray(text.data(), text.size(), choice);
    } catch (const PictureRefusal& refusal) {
        if (choice.empty())
            return "{\"arrays\":[],\"chosen\":0,\"problems\":[],\"problemCount\":0,\"notes\":[],\"told\":{\"layout\":"
                   "\"\",\"width\":0},\"layout\":\"\",\"width\":0,\"picture\":null,\"refusal\":" +
                   jsonString(refusal.what()) + ",\"read\":\"\",\"unfit\":[]}";
        return arrayJson(text, "", layout, width, fresh); // an array of that name no more: the first
    }
    ArrayOptions options;
    const std::string refused = arrayOptions(read, layout, width, fresh, options);
    std::string json = "{" + listingJson(read);
    try {
        if (!refused.empty())
            throw PictureRefusal(Refusal::unfitArray, refused);
        const ArrayPicture drawn = fitTextArray(read, options, Bitmap::maxPixels);
        arrayColumns = layoutBytes(drawn.picture, pageColumns());
        const BitPicture& picture = drawn.picture;
        json += ",\"layout\":" + jsonString(drawn.layout->name) + ",\"width\":" + std::to_string(picture.width()) +
                ",\"picture\":{\"width\":" + std::to_string(picture.width()) + ",\"height\":" +
                std::to_string(picture.height()) + ",\"grid\":" +
                gridJson(*drawn.layout, picture.width(), picture.height()) + ",\"columnBytes\":" +
                std::to_string(arrayColumns.size()) + "},\"refusal\":\"\",\"read\":" + jsonString(drawn.report.front()) +
                ",\"unfit\":" + jsonStrings(drawn.unfit) + "}";
    } catch (const PictureRefusal& refusal) {
        arrayColumns.clear();
        json += ",\"layout\":" + jsonString(layout) + ",\"width\":0,\"picture\":null,\"refusal\":" +
                jsonString(refusal.what()) + ",\"read\":\"\",\"unfit\":[]}";
    }
    return json;
}

} // namespace

// The array that `choice` names (empty, or one the text does not hold: the first of bytes)
// in the C text of the file at `path` (the worker writes it there: a text too long for the
// stack), read with `layout` and `width` (as typed) or, where `fresh`, those the text
// tells; its picture's page columns at panelbake_page_array_bytes(). See ReadArray in
// web/src/protocol.js.
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_array(const char* path, const char* choice, const char* layout,
                                                                 const char* width, int fresh)
{
    static std::string json;
    std::ifstream file(path, std::ios::binary);
    const std::vector<std::uint8_t> text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    json = arrayJson(text, choice, layout, width, fresh != 0);
    return json.c_str();
}

extern "C" EMSCRIPTEN_KEEPALIVE const std::uint8_t* panelbake_page_array_bytes()
{
    return arrayColumns.data();
}

// Why panelbake-prepare refuses the arguments after its name (one a line), or "".
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_options(const char* lines)
{
    static std::string problem;
    problem = parsedOptions(splitLines(lines)).problem;
    return problem.c_str();
}

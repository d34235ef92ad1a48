// SPDX-License-Identifier: MIT
// The page's build of panelbake-prepare: each failure's exit code and message go to the
// worker's JavaScript as data too, beside standard error; so do the picture written in a
// layout of --for (as page columns, for the preview) and the sizes of compressed frames.
// The module also answers Bytes back to a picture: C text read by the program's own reader.
#include "decoding/c_arrays.h"
#include "layouts/layout_packing.h"
#include "page_json.h"
#include "prepare_run.h"

#include <emscripten.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The worker passes Module.panelbakeNotes with each instance it makes.
EM_JS(void, handFailure, (int code, const char* message), {
    const notes = Module['panelbakeNotes'];
    if (notes) notes.failure(code, UTF8ToString(message));
});
EM_JS(void, handPicture, (int width, int height, const std::uint8_t* bytes, int count), {
    const notes = Module['panelbakeNotes'];
    if (notes) notes.picture(width, height, HEAPU8.slice(bytes, bytes + count));
});
EM_JS(void, handCompressed, (const char* layout, double raw, double stream), {
    const notes = Module['panelbakeNotes'];
    if (notes) notes.compressed(UTF8ToString(layout), raw, stream);
});

namespace {

void noteToPage(int code, const std::string& message)
{
    handFailure(code, message.c_str());
}

void pictureToPage(const BitPicture& picture)
{
    const std::vector<std::uint8_t> bytes = layoutBytes(picture, pageColumns());
    handPicture(picture.width(), picture.height(), bytes.data(), static_cast<int>(bytes.size()));
}

void compressedToPage(const std::string& layout, std::size_t raw, std::size_t stream)
{
    handCompressed(layout.c_str(), static_cast<double>(raw), static_cast<double>(stream));
}

std::string jsonStrings(const std::vector<std::string>& texts)
{
    std::string json = "[";
    for (const std::string& text : texts)
        json += (json.size() > 1 ? "," : "") + jsonString(text);
    return json + "]";
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(2 * bytes.size());
    for (const std::uint8_t byte : bytes)
        hex += std::string{digits[byte >> 4], digits[byte & 15]};
    return hex;
}

} // namespace

// The array that `choice` names (empty: the first of bytes) in the C text of the file at
// `path` (the worker writes it there: a text too long for the stack), as the program reads
// it: {"name", "line", "bytes" (hex), "arrays": [{"name", "line", "count"}], "chosen",
// "notes", "problems", "problemCount", "width", "height", "widthMacro", "heightMacro"}.
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_array(const char* path, const char* choice)
{
    static std::string json;
    std::ifstream file(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    const ArrayText read = readArrayText(text, choice);
    std::string arrays = "[";
    for (const ListedArray& a : read.arrays)
        arrays += (arrays.size() > 1 ? "," : "") + std::string("{\"name\":") + jsonString(a.name) +
                  ",\"line\":" + std::to_string(a.line) + ",\"count\":" + std::to_string(a.count) + "}";
    json = "{\"name\":" + jsonString(read.name) + ",\"line\":" + std::to_string(read.line) + ",\"bytes\":\"" +
           hexBytes(read.bytes) + "\",\"arrays\":" + arrays + "],\"chosen\":" + std::to_string(read.chosen) +
           ",\"notes\":" + jsonStrings(read.notes) + ",\"problems\":" + jsonStrings(read.problems) +
           ",\"problemCount\":" + std::to_string(read.problemCount) + ",\"width\":" + std::to_string(read.width) +
           ",\"height\":" + std::to_string(read.height) + ",\"widthMacro\":" + jsonString(read.widthMacro) +
           ",\"heightMacro\":" + jsonString(read.heightMacro) + "}";
    return json.c_str();
}

int main(int argc, char** argv)
{
    PrepareNotes notes;
    notes.failure = noteToPage;
    notes.picture = pictureToPage;
    notes.compressed = compressedToPage;
    return runPrepare(argc, argv, notes);
}

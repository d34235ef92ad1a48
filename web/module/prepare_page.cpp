// SPDX-License-Identifier: MIT
// The page's build of panelbake-prepare: each failure's exit, by its name, and message go
// to the worker's JavaScript as data too, beside standard error; so do the picture written
// in a layout of --for (as page columns, for the preview) and the sizes of compressed
// frames. The module also answers the page's questions of C text and of its command line
// (page_arrays.cpp).
#include "enum_texts.h"
#include "layouts/layout_packing.h"
#include "prepare_run.h"

#include <emscripten.h>

#include <cstdint>
#include <string>
#include <vector>

// The worker passes Module.panelbakeNotes with each instance it makes.
EM_JS(void, handFailure, (const char* exit, const char* message), {
    const notes = Module['panelbakeNotes'];
    if (notes) notes.failure(UTF8ToString(exit), UTF8ToString(message));
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

// Each exit by the name the page knows it by (web/src/failures.js).
const char* exitName(int code)
{
    static constexpr EnumText<PrepareExit> names[] = {
        {commandLineError, "command-line-error"}, {sourceUnreadable, "source-unreadable"},
        {notAPicture, "not-a-picture"},           {pictureTooLarge, "picture-too-large"},
        {outputExists, "output-exists"},          {outputFailed, "output-failed"},
        {outOfMemory, "out-of-memory"},           {arrayUnfit, "array-unfit"},
        {framesTooLarge, "frames-too-large"}};
    return textOf(static_cast<PrepareExit>(code), names, "failed");
}

void noteToPage(int code, const std::string& message)
{
    handFailure(exitName(code), message.c_str());
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

} // namespace

int main(int argc, char** argv)
{
    PrepareNotes notes;
    notes.failure = noteToPage;
    notes.picture = pictureToPage;
    notes.compressed = compressedToPage;
    return runPrepare(argc, argv, notes);
}

// SPDX-License-Identifier: MIT
// The page's build of panelbake-prepare: each failure's exit, by its name, and message go
// to the worker's JavaScript as data too, beside standard error; so do the picture written
// in a layout of --for (as page columns, for the preview) and the sizes of compressed
// frames, and a panel's picture (its values, one byte a pixel, and the colour of each
// value). The module also answers the page's questions of C text and of its command line
// (page_arrays.cpp).
#include "enum_texts.h"
#include "layouts/layout_packing.h"
#include "panels/panel_picture.h"
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
EM_JS(void, handPanelPicture, (int width, int height, const std::uint8_t* values, int count, const std::uint8_t* rgb), {
    const notes = Module['panelbakeNotes'];
    if (notes && notes.panelPicture) {
        notes.panelPicture(width, height, HEAPU8.slice(values, values + count), HEAPU8.slice(rgb, rgb + 48));
    }
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

// The colour of every value of 4 bits, red, green, blue each (a value no colour has: 0).
void panelPictureToPage(const PanelPicture& picture)
{
    std::vector<std::uint8_t> rgb;
    for (const Pixel& colour : panelColourTable(*picture.kind, picture.colours))
        rgb.insert(rgb.end(), {colour.red, colour.green, colour.blue});
    rgb.resize(3 * maxPanelColours);
    const ValuePicture& values = picture.values;
    handPanelPicture(values.width, values.height, values.values.data(), static_cast<int>(values.values.size()),
                     rgb.data());
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
    notes.panelPicture = panelPictureToPage;
    return runPrepare(argc, argv, notes);
}

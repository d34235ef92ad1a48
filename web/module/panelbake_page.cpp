// SPDX-License-Identifier: MIT
// The page's build of panelbake. A run hands the worker's JavaScript, besides its messages
// and files, the kind of failure it ended with and the picture its header holds, as data
// (converter/run_notes.h); and the module answers the rules the page would otherwise
// restate: the threshold, the dithering rules, the layouts of display libraries and the
// names of prepared BMPs (and the questions of page_questions.cpp and page_sources.cpp).
#include "bit_picture.h"
#include "enum_texts.h"
#include "layouts/layout_packing.h"
#include "outputs/prepared_names.h"
#include "page_json.h"
#include "panels/panel_table.h"
#include "reduction/dither_names.h"
#include "run_notes.h"

#include <emscripten.h>

#include <cstdint>
#include <string>
#include <vector>

// The worker passes Module.panelbakeNotes with each instance it makes.
EM_JS(void, handFailure, (const char* kind), {
    const notes = Module['panelbakeNotes'];
    if (notes) notes.failure(UTF8ToString(kind));
});
EM_JS(void, handPicture, (int width, int height, const std::uint8_t* bytes, int count), {
    const notes = Module['panelbakeNotes'];
    if (notes) notes.picture(width, height, HEAPU8.slice(bytes, bytes + count));
});

namespace {

const char* failureName(RunFailure failure)
{
    static constexpr EnumText<RunFailure> names[] = {
        {RunFailure::noPicture, "no-picture"},
        {RunFailure::sourceNotOpened, "source-not-opened"},
        {RunFailure::notSupportedBmp, "not-supported-bmp"},
        {RunFailure::sourceOutOfMemory, "source-out-of-memory"},
        {RunFailure::previewNotWritten, "preview-not-written"},
        {RunFailure::headerNotWritten, "header-not-written"},
        {RunFailure::targetTooLarge, "target-too-large"},
        {RunFailure::conversionOutOfMemory, "conversion-out-of-memory"}};
    return textOf(failure, names, "unknown");
}

} // namespace

void noteFailure(RunFailure failure)
{
    handFailure(failureName(failure));
}

void noteHeaderPicture(const BitPicture& picture)
{
    const std::vector<std::uint8_t> bytes = layoutBytes(picture, pageColumns());
    handPicture(picture.width(), picture.height(), bytes.data(), static_cast<int>(bytes.size()));
}

namespace {

// The layouts a panel takes as the page offers them: [{"name": "adafruit", "readBy": ...,
// "python": false}, ...]; a Python module takes no -pgm or -pic30. Of black and white those
// whose bit is 1 for black: the page shows no other yet.
std::string layoutsJson(const std::string& panel = "bw")
{
    std::string json = "[";
    for (const Layout* layout : layoutsOf(panel)) {
        const Layout& l = *layout;
        if (l.inkIsZero && panel == "bw")
            continue;
        json += json.size() > 1 ? "," : "";
        json += "{\"name\":" + jsonString(l.name) + ",\"readBy\":" + jsonString(layoutReader(l, panel)) +
                ",\"python\":" + (l.form == FileForm::pythonModule ? "true" : "false") + "}";
    }
    return json + "]";
}

std::string hexColour(const Pixel& colour)
{
    static const char digits[] = "0123456789abcdef";
    std::string text = "#";
    for (const std::uint8_t channel : {colour.red, colour.green, colour.blue})
        text += std::string{digits[channel >> 4], digits[channel & 15]};
    return text;
}

// The panels: [{"name": "bwr", "planes": 2, "colours": [{"value": 0, "name": "black",
// "standard": "#000000"}, ...], "layouts": [...]}, ...], bw first.
std::string panelsJson()
{
    std::string json = "[";
    for (const PanelKind& kind : panelKinds) {
        json += &kind == panelKinds ? "{" : ",{";
        json += "\"name\":" + jsonString(kind.name) + ",\"planes\":" + std::to_string(kind.planes) + ",\"colours\":[";
        for (int i = 0; i < kind.colourCount; ++i) {
            const PanelColour& c = kind.colours[i];
            json += (i ? ",{" : "{") + std::string("\"value\":") + std::to_string(c.value) + ",\"name\":" +
                    jsonString(c.name) + ",\"standard\":\"" + hexColour(c.standard) + "\"}";
        }
        json += "],\"layouts\":" + layoutsJson(kind.name) + "}";
    }
    return json + "]";
}

} // namespace

// {"threshold": {"default": 383, "least": 0, "most": 765},
//  "dithers": [{"name": "floyd-steinberg", "takesThreshold": true}, ...], "layouts": [...],
//  "panels": [...]}
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_rules()
{
    static std::string json;
    json = "{\"threshold\":{\"default\":" + std::to_string(panelbakeThreshold) + ",\"least\":0,\"most\":" +
           std::to_string(brightestSum) + "},\"dithers\":[";
    for (const DitherName& d : ditherNames) {
        json += &d == ditherNames ? "" : ",";
        json += "{\"name\":" + jsonString(d.name) + ",\"takesThreshold\":" + (d.takesThreshold ? "true" : "false") + "}";
    }
    json += "],\"layouts\":" + layoutsJson() + ",\"panels\":" + panelsJson() + "}";
    return json.c_str();
}

// For source names, one a line: [{"bmp": ..., "adjustedBmp": ..., "renamed": ...}, ...] (see
// pageBmpNames).
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_names(const char* sources)
{
    static std::string json;
    json = pageNamesJson(sources);
    return json.c_str();
}

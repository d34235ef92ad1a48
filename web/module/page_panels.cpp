// SPDX-License-Identifier: MIT
// The page's question of where a pixel of a panel's picture lies in the arrays of a layout
// the panel takes, which panelbake-prepare's page build answers: the array that holds it
// (a plane, or a half of the rows) and its byte there.
#include "page_json.h"
#include "page_pictures.h"
#include "panels/panel_picture.h"

#include <emscripten.h>

#include <string>

namespace {

// The pixel's place in one array; a half's pixels are given in the whole picture's columns.
std::string arrayPlace(const Layout& layout, const PanelArray& array, std::int32_t width, std::int32_t height,
                       std::int32_t x, std::int32_t y)
{
    const std::int32_t left = array.right ? (width + 1) / 2 : 0;
    const std::int32_t columns = !array.half ? width : array.right ? width - left : (width + 1) / 2;
    PixelByte found = pixelByte(layout, columns, height, x - left, y);
    std::string pixels;
    for (const BytePixel& p : found.pixels)
        pixels += (pixels.empty() ? "" : ",") + std::string("{\"x\":") + std::to_string(p.x + left) + ",\"y\":" +
                  std::to_string(p.y) + ",\"mask\":" + std::to_string(p.mask) + ",\"inside\":" +
                  (p.inside ? "true" : "false") + "}";
    return "{\"byte\":" + std::to_string(found.byte) + ",\"band\":" + std::to_string(found.band) + ",\"bandName\":\"" +
           bandName(layout) + "\",\"pixels\":[" + pixels + "]";
}

} // namespace

// {"byte", "band", "bandName", "pixels", "arrays": [{"suffix", "plane"}], "array", "inkIsZero"}
// of pixel (x, y) of the panel's width x height picture in the layout named: its byte in
// the array that holds it, `array` (the same byte in each plane), or null.
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_panel_place(const char* layout, const char* panel,
                                                                       int width, int height, int x, int y)
{
    static std::string json;
    const Layout* named = layoutFor(layout, panel);
    const PanelKind* kind = panelFromName(panel);
    const bool inside = width > 0 && height > 0 && x >= 0 && y >= 0 && x < width && y < height;
    json = "null";
    if (!named || !kind || !inside)
        return json.c_str();
    const std::vector<PanelArray> arrays = panelArrays(*kind, *named);
    std::size_t holding = 0;
    std::string listed;
    for (std::size_t i = 0; i < arrays.size(); ++i) {
        if (arrays[i].right && x >= (width + 1) / 2)
            holding = i;
        listed += (i ? "," : "") + std::string("{\"suffix\":") + jsonString(arrays[i].suffix) +
                  ",\"plane\":" + std::to_string(arrays[i].plane) + "}";
    }
    json = arrayPlace(*named, arrays[holding], width, height, x, y) + ",\"arrays\":[" + listed + "],\"array\":" +
           std::to_string(holding) + ",\"inkIsZero\":" + (named->inkIsZero ? "true" : "false") + "}";
    return json.c_str();
}

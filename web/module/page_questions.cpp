// SPDX-License-Identifier: MIT
// The page's questions of how a layout's bytes fill a picture, and where a pixel lies in
// them (page_pictures.h), which panelbake's page build answers.
#include "page_pictures.h"

#include <emscripten.h>

#include <string>

// {"bands", ...} of the layout named that the panel takes (see gridJson).
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_grid(const char* layout, const char* panel, double width,
                                                                double height)
{
    static std::string json;
    const Layout* named = layoutFor(layout, panel);
    json = named ? gridJson(*named, static_cast<std::int64_t>(width), static_cast<std::int64_t>(height)) : "null";
    return json.c_str();
}

// {"byte", ...} of pixel (x, y) in the layout named (see placeJson).
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_place(const char* layout, int width, int height, int x, int y)
{
    static std::string json;
    const Layout* named = layoutNamed(layout);
    const bool inside = width > 0 && height > 0 && x >= 0 && y >= 0 && x < width && y < height;
    json = named && inside ? placeJson(*named, width, height, x, y) : "null";
    return json.c_str();
}

// SPDX-License-Identifier: MIT
#include "panels/panel_table.h"

#include <iterator>

namespace {

constexpr Pixel rgb(std::uint32_t hex)
{
    return Pixel{static_cast<std::uint8_t>(hex & 0xFF), static_cast<std::uint8_t>(hex >> 8 & 0xFF),
                 static_cast<std::uint8_t>(hex >> 16 & 0xFF), 0};
}

// Grey level v of sixteen: v * 17 in each channel.
constexpr PanelColour grey(std::uint8_t v, const char* name)
{
    return PanelColour{v, name, rgb(v * 0x111111u)};
}

constexpr PanelColour black{0, "black", rgb(0x000000)};
constexpr PanelColour white{1, "white", rgb(0xFFFFFF)};

} // namespace

const PanelKind panelKinds[8] = {
    {"bw", Panel::bw, 1, 1, 2, {black, white}},
    {"bwr", Panel::bwr, 2, 2, 3, {black, white, {2, "red", rgb(0xFF0000)}}},
    {"bwy", Panel::bwy, 2, 2, 3, {black, white, {2, "yellow", rgb(0xFFFF00)}}},
    {"bwyr", Panel::bwyr, 2, 1, 4, {black, white, {2, "yellow", rgb(0xFFFF00)}, {3, "red", rgb(0xFF0000)}}},
    {"grey4",
     Panel::grey4,
     2,
     1,
     4,
     {{0, "black", rgb(0x000000)},
      {1, "dark grey", rgb(0x555555)},
      {2, "light grey", rgb(0xAAAAAA)},
      {3, "white", rgb(0xFFFFFF)}}},
    {"grey16",
     Panel::grey16,
     4,
     1,
     16,
     {grey(0, "black"), grey(1, "grey 1"), grey(2, "grey 2"), grey(3, "grey 3"), grey(4, "grey 4"),
      grey(5, "grey 5"), grey(6, "grey 6"), grey(7, "grey 7"), grey(8, "grey 8"), grey(9, "grey 9"),
      grey(10, "grey 10"), grey(11, "grey 11"), grey(12, "grey 12"), grey(13, "grey 13"), grey(14, "grey 14"),
      grey(15, "white")}},
    {"acep7",
     Panel::acep7,
     4,
     1,
     7,
     {black, white, {2, "green", rgb(0x00FF00)}, {3, "blue", rgb(0x0000FF)}, {4, "red", rgb(0xFF0000)},
      {5, "yellow", rgb(0xFFFF00)}, {6, "orange", rgb(0xFF8000)}}},
    {"spectra6",
     Panel::spectra6,
     4,
     1,
     6,
     {black, white, {2, "yellow", rgb(0xFFFF00)}, {3, "red", rgb(0xFF0000)}, {5, "blue", rgb(0x0000FF)},
      {6, "green", rgb(0x00FF00)}}},
};

const PanelKind& panelKind(Panel panel)
{
    for (const PanelKind& kind : panelKinds)
        if (kind.panel == panel)
            return kind;
    return panelKinds[0];
}

const PanelKind* panelFromName(const std::string& name)
{
    for (const PanelKind& kind : panelKinds)
        if (name == kind.name)
            return &kind;
    return nullptr;
}

std::string panelChoices()
{
    std::string text;
    for (const PanelKind& kind : panelKinds)
        text += std::string(&kind == panelKinds ? "" : &kind == std::end(panelKinds) - 1 ? " or " : ", ") + kind.name;
    return text;
}

std::string colourNames(const PanelKind& kind)
{
    std::string names;
    for (int i = 0; i < kind.colourCount; ++i)
        names += (i ? ", " : "") + std::string(kind.colours[i].name);
    return names;
}

bool valueUsed(const PanelKind& kind, int value)
{
    for (int i = 0; i < kind.colourCount; ++i)
        if (kind.colours[i].value == value)
            return true;
    return false;
}

std::vector<Pixel> standardColours(const PanelKind& kind)
{
    std::vector<Pixel> colours;
    for (int i = 0; i < kind.colourCount; ++i)
        colours.push_back(kind.colours[i].standard);
    return colours;
}

// SPDX-License-Identifier: MIT
#include "reduction/panel_light.h"

#include <algorithm>
#include <stdexcept>

namespace {

void widen(std::int32_t& low, std::int32_t& high)
{
    const std::int32_t margin = std::max((high - low) / 2, linearWhite / 4);
    low -= margin;
    high += margin;
}

} // namespace

PanelLight panelLight(const PanelKind& kind, const std::vector<Pixel>& colours)
{
    if (colours.empty() || static_cast<int>(colours.size()) != kind.colourCount)
        throw std::invalid_argument("a panel's colours, one for each of its values");
    PanelLight panel;
    panel.count = kind.colourCount;
    for (int i = 0; i < panel.count; ++i) {
        panel.colours[i] = lightOf(colours[static_cast<std::size_t>(i)]);
        panel.values[i] = kind.colours[i].value;
    }
    panel.low = panel.high = panel.colours[0];
    for (int i = 1; i < panel.count; ++i) {
        const Light& c = panel.colours[i];
        panel.low = Light{std::min(panel.low.y, c.y), std::min(panel.low.a, c.a), std::min(panel.low.b, c.b)};
        panel.high = Light{std::max(panel.high.y, c.y), std::max(panel.high.a, c.a), std::max(panel.high.b, c.b)};
    }
    widen(panel.low.y, panel.high.y);
    widen(panel.low.a, panel.high.a);
    widen(panel.low.b, panel.high.b);
    return panel;
}

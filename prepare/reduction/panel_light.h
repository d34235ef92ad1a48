// SPDX-License-Identifier: MIT
#pragma once

// A panel's colours in light (reduction/linear_light.h), and which of them is nearest to a
// colour: the one at the least distance, the sum of the squares of the differences in
// luminance and both colour differences; of two as near, the one first in the panel's
// order.

#include "panels/panel_table.h"
#include "reduction/linear_light.h"

#include <algorithm>
#include <cstdint>
#include <vector>

struct PanelLight {
    int count = 0;
    Light colours[maxPanelColours];
    std::uint8_t values[maxPanelColours]; // what each colour stands for in the arrays
    // The reach a colour plus its error is held to, in each of luminance and the colour
    // differences: the colours' range widened by half of it on either side, by a quarter of
    // white at least.
    Light low;
    Light high;
};

// Throws std::invalid_argument unless there is one colour for each of the panel's values.
PanelLight panelLight(const PanelKind& kind, const std::vector<Pixel>& colours);

inline std::int64_t lightDistance(const Light& p, const Light& q)
{
    const std::int64_t y = p.y - q.y, a = p.a - q.a, b = p.b - q.b;
    return y * y + a * a + b * b;
}

// `p` held to the panel's reach.
inline Light heldToReach(const PanelLight& panel, const Light& p)
{
    return Light{std::clamp(p.y, panel.low.y, panel.high.y), std::clamp(p.a, panel.low.a, panel.high.a),
                 std::clamp(p.b, panel.low.b, panel.high.b)};
}

inline int nearestColour(const PanelLight& panel, const Light& p)
{
    int best = 0;
    std::int64_t bestDistance = lightDistance(p, panel.colours[0]);
    for (int i = 1; i < panel.count; ++i) {
        const std::int64_t d = lightDistance(p, panel.colours[i]);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

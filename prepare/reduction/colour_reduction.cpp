// SPDX-License-Identifier: MIT
#include "reduction/colour_reduction.h"

#include "reduction/black_and_white.h"
#include "reduction/panel_light.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace {

Light difference(const Light& p, const Light& q)
{
    return Light{p.y - q.y, p.a - q.a, p.b - q.b};
}

void nearestOnly(const Bitmap& picture, const PanelLight& panel, std::uint8_t* values)
{
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const Pixel* row = picture.rowData(y);
        for (std::int32_t x = 0; x < picture.width; ++x)
            *values++ = panel.values[nearestColour(panel, lightOf(row[x]))];
    }
}

// A share of an error handed to a neighbour: `ahead` columns along the row's direction
// (negative: behind), `down` rows down, weight / divisor of the error.
struct Share {
    int ahead;
    int down;
    std::int32_t weight;
};

constexpr Share floydSteinberg[] = {{1, 0, 7}, {-1, 1, 3}, {0, 1, 5}, {1, 1, 1}};
constexpr Share atkinson[] = {{1, 0, 1}, {2, 0, 1}, {-1, 1, 1}, {0, 1, 1}, {1, 1, 1}, {0, 2, 1}};

// A pixel's colour plus the shares it was given (their weighted sum), held to the panel's
// reach.
template <std::int32_t divisor>
Light heldWithShares(const PanelLight& panel, const Light& colour, const Light& given)
{
    return heldToReach(panel, Light{colour.y + given.y / divisor, colour.a + given.a / divisor, colour.b + given.b / divisor});
}

void addShare(Light& to, const Light& error, std::int32_t weight)
{
    to.y += error.y * weight;
    to.a += error.a * weight;
    to.b += error.b * weight;
}

// Error diffusion by `shares`. Two rows of weighted errors are held, each with two
// columns of margin on either side where shares that fall off the picture land: the
// row being reduced and the next. A share two rows down goes straight below (Atkinson's),
// into this row's place for the pixel just reduced, which is then free.
template <std::int32_t divisor, std::size_t count>
void diffuse(const Bitmap& picture, const PanelLight& panel, const Share (&shares)[count], std::uint8_t* values)
{
    const std::int32_t width = picture.width;
    const auto stride = static_cast<std::size_t>(width) + 4;
    std::vector<Light> here(stride, Light{}), next(stride, Light{});
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const Pixel* row = picture.rowData(y);
        std::uint8_t* rowValues = values + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        const std::int32_t step = y % 2 == 0 ? 1 : -1;
        for (std::int32_t i = 0, x = step > 0 ? 0 : width - 1; i < width; ++i, x += step) {
            Light* at = here.data() + x + 2;
            const Light held = heldWithShares<divisor>(panel, lightOf(row[x]), *at);
            const int c = nearestColour(panel, held);
            rowValues[x] = panel.values[c];
            const Light error = difference(held, panel.colours[c]);
            *at = Light{};
            for (const Share& s : shares)
                addShare((s.down == 1 ? next.data() + x + 2 : at)[s.ahead * step], error, s.weight);
        }
        // What fell off the picture is dropped.
        for (std::vector<Light>* r : {&here, &next})
            (*r)[0] = (*r)[1] = (*r)[stride - 2] = (*r)[stride - 1] = Light{};
        std::swap(here, next);
    }
}

// The colours of the panel from the lightest to the darkest (of two as light, the one
// later in the panel's order first).
void lightestFirst(const PanelLight& panel, int (&order)[maxPanelColours])
{
    for (int i = 0; i < panel.count; ++i)
        order[i] = i;
    std::sort(order, order + panel.count, [&](int i, int j) {
        const std::int32_t yi = panel.colours[i].y, yj = panel.colours[j].y;
        return yi > yj || (yi == yj && i > j);
    });
}

// How many of `steps` pixels take each colour for the mix that shows p: each step takes
// the colour nearest to p plus the error of the steps before, held to the panel's reach.
void mixFor(const PanelLight& panel, const Light& p, int steps, std::uint8_t* counts)
{
    std::fill(counts, counts + panel.count, std::uint8_t{0});
    Light error{};
    for (int k = 0; k < steps; ++k) {
        const Light held = heldToReach(panel, Light{p.y + error.y, p.a + error.a, p.b + error.b});
        const int c = nearestColour(panel, held);
        ++counts[c];
        error = difference(held, panel.colours[c]);
    }
}

// The mixes of the colours met last, by their bytes: neighbouring pixels often share a
// colour, and a mix takes n * n nearest colours to find.
class MixCache {
public:
    MixCache(const PanelLight& panel, int steps)
        : panel(panel), steps(steps), width(static_cast<std::size_t>(panel.count)), keys(slots, 0),
          counts(slots * width)
    {
    }

    // The count of each colour in the mix of `pixel`.
    const std::uint8_t* mixOf(const Pixel& pixel)
    {
        // 1 above the 24 bits of the colour, so that no colour is 0, the mark of an empty slot.
        const std::uint32_t key = 1u << 24 | std::uint32_t{pixel.red} << 16 | std::uint32_t{pixel.green} << 8 | pixel.blue;
        const std::size_t slot = (key * 2654435761u) >> (32 - slotBits);
        std::uint8_t* mix = counts.data() + slot * width;
        if (keys[slot] != key) {
            keys[slot] = key;
            mixFor(panel, lightOf(pixel), steps, mix);
        }
        return mix;
    }

private:
    static constexpr int slotBits = 12;
    static constexpr std::size_t slots = std::size_t{1} << slotBits;
    const PanelLight& panel;
    int steps;
    std::size_t width;
    std::vector<std::uint32_t> keys;
    std::vector<std::uint8_t> counts;
};

void ordered(const Bitmap& picture, const PanelLight& panel, int n, std::uint8_t* values)
{
    std::vector<std::int32_t> matrix(static_cast<std::size_t>(n * n));
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x)
            matrix[static_cast<std::size_t>(y * n + x)] = bayerEntry(n, x, y);
    int order[maxPanelColours];
    lightestFirst(panel, order);
    MixCache mixes(panel, n * n);
    for (std::int32_t y = 0; y < picture.height; ++y) {
        const Pixel* row = picture.rowData(y);
        const std::int32_t* entries = matrix.data() + (y % n) * n;
        for (std::int32_t x = 0; x < picture.width; ++x) {
            const std::uint8_t* counts = mixes.mixOf(row[x]);
            // The lightest colour of the mix where the entry is below its count, and so on.
            int rank = 0;
            for (std::int32_t below = entries[x % n]; below >= counts[order[rank]]; ++rank)
                below -= counts[order[rank]];
            *values++ = panel.values[order[rank]];
        }
    }
}

} // namespace

std::vector<std::uint8_t> reduceToPanel(const Bitmap& picture, const PanelKind& kind,
                                        const std::vector<Pixel>& colours, Dither dither)
{
    const PanelLight panel = panelLight(kind, colours);
    std::vector<std::uint8_t> values(static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height));
    switch (dither) {
    case Dither::none:
        nearestOnly(picture, panel, values.data());
        break;
    case Dither::floydSteinberg:
        diffuse<16>(picture, panel, floydSteinberg, values.data());
        break;
    case Dither::atkinson:
        diffuse<8>(picture, panel, atkinson, values.data());
        break;
    case Dither::bayer4:
        ordered(picture, panel, 4, values.data());
        break;
    case Dither::bayer8:
        ordered(picture, panel, 8, values.data());
        break;
    }
    return values;
}

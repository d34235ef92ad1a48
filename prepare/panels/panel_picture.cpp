// SPDX-License-Identifier: MIT
#include "panels/panel_picture.h"

#include "indexed_rows.h"
#include "reduction/colour_reduction.h"

PanelPicture reducedToPanel(const Bitmap& picture, const PanelKind& kind, const std::vector<Pixel>& colours,
                            Dither dither)
{
    PanelPicture reduced{&kind, colours, {}};
    reduced.values.width = picture.width;
    reduced.values.height = picture.height;
    reduced.values.values = reduceToPanel(picture, kind, colours, dither);
    return reduced;
}

std::vector<Pixel> panelColourTable(const PanelKind& kind, const std::vector<Pixel>& colours)
{
    // A value the panel does not use (spectra6's 4, and those past its last colour) is
    // white: a picture program that gives a colour the first entry that has it never picks
    // one of them for white, and one that finds such a value in the file shows it as the
    // paper, not as a colour the panel does not have.
    std::vector<Pixel> table(16, whitePixel);
    for (int i = 0; i < kind.colourCount; ++i)
        table[kind.colours[i].value] = colours.at(static_cast<std::size_t>(i));
    return table;
}

void expandPanelPicture(const PanelPicture& picture, Bitmap& bitmap)
{
    const std::vector<Pixel> table = panelColourTable(*picture.kind, picture.colours);
    const ValuePicture& values = picture.values;
    bitmap.setDimensions(values.width, values.height);
    for (std::int32_t y = 0; y < values.height; ++y) {
        Pixel* row = bitmap.rowData(y);
        for (std::int32_t x = 0; x < values.width; ++x)
            row[x] = table[values.row(y)[x] & 15];
    }
}

bool savePanelPicture(const char* path, const PanelPicture& picture)
{
    const ValuePicture& values = picture.values;
    return saveFourBitIndexes(path, values.width, values.height, panelColourTable(*picture.kind, picture.colours),
                              [&](std::int32_t y) { return values.row(y); });
}

std::vector<PanelArray> panelArrays(const PanelKind& kind, const Layout& layout)
{
    if (kind.planes == 2 && layout.bitsPerPixel == 1) // black, then the colour of value 2
        return {{"_black", 0, false, false}, {std::string("_") + kind.colours[2].name, 2, false, false}};
    if (layout.halves)
        return {{"_left", -1, true, false}, {"_right", -1, true, true}};
    return {{"", -1, false, false}};
}

PackSource arraySource(const PanelArray& array, const ValuePicture& values)
{
    const PackSource all(values, array.plane);
    if (!array.half)
        return all;
    const std::int32_t left = (values.width + 1) / 2;
    return array.right ? all.columnRange(left, values.width - left) : all.columnRange(0, left);
}

UnpackTarget arrayTarget(const PanelArray& array, ValuePicture& values)
{
    const std::int32_t left = (values.width + 1) / 2;
    if (!array.half)
        return {&values, array.plane, 0, values.width};
    return array.right ? UnpackTarget{&values, array.plane, left, values.width - left}
                       : UnpackTarget{&values, array.plane, 0, left};
}

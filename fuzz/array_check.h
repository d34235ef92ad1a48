// SPDX-License-Identifier: MIT
#pragma once

// The check of C text read back into a picture. The input: a byte choosing the layout
// (% (rows + 1): the text's own, then --layout of each row of the layout table) and, of
// the same byte / (rows + 1) % 9, the panel (0: the text's own, then --panel of each), two
// little-endian bytes of --width (0: the text's own), then the text. Whatever the reader
// takes is within its limits, with its problems counted; the picture is refused with a
// reason, or is within the size allowed, its bytes in its layout draw it again (a panel's
// values packed into its arrays and read back, the same values but for those past the
// panel's bits), and in every layout the packing loop's fast paths give the bytes made one
// bit at a time; and the page's policy, which draws what fits, agrees with the command
// line's. Aborts on a violation.

#include "decoding/array_picture.h"
#include "decoding/c_arrays.h"
#include "fuzz_support.h"
#include "layouts/layout_packing.h"
#include "panels/panel_picture.h"
#include "picture_refusal.h"

#include <cstdint>
#include <cstring>
#include <string_view>

namespace fuzz {

inline void checkArrayText(std::string_view text)
{
    const ArrayText read = readArrayText(text);
    check(static_cast<std::int64_t>(read.bytes.size()) <= arrayTextMostBytes, "bytes within the limit");
    check(read.chosen < static_cast<int>(read.arrays.size()), "the array chosen is one listed");
    check(read.chosen >= 0 || !read.problems.empty(), "no array chosen, and why");
    check(read.problems.size() <= arrayProblemsListed + 1, "problems listed up to the limit");
    check(read.problemCount >= read.problems.size() - (read.problems.size() > arrayProblemsListed), "problems counted");
}

inline bool sameBits(const BitPicture& a, const BitPicture& b)
{
    const auto rowBytes = static_cast<std::size_t>(bmp::rowStride(a.width(), 1));
    for (std::int32_t y = 0; y < a.height(); ++y)
        if (std::memcmp(a.row(y), b.row(y), rowBytes) != 0)
            return false;
    return true;
}

// Whether two pictures read are the same: their bits, or their panel's values.
inline bool samePicture(const ArrayPicture& a, const ArrayPicture& b)
{
    if (a.panel != b.panel)
        return false;
    if (a.panel->panel != Panel::bw)
        return a.values.width == b.values.width && a.values.height == b.values.height && a.values.values == b.values.values;
    return a.picture.width() == b.picture.width() && a.picture.height() == b.picture.height() &&
           sameBits(a.picture, b.picture);
}

// A panel's values packed into its arrays in the layout read and drawn from them again: the
// same, where each value is within the layout's bits (a plane's: where it is a colour the
// arrays hold).
inline void checkPanelValues(const ArrayPicture& read)
{
    const ValuePicture& values = read.values;
    check(values.width >= 1 && values.height >= 1 &&
              std::int64_t{values.width} * values.height <= static_cast<std::int64_t>(pixelBudget) &&
              values.values.size() == static_cast<std::size_t>(values.width) * static_cast<std::size_t>(values.height),
          "a panel's picture within the size allowed");
    const std::vector<PanelArray> arrays = panelArrays(*read.panel, *read.layout);
    const bool planes = arrays.front().plane >= 0;
    ValuePicture again = values;
    again.values.assign(values.values.size(), planes ? 1 : 0xFF); // planes: white where neither has ink
    for (const PanelArray& array : arrays)
        drawLayoutValues(layoutBytes(arraySource(array, values), *read.layout).data(), *read.layout,
                         arrayTarget(array, again));
    const unsigned most = (1u << read.layout->bitsPerPixel) - 1;
    for (std::size_t i = 0; i < values.values.size(); ++i)
        check(values.values[i] <= (planes ? 2 : most) &&
                  again.values[i] == values.values[i],
              "a panel's arrays draw its values again");
}

// The page's policy against the command line's: a picture the command line reads is drawn
// the same; one it refuses is drawn from the first whole pages or rows of its bytes, or
// refused too.
inline void checkWhatFits(const std::uint8_t* data, std::size_t size, ArrayOptions options)
{
    const auto budget = static_cast<std::int64_t>(pixelBudget);
    bool refused = false;
    ArrayPicture strict;
    try {
        strict = arrayPicture(data, size, options, budget);
    } catch (const PictureRefusal&) {
        refused = true;
    }
    options.fit = ArrayFit::drawWhatFits;
    try {
        const ArrayPicture drawn = arrayPicture(data, size, options, budget);
        const bool bw = drawn.panel->panel == Panel::bw;
        const std::int32_t width = bw ? drawn.picture.width() : drawn.values.width;
        const std::int32_t height = bw ? drawn.picture.height() : drawn.values.height;
        const std::int32_t columns = !drawn.layout->halves ? width : (width + 1) / 2;
        check(drawn.bytesTaken == byteGrid(*drawn.layout, columns, height).bytes() &&
                  drawn.bytesTaken <= static_cast<std::int64_t>(readTextArray(data, size, options.array).bytes.size()),
              "the picture drawn takes the first of the bytes");
        check(refused || samePicture(drawn, strict), "a picture read is drawn the same");
    } catch (const PictureRefusal&) {
        check(refused, "refused where the command line refuses it");
    }
}

inline int arrayInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 3)
        return 0;
    ArrayOptions options;
    const std::size_t choice = data[0] % (layouts().size() + 1);
    const std::size_t panel = data[0] / (layouts().size() + 1) % 9;
    options.layout = choice > 0 ? &layouts()[choice - 1] : nullptr;
    options.panel = panel > 0 ? &panelKinds[panel - 1] : nullptr;
    options.width = data[1] | data[2] << 8;
    const std::string_view text(reinterpret_cast<const char*>(data + 3), size - 3);
    checkArrayText(text);
    checkWhatFits(data + 3, size - 3, options);
    try {
        const ArrayPicture read = arrayPicture(data + 3, size - 3, options, static_cast<std::int64_t>(pixelBudget));
        check(read.layout && (!options.layout || std::string(read.layout->name) == options.layout->name) &&
                  takesPanel(*read.layout, read.panel->name) && (!options.panel || read.panel == options.panel),
              "the panel and the layout given, or the text's");
        if (read.panel->panel != Panel::bw)
            return checkPanelValues(read), 0;
        const BitPicture& picture = read.picture;
        check(picture.width() >= 1 && picture.height() >= 1 &&
                  std::int64_t{picture.width()} * picture.height() <= static_cast<std::int64_t>(pixelBudget),
              "a picture within the size allowed");
        BitPicture again;
        again.setDimensions(picture.width(), picture.height());
        drawLayoutBytes(layoutBytes(picture, *read.layout).data(), *read.layout, again);
        check(sameBits(picture, again), "its bytes draw it again");
        for (const Layout& layout : layouts())
            check(layoutBytes(picture, layout) == layoutBytesBitByBit(picture, layout),
                  "the packing loop gives the bytes made bit by bit");
    } catch (const PictureRefusal&) {
        // refused with a reason: no array, one that is not bytes, or bytes that do not fill a picture
    }
    return 0;
}

} // namespace fuzz

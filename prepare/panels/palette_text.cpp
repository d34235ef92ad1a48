// SPDX-License-Identifier: MIT
#include "panels/palette_text.h"

namespace {

// The text split at commas, each piece without the spaces around it.
std::vector<std::string> pieces(const std::string& text)
{
    std::vector<std::string> result;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string piece = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t first = piece.find_first_not_of(" \t");
        result.push_back(first == std::string::npos ? std::string()
                                                    : piece.substr(first, piece.find_last_not_of(" \t") - first + 1));
        if (comma == std::string::npos)
            return result;
        start = comma + 1;
    }
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// What is wrong with one colour's text, or empty when it reads as `colour`.
std::string readColour(const std::string& text, Pixel& colour)
{
    if (text.empty())
        return "it is empty";
    if (text[0] != '#')
        return "it does not start with #";
    for (std::size_t i = 1; i < text.size(); ++i)
        if (hexDigit(text[i]) < 0)
            return "\"" + text.substr(i, 1) + "\" is not a hex digit";
    if (text.size() != 7)
        return "it has " + std::to_string(text.size() - 1) + (text.size() == 2 ? " hex digit" : " hex digits") +
               ", not 6";
    const auto byteAt = [&](std::size_t i) {
        return static_cast<std::uint8_t>(hexDigit(text[i]) * 16 + hexDigit(text[i + 1]));
    };
    colour = Pixel{byteAt(5), byteAt(3), byteAt(1), 0};
    return {};
}

} // namespace

PaletteText paletteFromText(const PanelKind& kind, const std::string& text)
{
    PaletteText result;
    const std::vector<std::string> given = pieces(text);
    const std::string prefix = std::string("--palette for ") + kind.name + " needs ";
    if (static_cast<int>(given.size()) != kind.colourCount) {
        result.problem = prefix + std::to_string(kind.colourCount) + " colours (" + colourNames(kind) + "), not " +
                         std::to_string(given.size());
        return result;
    }
    for (int i = 0; i < kind.colourCount; ++i) {
        Pixel colour{};
        const std::string wrong = readColour(given[static_cast<std::size_t>(i)], colour);
        if (!wrong.empty()) {
            result.colours.clear();
            result.problem = prefix + "#rrggbb for colour " + std::to_string(i + 1) + " (" + kind.colours[i].name +
                             "), not \"" + given[static_cast<std::size_t>(i)] + "\": " + wrong;
            return result;
        }
        result.colours.push_back(colour);
    }
    return result;
}

// SPDX-License-Identifier: MIT
#pragma once

// The texts of an enum's values, given as a table of values and texts: the one way both
// programs and the page's module turn a value into its name or its words.

#include <cstddef>

template <typename Enum>
struct EnumText {
    Enum value;
    const char* text;
};

// The text `texts` gives `value`, or `otherwise` where it gives none.
template <typename Enum, std::size_t count>
constexpr const char* textOf(Enum value, const EnumText<Enum> (&texts)[count], const char* otherwise)
{
    for (const EnumText<Enum>& t : texts)
        if (t.value == value)
            return t.text;
    return otherwise;
}

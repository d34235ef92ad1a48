// SPDX-License-Identifier: MIT
// Windows' own conversion, as the program uses it at the Windows edge.
#ifdef _WIN32
#include "wide_names.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

struct Utf16Case {
    const char* name;
    std::wstring utf16;
    std::string utf8;
    bool anyCount = false; // of U+FFFD for a malformed sequence
};

// Well-formed text converts both ways; every length of UTF-8 sequence takes part.
TEST(Utf16, WellFormedTextConvertsBothWays)
{
    const Utf16Case cases[] = {
        {"ascii", L"logo-1.bmp", "logo-1.bmp"},
        {"two bytes", L"\u00fcber", "\xc3\xbc" "ber"},
        {"greek", L"\u03bb\u03bf\u03b3", "\xce\xbb\xce\xbf\xce\xb3"},
        {"three bytes", L"\u65e5\u672c/\u30ed\u30b4", "\xe6\x97\xa5\xe6\x9c\xac/\xe3\x83\xad\xe3\x82\xb4"},
        {"surrogate pair", L"a\U0001F600b", "a\xf0\x9f\x98\x80" "b"},
        {"highest", L"\U0010FFFF", "\xf4\x8f\xbf\xbf"},
        {"empty", L"", ""},
    };
    for (const Utf16Case& c : cases) {
        EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8) << c.name;
        EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16) << c.name;
    }
}

// The text with each run of U+FFFD made one.
std::wstring replacementRunsAsOne(std::wstring text)
{
    const auto bothReplacements = [](wchar_t a, wchar_t b) { return a == 0xFFFD && b == 0xFFFD; };
    text.erase(std::unique(text.begin(), text.end(), bothReplacements), text.end());
    return text;
}

// A malformed sequence becomes U+FFFD, so it can never turn into another valid name.
TEST(Utf16, MalformedSequencesBecomeReplacementCharacters)
{
    const Utf16Case fromUtf16[] = {
        {"lone high surrogate", L"a\xd83d" "b", "a\xef\xbf\xbd" "b"},
        {"high surrogate at the end", L"a\xd83d", "a\xef\xbf\xbd"},
        {"lone low surrogate", L"\xde00" "a", "\xef\xbf\xbd" "a"},
        {"two highs", L"\xd83d\xd83d\xde00", "\xef\xbf\xbd\xf0\x9f\x98\x80"},
    };
    for (const Utf16Case& c : fromUtf16)
        EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8) << c.name;

    // Decoders differ in how many U+FFFD some sequences give (one a byte, or one for the
    // longest start of a sequence), Windows and Wine among them; never in giving some.
    const bool anyCount = true;
    const Utf16Case fromUtf8[] = {
        {"stray continuation byte", L"a\xfffd" "b", "a\x80" "b"},
        {"overlong", L"\xfffd\xfffd", "\xc0\xaf"},
        {"cut short at the end", L"a\xfffd\xfffd", "a\xe6\x97", anyCount},
        {"cut short by a new character", L"\xfffd" "a", "\xc3" "a"},
        {"encoded surrogate", L"\xfffd\xfffd\xfffd", "\xed\xa0\x80", anyCount},
        {"above U+10FFFF", L"\xfffd\xfffd\xfffd\xfffd", "\xf4\x90\x80\x80", anyCount},
        {"invalid lead byte", L"\xfffd", "\xff"},
    };
    for (const Utf16Case& c : fromUtf8) {
        const std::wstring result = utf8ToUtf16(c.utf8);
        if (c.anyCount)
            EXPECT_EQ(replacementRunsAsOne(result), replacementRunsAsOne(c.utf16)) << c.name;
        else
            EXPECT_EQ(result, c.utf16) << c.name;
    }
}

} // namespace
#endif

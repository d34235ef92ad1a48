// SPDX-License-Identifier: MIT
#include "utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct Utf16Case {
    const char* name;
    std::u16string utf16;
    std::string utf8;
};

// Well-formed text converts both ways; every length of UTF-8 sequence takes part.
TEST(Utf16, WellFormedTextConvertsBothWays)
{
    const Utf16Case cases[] = {
        {"ascii", u"logo-1.bmp", "logo-1.bmp"},
        {"two bytes", u"\u00fcber", "\xc3\xbc" "ber"},
        {"greek", u"\u03bb\u03bf\u03b3", "\xce\xbb\xce\xbf\xce\xb3"},
        {"three bytes", u"\u65e5\u672c/\u30ed\u30b4", "\xe6\x97\xa5\xe6\x9c\xac/\xe3\x83\xad\xe3\x82\xb4"},
        {"surrogate pair", u"a\U0001F600b", "a\xf0\x9f\x98\x80" "b"},
        {"highest", u"\U0010FFFF", "\xf4\x8f\xbf\xbf"},
        {"empty", u"", ""},
    };
    for (const Utf16Case& c : cases) {
        EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8) << c.name;
        EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16) << c.name;
    }
}

// A malformed sequence becomes U+FFFD, so it can never turn into another valid name.
TEST(Utf16, MalformedSequencesBecomeReplacementCharacters)
{
    const Utf16Case fromUtf16[] = {
        {"lone high surrogate", u"a\xd83d" "b", "a\xef\xbf\xbd" "b"},
        {"high surrogate at the end", u"a\xd83d", "a\xef\xbf\xbd"},
        {"lone low surrogate", u"\xde00" "a", "\xef\xbf\xbd" "a"},
        {"two highs", u"\xd83d\xd83d\xde00", "\xef\xbf\xbd\xf0\x9f\x98\x80"},
    };
    for (const Utf16Case& c : fromUtf16)
        EXPECT_EQ(utf16ToUtf8(c.utf16), c.utf8) << c.name;

    const Utf16Case fromUtf8[] = {
        {"stray continuation byte", u"a\xfffd" "b", "a\x80" "b"},
        {"overlong", u"\xfffd\xfffd", "\xc0\xaf"},
        {"cut short at the end", u"a\xfffd\xfffd", "a\xe6\x97"},
        {"cut short by a new character", u"\xfffd" "a", "\xc3" "a"},
        {"encoded surrogate", u"\xfffd\xfffd\xfffd", "\xed\xa0\x80"},
        {"above U+10FFFF", u"\xfffd\xfffd\xfffd\xfffd", "\xf4\x90\x80\x80"},
        {"invalid lead byte", u"\xfffd", "\xff"},
    };
    for (const Utf16Case& c : fromUtf8)
        EXPECT_EQ(utf8ToUtf16(c.utf8), c.utf16) << c.name;
}

} // namespace

// SPDX-License-Identifier: MIT
#include "decoding/c_tokens.h"

namespace {

constexpr std::int64_t valueCeiling = std::int64_t{1} << 62;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isWordChar(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

// The value of a digit in base 2, 8, 10 or 16, or -1.
int digitValue(char c, int base)
{
    int value = -1;
    if (isDigit(c))
        value = c - '0';
    else if ((c | 0x20) >= 'a' && (c | 0x20) <= 'f')
        value = (c | 0x20) - 'a' + 10;
    return value < base ? value : -1;
}

// Whether the text is one of the integer suffixes: u, l, ll, and u with either, in either
// case (but not lL or Ll).
bool integerSuffix(std::string_view s)
{
    if (!s.empty() && (s.front() == 'u' || s.front() == 'U'))
        s.remove_prefix(1);
    else if (!s.empty() && (s.back() == 'u' || s.back() == 'U'))
        s.remove_suffix(1);
    return s.empty() || s == "l" || s == "L" || s == "ll" || s == "LL";
}

// The digits of `s` in `base` up to the first that is not one: their value, and how many.
std::int64_t digitsValue(std::string_view s, int base, std::size_t& count)
{
    std::int64_t value = 0;
    for (count = 0; count < s.size() && digitValue(s[count], base) >= 0; ++count)
        value = value >= valueCeiling / base ? valueCeiling : value * base + digitValue(s[count], base);
    return value;
}

} // namespace

std::int64_t literalValue(std::string_view token)
{
    if (token.size() >= 2 && token.size() <= 9 && token[0] == 'B') {
        std::size_t count = 0;
        const std::int64_t value = digitsValue(token.substr(1), 2, count);
        if (count == token.size() - 1)
            return value;
    }
    if (token.empty() || !isDigit(token[0]))
        return -1;
    int base = 10;
    std::size_t skip = 0;
    if (token.size() > 2 && token[0] == '0' && (token[1] | 0x20) == 'x')
        base = 16, skip = 2;
    else if (token.size() > 2 && token[0] == '0' && (token[1] | 0x20) == 'b')
        base = 2, skip = 2;
    else if (token[0] == '0')
        base = 8, skip = 1;
    std::size_t count = 0;
    const std::int64_t value = digitsValue(token.substr(skip), base, count);
    // "0x" and "0b" need digits; a lone "0" is octal of none.
    if ((skip == 2 && count == 0) || !integerSuffix(token.substr(skip + count)))
        return -1;
    return value;
}

bool CTokens::skipComment()
{
    if (at + 1 >= text.size() || text[at] != '/')
        return false;
    if (text[at + 1] == '/') {
        while (at < text.size() && text[at] != '\n')
            ++at;
        return true;
    }
    if (text[at + 1] != '*')
        return false;
    const std::size_t end = text.find("*/", at + 2);
    const std::size_t stop = end == std::string_view::npos ? text.size() : end + 2;
    for (std::size_t i = at; i < stop; ++i)
        lineNumber += text[i] == '\n';
    at = stop;
    return true;
}

// The whole logical line of a directive: a backslash at a line's end continues it.
void CTokens::skipDirective()
{
    while (at < text.size() && text[at] != '\n') {
        const bool continued = text[at] == '\\' && (text.substr(at + 1, 1) == "\n" || text.substr(at + 1, 2) == "\r\n");
        if (continued) {
            at = text.find('\n', at) + 1;
            ++lineNumber;
        } else if (!skipComment()) {
            ++at;
        }
    }
}

CToken CTokens::next()
{
    for (;;) {
        if (at >= text.size())
            return current = CToken::end;
        const char c = text[at];
        if (c == '\n') {
            ++lineNumber;
            lineStart = true;
            ++at;
        } else if (isSpace(c)) {
            ++at;
        } else if (text.substr(at, 3) == "\xEF\xBB\xBF") { // a byte order mark
            at += 3;
        } else if (!skipComment()) {
            break;
        }
    }
    start = at;
    tokenLine = lineNumber;
    const char c = text[at];
    const bool numberStart = isDigit(c) || (c == '.' && at + 1 < text.size() && isDigit(text[at + 1]));
    if (c == '#' && lineStart) {
        current = CToken::directive;
        skipDirective();
    } else if (isWordChar(c) || numberStart) {
        // A word or a number: C's preprocessing numbers also run on over letters and dots.
        current = numberStart ? CToken::number : CToken::word;
        for (++at; at < text.size() && (isWordChar(text[at]) || text[at] == '.');)
            ++at;
    } else if (c == '"' || c == '\'') {
        // A string or character literal, to its end or the line's.
        current = CToken::literal;
        for (++at; at < text.size() && text[at] != c && text[at] != '\n';)
            at += text[at] == '\\' ? 2 : 1;
        at = at < text.size() && text[at] == c ? at + 1 : std::min(at, text.size());
    } else {
        current = CToken::punct;
        ++at;
    }
    lineStart = false;
    return current;
}

std::string CTokens::element() const
{
    const std::string_view piece = text.substr(start, 64);
    std::size_t end = piece.find_first_of(",}\n");
    if (end == std::string_view::npos)
        end = piece.size();
    std::size_t first = 0;
    while (first < end && (isSpace(piece[first]) || piece[first] == '\n'))
        ++first;
    while (end > first && (isSpace(piece[end - 1]) || piece[end - 1] == '\n'))
        --end;
    return std::string(piece.substr(first, end - first));
}

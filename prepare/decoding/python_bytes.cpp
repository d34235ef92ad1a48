// SPDX-License-Identifier: MIT
#include "decoding/python_bytes.h"

#include "decoding/c_tokens.h"

#include <algorithm>

namespace {

std::int64_t lineOf(std::string_view text, std::size_t at)
{
    const auto end = text.begin() + static_cast<std::ptrdiff_t>(std::min(at, text.size()));
    return 1 + std::count(text.begin(), end, '\n');
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// The value of `NAME = 123` on a line of its own, or 0.
std::int64_t assignedNumber(std::string_view text, const std::string& name)
{
    for (std::size_t at = text.find(name); at != std::string_view::npos; at = text.find(name, at + 1)) {
        if (at > 0 && text[at - 1] != '\n')
            continue;
        std::size_t i = at + name.size();
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        if (i >= text.size() || text[i] != '=')
            continue;
        for (++i; i < text.size() && (text[i] == ' ' || text[i] == '\t');)
            ++i;
        std::size_t end = i;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        const std::int64_t value = literalValue(text.substr(i, end - i));
        if (end > i && value > 0)
            return value;
    }
    return 0;
}

// The escapes of a bytes literal that stand for one byte by a letter.
int escapedLetter(char c)
{
    switch (c) {
    case '\\': return '\\';
    case '\'': return '\'';
    case '"': return '"';
    case 'a': return 7;
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'v': return 11;
    default: return -1;
    }
}

// Reads the bytes literal that starts at `at` (after its b) into `bytes`, up to its closing
// quote; false where it holds what a bytes literal cannot.
bool readLiteral(std::string_view text, std::size_t& at, std::vector<std::uint8_t>& bytes)
{
    const char quote = text[at++];
    while (at < text.size() && text[at] != quote) {
        const auto c = static_cast<unsigned char>(text[at++]);
        if (c >= 0x80 || c == '\n')
            return false;
        if (c != '\\') {
            bytes.push_back(c);
            continue;
        }
        if (at >= text.size())
            return false;
        const char e = text[at++];
        std::size_t digits = 0;
        if (e == 'x' && at + 2 <= text.size() && literalValue("0x" + std::string(text.substr(at, 2))) >= 0) {
            bytes.push_back(static_cast<std::uint8_t>(literalValue("0x" + std::string(text.substr(at, 2)))));
            at += 2;
        } else if (e >= '0' && e <= '7') {
            int value = e - '0';
            for (; digits < 2 && at < text.size() && text[at] >= '0' && text[at] <= '7'; ++digits)
                value = 8 * value + (text[at++] - '0');
            bytes.push_back(static_cast<std::uint8_t>(value));
        } else if (e == '\n' || e == '\r') {
            at += e == '\r' && at < text.size() && text[at] == '\n'; // a continued line
        } else if (escapedLetter(e) >= 0) {
            bytes.push_back(static_cast<std::uint8_t>(escapedLetter(e)));
        } else {
            bytes.push_back('\\'); // an unknown escape keeps its backslash
            --at;
        }
    }
    return at++ < text.size();
}

// The bytes literals after "bytearray(" at `at`, to the ")": false when none comes first.
bool readLiterals(std::string_view text, std::size_t at, PythonBytes& read)
{
    bool any = false;
    for (;;) {
        while (at < text.size() && isSpace(text[at]))
            ++at;
        if (at < text.size() && text[at] == '#') {
            at = std::min(text.find('\n', at), text.size());
            continue;
        }
        const bool literal = at + 1 < text.size() && (text[at] == 'b' || text[at] == 'B') &&
                             (text[at + 1] == '\'' || text[at + 1] == '"');
        if (!literal)
            return any && at < text.size() && text[at] == ')';
        ++at;
        if (!readLiteral(text, at, read.bytes)) {
            read.problem = "line " + std::to_string(lineOf(text, at)) +
                           ": a bytes literal that is not closed, or holds more than ASCII";
            return true;
        }
        any = true;
    }
}

} // namespace

PythonBytes readPythonBytes(std::string_view text)
{
    PythonBytes read;
    const std::string_view call = "bytearray(";
    for (std::size_t at = text.find(call); at != std::string_view::npos && !read.found; at = text.find(call, at + 1)) {
        // NAME = bytearray(, on a line of its own.
        const std::size_t lineStart = text.rfind('\n', at) == std::string_view::npos ? 0 : text.rfind('\n', at) + 1;
        std::string_view before = text.substr(lineStart, at - lineStart);
        while (!before.empty() && (before.back() == ' ' || before.back() == '\t'))
            before.remove_suffix(1);
        if (before.empty() || before.back() != '=')
            continue;
        before.remove_suffix(1);
        while (!before.empty() && (before.back() == ' ' || before.back() == '\t'))
            before.remove_suffix(1);
        const bool identifier = !before.empty() && std::all_of(before.begin(), before.end(), [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        });
        read.bytes.clear();
        if (identifier && readLiterals(text, at + call.size(), read)) {
            read.found = true;
            read.name = std::string(before);
            read.line = lineOf(text, at);
        }
    }
    read.width = assignedNumber(text, "WIDTH");
    read.height = assignedNumber(text, "HEIGHT");
    std::size_t first = std::string_view::npos;
    for (const char* format : {"MONO_VLSB", "MONO_HLSB", "MONO_HMSB", "GS2_HMSB", "GS4_HMSB"}) {
        const std::size_t at = text.find(format);
        if (at < first) {
            first = at;
            read.format = format;
        }
    }
    return read;
}

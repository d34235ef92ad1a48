// SPDX-License-Identifier: MIT
#pragma once

// Tokens of C text, one at a time, as far as reading arrays of bytes needs them: comments
// and white space are skipped, a preprocessor line (with its continued lines) is one
// token, a string or character literal is one token, a word or a number runs on over
// letters, digits, '_', '$' and '.', and anything else is one character of punctuation.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

enum class CToken { end, directive, number, word, literal, punct };

class CTokens {
public:
    explicit CTokens(std::string_view text) : text(text) {}

    // The next token's kind; CToken::end at the end of the text.
    CToken next();

    CToken kind() const { return current; }
    std::string_view token() const { return text.substr(start, at - start); }
    // The line the token begins on, counted from 1.
    std::int64_t line() const { return tokenLine; }
    // The token with the rest of its element, up to a ',', '}' or line end, at most 64
    // characters, trimmed: what a message shows of a token that is not a byte.
    std::string element() const;

private:
    bool skipComment();
    void skipDirective();

    std::string_view text;
    std::size_t at = 0;
    std::size_t start = 0;
    std::int64_t lineNumber = 1;
    std::int64_t tokenLine = 1;
    bool lineStart = true; // only white space and comments since the last line end
    CToken current = CToken::end;
};

// The value of a C integer literal as a compiler reads it (0x hex, 0b binary, a leading 0
// octal, decimal, with any of the suffixes u, l, ll), or of an Arduino binary constant
// (B10110001); -1 for any other token. Values beyond 2^62 are held at 2^62.
std::int64_t literalValue(std::string_view token);

// SPDX-License-Identifier: MIT
#include "decoding/c_arrays.h"

#include "decoding/c_tokens.h"

#include <algorithm>
#include <cctype>

namespace {

// Element types that are wider than a byte, or not numbers: an array declared with one of
// them, or as pointers, is not a picture's bytes (a frames or table header's tables).
bool notByteType(const std::string& word)
{
    static const char* const types[] = {"int", "long", "short", "float", "double", "bool", "_Bool", "wchar_t",
                                        "char16_t", "char32_t", "size_t", "intptr_t", "uintptr_t"};
    for (const char* type : types)
        if (word == type)
            return true;
    // [u]int{16,32,64}_t, [u]int_least..._t, [u]int_fast..._t
    std::string rest = word.rfind("uint", 0) == 0 ? word.substr(4) : word.rfind("int", 0) == 0 ? word.substr(3) : "";
    for (const char* kind : {"_least", "_fast"})
        if (rest.rfind(kind, 0) == 0)
            rest = rest.substr(std::string(kind).size());
    return rest == "16_t" || rest == "32_t" || rest == "64_t";
}

// A token as a message shows it: at most 24 characters.
std::string shown(const std::string& token)
{
    if (token.size() <= 24)
        return token;
    std::size_t cut = 21;
    while (cut > 0 && (static_cast<unsigned char>(token[cut]) & 0xC0) == 0x80) // not inside a character
        --cut;
    return token.substr(0, cut) + "\xE2\x80\xA6";
}

std::string withCommas(std::int64_t n)
{
    std::string digits = std::to_string(n);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

struct FoundArray {
    std::string name;
    std::int64_t line = 0;
    bool ofBytes = true;
    std::int64_t declared = -1; // its declared length, or -1
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> problems;
    std::size_t problemCount = 0;

    void problem(const std::string& text)
    {
        if (problemCount++ < arrayProblemsListed)
            problems.push_back(text);
    }
};

} // namespace

namespace {

// Reads the elements of an initialiser whose "{" was the last token, up to its "}": nested
// braces (an array of arrays) are read through. For bytes alone, the end of the text
// closes it.
void readInitialiser(CTokens& tokens, FoundArray& array, bool endCloses)
{
    int depth = 1;
    bool expectValue = true; // after "{" or ",": an element comes
    bool elementBad = false; // a problem is said once an element
    std::int64_t lastLine = array.line;
    for (;;) {
        const CToken kind = tokens.next();
        const std::int64_t line = tokens.line();
        const auto at = [line] { return "line " + std::to_string(line) + ": "; };
        if (kind == CToken::end) {
            if (!endCloses)
                array.problem("line " + std::to_string(lastLine) + ": the array that opens on line " +
                              std::to_string(array.line) + " is not closed with \"}\"");
            break;
        }
        lastLine = line;
        const char punct = kind == CToken::punct ? tokens.token()[0] : '\0';
        if (punct == '{') {
            ++depth;
            expectValue = true;
            elementBad = false;
        } else if (punct == '}') {
            if (--depth == 0)
                break;
            expectValue = false;
        } else if (punct == ',') {
            if (expectValue && !elementBad)
                array.problem(at() + "an element is missing before \",\"");
            expectValue = true;
            elementBad = false;
        } else if (kind == CToken::directive || elementBad) {
            // #if and friends inside an initialiser are not followed: their lines are skipped;
            // and the rest of an element already said to be wrong is passed over.
        } else if (!expectValue) {
            array.problem(at() + "a \",\" is missing before " + shown(tokens.element()));
            elementBad = true;
        } else {
            const std::int64_t value = literalValue(tokens.token());
            if (value < 0 || value > 255) {
                array.problem(at() + shown(tokens.element()) + " is not a byte (0 to 255)");
                elementBad = true;
                continue;
            }
            if (static_cast<std::int64_t>(array.bytes.size()) == arrayTextMostBytes) {
                array.problem(at() + "the array holds more than " + withCommas(arrayTextMostBytes) +
                              " bytes, more than the largest picture this program takes needs");
                break;
            }
            array.bytes.push_back(static_cast<std::uint8_t>(value));
            expectValue = false;
        }
    }
    if (array.problemCount > array.problems.size())
        array.problems.push_back("\xE2\x80\xA6 and " + std::to_string(array.problemCount - array.problems.size()) +
                                 " more");
}

// The directive without its comments and line continuations.
std::string blankedDirective(std::string_view directive)
{
    std::string out;
    for (std::size_t i = 0; i < directive.size(); ++i) {
        if (directive.substr(i, 2) == "/*") {
            const std::size_t end = directive.find("*/", i + 2);
            i = end == std::string_view::npos ? directive.size() : end + 1;
            out += ' ';
        } else if (directive.substr(i, 2) == "//") {
            break;
        } else if (directive[i] == '\\' && (directive.substr(i + 1, 1) == "\n" || directive.substr(i + 1, 2) == "\r\n")) {
            i = directive.find('\n', i);
            out += ' ';
        } else {
            out += directive[i];
        }
    }
    return out;
}

// `#define NAME VALUE` with an integer VALUE, in parentheses or not: true, with its name
// and value.
bool integerDefine(std::string_view directive, std::string& name, std::int64_t& value)
{
    const std::string line = blankedDirective(directive);
    std::size_t at = 0;
    const auto spaces = [&] {
        const std::size_t from = at;
        while (at < line.size() && std::isspace(static_cast<unsigned char>(line[at])))
            ++at;
        return at > from;
    };
    const auto word = [&] {
        const std::size_t from = at;
        while (at < line.size() && (std::isalnum(static_cast<unsigned char>(line[at])) || line[at] == '_'))
            ++at;
        return line.substr(from, at - from);
    };
    const auto optional = [&](char c) { at += at < line.size() && line[at] == c; };
    spaces();
    if (line.compare(at, 1, "#") != 0)
        return false;
    ++at;
    spaces();
    if (word() != "define" || !spaces())
        return false;
    name = word();
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0])) || !spaces())
        return false;
    optional('(');
    spaces();
    const std::string text = word();
    spaces();
    optional(')');
    spaces();
    value = literalValue(text);
    return at == line.size() && !text.empty() && value >= 0;
}

} // namespace

namespace {

// The product of an array's declared sizes ([1024], [8][128], [LOGO_BYTES]), or -1 when one
// is empty or not a number the text defines.
std::int64_t declaredLength(const std::vector<std::vector<std::string>>& sizes,
                            const std::map<std::string, std::int64_t>& defines)
{
    std::int64_t length = 1;
    for (const std::vector<std::string>& size : sizes) {
        if (size.size() != 1)
            return -1;
        std::int64_t value = literalValue(size[0]);
        const auto defined = defines.find(size[0]);
        if (value < 0 && defined != defines.end())
            value = defined->second;
        if (value < 0)
            return -1;
        length = value != 0 && length > arrayTextMostBytes * 16 / value ? arrayTextMostBytes * 16 : length * value;
    }
    return length;
}

// The declaration since the last ";", "{" or "}": its words before the first "[", whether a
// "*" came before it, the tokens of each "[...]", and its last token.
struct Declaration {
    std::vector<std::string> words;
    bool pointer = false;
    bool sized = false;
    std::vector<std::vector<std::string>> sizes;
    bool inSize = false;
    std::string last;

    void take(CToken kind, const std::string& text)
    {
        if (text == "[") {
            sized = true;
            sizes.emplace_back();
            inSize = true;
        } else if (text == "]") {
            inSize = false;
        } else if (inSize) {
            sizes.back().push_back(text);
        } else if (!sized && kind == CToken::word) {
            words.push_back(text);
        } else if (!sized && text == "*") {
            pointer = true;
        }
        last = text;
    }
};

// The array whose initialiser begins at the "{" just read, after the declaration d.
FoundArray initialisedArray(CTokens& tokens, const Declaration& d, const std::map<std::string, std::int64_t>& defines)
{
    FoundArray array;
    array.line = tokens.line();
    array.name = d.sized && !d.words.empty() ? d.words.back() : "";
    array.ofBytes = !d.pointer && std::none_of(d.words.begin(), d.words.end(), notByteType);
    array.declared = d.sized ? declaredLength(d.sizes, defines) : -1;
    readInitialiser(tokens, array, false);
    return array;
}

// Every array with an initialiser in the text, in the order of the text, and the integer
// macros.
std::vector<FoundArray> arraysOfText(std::string_view text, std::map<std::string, std::int64_t>& defines)
{
    CTokens tokens(text);
    std::vector<FoundArray> arrays;
    int braces = 0;
    Declaration d;
    for (CToken kind; (kind = tokens.next()) != CToken::end;) {
        const std::string token(tokens.token());
        if (kind == CToken::directive) {
            std::string name;
            std::int64_t value = 0;
            if (integerDefine(token, name, value))
                defines[name] = value;
        } else if (kind == CToken::punct && token == "{") {
            // An initialiser: "name[...] = {", "name[...] {", or braces with nothing before them.
            if ((d.sized && (d.last == "=" || d.last == "]")) || (d.last.empty() && braces == 0))
                arrays.push_back(initialisedArray(tokens, d, defines));
            else
                ++braces;
            d = Declaration();
        } else if (kind == CToken::punct && (token == "}" || token == ";")) {
            braces = token == "}" ? std::max(0, braces - 1) : braces;
            d = Declaration();
        } else {
            d.take(kind, token);
        }
    }
    return arrays;
}

// Whether the text outside its comments holds a brace.
bool holdsBraces(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.substr(i, 2) == "/*" && text.find("*/", i + 2) != std::string_view::npos) {
            i = text.find("*/", i + 2) + 1;
        } else if (text.substr(i, 2) == "//") {
            i = text.find('\n', i);
            if (i == std::string_view::npos)
                return false;
        } else if (text[i] == '{' || text[i] == '}') {
            return true;
        }
    }
    return false;
}

std::string upperCase(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool endsWith(const std::string& s, const std::string& end)
{
    return s.size() >= end.size() && s.compare(s.size() - end.size(), end.size(), end) == 0;
}

} // namespace

namespace {

// The array's width and height from size macros: panelbake's (LOGO_GLCD_WIDTH and
// LOGO_GLCD_HEIGHT for logo_glcd_bmp), an X bitmap's (logo_width for logo_bits),
// NAME_WIDTH and NAME_HEIGHT, or the only pair of *_WIDTH and *_HEIGHT macros in the text,
// in any case.
void sizeFromMacros(ArrayText& read)
{
    std::map<std::string, std::pair<std::string, std::int64_t>> upper;
    for (const auto& [macro, value] : read.defines)
        upper[upperCase(macro)] = {macro, value};
    const std::string name = upperCase(read.name);
    std::string stem;
    for (const char* end : {"_BMP", "_BITS", ""}) {
        const std::string candidate = endsWith(name, end) ? name.substr(0, name.size() - std::string(end).size()) : "";
        if (stem.empty() && !candidate.empty() && (upper.count(candidate + "_WIDTH") || upper.count(candidate + "_HEIGHT")))
            stem = candidate;
    }
    if (stem.empty()) {
        std::vector<std::string> widths, heights;
        for (const auto& entry : upper) {
            if (endsWith(entry.first, "_WIDTH"))
                widths.push_back(entry.first.substr(0, entry.first.size() - 6));
            if (endsWith(entry.first, "_HEIGHT"))
                heights.push_back(entry.first.substr(0, entry.first.size() - 7));
        }
        if (widths.size() == 1 && (heights.empty() || heights == widths))
            stem = widths.front();
    }
    const auto found = [&](const std::string& side, std::int64_t& value, std::string& macro) {
        const auto at = upper.find(stem + side);
        if (!stem.empty() && at != upper.end() && at->second.second > 0) {
            value = at->second.second;
            macro = at->second.first;
        }
    };
    found("_WIDTH", read.width, read.widthMacro);
    found("_HEIGHT", read.height, read.heightMacro);
}

// Why the text gives no bytes when it holds no array declared as bytes.
std::string noArrayProblem(const std::vector<FoundArray>& found)
{
    if (found.empty())
        return "The text holds no array: no \"{\" follows an array's \"[...] =\".";
    std::string others;
    for (std::size_t i = 0; i < found.size(); ++i)
        others += (i == 0 ? "" : ", ") + (found[i].name.empty() ? std::string("one without a name") : found[i].name);
    return "The text holds no array of bytes: " + others + (found.size() == 1 ? " is" : " are") +
           " declared as pointers or wider numbers. A frames or table header holds no bytes itself: the headers it "
           "includes do.";
}

// The declared length against the bytes of the initialiser: C fills the rest with zeros.
void checkDeclaredLength(const FoundArray& array, ArrayText& read)
{
    const std::string what = array.name.empty() ? "The array" : array.name;
    const std::int64_t count = static_cast<std::int64_t>(read.bytes.size());
    if (array.declared < 0 || array.problemCount > 0)
        return;
    if (count > array.declared) {
        read.problems.push_back("line " + std::to_string(array.line) + ": " + what + " is declared with " +
                                std::to_string(array.declared) + " bytes and holds " + std::to_string(count));
    } else if (array.declared > arrayTextMostBytes) {
        read.notes.push_back(what + " is declared with " + std::to_string(array.declared) +
                             " bytes, more than a picture holds: only the " + std::to_string(count) +
                             " of its initialiser are taken.");
    } else if (count < array.declared) {
        read.notes.push_back(what + " is declared with " + std::to_string(array.declared) + " bytes and initialised with " +
                             std::to_string(count) + ": the other " + std::to_string(array.declared - count) +
                             " are 0x00, as C fills them.");
        read.bytes.resize(static_cast<std::size_t>(array.declared), 0);
    }
}

} // namespace

std::string arrayLabel(const std::string& name, std::int64_t line)
{
    return name.empty() ? "The array on line " + std::to_string(line) : name + " (line " + std::to_string(line) + ")";
}

ArrayText readArrayText(std::string_view text, const std::string& choice)
{
    ArrayText read;
    std::vector<FoundArray> found = arraysOfText(text, read.defines);
    if (found.empty() && !holdsBraces(text)) {
        CTokens tokens(text);
        read.bytesAlone = true;
        found.emplace_back();
        found.back().line = 1;
        readInitialiser(tokens, found.back(), true);
    }
    if (std::none_of(found.begin(), found.end(), [](const FoundArray& a) { return a.ofBytes; })) {
        read.problems.push_back(noArrayProblem(found));
        read.problemCount = 1;
        return read;
    }
    found.erase(std::remove_if(found.begin(), found.end(), [](const FoundArray& a) { return !a.ofBytes; }), found.end());
    for (const FoundArray& array : found)
        read.arrays.push_back({array.name, array.line, array.bytes.size()});
    const auto named = std::find_if(found.begin(), found.end(), [&](const FoundArray& a) { return a.name == choice; });
    const auto clean = std::find_if(found.begin(), found.end(), [](const FoundArray& a) { return a.problemCount == 0; });
    if (!choice.empty() && named == found.end()) {
        read.problems.push_back("The text holds no array of bytes named " + choice + ".");
        read.problemCount = 1;
        return read;
    }
    read.chosen = static_cast<int>((choice.empty() ? (clean == found.end() ? found.begin() : clean) : named) - found.begin());
    FoundArray& array = found[static_cast<std::size_t>(read.chosen)];
    read.name = array.name;
    read.line = array.line;
    read.bytes = std::move(array.bytes);
    read.problems = std::move(array.problems);
    checkDeclaredLength(array, read);
    if (read.problems.empty() && read.bytes.empty())
        read.problems.push_back("line " + std::to_string(array.line) + ": " +
                                (array.name.empty() ? "The array" : array.name) + " holds no bytes");
    read.problemCount = array.problemCount > 0 ? array.problemCount : read.problems.size();
    sizeFromMacros(read);
    return read;
}

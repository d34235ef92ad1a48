// SPDX-License-Identifier: MIT
#include "page_json.h"

#include "outputs/prepared_names.h"

#include <cstdio>
#include <set>

namespace {

std::string lowerCase(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string jsonStrings(const std::vector<std::string>& texts)
{
    std::string json = "[";
    for (const std::string& text : texts)
        json += (json.size() > 1 ? "," : "") + jsonString(text);
    return json + "]";
}

std::vector<std::string> splitLines(const std::string& lines)
{
    std::vector<std::string> split;
    std::size_t start = 0;
    for (std::size_t end; (end = lines.find('\n', start)) != std::string::npos; start = end + 1)
        split.push_back(lines.substr(start, end - start));
    if (start < lines.size())
        split.push_back(lines.substr(start));
    return split;
}

std::vector<PageBmpNames> pageBmpNames(const std::vector<std::string>& sources)
{
    std::set<std::string> taken;
    std::vector<PageBmpNames> names;
    for (const std::string& source : sources) {
        std::string bmp = preparedName(source);
        bool renamed = false;
        for (int n = 2; taken.count(lowerCase(bmp)) != 0; ++n) {
            bmp = withoutExtension(source) + "_" + std::to_string(n) + ".bmp";
            renamed = true;
        }
        taken.insert(lowerCase(bmp));
        names.push_back({bmp, withoutExtension(bmp) + "_prepared.bmp", renamed});
    }
    return names;
}

std::string pageNamesJson(const std::string& sourceLines)
{
    std::string json = "[";
    for (const PageBmpNames& n : pageBmpNames(splitLines(sourceLines)))
        json += (json.size() > 1 ? "," : "") + std::string("{\"bmp\":") + jsonString(n.bmp) +
                ",\"adjustedBmp\":" + jsonString(n.adjustedBmp) + ",\"renamed\":" + (n.renamed ? "true" : "false") + "}";
    return json + "]";
}

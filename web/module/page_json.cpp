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

std::vector<PageBmpNames> pageBmpNames(const std::vector<std::string>& sources)
{
    std::set<std::string> taken;
    std::vector<PageBmpNames> names;
    for (const std::string& source : sources) {
        std::string bmp = preparedName(source);
        bool apart = false;
        for (int n = 2; taken.count(lowerCase(bmp)) != 0; ++n) {
            bmp = withoutExtension(source) + "_" + std::to_string(n) + ".bmp";
            apart = true;
        }
        taken.insert(lowerCase(bmp));
        names.push_back({bmp, withoutExtension(bmp) + "_prepared.bmp", apart});
    }
    return names;
}

std::string pageNamesJson(const std::string& sourceLines)
{
    std::vector<std::string> sources;
    std::size_t start = 0;
    for (std::size_t end; (end = sourceLines.find('\n', start)) != std::string::npos; start = end + 1)
        sources.push_back(sourceLines.substr(start, end - start));
    if (start < sourceLines.size())
        sources.push_back(sourceLines.substr(start));
    std::string json = "[";
    for (const PageBmpNames& n : pageBmpNames(sources))
        json += (json.size() > 1 ? "," : "") + std::string("{\"bmp\":") + jsonString(n.bmp) +
                ",\"beside\":" + jsonString(n.beside) + ",\"apart\":" + (n.apart ? "true" : "false") + "}";
    return json + "]";
}

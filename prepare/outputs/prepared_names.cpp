// SPDX-License-Identifier: MIT
#include "outputs/prepared_names.h"

#include "output_names.h"

std::string withoutExtension(const std::string& path)
{
    const std::size_t start = fileNameStart(path);
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || dot <= start)
        return path;
    return path.substr(0, dot);
}

std::string preparedName(const std::string& sourcePath, const std::string& panel)
{
    return withoutExtension(sourcePath) + (panel == "bw" ? "" : "_" + panel) + ".bmp";
}

std::vector<std::string> frameNames(const std::string& base, std::size_t count)
{
    std::size_t digits = 2;
    for (std::size_t last = count > 0 ? count - 1 : 0, limit = 100; last >= limit; limit *= 10)
        ++digits;
    std::vector<std::string> names;
    names.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string number = std::to_string(i);
        names.push_back(base + "_" + std::string(digits - number.size(), '0') + number + ".bmp");
    }
    return names;
}

std::string framesHeaderName(const std::string& base)
{
    return base + "_frames.h";
}

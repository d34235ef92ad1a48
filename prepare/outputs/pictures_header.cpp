// SPDX-License-Identifier: MIT
#include "outputs/pictures_header.h"

#include "outputs/array_table.h"
#include "output_names.h"

std::string picturesHeaderText(const std::string& headerPath, const std::vector<std::string>& bmpPaths)
{
    const ArrayTable t = arrayTable(headerPath, bmpPaths);
    const std::string count = t.upper + "_COUNT";
    std::string widths;
    std::string heights;
    for (const std::string& macro : t.macros) {
        widths += "    " + macro + "_WIDTH,\n";
        heights += "    " + macro + "_HEIGHT,\n";
    }

    std::string text;
    const bool one = bmpPaths.size() == 1;
    text += "/* " + t.headerFile + (one ? ": the array of 1 picture" : ": the arrays of " +
            std::to_string(bmpPaths.size()) + " pictures") + " in one table.\n"
            " * Convert every BMP with panelbake first, with the same options: it writes the\n"
            " * headers included here. Picture i is " + t.table + "_width[i] x " + t.table +
            "_height[i] pixels,\n"
            " * " + t.table + "_width[i] columns in each page of eight rows. */\n";
    text += "#ifndef _" + t.upper + "_H\n#define _" + t.upper + "_H\n\n";
    text += t.includes + "\n";
    text += "#define " + count + " " + std::to_string(bmpPaths.size()) + "\n\n";
    text += tableDeclaration(t, count) + "\n";
    text += "static const unsigned int " + t.table + "_width[" + count + "] = {\n" + widths + "};\n";
    text += "static const unsigned int " + t.table + "_height[" + count + "] = {\n" + heights + "};\n\n";
    text += "#endif\n";
    return text;
}

std::string picturesHeaderName(const std::string& firstSource, const std::string& name)
{
    return firstSource.substr(0, fileNameStart(firstSource)) + name + ".h";
}

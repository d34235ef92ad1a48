// SPDX-License-Identifier: MIT
#include "outputs/pictures_header.h"

#include "outputs/array_table.h"
#include "outputs/layout_files.h"
#include "outputs/module_tables.h"
#include "output_names.h"
#include "panels/panel_picture.h"

namespace {

// The comment at the top: what the table holds and how a picture of it is drawn.
std::string picturesComment(const ArrayTable& t, std::size_t count, const Layout& layout, ArrayAttribute attribute,
                            const PanelKind& kind, const std::vector<PanelArray>& arrays)
{
    const std::string& table = t.table;
    std::string text = "/* " + t.headerFile + (count == 1 ? ": the array of 1 picture" : ": the arrays of " +
                       std::to_string(count) + " pictures") + " in one table.\n";
    if (layout.form == FileForm::panelbakeHeader)
        return text +
               " * Convert every BMP with panelbake first, with the same options: it writes the\n"
               " * headers included here. Picture i is " + table + "_width[i] x " + table + "_height[i] pixels,\n"
               " * " + table + "_width[i] columns in each page of eight rows. */\n";
    std::vector<std::string> tables;
    for (const PanelArray& array : arrays)
        tables.push_back(table + array.suffix + "[i]");
    const std::string call = commentedCall(drawingCall(layout, kind.name, attribute == ArrayAttribute::avrProgmem,
                                                       tables, table + "_width[i]", table + "_height[i]"));
    return text + " * Their headers, included here, are in the " + layout.name + " layout, for " +
           layoutReader(layout, kind.name) + ".\n * Picture i is " + table + "_width[i] x " + table +
           "_height[i] pixels:\n *   " + call + "\n */\n";
}

} // namespace

std::string picturesHeaderText(const std::string& headerPath, const std::vector<std::string>& bmpPaths,
                               const Layout& layout, ArrayAttribute attribute, const PanelKind& kind)
{
    if (layout.form == FileForm::pythonModule)
        return picturesModuleText(headerPath, bmpPaths);
    const ArrayTable t = arrayTable(headerPath, bmpPaths, layout);
    const std::string count = t.upper + "_COUNT";
    std::string widths;
    std::string heights;
    for (std::size_t i = 0; i < bmpPaths.size(); ++i) {
        widths += "    " + t.widthMacros[i] + ",\n";
        heights += "    " + t.heightMacros[i] + ",\n";
    }

    const std::vector<PanelArray> arrays = panelArrays(kind, layout);
    std::string text = picturesComment(t, bmpPaths.size(), layout, attribute, kind, arrays);
    text += "#ifndef _" + t.upper + "_H\n#define _" + t.upper + "_H\n\n";
    text += t.includes + "\n";
    text += "#define " + count + " " + std::to_string(bmpPaths.size()) + "\n\n";
    for (const PanelArray& array : arrays)
        text += tableDeclaration(t, count, layout, attribute == ArrayAttribute::avrProgmem, array.suffix) + "\n";
    text += "static const unsigned int " + t.table + "_width[" + count + "] = {\n" + widths + "};\n";
    text += "static const unsigned int " + t.table + "_height[" + count + "] = {\n" + heights + "};\n\n";
    text += "#endif\n";
    return text;
}

std::string picturesHeaderName(const std::string& firstSource, const std::string& name)
{
    return firstSource.substr(0, fileNameStart(firstSource)) + name + ".h";
}

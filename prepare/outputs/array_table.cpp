// SPDX-License-Identifier: MIT
#include "outputs/array_table.h"

#include "output_names.h"
#include "outputs/layout_names.h"
#include "outputs/prepared_names.h"

ArrayTable arrayTable(const std::string& headerPath, const std::vector<std::string>& bmpPaths, const Layout& layout)
{
    ArrayTable t;
    // The table's own identifiers come from the header's name as a BMP's come from its
    // name: walk_frames.h gives WALK_FRAMES_COUNT and walk_frames.
    const std::string tableBase = withoutExtension(headerPath);
    t.upper = macroStem(tableBase);
    t.table = lowerStem(tableBase);
    t.headerFile = headerPath.substr(fileNameStart(headerPath));
    for (const std::string& bmp : bmpPaths) {
        const LayoutNames names = layoutNames(layout, bmp);
        t.includes += "#include \"" + names.file.substr(fileNameStart(names.file)) + "\"\n";
        t.arrays.push_back(names.array);
        t.widthMacros.push_back(names.widthMacro);
        t.heightMacros.push_back(names.heightMacro);
    }
    return t;
}

std::string tableDeclaration(const ArrayTable& t, const std::string& count, const Layout& layout, bool programMemory,
                             const std::string& suffix)
{
    const bool constBytes = programMemory || layout.form == FileForm::panelbakeHeader;
    const std::string element = constBytes ? "const unsigned char *" : "unsigned char *";
    std::string text = "static " + element + "const " + t.table + suffix + "[" + count + "] = {\n";
    for (const std::string& array : t.arrays)
        text += "    (" + element + ")" + array + suffix + ",\n";
    return text + "};\n";
}

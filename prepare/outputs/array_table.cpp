// SPDX-License-Identifier: MIT
#include "outputs/array_table.h"

#include "output_names.h"
#include "outputs/prepared_names.h"

ArrayTable arrayTable(const std::string& headerPath, const std::vector<std::string>& bmpPaths)
{
    ArrayTable t;
    // The table's own identifiers come from the header's name as a BMP's come from its
    // name: walk_frames.h gives WALK_FRAMES_COUNT and walk_frames.
    const std::string tableBase = withoutExtension(headerPath);
    t.upper = macroStem(tableBase);
    t.table = arrayName(tableBase);
    t.table.resize(t.table.size() - 4); // without "_bmp"
    t.headerFile = headerPath.substr(fileNameStart(headerPath));
    for (const std::string& bmp : bmpPaths) {
        const std::string base = makeBaseName(bmp);
        t.includes += "#include \"" + base.substr(fileNameStart(base)) + ".h\"\n";
        t.pointers += "    (const unsigned char *)" + arrayName(base) + ",\n";
        t.macros.push_back(macroStem(base));
    }
    return t;
}

std::string tableDeclaration(const ArrayTable& t, const std::string& count)
{
    return "static const unsigned char *const " + t.table + "[" + count + "] = {\n" + t.pointers + "};\n";
}

// SPDX-License-Identifier: MIT
#include "outputs/layout_names.h"

#include "output_names.h"
#include "outputs/prepared_names.h"

namespace {

// The path without its extension, each '-' of the file name made '_' as panelbake names its
// outputs; for a Python module the whole file name made an identifier.
std::string cleanBase(const std::string& path, bool module)
{
    const std::string base = withoutExtension(path);
    const std::size_t start = fileNameStart(base);
    std::string name = base.substr(start);
    if (module)
        name = identifierStem(name);
    for (char& c : name)
        if (c == '-')
            c = '_';
    return base.substr(0, start) + name;
}

// The extension of a suffix: ".h" of "_adafruit.h".
std::string extensionOf(const std::string& suffix)
{
    return suffix.substr(suffix.find_last_of('.'));
}

} // namespace

std::string lowerStem(const std::string& baseName)
{
    const std::string array = arrayName(baseName);
    return array.substr(0, array.size() - 4); // without "_bmp"
}

LayoutNames layoutNames(const Layout& layout, const std::string& bmpPath)
{
    LayoutNames names;
    if (layout.form == FileForm::panelbakeHeader) {
        names.baseName = makeBaseName(bmpPath);
        names.file = names.baseName + ".h";
        names.preview = makePreviewName(names.baseName);
        names.array = arrayName(names.baseName);
        names.widthMacro = macroStem(names.baseName) + "_WIDTH";
        names.heightMacro = macroStem(names.baseName) + "_HEIGHT";
        return names;
    }
    const std::string suffix = layout.pictureSuffix;
    const std::string extension = extensionOf(suffix);
    names.baseName = cleanBase(bmpPath, layout.form == FileForm::pythonModule) +
                     suffix.substr(0, suffix.size() - extension.size());
    names.file = names.baseName + extension;
    const std::string lower = lowerStem(names.baseName);
    if (layout.form == FileForm::xbm) {
        names.array = lower + "_bits";
        names.widthMacro = lower + "_width";
        names.heightMacro = lower + "_height";
    } else if (layout.form == FileForm::pythonModule) {
        names.array = "DATA";
        names.widthMacro = "WIDTH";
        names.heightMacro = "HEIGHT";
    } else {
        names.array = lower;
        names.widthMacro = macroStem(names.baseName) + "_WIDTH";
        names.heightMacro = macroStem(names.baseName) + "_HEIGHT";
    }
    return names;
}

std::string layoutTableName(const Layout& layout, const std::string& headerPath)
{
    if (layout.form == FileForm::panelbakeHeader)
        return headerPath;
    if (layout.form == FileForm::pythonModule)
        return cleanBase(headerPath, true) + layout.tableSuffix;
    return withoutExtension(headerPath) + layout.tableSuffix;
}

std::string moduleName(const std::string& path)
{
    const std::string base = withoutExtension(path);
    return identifierStem(base.substr(fileNameStart(base)));
}

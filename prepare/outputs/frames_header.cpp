// SPDX-License-Identifier: MIT
#include "outputs/frames_header.h"

#include "options.h"
#include "outputs/array_table.h"
#include "outputs/module_tables.h"

namespace {

// The comment at the top: how a display loop draws the frames.
std::string framesComment(const ArrayTable& t, std::size_t count, const Layout& layout)
{
    const std::string& upper = t.upper;
    const std::string& table = t.table;
    const std::string head = "/* " + t.headerFile + ": the " + std::to_string(count) +
                             " frames of an animation, for a display loop.\n";
    const std::string loop = " *   for (unsigned int i = 0; i < " + upper + "_COUNT; i++) {\n";
    const std::string wait = " *       delay(" + table + "_delay_ms[i]);\n *   }\n";
    if (layout.form == FileForm::panelbakeHeader)
        return head +
               " * Convert every frame BMP with panelbake first, with the same options: it writes\n"
               " * the headers included here.\n"
               " *\n" + loop +
               " *       draw " + table + "[i], " + upper + "_BYTES bytes of page columns;\n" + wait +
               " *\n"
               " * With -pgm the frames lie in program memory: read their bytes with pgm_read_byte\n"
               " * or copy them with memcpy_P (into an SSD1306 library's buffer, for example). */\n";
    return head + " * Their headers, included here, are in the " + layout.name + " layout, for " + layout.readBy +
           ".\n *\n" + loop + " *       " +
           drawingCall(layout, avrProgmem, table + "[i]", upper + "_WIDTH", upper + "_HEIGHT") + "\n" + wait + " */\n";
}

// The size of one frame in bytes, and what it is.
std::string framesBytes(const std::string& upper, const Layout& layout)
{
    const std::string width = upper + "_WIDTH";
    const std::string height = upper + "_HEIGHT";
    if (layout.axis == ByteAxis::down)
        return "/* bytes of one frame: WIDTH columns in each page of eight rows */\n#define " + upper + "_BYTES (" +
               width + " * ((" + height + " + 7) / 8))\n\n";
    return "/* bytes of one frame: HEIGHT rows of (WIDTH + 7) / 8 bytes */\n#define " + upper + "_BYTES (((" + width +
           " + 7) / 8) * " + height + ")\n\n";
}

} // namespace

std::string framesHeaderText(const std::string& headerPath, const std::vector<std::string>& framePaths,
                             const std::vector<int>& delaysMs, const Layout& layout)
{
    if (layout.form == FileForm::pythonModule)
        return framesModuleText(headerPath, framePaths, delaysMs);
    const ArrayTable t = arrayTable(headerPath, framePaths, layout);
    const std::string& upper = t.upper;
    const std::string& table = t.table;
    std::string delays;
    for (int delay : delaysMs)
        delays += "    " + std::to_string(delay) + ",\n";

    std::string text = framesComment(t, framePaths.size(), layout);
    text += "#ifndef _" + upper + "_H\n#define _" + upper + "_H\n\n";
    text += t.includes + "\n";
    text += "#define " + upper + "_COUNT " + std::to_string(framePaths.size()) + "\n";
    text += "#define " + upper + "_WIDTH  " + t.widthMacros.front() + "\n";
    text += "#define " + upper + "_HEIGHT " + t.heightMacros.front() + "\n";
    text += framesBytes(upper, layout);
    text += tableDeclaration(t, upper + "_COUNT") + "\n";
    text += "/* how long each frame is shown, in milliseconds */\n";
    text += "static const unsigned long " + table + "_delay_ms[" + upper + "_COUNT] = {\n" + delays + "};\n\n";
    text += "#endif\n";
    return text;
}

// SPDX-License-Identifier: MIT
#include "outputs/frames_header.h"

#include "outputs/array_table.h"

std::string framesHeaderText(const std::string& headerPath, const std::vector<std::string>& framePaths,
                             const std::vector<int>& delaysMs)
{
    const ArrayTable t = arrayTable(headerPath, framePaths);
    const std::string& upper = t.upper;
    const std::string& table = t.table;
    std::string delays;
    for (int delay : delaysMs)
        delays += "    " + std::to_string(delay) + ",\n";

    std::string text;
    text += "/* " + t.headerFile + ": the " + std::to_string(framePaths.size()) +
            " frames of an animation, for a display loop.\n"
            " * Convert every frame BMP with panelbake first, with the same options: it writes\n"
            " * the headers included here.\n"
            " *\n"
            " *   for (unsigned int i = 0; i < " + upper + "_COUNT; i++) {\n"
            " *       draw " + table + "[i], " + upper + "_BYTES bytes of page columns;\n"
            " *       delay(" + table + "_delay_ms[i]);\n"
            " *   }\n"
            " *\n"
            " * With -pgm the frames lie in program memory: read their bytes with pgm_read_byte\n"
            " * or copy them with memcpy_P (into an SSD1306 library's buffer, for example). */\n";
    text += "#ifndef _" + upper + "_H\n#define _" + upper + "_H\n\n";
    text += t.includes + "\n";
    text += "#define " + upper + "_COUNT " + std::to_string(framePaths.size()) + "\n";
    text += "#define " + upper + "_WIDTH  " + t.macros.front() + "_WIDTH\n";
    text += "#define " + upper + "_HEIGHT " + t.macros.front() + "_HEIGHT\n";
    text += "/* bytes of one frame: WIDTH columns in each page of eight rows */\n";
    text += "#define " + upper + "_BYTES (" + upper + "_WIDTH * ((" + upper + "_HEIGHT + 7) / 8))\n\n";
    text += tableDeclaration(t, upper + "_COUNT") + "\n";
    text += "/* how long each frame is shown, in milliseconds */\n";
    text += "static const unsigned long " + table + "_delay_ms[" + upper + "_COUNT] = {\n" + delays + "};\n\n";
    text += "#endif\n";
    return text;
}

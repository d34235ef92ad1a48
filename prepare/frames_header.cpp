// SPDX-License-Identifier: MIT
#include "frames_header.h"

#include "output_names.h"
#include "prepared_names.h"

#include <cstddef>

std::string framesHeaderText(const std::string& headerPath, const std::vector<std::string>& framePaths,
                             const std::vector<int>& delaysMs)
{
    // The table's own identifiers come from the header's name as a frame's come from
    // theirs: walk_frames.h gives WALK_FRAMES_COUNT and walk_frames.
    const std::string tableBase = withoutExtension(headerPath);
    const std::string upper = macroStem(tableBase);
    std::string table = arrayName(tableBase);
    table.resize(table.size() - 4); // without "_bmp"
    const std::string headerFile = headerPath.substr(fileNameStart(headerPath));

    std::string firstMacro;
    std::string includes;
    std::string pointers;
    std::string delays;
    for (std::size_t i = 0; i < framePaths.size(); ++i) {
        const std::string frameBase = makeBaseName(framePaths[i]);
        includes += "#include \"" + frameBase.substr(fileNameStart(frameBase)) + ".h\"\n";
        // A cast makes the table one type whether panelbake declared the arrays char
        // (the default) or unsigned char (-pgm, -pic30).
        pointers += "    (const unsigned char *)" + arrayName(frameBase) + ",\n";
        delays += "    " + std::to_string(delaysMs[i]) + ",\n";
        if (i == 0)
            firstMacro = macroStem(frameBase);
    }

    std::string text;
    text += "/* " + headerFile + ": the " + std::to_string(framePaths.size()) +
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
    text += includes + "\n";
    text += "#define " + upper + "_COUNT " + std::to_string(framePaths.size()) + "\n";
    text += "#define " + upper + "_WIDTH  " + firstMacro + "_WIDTH\n";
    text += "#define " + upper + "_HEIGHT " + firstMacro + "_HEIGHT\n";
    text += "/* bytes of one frame: WIDTH columns in each page of eight rows */\n";
    text += "#define " + upper + "_BYTES (" + upper + "_WIDTH * ((" + upper + "_HEIGHT + 7) / 8))\n\n";
    text += "static const unsigned char *const " + table + "[" + upper + "_COUNT] = {\n" + pointers + "};\n\n";
    text += "/* how long each frame is shown, in milliseconds */\n";
    text += "static const unsigned long " + table + "_delay_ms[" + upper + "_COUNT] = {\n" + delays + "};\n\n";
    text += "#endif\n";
    return text;
}

// SPDX-License-Identifier: MIT
#include "compression/frames_header.h"

#include "enum_texts.h"
#include "outputs/array_table.h"
#include "outputs/layout_files.h"
#include "outputs/module_tables.h"
#include "compression/player_header.h"

namespace {

// The comment at the top: how a display loop draws the frames.
std::string framesComment(const ArrayTable& t, std::size_t count, const Layout& layout, ArrayAttribute attribute)
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
           commentedCall(drawingCall(layout, attribute == ArrayAttribute::avrProgmem, table + "[i]", upper + "_WIDTH",
                                     upper + "_HEIGHT"),
                         " *       ") +
           "\n" + wait + " */\n";
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

namespace {

std::string lines(const std::vector<std::string>& values)
{
    std::string text;
    for (const std::string& value : values)
        text += "    " + value + ",\n";
    return text;
}

template <typename Number>
std::vector<std::string> texts(const std::vector<Number>& numbers)
{
    std::vector<std::string> values;
    for (Number n : numbers)
        values.push_back(std::to_string(n));
    return values;
}

std::string delayTable(const ArrayTable& t, const std::vector<int>& delaysMs)
{
    return "/* how long each frame is shown, in milliseconds */\n"
           "static const unsigned long " + t.table + "_delay_ms[" + t.upper + "_COUNT] = {\n" +
           lines(texts(delaysMs)) + "};\n\n";
}

const char* streamDeclaration(ArrayAttribute attribute)
{
    if (attribute == ArrayAttribute::none)
        return "static const unsigned char PANELBAKE_PLAY_MEMORY ";
    return arrayDeclaration(attribute);
}

// Where the stream lies, and so where the player must read it, in words.
const char* streamMemoryText(ArrayAttribute attribute)
{
    static constexpr EnumText<ArrayAttribute> texts[] = {
        {ArrayAttribute::avrProgmem, " * With -pgm the stream lies in program memory, where the player reads it on AVR. */\n"},
        {ArrayAttribute::pic30AutoPsv, " * With -pic30 the stream lies in PIC30's auto_psv space, which the player reads as\n"
                                       " * plain memory. */\n"}};
    return textOf(attribute, texts,
                  " * The stream lies where the player reads it: in program memory on AVR, in plain\n"
                  " * memory elsewhere (PANELBAKE_PLAY_MEMORY, from panelbake_play.h). */\n");
}

// The comment at the top: the player's call in a display loop. Page columns are played
// straight into a display library's buffer; another layout into a buffer of its own, which
// the layout's call then draws.
std::string compressedComment(const ArrayTable& t, std::size_t count, ArrayAttribute attribute, const Layout& layout)
{
    const std::string& upper = t.upper;
    const std::string& table = t.table;
    const bool pages = layout.form == FileForm::panelbakeHeader;
    const std::string player = playerHeaderName;
    std::string text = "/* " + t.headerFile + ": the " + std::to_string(count) +
                       " frames of an animation, compressed, for a display loop.\n";
    if (!pages)
        text += " * The frames are in the " + std::string(layout.name) + " layout, for " + layout.readBy + ".\n";
    text += " * " + player + ", written beside this header, plays them into " +
            (pages ? "a display buffer:\n" : "a buffer:\n") +
            " *\n"
            " *   #include \"" + player + "\"\n"
            " *   #include \"" + t.headerFile + "\"\n"
            " *\n"
            " *   static struct panelbake_player player;\n" +
            (pages ? "" : " *   static unsigned char frame[" + upper + "_BYTES];\n") +
            " *   unsigned int i;\n"
            " *\n"
            " *   panelbake_play_start(&player, " + table + "_stream);\n"
            " *   for (;;) for (i = 0; i < " + upper + "_COUNT; i++) {\n";
    if (pages)
        text += " *       panelbake_play_frame(&player, display.getBuffer());\n"
                " *       display.display();\n";
    else
        text += " *       panelbake_play_frame(&player, frame);\n"
                " *       clear the display;\n"
                " *       " + commentedCall(drawingCall(layout, false, "frame", upper + "_WIDTH", upper + "_HEIGHT"),
                                          " *       ") + "\n"
                " *       show the display;\n";
    text += " *       delay(" + table + "_delay_ms[i]);\n"
            " *   }\n"
            " *\n"
            " * Each call writes the next frame, " + upper + "_BYTES bytes, into the buffer, and\n"
            " * after the last frame the first again.\n";
    return text + streamMemoryText(attribute);
}

// The stream's bytes, sixteen to a line.
std::string streamBytes(const std::vector<std::uint8_t>& stream)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        text += i % 16 ? " 0x" : "0x";
        text += digits[stream[i] >> 4];
        text += digits[stream[i] & 15];
        text += i % 16 == 15 || i + 1 == stream.size() ? ",\n" : ",";
    }
    return text;
}

} // namespace

std::string framesHeaderText(const std::string& headerPath, const std::vector<std::string>& framePaths,
                             const std::vector<int>& delaysMs, const Layout& layout, ArrayAttribute attribute)
{
    if (layout.form == FileForm::pythonModule)
        return framesModuleText(headerPath, framePaths, delaysMs);
    const ArrayTable t = arrayTable(headerPath, framePaths, layout);
    const std::string& upper = t.upper;
    std::string text = framesComment(t, framePaths.size(), layout, attribute);
    text += "#ifndef _" + upper + "_H\n#define _" + upper + "_H\n\n";
    text += t.includes + "\n";
    text += "#define " + upper + "_COUNT " + std::to_string(framePaths.size()) + "\n";
    text += "#define " + upper + "_WIDTH  " + t.widthMacros.front() + "\n";
    text += "#define " + upper + "_HEIGHT " + t.heightMacros.front() + "\n";
    text += framesBytes(upper, layout);
    text += tableDeclaration(t, upper + "_COUNT", layout, attribute == ArrayAttribute::avrProgmem) + "\n";
    text += delayTable(t, delaysMs);
    text += "#endif\n";
    return text;
}

std::string compressedFramesHeaderText(const std::string& headerPath, std::int32_t width, std::int32_t height,
                                       const CompressedFrames& frames, const std::vector<int>& delaysMs,
                                       ArrayAttribute attribute, const Layout& layout)
{
    const ArrayTable t = arrayTable(headerPath, {}, layout);
    const std::string& upper = t.upper;
    const std::string& table = t.table;
    const std::size_t frameBytes = frames.stream[0] | frames.stream[1] << 8;
    std::string text = compressedComment(t, frames.offsets.size(), attribute, layout);
    text += "#ifndef _" + upper + "_H\n#define _" + upper + "_H\n\n";
    text += "#include \"" + std::string(playerHeaderName) + "\"\n\n";
    text += "#define " + upper + "_COUNT " + std::to_string(frames.offsets.size()) + "\n";
    text += "#define " + upper + "_WIDTH  " + std::to_string(width) + "\n";
    text += "#define " + upper + "_HEIGHT " + std::to_string(height) + "\n";
    text += "/* bytes of one frame in the " + std::string(layout.name) + " layout, as the player writes it */\n";
    text += "#define " + upper + "_BYTES " + std::to_string(frameBytes) + "\n";
    text += "/* bytes of the stream, for " + std::to_string(frameBytes * frames.offsets.size()) +
            " bytes of frames */\n";
    text += "#define " + upper + "_STREAM_BYTES " + std::to_string(frames.stream.size()) + "\n\n";
    text += std::string(streamDeclaration(attribute)) + table + "_stream[" + upper + "_STREAM_BYTES] = {\n" +
            streamBytes(frames.stream) + "};\n\n";
    text += "/* the byte of the stream that holds each frame's first bit */\n";
    text += "static const unsigned int " + table + "_offset[" + upper + "_COUNT] = {\n" +
            lines(texts(frames.offsets)) + "};\n\n";
    text += delayTable(t, delaysMs);
    text += "#endif\n";
    return text;
}

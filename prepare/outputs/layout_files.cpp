// SPDX-License-Identifier: MIT
#include "outputs/layout_files.h"

#include "file_stream.h"
#include "layouts/layout_packing.h"
#include "output_names.h"
#include "outputs/layout_names.h"
#include "page_header.h"

#include <algorithm>
#include <cstdio>

namespace {

using Put = std::function<void(const std::string&)>;

// Words of `text` in lines of at most 96 characters, each after `prefix` and a space.
std::string wrapped(const std::string& text, const std::string& prefix)
{
    std::string out;
    std::string line = prefix;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(' ', at);
        if (end == std::string::npos)
            end = text.size();
        const std::string word = text.substr(at, end - at);
        if (line.size() > prefix.size() && line.size() + 1 + word.size() > 96) {
            out += line + "\n";
            line = prefix;
        }
        line += " " + word;
        at = end + 1;
    }
    return out + line + "\n";
}

// What a pixel's bits are, for a file's comment.
std::string pixelsText(const Layout& layout, const LayoutContent& content, const std::string& array)
{
    const PanelKind& kind = *content.kind;
    const std::string padding = layout.inkIsZero ? ", and the bits past a row's last pixel are 1" : "";
    if (kind.panel == Panel::bw)
        return std::string("A bit is ") + (layout.inkIsZero ? "0" : "1") +
               " for a black pixel of panelbake's preview" + padding + ".";
    if (content.arrays.size() == 2 && !layout.halves)
        return array + content.arrays[0].suffix + " holds the black pixels and " + array + content.arrays[1].suffix +
               " the " + kind.colours[2].name + " ones, a bit " + (layout.inkIsZero ? "0" : "1") +
               " for each (never both for one pixel)" + padding + ".";
    std::string values = "Each pixel is the value of its colour: ";
    for (int i = 0; i < kind.colourCount; ++i)
        values += (i ? ", " : "") + std::to_string(kind.colours[i].value) + " " + kind.colours[i].name;
    if (!layout.halves)
        return values + ".";
    const std::int32_t left = content.arrays[0].columns;
    return array + "_left holds columns 0 to " + std::to_string(left - 1) + " of every row and " + array +
           "_right columns " + std::to_string(left) + " to " + std::to_string(content.width - 1) + ". " + values + ".";
}

// What the file holds, for its comment: the picture, the layout, who reads it and how.
std::string aboutText(const Layout& layout, const LayoutContent& content, const LayoutNames& names)
{
    const std::string panel = content.kind->name;
    const bool bw = content.kind->panel == Panel::bw;
    return names.file.substr(fileNameStart(names.file)) + ": " + std::to_string(content.width) + " x " +
           std::to_string(content.height) + " pixels " + (bw ? "" : "of the " + panel + " panel ") + "in the " +
           layout.name + " layout, for " + layoutReader(layout, panel) + ": " + layoutDescription(layout) + ". " +
           pixelsText(layout, content, names.array) + " Made by panelbake-prepare " +
           (bw ? "" : "--panel " + panel + " ") + "--for " + layout.name + ".";
}

// The call that draws the file's arrays.
std::string fileCall(const Layout& layout, const LayoutContent& content, const LayoutNames& names, bool programMemory)
{
    std::vector<std::string> arrays;
    for (const LayoutArray& array : content.arrays)
        arrays.push_back(names.array + array.suffix);
    return drawingCall(layout, content.kind->name, programMemory, arrays, names.widthMacro, names.heightMacro);
}

// The bytes in lines of at most 16, a line ending where a band (or, column by column, a
// column) ends: each byte as `prefix` and two hex digits, `between` the bytes of a line.
// The text goes to `put` some 64 KiB at a time.
void putByteLines(const Layout& layout, std::int32_t width, std::int32_t height, const std::vector<std::uint8_t>& bytes,
                  const std::string& lineStart, const char* prefix, const char* between, const std::string& lineEnd,
                  const Put& put)
{
    static const char digits[] = "0123456789abcdef";
    const ByteGrid grid = byteGrid(layout, width, height);
    const std::size_t group =
        static_cast<std::size_t>(layout.order == ScanOrder::bandByBand ? grid.bandBytes : grid.bands);
    std::string text = lineStart;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        text.append(prefix).append({digits[bytes[i] >> 4], digits[bytes[i] & 15]});
        const std::size_t inGroup = i % group + 1;
        if (inGroup == group || inGroup % 16 == 0) {
            text += lineEnd;
            if (text.size() >= (std::size_t{1} << 16)) {
                put(text);
                text.clear();
            }
            text += lineStart;
        } else {
            text += between;
        }
    }
    put(text.substr(0, text.size() - lineStart.size()));
}

// The declaration and the bytes of a C array.
void putCArray(const Layout& layout, const std::string& array, std::int32_t height, const LayoutArray& bytes,
               ArrayAttribute attribute, const Put& put)
{
    // Unsigned, so that C++ takes bytes of 0x80 and more; not const without -pgm, so that a
    // library's call for arrays in memory takes it, as its call for program memory takes
    // the const arrays of -pgm.
    const std::string declaration =
        attribute != ArrayAttribute::none ? arrayDeclaration(attribute) : "static unsigned char ";
    put(declaration + array + bytes.suffix + "[] = {\n");
    putByteLines(layout, bytes.columns, height, bytes.bytes, "    ", "0x", ", ", ",\n", put);
    put("};\n");
}

void putCArrays(const Layout& layout, const LayoutNames& names, const LayoutContent& content, ArrayAttribute attribute,
                const Put& put)
{
    for (std::size_t k = 0; k < content.arrays.size(); ++k) {
        put(k > 0 ? "\n" : "");
        putCArray(layout, names.array, content.height, content.arrays[k], attribute, put);
    }
}

// The comment of a C file: what it holds and the line that draws it.
std::string cComment(const Layout& layout, const LayoutNames& names, const LayoutContent& content,
                     ArrayAttribute attribute)
{
    const std::string about = wrapped(aboutText(layout, content, names), " *");
    const std::string call = fileCall(layout, content, names, attribute == ArrayAttribute::avrProgmem);
    return "/*" + about.substr(2) + " *\n *   " + commentedCall(call) + "\n */\n";
}

void putCHeader(const Layout& layout, const LayoutNames& names, const LayoutContent& content,
                ArrayAttribute attribute, const Put& put)
{
    const std::string guard = "_" + macroStem(names.baseName) + "_H";
    put(cComment(layout, names, content, attribute));
    put("#ifndef " + guard + "\n#define " + guard + "\n\n");
    put("#define " + names.widthMacro + "  " + std::to_string(content.width) + "\n");
    put("#define " + names.heightMacro + " " + std::to_string(content.height) + "\n\n");
    putCArrays(layout, names, content, attribute, put);
    put("\n#endif\n");
}

// An X bitmap begins with its size macros and the array's declaration, which picture
// programs look for in its first bytes (Pillow in the first 512): the comment comes last.
void putXbm(const Layout& layout, const LayoutNames& names, const LayoutContent& content, ArrayAttribute attribute,
            const Put& put)
{
    put("#define " + names.widthMacro + " " + std::to_string(content.width) + "\n");
    put("#define " + names.heightMacro + " " + std::to_string(content.height) + "\n");
    putCArrays(layout, names, content, attribute, put);
    put(cComment(layout, names, content, attribute));
}

void putPythonModule(const Layout& layout, const LayoutNames& names, const LayoutContent& content, const Put& put)
{
    const std::string module = moduleName(names.file);
    put(wrapped(aboutText(layout, content, names), "#"));
    put("#\n#   import " + module + "\n#   display.blit(" + module + ".FRAME, 0, 0)\n");
    if (layout.bitsPerPixel == 1)
        put("try:\n    import framebuf\n"
            "except ImportError:  # CircuitPython: its adafruit_framebuf calls MONO_VLSB MVLSB\n"
            "    import adafruit_framebuf as framebuf\n    framebuf.MONO_VLSB = framebuf.MVLSB\n\n");
    else
        put("import framebuf\n\n");
    put(names.widthMacro + " = " + std::to_string(content.width) + "\n");
    put(names.heightMacro + " = " + std::to_string(content.height) + "\n");
    put(names.array + " = bytearray(\n");
    putByteLines(layout, content.width, content.height, content.arrays.front().bytes, "    b'", "\\x", "", "'\n",
                 put);
    put(")\nFRAME = " + fileCall(layout, content, names, false) + "\n");
}

// Text handed over in pieces, written to a file a megabyte at a time.
class TextFile {
public:
    explicit TextFile(const std::string& path) : file(openFile(path.c_str(), "w")) {}
    void put(const std::string& text)
    {
        buffer += text;
        if (buffer.size() >= (std::size_t{1} << 20))
            flush();
    }
    // Whether every piece was written and the file closed.
    bool close()
    {
        if (!file)
            return false;
        flush();
        const bool good = written && std::ferror(file.get()) == 0;
        return std::fclose(file.release()) == 0 && good;
    }

private:
    void flush()
    {
        written = std::fwrite(buffer.data(), 1, buffer.size(), file.get()) == buffer.size() && written;
        buffer.clear();
    }
    FilePtr file;
    std::string buffer;
    bool written = true;
};

bool writeLayoutFile(const LayoutContent& content, const Layout& layout, const std::string& bmpPath,
                     const std::string& path, ArrayAttribute attribute)
{
    TextFile file(path);
    layoutFileText(layout, bmpPath, content, attribute, [&](const std::string& text) { file.put(text); });
    return file.close();
}

} // namespace

std::vector<std::string> layoutFilePaths(const std::vector<const Layout*>& layouts, const std::string& bmpPath)
{
    std::vector<std::string> paths;
    for (const Layout* layout : layouts) {
        const LayoutNames names = layoutNames(*layout, bmpPath);
        paths.push_back(names.file);
        if (!names.preview.empty())
            paths.push_back(names.preview);
    }
    return paths;
}

std::size_t writeLayoutFiles(const BitPicture& picture, const std::vector<const Layout*>& layouts,
                             const std::string& bmpPath, const std::vector<std::string>& paths,
                             ArrayAttribute attribute)
{
    std::size_t at = 0;
    for (const Layout* layout : layouts) {
        if (layout->form == FileForm::panelbakeHeader) {
            // panelbake's own header and preview, as panelbake writes them for the BMP.
            if (!writePageColumnHeaderTo(picture, layoutNames(*layout, bmpPath).baseName, paths[at], attribute, false))
                return at;
            if (!picture.save(paths[++at].c_str()))
                return at;
        } else if (!writeLayoutFile(layoutContent(picture, *layout), *layout, bmpPath, paths[at], attribute)) {
            return at;
        }
        ++at;
    }
    return paths.size();
}

std::size_t writeLayoutFiles(const PanelPicture& picture, const std::vector<const Layout*>& layouts,
                             const std::string& bmpPath, const std::vector<std::string>& paths,
                             ArrayAttribute attribute)
{
    for (std::size_t at = 0; at < layouts.size(); ++at)
        if (!writeLayoutFile(layoutContent(picture, *layouts[at]), *layouts[at], bmpPath, paths[at], attribute))
            return at;
    return paths.size();
}

LayoutContent layoutContent(const BitPicture& picture, const Layout& layout)
{
    return {&panelKind(Panel::bw), picture.width(), picture.height(), {{"", picture.width(), layoutBytes(picture, layout)}}};
}

LayoutContent layoutContent(const PanelPicture& picture, const Layout& layout)
{
    LayoutContent content{picture.kind, picture.values.width, picture.values.height, {}};
    for (const PanelArray& array : panelArrays(*picture.kind, layout)) {
        const PackSource source = arraySource(array, picture.values);
        content.arrays.push_back({array.suffix, source.columns, layoutBytes(source, layout)});
    }
    return content;
}

std::string commentedCall(std::string call, const std::string& lineStart)
{
    for (std::size_t at = call.find('\n'); at != std::string::npos; at = call.find('\n', at + 1))
        call.replace(at, 1, "\n" + lineStart);
    return call;
}

void layoutFileText(const Layout& layout, const std::string& bmpPath, const LayoutContent& content,
                    ArrayAttribute attribute, const std::function<void(const std::string&)>& put)
{
    const LayoutNames names = layoutNames(layout, bmpPath);
    if (layout.form == FileForm::xbm)
        putXbm(layout, names, content, attribute, put);
    else if (layout.form == FileForm::pythonModule)
        putPythonModule(layout, names, content, put);
    else
        putCHeader(layout, names, content, attribute, put);
}

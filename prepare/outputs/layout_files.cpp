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

// What the file holds, for its comment: the picture, the layout, who reads it and how.
std::string aboutText(const Layout& layout, const std::string& file, std::int32_t width, std::int32_t height)
{
    return file.substr(fileNameStart(file)) + ": " + std::to_string(width) + " x " + std::to_string(height) +
           " pixels in the " + layout.name + " layout, for " + layout.readBy + ": " + layoutDescription(layout) +
           ". A bit is 1 for a black pixel of panelbake's preview. Made by panelbake-prepare --for " + layout.name +
           ".";
}

// The bytes in lines of at most 16, a line ending where a band (or, column by column, a
// column) ends: byte `i` as piece(i), `between` the bytes of a line.
template <typename Piece>
void putByteLines(const Layout& layout, std::int32_t width, std::int32_t height, std::size_t count,
                  const std::string& lineStart, const char* between, const std::string& lineEnd, Piece piece,
                  const Put& put)
{
    const ByteGrid grid = byteGrid(layout, width, height);
    const std::size_t group =
        static_cast<std::size_t>(layout.order == ScanOrder::bandByBand ? grid.bandBytes : grid.bands);
    std::string line = lineStart;
    for (std::size_t i = 0; i < count; ++i) {
        line += piece(i);
        const std::size_t inGroup = i % group + 1;
        if (inGroup == group || inGroup % 16 == 0) {
            put(line + lineEnd);
            line = lineStart;
        } else {
            line += between;
        }
    }
}

std::string hexByte(std::uint8_t value, const char* prefix)
{
    const char* digits = "0123456789abcdef";
    return prefix + std::string{digits[value >> 4], digits[value & 15]};
}

// The declaration and the bytes of a C array.
void putCArray(const Layout& layout, const std::string& array, std::int32_t width, std::int32_t height,
               const std::vector<std::uint8_t>& bytes, ArrayAttribute attribute, const Put& put)
{
    // Unsigned, so that C++ takes bytes of 0x80 and more; not const without -pgm, so that a
    // library's call for arrays in memory takes it, as its call for program memory takes
    // the const arrays of -pgm.
    const std::string declaration =
        attribute != ArrayAttribute::none ? arrayDeclaration(attribute) : "static unsigned char ";
    put(declaration + array + "[] = {\n");
    putByteLines(layout, width, height, bytes.size(), "    ", ", ", ",\n",
                 [&](std::size_t i) { return hexByte(bytes[i], "0x"); }, put);
    put("};\n");
}

// The comment of a C file: what it holds and the line that draws it.
std::string cComment(const Layout& layout, const LayoutNames& names, std::int32_t width, std::int32_t height,
                     ArrayAttribute attribute)
{
    const std::string about = wrapped(aboutText(layout, names.file, width, height), " *");
    return "/*" + about.substr(2) + " *\n *   " +
           drawingCall(layout, attribute == ArrayAttribute::avrProgmem, names.array, names.widthMacro,
                       names.heightMacro) +
           "\n */\n";
}

void putCHeader(const Layout& layout, const LayoutNames& names, std::int32_t width, std::int32_t height,
                const std::vector<std::uint8_t>& bytes, ArrayAttribute attribute, const Put& put)
{
    const std::string guard = "_" + macroStem(names.baseName) + "_H";
    put(cComment(layout, names, width, height, attribute));
    put("#ifndef " + guard + "\n#define " + guard + "\n\n");
    put("#define " + names.widthMacro + "  " + std::to_string(width) + "\n");
    put("#define " + names.heightMacro + " " + std::to_string(height) + "\n\n");
    putCArray(layout, names.array, width, height, bytes, attribute, put);
    put("\n#endif\n");
}

// An X bitmap begins with its size macros and the array's declaration, which picture
// programs look for in its first bytes (Pillow in the first 512): the comment comes last.
void putXbm(const Layout& layout, const LayoutNames& names, std::int32_t width, std::int32_t height,
            const std::vector<std::uint8_t>& bytes, ArrayAttribute attribute, const Put& put)
{
    put("#define " + names.widthMacro + " " + std::to_string(width) + "\n");
    put("#define " + names.heightMacro + " " + std::to_string(height) + "\n");
    putCArray(layout, names.array, width, height, bytes, attribute, put);
    put(cComment(layout, names, width, height, attribute));
}

void putPythonModule(const Layout& layout, const LayoutNames& names, std::int32_t width, std::int32_t height,
                     const std::vector<std::uint8_t>& bytes, const Put& put)
{
    const std::string module = moduleName(names.file);
    put(wrapped(aboutText(layout, names.file, width, height), "#"));
    put("#\n#   import " + module + "\n#   display.blit(" + module + ".FRAME, 0, 0)\n");
    put("try:\n    import framebuf\n"
        "except ImportError:  # CircuitPython: its adafruit_framebuf calls MONO_VLSB MVLSB\n"
        "    import adafruit_framebuf as framebuf\n    framebuf.MONO_VLSB = framebuf.MVLSB\n\n");
    put(names.widthMacro + " = " + std::to_string(width) + "\n");
    put(names.heightMacro + " = " + std::to_string(height) + "\n");
    put(names.array + " = bytearray(\n");
    putByteLines(layout, width, height, bytes.size(), "    b'", "", "'\n",
                 [&](std::size_t i) { return hexByte(bytes[i], "\\x"); }, put);
    put(")\nFRAME = " + drawingCall(layout, false, names.array, names.widthMacro, names.heightMacro) + "\n");
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

bool writeLayoutFile(const BitPicture& picture, const Layout& layout, const std::string& bmpPath,
                     const std::string& path, ArrayAttribute attribute)
{
    TextFile file(path);
    layoutFileText(layout, bmpPath, picture.width(), picture.height(), layoutBytes(picture, layout), attribute,
                   [&](const std::string& text) { file.put(text); });
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
        } else if (!writeLayoutFile(picture, *layout, bmpPath, paths[at], attribute)) {
            return at;
        }
        ++at;
    }
    return paths.size();
}

void layoutFileText(const Layout& layout, const std::string& bmpPath, std::int32_t width, std::int32_t height,
                    const std::vector<std::uint8_t>& bytes, ArrayAttribute attribute,
                    const std::function<void(const std::string&)>& put)
{
    const LayoutNames names = layoutNames(layout, bmpPath);
    if (layout.form == FileForm::xbm)
        putXbm(layout, names, width, height, bytes, attribute, put);
    else if (layout.form == FileForm::pythonModule)
        putPythonModule(layout, names, width, height, bytes, put);
    else
        putCHeader(layout, names, width, height, bytes, attribute, put);
}

// SPDX-License-Identifier: MIT
#pragma once

// The conversion check: arbitrary bytes plus input-chosen -w, -h and array attributes
// through the whole conversion, in a scratch directory. Input layout: two little-endian
// 16-bit option codes (width, height), one byte of flags (1 -pgm, 2 -pic30, 4 the
// library's messages on, 8 -v), then the source file. The program's conversion (made
// from the rows as they are read, where it can) and the literal one (load, rescaleBitmap,
// copyRegion, setBitDepth, save, load, header) must give the same exit code, the same
// messages in the same order and the same bytes in both files. A conversion within the
// limits must succeed with a header that shows exactly its preview; one beyond them must
// be refused without a header. Aborts on a violation.
#include "bitmap.h"
#include "console_text.h"
#include "diagnostics.h"
#include "fast_conversion.h"
#include "fuzz_support.h"
#include "options.h"
#include "output_names.h"
#include "page_header.h"
#include "pipeline.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>

namespace fuzz {

namespace pipelineDetail {

constexpr std::size_t optionBytes = 5;

// -3 to 128: not given, zero and positive sizes, small enough for one input to stay fast.
inline std::int32_t sizeOption(const std::uint8_t* code)
{
    return static_cast<std::int32_t>(bmp::readU16(code) % 132) - 3;
}

// The larger of the two grids the conversion allocates: the target, and the source
// scaled so that the smaller target side fits.
inline double largestGrid(std::int32_t W, std::int32_t H, const Bitmap& source)
{
    const double Ws = source.width, Hs = source.height;
    double scaledWidth, scaledHeight;
    if (W < H) {
        scaledWidth = W;
        scaledHeight = std::floor(static_cast<double>(W) / Ws * Hs);
    } else {
        scaledHeight = H;
        scaledWidth = std::floor(static_cast<double>(H) / Hs * Ws);
    }
    const double scaled = std::fmax(scaledWidth, 1) * std::fmax(scaledHeight, 1);
    const double target = (W > 0 && H > 0) ? double(W) * H : 1;
    return std::fmax(scaled, target);
}

// panelbake's switches as an input's flag byte sets them, for the conversions of that input;
// afterwards off again, as a fresh process has them.
class Switches {
public:
    explicit Switches(std::uint8_t flags)
    {
        avrProgmem = (flags & 1) != 0;
        pic30AutoPsv = (flags & 2) != 0;
        // With the library's messages on, scaling a picture one pixel wide or high takes
        // the path that reads every pixel through pixelAt.
        bitmapWarnings = (flags & 4) != 0;
        verbose = (flags & 8) != 0;
    }
    ~Switches() { applyOptions(ConverterOptions{}); }
    Switches(const Switches&) = delete;
    Switches& operator=(const Switches&) = delete;
};

// Everything a conversion leaves behind.
struct Outcome {
    int code = 0;
    std::string out, err; // standard output and standard error
    bool previewWritten = false, headerWritten = false;
    std::string preview, header;
};

// Runs one conversion of `source` as the program does after its argument checks, with
// both streams captured; `sampledWhereItCan` chooses the program's load step or plain
// Bitmap::load. The source's rows are read in the fuzzers' pieces; the program's
// conversion holds the layouts of up to `layoutColumnsHeld` target columns.
inline Outcome convertCaptured(const std::string& source, std::int32_t width, std::int32_t height,
                               bool sampledWhereItCan, const std::string& previewName, const std::string& headerName,
                               std::int32_t layoutColumnsHeld = ConversionPlan().layoutColumnsHeld)
{
    std::remove(previewName.c_str());
    std::remove(headerName.c_str());
    Outcome o;
    captureConsole(&o.out, &o.err);
    {
        Bitmap sourceBitmap;
        Bitmap targetBitmap;
        ConversionPlan plan;
        plan.readPieceBytes = readPieceBytes;
        plan.layoutColumnsHeld = layoutColumnsHeld;
        BitPicture target;
        const bool loaded = sampledWhereItCan ? loadSource(sourceBitmap, source, width, height, plan, target)
                                              : loadInPieces(sourceBitmap, source);
        if (!loaded) {
            o.code = -1;
        } else {
            // The program prints the stored size, which it takes from the header.
            const std::int32_t shownHeight = sampledWhereItCan ? plan.sourceHeight : sourceBitmap.height;
            const std::int32_t shownWidth = sampledWhereItCan ? plan.sourceWidth : sourceBitmap.width;
            if (verbose)
                writeOut("Source height:" + std::to_string(shownHeight) + "    source width:" +
                         std::to_string(shownWidth) + "\n");
            o.code = plan.targetFromRows ? finishTargetFromRows(target, plan, source)
                                  : runPipeline(sourceBitmap, targetBitmap, source, width, height);
        }
    }
    captureConsole(nullptr, nullptr);
    o.previewWritten = readFile(previewName, o.preview);
    o.headerWritten = readFile(headerName, o.header, "r"); // text: CR LF on Windows
    return o;
}

// The program's conversion ends, prints and writes what the literal one does.
inline void checkSameOutcome(const Outcome& literal, const Outcome& program)
{
    check(program.code == literal.code, "the program's conversion ends with the literal one's exit code");
    check(program.out == literal.out, "the program's conversion prints the literal one's standard output");
    check(program.err == literal.err, "the program's conversion prints the literal one's standard error");
    check(program.previewWritten == literal.previewWritten && program.preview == literal.preview,
          "the program's conversion writes the literal one's preview");
    check(program.headerWritten == literal.headerWritten && program.header == literal.header,
          "the program's conversion writes the literal one's header");
}

// The header shows exactly the picture of the preview file, at the target size.
inline void checkPreview(std::int32_t width, std::int32_t height, const std::string& previewName,
                         const std::string& header, const std::string& baseName)
{
    Bitmap preview;
    check(preview.load(previewName.c_str()), "the preview reads back");
    check(preview.bitsPerPixel == 1, "the preview has one bit per pixel");
    if (width > 0 && height > 0)
        check(preview.width == width && preview.height == height, "the preview has the target size");
    else
        check(preview.width == 1 && preview.height == 1, "a zero target side leaves one pixel");
    check(header == pageColumnHeaderText(preview, baseName, arrayAttribute(avrProgmem, pic30AutoPsv)),
          "the header matches the preview");
}

} // namespace pipelineDetail

// Returns -1 for an input not worth keeping (too short, or over the size budget), else 0.
inline int pipelineInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pipelineDetail;
    static const ScratchDir scratch;
    static const std::string source = scratch.path("logo-1.bmp");
    static const std::string baseName = makeBaseName(source);
    static const std::string previewName = makePreviewName(baseName);
    static const std::string headerName = baseName + ".h";

    if (size < optionBytes)
        return -1;
    const std::int32_t width = sizeOption(data);
    const std::int32_t height = sizeOption(data + 2);
    const Switches switches(data[4]);
    data += optionBytes;
    size -= optionBytes;
    if (claimsCostlyPicture(data, size))
        return -1;

    writeFile(source, data, size);

    Bitmap sourceBitmap;
    if (!loadInPieces(sourceBitmap, source))
        return 0;

    bool sizesFit = true;
    TargetSize target{};
    try {
        target = computeTargetSize(width, height, sourceBitmap.width, sourceBitmap.height);
        // With messages on, every read past a one-pixel side prints two lines: such
        // inputs stay small.
        if (largestGrid(target.width, target.height, sourceBitmap) > (bitmapWarnings ? 256 : pixelBudget))
            return -1;
    } catch (const std::length_error&) {
        sizesFit = false; // the conversion must refuse this itself
    }

    const Outcome literal = convertCaptured(source, width, height, false, previewName, headerName);
    const Outcome program = convertCaptured(source, width, height, true, previewName, headerName);
    checkSameOutcome(literal, program);
    if (!sizesFit) {
        check(program.code == -2 && !program.headerWritten, "an oversized target is refused without a header");
        return 0;
    }
    check(program.code == 0, "a conversion within the limits succeeds");
    check(program.headerWritten, "the header exists");
    checkPreview(target.width, target.height, previewName, program.header, baseName);
    return 0;
}

} // namespace fuzz

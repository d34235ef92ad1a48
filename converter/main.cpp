// SPDX-License-Identifier: MIT
// panelbake: a BMP picture to a 1-bit preview and a C header of page-column bytes.
#include "bitmap.h"
#include "console_text.h"
#include "fast_conversion.h"
#include "file_stream.h"
#include "options.h"
#include "pipeline.h"
#include "program_main.h"
#include "run_notes.h"

#include <string>

namespace {

int convert(int argc, char** argv)
{
    Bitmap sourceBitmap;
    Bitmap targetBitmap;

    if (argc < 2) {
        printUsage();
        noteFailure(RunFailure::noPicture);
        return -2;
    }
    const std::string sourcePath = argv[1];

    ConverterOptions options = parseOptions(argc, argv);
    applyOptions(options);

    if (!FilePtr(openFile(sourcePath.c_str(), "rb"))) {
        writeError("Error: source file \"" + sourcePath + "\" can not be openend\n");
        noteFailure(RunFailure::sourceNotOpened);
        return -1;
    }

    // Only the pixels the target depends on are read, where that can be told beforehand.
    ConversionPlan plan;
    BitPicture target;
    bool loaded = false;
    try {
        loaded = loadSource(sourceBitmap, sourcePath, options.targetWidth, options.targetHeight, plan, target);
    } catch (...) {
        writeError("Error opening file \"" + sourcePath + "\"\n\n");
        noteFailure(RunFailure::sourceOutOfMemory);
        return -1;
    }
    if (!loaded) {
        writeError("Error: source file \"" + sourcePath + "\" is not a supported BMP file\n");
        noteFailure(RunFailure::notSupportedBmp);
        return -1;
    }

    if (verbose)
        writeOut("Source height:" + std::to_string(plan.sourceHeight) + "    source width:" + std::to_string(plan.sourceWidth) + "\n");

    if (plan.targetFromRows)
        return finishTargetFromRows(target, plan, sourcePath);
    return runPipeline(sourceBitmap, targetBitmap, sourcePath, options.targetWidth, options.targetHeight);
}

} // namespace

PANELBAKE_PROGRAM_MAIN(convert)

// panelbake: a BMP picture to a 1-bit preview and a C header of page-column bytes.
#include "bitmap.h"
#include "diagnostics.h"
#include "fast_conversion.h"
#include "options.h"
#include "pipeline.h"

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    Bitmap sourceBitmap;
    Bitmap targetBitmap;

    if (argc < 2) {
        printUsage();
        return -2;
    }
    const std::string sourcePath = argv[1];

    bitmapWarnings = false;
    ConverterOptions options = parseOptions(argc, argv);
    applyOptions(options);

    if (!std::ifstream(sourcePath, std::ios::binary)) {
        std::cerr << "Error: source file \"" << sourcePath << "\" can not be openend" << std::endl;
        return -1;
    }

    // Only the pixels the target depends on are read, where that can be told beforehand.
    ConversionPlan plan;
    bool loaded = false;
    try {
        loaded = loadSource(sourceBitmap, sourcePath, options.targetWidth, options.targetHeight, plan);
    } catch (...) {
        std::cerr << "Error opening file \"" << sourcePath << "\"" << std::endl << std::endl;
        return -1;
    }
    if (!loaded) {
        std::cerr << "Error: source file \"" << sourcePath << "\" is not a supported BMP file" << std::endl;
        return -1;
    }

    if (verbose)
        std::cout << "Source height:" << plan.sourceHeight << "    source width:" << plan.sourceWidth << std::endl;

    if (plan.sampled)
        return runSampledConversion(sourceBitmap, plan, sourcePath);
    return runPipeline(sourceBitmap, targetBitmap, sourcePath, options.targetWidth, options.targetHeight);
}

// SPDX-License-Identifier: MIT
#include "prepare_run.h"

#include "bitmap.h"
#include "bmp_header.h"
#include "diagnostics.h"
#include "file_stream.h"
#include "frames_header.h"
#include "gif_frames.h"
#include "output_files.h"
#include "picture_format.h"
#include "prepare_options.h"
#include "prepared_names.h"
#include "still_decoder.h"
#include "true_color_rows.h"

#include <functional>
#include <iostream>
#include <new>
#include <string>
#include <vector>

namespace {

int fail(int code, const std::string& message)
{
    std::cerr << "Error: " << message << std::endl;
    return code;
}

std::string quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

int exitFor(Refusal kind)
{
    switch (kind) {
    case Refusal::unknownFormat:
    case Refusal::corrupt:
        break;
    case Refusal::tooLarge:
        return pictureTooLarge;
    case Refusal::outOfMemory:
        return outOfMemory;
    }
    return notAPicture;
}

// The whole file in memory, or the message why it cannot be had.
std::string readWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes)
{
    FilePtr file(openFile(path.c_str(), "rb"));
    if (!file)
        return "source file " + quoted(path) + " can not be opened";
    const std::int64_t size = regularFileSize(file.get());
    if (size > 0)
        bytes.reserve(static_cast<std::size_t>(size));
    std::uint8_t piece[1 << 16];
    std::size_t got;
    while ((got = std::fread(piece, 1, sizeof piece, file.get())) > 0)
        bytes.insert(bytes.end(), piece, piece + got);
    if (std::ferror(file.get()))
        return "source file " + quoted(path) + " can not be read";
    return {};
}

// Whether panelbake itself reads this BMP: its header is accepted as panelbake accepts it.
bool panelbakeReads(const std::string& path)
{
    BmpFile file;
    return readBmpHeader(path.c_str(), file) == HeaderOutcome::accepted;
}

// Refuses, before anything is written, outputs that exist, unless they may be replaced.
int checkOutputsFree(const std::vector<std::string>& paths, bool force)
{
    if (force)
        return prepared;
    for (const std::string& path : paths)
        if (pathExists(path))
            return fail(outputExists, quoted(path) + " exists; give --force to replace it");
    return prepared;
}

// Moves the complete files into place, naming each with -v.
int commitOutputs(OutputBatch& batch, std::size_t count, bool verbose)
{
    std::string failed;
    if (!batch.commit(failed))
        return fail(outputFailed, "could not write " + quoted(failed));
    if (verbose)
        for (std::size_t i = 0; i < count; ++i)
            std::cout << "wrote " << quoted(batch.finalPath(i)) << std::endl;
    return prepared;
}

int copyBmp(const PrepareOptions& options, const std::string& output, const std::vector<std::uint8_t>& bytes)
{
    // The source is its own output: it is what panelbake reads already.
    if (sameFile(options.source, output))
        return prepared;
    if (const int refused = checkOutputsFree({output}, options.force))
        return refused;
    OutputBatch batch({output});
    if (!writeWholeFile(batch.temporaryPath(0), bytes.data(), bytes.size()))
        return fail(outputFailed, "could not write " + quoted(output));
    return commitOutputs(batch, 1, options.verbose);
}

// Writes the one BMP of a picture with `save`, which takes the path to write.
int writeOne(const PrepareOptions& options, const std::string& output, const std::function<bool(const char*)>& save)
{
    if (const int refused = checkOutputsFree({output}, options.force))
        return refused;
    OutputBatch batch({output});
    if (!save(batch.temporaryPath(0).c_str()))
        return fail(outputFailed, "could not write " + quoted(output));
    return commitOutputs(batch, 1, options.verbose);
}

int writeAnimation(const PrepareOptions& options, const GifAnimation& animation, const std::vector<std::uint8_t>& bytes)
{
    const std::string base = withoutExtension(options.output.empty() ? options.source : options.output);
    std::vector<std::string> paths = frameNames(base, animation.frames.size());
    const std::vector<std::string> frames = paths;
    paths.push_back(framesHeaderName(base));
    if (const int refused = checkOutputsFree(paths, options.force))
        return refused;

    OutputBatch batch(paths);
    std::vector<int> delays;
    std::size_t failedFrame = frames.size();
    composeGifFrames(animation, bytes.data(), bytes.size(), [&](const Bitmap& frame, int delayMs) {
        const std::size_t i = delays.size();
        delays.push_back(delayMs);
        if (failedFrame == frames.size() && !frame.save(batch.temporaryPath(i).c_str()))
            failedFrame = i;
    });
    if (failedFrame < frames.size())
        return fail(outputFailed, "could not write " + quoted(frames[failedFrame]));
    const std::string header = framesHeaderText(paths.back(), frames, delays);
    if (!writeWholeFile(batch.temporaryPath(frames.size()), reinterpret_cast<const std::uint8_t*>(header.data()),
                        header.size(), true))
        return fail(outputFailed, "could not write " + quoted(paths.back()));
    return commitOutputs(batch, paths.size(), options.verbose);
}

int prepare(const PrepareOptions& options)
{
    std::vector<std::uint8_t> bytes;
    const std::string unreadable = readWholeFile(options.source, bytes);
    if (!unreadable.empty())
        return fail(sourceUnreadable, unreadable);
    const std::string output = options.output.empty() ? preparedName(options.source) : options.output;
    const PictureFormat format = sniffFormat(bytes.data(), bytes.size());
    const DecodeLimits limits = programLimits();
    try {
        switch (format) {
        case PictureFormat::unknown:
            throw PictureRefusal(Refusal::unknownFormat, "it is not a PNG, JPEG, GIF or BMP picture");
        case PictureFormat::bmp:
            if (panelbakeReads(options.source))
                return copyBmp(options, output, bytes);
            break; // panelbake refuses it: decoded here, if the decoder reads it
        case PictureFormat::gif: {
            const GifAnimation animation = scanGif(bytes.data(), bytes.size(), limits);
            if (animation.frames.size() > 1)
                return writeAnimation(options, animation, bytes);
            int code = prepared;
            composeGifFrames(animation, bytes.data(), bytes.size(), [&](const Bitmap& frame, int) {
                code = writeOne(options, output, [&](const char* path) { return frame.save(path); });
            });
            return code;
        }
        case PictureFormat::png:
        case PictureFormat::jpeg:
            break;
        }
        // An output that may not be replaced is refused before the decoding's work; but a
        // BMP panelbake refuses is usually its own output, and whether it can be decoded
        // at all is the first thing to know of it.
        if (format != PictureFormat::bmp)
            if (const int refused = checkOutputsFree({output}, options.force))
                return refused;
        const DecodedStill picture(bytes.data(), bytes.size(), format, limits);
        return writeOne(options, output, [&](const char* path) {
            return saveTrueColorRows(path, picture.width(), picture.height(),
                                     [&](std::int32_t y, std::uint8_t* row) { picture.shownRow(y, row); });
        });
    } catch (const PictureRefusal& refusal) {
        return fail(exitFor(refusal.kind), "source file " + quoted(options.source) + ": " + refusal.what());
    }
}

} // namespace

DecodeLimits programLimits()
{
    return {Bitmap::maxPixels, Bitmap::maxPixels};
}

int runPrepare(int argc, const char* const* argv)
{
    bitmapWarnings = false;
    const PrepareOptions options = parsePrepareOptions(argc, argv);
    if (options.help) {
        std::cout << prepareUsage();
        return prepared;
    }
    if (!options.problem.empty()) {
        std::cerr << "Error: " << options.problem << std::endl << std::endl << prepareUsage();
        return commandLineError;
    }
    try {
        return prepare(options);
    } catch (const std::bad_alloc&) {
        return fail(outOfMemory, "not enough memory to prepare " + quoted(options.source));
    }
}

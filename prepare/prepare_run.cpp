// SPDX-License-Identifier: MIT
#include "prepare_run.h"

#include "reduction/adjustments.h"
#include "bitmap.h"
#include "reduction/black_and_white.h"
#include "bmp_header.h"
#include "reduction/display_size.h"
#include "diagnostics.h"
#include "file_stream.h"
#include "outputs/frames_header.h"
#include "decoding/gif_frames.h"
#include "outputs/output_files.h"
#include "decoding/picture_format.h"
#include "outputs/pictures_header.h"
#include "prepare_options.h"
#include "outputs/prepared_names.h"
#include "decoding/still_decoder.h"
#include "reduction/taken_reduction.h"
#include "true_color_rows.h"
#include "vector_kernels.h"

#include <functional>
#include <algorithm>
#include <iostream>
#include <limits>
#include <new>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

FailureNote failureNote = nullptr;

int fail(int code, const std::string& message)
{
    std::cerr << "Error: " << message << std::endl;
    if (failureNote)
        failureNote(code, message);
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

// The bytes of an open file from where it stands, appended to `bytes` up to `most` in
// all, or the message why they cannot be read. A pipe is read once, so the bytes taken to
// see what the file is are kept and the rest is read from the same stream.
std::string appendFileBytes(std::FILE* file, const std::string& path, std::vector<std::uint8_t>& bytes,
                            std::size_t most = std::numeric_limits<std::size_t>::max())
{
    const std::int64_t size = regularFileSize(file);
    if (size > 0)
        bytes.reserve(std::min(static_cast<std::size_t>(size), most));
    std::uint8_t piece[1 << 16];
    std::size_t got;
    while (bytes.size() < most &&
           (got = std::fread(piece, 1, std::min(sizeof piece, most - bytes.size()), file)) > 0)
        bytes.insert(bytes.end(), piece, piece + got);
    if (std::ferror(file))
        return "source file " + quoted(path) + " can not be read";
    return {};
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

// What one run is preparing: the options, and the picture in hand.
struct Job {
    const PrepareOptions& options;
    const std::string& source;
    std::vector<std::string>& written; // the BMPs written so far, for the table
    std::set<std::string>& claimed;    // every output named so far in this run
};

// Commits the one BMP of a picture and counts it as written.
int commitOne(Job& job, OutputBatch& batch)
{
    if (const int failed = commitOutputs(batch, 1, job.options.verbose))
        return failed;
    job.written.push_back(batch.finalPath(0));
    return prepared;
}

// Refuses outputs another picture of this run writes too, then those that exist.
int claimOutputs(Job& job, const std::vector<std::string>& paths)
{
    for (const std::string& path : paths)
        if (!job.claimed.insert(path).second)
            return fail(outputExists, quoted(path) + " is written for another picture of this run already");
    return checkOutputsFree(paths, job.options.force);
}

int copyBmp(Job& job, const std::string& output, const std::vector<std::uint8_t>& bytes)
{
    // The source is its own output: it is what panelbake reads already.
    if (sameFile(job.source, output)) {
        job.written.push_back(output);
        return prepared;
    }
    if (const int refused = claimOutputs(job, {output}))
        return refused;
    OutputBatch batch({output});
    if (!writeWholeFile(batch.temporaryPath(0), bytes.data(), bytes.size()))
        return fail(outputFailed, "could not write " + quoted(output));
    return commitOne(job, batch);
}

// Writes the one BMP of a picture with `save`, which takes the path to write.
int writeOne(Job& job, const std::string& output, const std::function<bool(const char*)>& save)
{
    if (const int refused = claimOutputs(job, {output}))
        return refused;
    OutputBatch batch({output});
    if (!save(batch.temporaryPath(0).c_str()))
        return fail(outputFailed, "could not write " + quoted(output));
    return commitOne(job, batch);
}

// Black and white at the display's size, when asked for.
void reduce(Bitmap& picture, const Reduction& reduction)
{
    if (!reduction.requested)
        return;
    if (reduction.width > 0 || reduction.height > 0)
        scaleToDisplay(picture, reduction.width, reduction.height);
    makeBlackAndWhite(picture, reduction.threshold, reduction.dither);
}

// The size of a width x height picture adjusted.
OrientedLayout adjustedSize(std::int32_t width, std::int32_t height, const Adjustments& adjustments)
{
    return adjustedLayout(orientedLayout(1, width, height), adjustments);
}

// The picture as written: adjusted, then reduced. That is `picture` itself when nothing
// is asked for, otherwise `work`, which then holds it.
const Bitmap& finished(const Bitmap& picture, const PrepareOptions& options, Bitmap& work)
{
    if (!options.adjustments.any() && !options.reduction.requested)
        return picture;
    const OrientedLayout adjusted = adjustedSize(picture.width, picture.height, options.adjustments);
    if (reduceTaken(adjusted.width, adjusted.height, options.reduction, takeFromPicture(picture, options.adjustments),
                    work))
        return work;
    if (options.adjustments.any()) {
        adjustBitmap(picture, options.adjustments, work);
    } else {
        work.setBitDepth(24);
        work.setDimensions(picture.width, picture.height);
        copyRegion(picture, picture.width - 1, picture.height - 1, work);
    }
    reduce(work, options.reduction);
    return work;
}

int writeBitmap(Job& job, const std::string& output, const Bitmap& picture)
{
    Bitmap work;
    const Bitmap& result = finished(picture, job.options, work);
    return writeOne(job, output, [&](const char* path) { return result.save(path); });
}

// A BMP adjusted from the pixels panelbake itself reads, its header read into `picture`
// and `file` (Bitmap::loadHeader): at a display's size only the pixels the reduction
// depends on, read from the file.
int writeBmp(Job& job, const std::string& output, Bitmap& picture, BmpFile& file)
{
    const Adjustments& adjustments = job.options.adjustments;
    const OrientedLayout adjusted = adjustedSize(file.picture.width, file.picture.height, adjustments);
    Bitmap display;
    if (reduceTaken(adjusted.width, adjusted.height, job.options.reduction, takeFromFile(file, adjustments), display))
        return writeOne(job, output, [&](const char* path) { return display.save(path); });
    picture.loadPixels(file);
    return writeBitmap(job, output, picture);
}

int writeStill(Job& job, const std::string& output, DecodedStill& picture)
{
    const Adjustments& adjustments = job.options.adjustments;
    picture.turn(adjustments);
    const auto row = [&](std::int32_t y, std::uint8_t* bytes) {
        picture.shownRow(y, bytes);
        invertBytes(bytes, static_cast<std::size_t>(picture.width()) * 3, adjustments);
    };
    if (!job.options.reduction.requested)
        return writeOne(job, output, [&](const char* path) {
            return saveTrueColorRows(path, picture.width(), picture.height(), row);
        });
    Bitmap work;
    if (reduceTaken(picture.width(), picture.height(), job.options.reduction, takeFromStill(picture, adjustments), work))
        return writeOne(job, output, [&](const char* path) { return work.save(path); });
    // The adjusted picture, whole, for the rescale.
    work.setDimensions(picture.width(), picture.height());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(picture.width()) * 3);
    for (std::int32_t y = 0; y < picture.height(); ++y) {
        row(y, bytes.data());
        expand24BitRow(bytes.data(), picture.width(), work.rowData(y));
    }
    reduce(work, job.options.reduction);
    return writeOne(job, output, [&](const char* path) { return work.save(path); });
}

int writeAnimation(Job& job, const GifAnimation& animation, const std::vector<std::uint8_t>& bytes)
{
    const PrepareOptions& options = job.options;
    const std::string base = withoutExtension(options.output.empty() ? job.source : options.output);
    std::vector<std::string> paths = frameNames(base, animation.frames.size());
    const std::vector<std::string> frames = paths;
    paths.push_back(framesHeaderName(base));
    if (const int refused = claimOutputs(job, paths))
        return refused;

    OutputBatch batch(paths);
    std::vector<int> delays;
    std::size_t failedFrame = frames.size();
    composeGifFrames(animation, bytes.data(), bytes.size(), [&](const Bitmap& frame, int delayMs) {
        const std::size_t i = delays.size();
        delays.push_back(delayMs);
        Bitmap work;
        if (failedFrame == frames.size() && !finished(frame, options, work).save(batch.temporaryPath(i).c_str()))
            failedFrame = i;
    });
    if (failedFrame < frames.size())
        return fail(outputFailed, "could not write " + quoted(frames[failedFrame]));
    const std::string header = framesHeaderText(paths.back(), frames, delays);
    if (!writeWholeFile(batch.temporaryPath(frames.size()), reinterpret_cast<const std::uint8_t*>(header.data()),
                        header.size(), true))
        return fail(outputFailed, "could not write " + quoted(paths.back()));
    if (const int failed = commitOutputs(batch, paths.size(), options.verbose))
        return failed;
    job.written.insert(job.written.end(), frames.begin(), frames.end());
    return prepared;
}

// The source as read: its first bytes, or all of them, and what it is.
struct Source {
    std::vector<std::uint8_t> bytes;
    PictureFormat format = PictureFormat::unknown;
    Bitmap picture;        // a BMP panelbake reads: its header, the file standing at its first row
    BmpFile header;
    bool readable = false; // a BMP panelbake reads
    bool byRows = false;   // ... adjusted or reduced from its rows as they are needed, where they lie
};

int readSource(Job& job, Source& source)
{
    FilePtr file(openFile(job.source.c_str(), "rb"));
    if (!file)
        return fail(sourceUnreadable, "source file " + quoted(job.source) + " can not be opened");
    std::string unreadable = appendFileBytes(file.get(), job.source, source.bytes, longestSignature);
    if (!unreadable.empty())
        return fail(sourceUnreadable, unreadable);
    source.format = sniffFormat(source.bytes.data(), source.bytes.size());
    // Whether panelbake itself reads this BMP: its header is accepted as panelbake accepts
    // it. Only a regular file is opened again to see: a pipe's bytes are had only once, and
    // they are taken here.
    source.readable = source.format == PictureFormat::bmp && regularFileSize(file.get()) >= 0 &&
                      source.picture.loadHeader(job.source.c_str(), source.header);
    // Any other picture is read whole.
    source.byRows = source.readable && (job.options.adjustments.any() || job.options.reduction.requested);
    if (!source.byRows) {
        // Closed before anything is written: with --force the output may replace the source
        // itself, which Windows refuses while the source is open.
        source.header.stream.reset();
        unreadable = appendFileBytes(file.get(), job.source, source.bytes);
        if (!unreadable.empty())
            return fail(sourceUnreadable, unreadable);
    }
    return prepared;
}

// The source decoded as its format says, adjusted and reduced as asked, and written.
int writePicture(Job& job, Source& source, const std::string& output)
{
    const std::vector<std::uint8_t>& bytes = source.bytes;
    const DecodeLimits limits = programLimits();
    switch (source.format) {
    case PictureFormat::unknown:
        throw PictureRefusal(Refusal::unknownFormat, "it is not a PNG, JPEG, GIF or BMP picture");
    case PictureFormat::bmp:
        if (source.byRows)
            return writeBmp(job, output, source.picture, source.header);
        if (!source.readable)
            break; // panelbake refuses it: decoded here, if the decoder reads it
        return copyBmp(job, output, bytes);
    case PictureFormat::gif: {
        const GifAnimation animation = scanGif(bytes.data(), bytes.size(), limits);
        if (animation.frames.size() > 1)
            return writeAnimation(job, animation, bytes);
        int code = prepared;
        composeGifFrames(animation, bytes.data(), bytes.size(),
                         [&](const Bitmap& frame, int) { code = writeBitmap(job, output, frame); });
        return code;
    }
    case PictureFormat::png:
    case PictureFormat::jpeg:
    case PictureFormat::pam:
        break;
    }
    // An output that may not be replaced is refused before the decoding's work; but a BMP
    // panelbake refuses is usually its own output, and whether it can be decoded at all is
    // the first thing to know of it.
    if (source.format != PictureFormat::bmp)
        if (const int refused = checkOutputsFree({output}, job.options.force))
            return refused;
    DecodedStill picture(bytes.data(), bytes.size(), source.format, limits);
    return writeStill(job, output, picture);
}

int prepare(Job& job)
{
    Source source;
    if (const int failed = readSource(job, source))
        return failed;
    const std::string output = job.options.output.empty() ? preparedName(job.source) : job.options.output;
    try {
        return writePicture(job, source, output);
    } catch (const PictureRefusal& refusal) {
        return fail(exitFor(refusal.kind), "source file " + quoted(job.source) + ": " + refusal.what());
    } catch (const std::length_error&) {
        return fail(pictureTooLarge, "source file " + quoted(job.source) + ": the size -w and -h ask for is more than the " +
                                         pixelsText(Bitmap::maxPixels) + " this program takes");
    }
}

// Every picture, one after another; one that fails does not stop the others. With
// --table, then the header of those prepared.
int prepareAll(const PrepareOptions& options)
{
    std::vector<std::string> written;
    std::set<std::string> claimed;
    const std::string tablePath = options.table.empty() ? "" : picturesHeaderName(options.sources.front(), options.table);
    if (!tablePath.empty())
        claimed.insert(tablePath);
    int code = prepared;
    for (const std::string& source : options.sources) {
        Job job{options, source, written, claimed};
        int result;
        try {
            result = prepare(job);
        } catch (const std::bad_alloc&) {
            result = fail(outOfMemory, "not enough memory to prepare " + quoted(source));
        }
        if (code == prepared)
            code = result;
    }
    if (tablePath.empty() || written.empty())
        return code;
    if (const int refused = checkOutputsFree({tablePath}, options.force))
        return code == prepared ? refused : code;
    const std::string header = picturesHeaderText(tablePath, written);
    OutputBatch batch({tablePath});
    int result = prepared;
    if (!writeWholeFile(batch.temporaryPath(0), reinterpret_cast<const std::uint8_t*>(header.data()), header.size(), true))
        result = fail(outputFailed, "could not write " + quoted(tablePath));
    else
        result = commitOutputs(batch, 1, options.verbose);
    return code == prepared ? result : code;
}

} // namespace

DecodeLimits programLimits()
{
    return {Bitmap::maxPixels, Bitmap::maxPixels};
}

void noteFailures(FailureNote note)
{
    failureNote = note;
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
        if (failureNote)
            failureNote(commandLineError, options.problem);
        return commandLineError;
    }
    return prepareAll(options);
}

// SPDX-License-Identifier: MIT
#include "prepare_run.h"

#include "reduction/adjustments.h"
#include "bitmap.h"
#include "reduction/black_and_white.h"
#include "bmp_header.h"
#include "reduction/display_size.h"
#include "diagnostics.h"
#include "file_stream.h"
#include "compression/frame_stream.h"
#include "compression/frames_header.h"
#include "decoding/gif_frames.h"
#include "outputs/output_files.h"
#include "decoding/picture_format.h"
#include "outputs/pictures_header.h"
#include "prepare_options.h"
#include "outputs/prepared_names.h"
#include "outputs/prepared_picture.h"
#include "outputs/layout_files.h"
#include "outputs/layout_names.h"
#include "compression/player_header.h"
#include "layouts/layout_packing.h"
#include "decoding/array_picture.h"
#include "decoding/still_decoder.h"
#include "options.h"
#include "output_names.h"
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
MadeNotes madeNotes;

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
    case Refusal::unfitArray:
        return arrayUnfit;
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

// Commits the files of one picture and counts its BMP as written.
int commitPicture(Job& job, OutputBatch& batch, std::size_t count, const std::string& bmp)
{
    if (const int failed = commitOutputs(batch, count, job.options.verbose))
        return failed;
    job.written.push_back(bmp);
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

// What a picture prepared into the BMP `output` writes: that BMP, or the files of --for.
std::vector<std::string> outputsOf(const Job& job, const std::string& output)
{
    if (job.options.layouts.empty())
        return {output};
    return layoutFilePaths(job.options.layouts, output);
}

// Writes the files of one picture, prepared into the BMP `output`, to their temporary names
// in `batch` from place `first` on: the BMP, or the files of --for, made from the BMP's
// picture as panelbake converts it. Returns the place of the first file that could not be
// written, or the place after the last.
std::size_t writeFiles(const Job& job, const std::string& output, const PreparedPicture& picture,
                       const OutputBatch& batch, std::size_t first)
{
    const std::vector<const Layout*>& layouts = job.options.layouts;
    if (layouts.empty())
        return picture.save(batch.temporaryPath(first).c_str()) ? first + 1 : first;
    std::vector<std::string> temporaries;
    for (std::size_t i = 0; i < layoutFilePaths(layouts, output).size(); ++i)
        temporaries.push_back(batch.temporaryPath(first + i));
    BitPicture converted;
    picture.convert(converted);
    if (madeNotes.picture)
        madeNotes.picture(converted);
    return first + writeLayoutFiles(converted, layouts, output, temporaries);
}

// Writes what a picture is prepared into, and nothing if any of it cannot be written.
int writeOne(Job& job, const std::string& output, const PreparedPicture& picture)
{
    const std::vector<std::string> paths = outputsOf(job, output);
    if (const int refused = claimOutputs(job, paths))
        return refused;
    OutputBatch batch(paths);
    const std::size_t written = writeFiles(job, output, picture, batch, 0);
    if (written < paths.size())
        return fail(outputFailed, "could not write " + quoted(paths[written]));
    return commitPicture(job, batch, paths.size(), output);
}

int copyBmp(Job& job, const std::string& output, const std::vector<std::uint8_t>& bytes)
{
    // The source is its own output: it is what panelbake reads already.
    if (job.options.layouts.empty() && sameFile(job.source, output)) {
        job.written.push_back(output);
        return prepared;
    }
    return writeOne(job, output, preparedBmpFile(job.source, bytes));
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
    return writeOne(job, output, preparedBitmap(finished(picture, job.options, work)));
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
        return writeOne(job, output, preparedBitmap(display));
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
        return writeOne(job, output, preparedRows(picture.width(), picture.height(), row));
    Bitmap work;
    if (reduceTaken(picture.width(), picture.height(), job.options.reduction, takeFromStill(picture, adjustments), work))
        return writeOne(job, output, preparedBitmap(work));
    // The adjusted picture, whole, for the rescale.
    work.setDimensions(picture.width(), picture.height());
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(picture.width()) * 3);
    for (std::int32_t y = 0; y < picture.height(); ++y) {
        row(y, bytes.data());
        expand24BitRow(bytes.data(), picture.width(), work.rowData(y));
    }
    reduce(work, job.options.reduction);
    return writeOne(job, output, preparedBitmap(work));
}

// The layouts whose headers tie a run's pictures together: those of --for, or without it
// pages, the headers panelbake writes for the BMPs.
std::vector<const Layout*> headerLayouts(const PrepareOptions& options)
{
    if (!options.layouts.empty())
        return options.layouts;
    return {layoutNamed("pages")};
}

// The base of an animation's names: walk of walk.gif, or of -o walk.bmp.
std::string animationBase(const Job& job)
{
    return withoutExtension(job.options.output.empty() ? job.source : job.options.output);
}

// Writes each text to the temporary name of its place in `batch`, from place `first` on.
int writeTexts(const OutputBatch& batch, const std::vector<std::string>& paths, std::size_t first,
               const std::vector<std::string>& texts)
{
    for (std::size_t k = 0; k < texts.size(); ++k)
        if (!writeWholeFile(batch.temporaryPath(first + k), reinterpret_cast<const std::uint8_t*>(texts[k].data()),
                            texts[k].size(), true))
            return fail(outputFailed, "could not write " + quoted(paths[first + k]));
    return prepared;
}

int writeAnimation(Job& job, const GifAnimation& animation, const std::vector<std::uint8_t>& bytes)
{
    const PrepareOptions& options = job.options;
    const std::string base = animationBase(job);
    const std::vector<std::string> frames = frameNames(base, animation.frames.size());
    const std::vector<const Layout*> layouts = headerLayouts(options);
    std::vector<std::string> paths;
    for (const std::string& frame : frames)
        for (const std::string& path : outputsOf(job, frame))
            paths.push_back(path);
    const std::size_t headersAt = paths.size();
    for (const Layout* layout : layouts)
        paths.push_back(layoutTableName(*layout, framesHeaderName(base)));
    if (const int refused = claimOutputs(job, paths))
        return refused;

    OutputBatch batch(paths);
    std::vector<int> delays;
    std::size_t next = 0;              // the place of the next frame's first file
    std::size_t failed = paths.size(); // the place of the file that could not be written
    composeGifFrames(animation, bytes.data(), bytes.size(), [&](const Bitmap& frame, int delayMs) {
        const std::size_t i = delays.size();
        delays.push_back(delayMs);
        if (failed < paths.size())
            return; // the frames after one that failed are not written
        Bitmap work;
        const std::size_t end = next + outputsOf(job, frames[i]).size();
        const std::size_t written = writeFiles(job, frames[i], preparedBitmap(finished(frame, options, work)), batch, next);
        failed = written < end ? written : failed;
        next = end;
    });
    if (failed < paths.size())
        return fail(outputFailed, "could not write " + quoted(paths[failed]));
    std::vector<std::string> headers;
    for (std::size_t k = 0; k < layouts.size(); ++k)
        headers.push_back(framesHeaderText(paths[headersAt + k], frames, delays, *layouts[k]));
    if (const int failed = writeTexts(batch, paths, headersAt, headers))
        return failed;
    if (const int failed = commitOutputs(batch, paths.size(), options.verbose))
        return failed;
    job.written.insert(job.written.end(), frames.begin(), frames.end());
    return prepared;
}

// An animation's frames in each layout, as panelbake converts each frame's BMP, and how
// long each is shown.
struct LayoutFrames {
    std::vector<std::vector<std::vector<std::uint8_t>>> bytes; // [layout][frame]
    std::vector<int> delays;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

LayoutFrames layoutFrames(const Job& job, const std::vector<const Layout*>& layouts, const GifAnimation& animation,
                          const std::vector<std::uint8_t>& bytes)
{
    LayoutFrames frames;
    frames.bytes.resize(layouts.size());
    composeGifFrames(animation, bytes.data(), bytes.size(), [&](const Bitmap& frame, int delayMs) {
        Bitmap work;
        BitPicture converted;
        preparedBitmap(finished(frame, job.options, work)).convert(converted);
        frames.width = converted.width();
        frames.height = converted.height();
        frames.delays.push_back(delayMs);
        for (std::size_t k = 0; k < layouts.size(); ++k) {
            frames.bytes[k].push_back(layoutBytes(converted, *layouts[k]));
            // Frames that no stream can take are refused at the first, before the others' work.
            checkFramesFit(animation.frames.size(), frames.bytes[k].back().size());
        }
    });
    return frames;
}

StreamMemory streamMemory(const PrepareOptions& options)
{
    if (options.avrProgmem)
        return StreamMemory::avrProgram;
    return options.pic30AutoPsv ? StreamMemory::pic30 : StreamMemory::playerReads;
}

// An animation with --compress: the frames of each layout compressed into its frames
// header, and panelbake_play.h beside them, unless the one there is this program's own.
// No frame files are written.
int writeCompressedAnimation(Job& job, const GifAnimation& animation, const std::vector<std::uint8_t>& bytes)
{
    const std::string base = animationBase(job);
    const std::vector<const Layout*> layouts = headerLayouts(job.options);
    std::vector<std::string> paths;
    for (const Layout* layout : layouts)
        paths.push_back(layoutTableName(*layout, framesHeaderName(base)));
    const std::string player = base.substr(0, fileNameStart(base)) + playerHeaderName;
    if (!holdsText(player, playerHeaderText()))
        paths.push_back(player);
    if (const int refused = claimOutputs(job, paths))
        return refused;
    const LayoutFrames frames = layoutFrames(job, layouts, animation, bytes);
    std::vector<std::string> texts;
    for (std::size_t k = 0; k < layouts.size(); ++k) {
        const CompressedFrames compressed = compressFrames(frames.bytes[k]);
        if (madeNotes.compressed)
            madeNotes.compressed(layouts[k]->name, frames.bytes[k].size() * frames.bytes[k].front().size(),
                                 compressed.stream.size());
        texts.push_back(compressedFramesHeaderText(paths[k], frames.width, frames.height, compressed, frames.delays,
                                                   streamMemory(job.options), *layouts[k]));
    }
    if (paths.size() > layouts.size())
        texts.push_back(playerHeaderText());
    OutputBatch batch(paths);
    if (const int failed = writeTexts(batch, paths, 0, texts))
        return failed;
    return commitOutputs(batch, paths.size(), job.options.verbose);
}

// C text read back into the picture its array's bytes hold, which is then prepared as any
// other picture.
int writeArray(Job& job, const std::string& output, const std::vector<std::uint8_t>& bytes)
{
    const ArrayPicture read = arrayPicture(bytes.data(), bytes.size(), job.options.arrays, Bitmap::maxPixels);
    if (job.options.verbose)
        for (const std::string& line : read.report)
            std::cout << line << std::endl;
    Bitmap picture;
    expandBlackAndWhite(read.picture, picture);
    return writeBitmap(job, output, picture);
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

int refuseStill(const Job& job)
{
    return fail(commandLineError, "source file " + quoted(job.source) +
                                      ": --compress makes the frames of an animated GIF, and it is a still picture");
}

// The source decoded as its format says, adjusted and reduced as asked, and written.
int writePicture(Job& job, Source& source, const std::string& output)
{
    const std::vector<std::uint8_t>& bytes = source.bytes;
    const DecodeLimits limits = programLimits();
    if (source.format != PictureFormat::unknown && job.options.arrays.given())
        return fail(commandLineError, "source file " + quoted(job.source) + ": --layout, --width and --array read C text, "
                                      "and it is a " + formatName(source.format) + " picture (-w and -h scale a picture)");
    if (job.options.compress && source.format != PictureFormat::gif)
        return refuseStill(job);
    switch (source.format) {
    case PictureFormat::unknown:
        return writeArray(job, output, bytes);
    case PictureFormat::bmp:
        if (source.byRows)
            return writeBmp(job, output, source.picture, source.header);
        if (!source.readable)
            break; // panelbake refuses it: decoded here, if the decoder reads it
        return copyBmp(job, output, bytes);
    case PictureFormat::gif: {
        const GifAnimation animation = scanGif(bytes.data(), bytes.size(), limits);
        if (animation.frames.size() > 1)
            return job.options.compress ? writeCompressedAnimation(job, animation, bytes)
                                        : writeAnimation(job, animation, bytes);
        if (job.options.compress)
            return refuseStill(job);
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
        if (const int refused = checkOutputsFree(outputsOf(job, output), job.options.force))
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
    } catch (const FramesNotCompressible& unfit) {
        return fail(framesTooLarge, "source file " + quoted(job.source) + ": its frames do not fit " +
                                        playerHeaderName + ": " + unfit.what());
    } catch (const std::length_error&) {
        return fail(pictureTooLarge, "source file " + quoted(job.source) + ": the size -w and -h ask for is more than the " +
                                         pixelsText(Bitmap::maxPixels) + " this program takes");
    }
}

// The headers of --table (one for each layout of --for) for the BMPs written.
int writeTables(const PrepareOptions& options, const std::vector<std::string>& paths,
                const std::vector<std::string>& written)
{
    if (const int refused = checkOutputsFree(paths, options.force))
        return refused;
    const std::vector<const Layout*> layouts = headerLayouts(options);
    OutputBatch batch(paths);
    for (std::size_t k = 0; k < paths.size(); ++k) {
        const std::string header = picturesHeaderText(paths[k], written, *layouts[k]);
        if (!writeWholeFile(batch.temporaryPath(k), reinterpret_cast<const std::uint8_t*>(header.data()), header.size(),
                            true))
            return fail(outputFailed, "could not write " + quoted(paths[k]));
    }
    return commitOutputs(batch, paths.size(), options.verbose);
}

// Every picture, one after another; one that fails does not stop the others. With
// --table, then the header of those prepared.
int prepareAll(const PrepareOptions& options)
{
    std::vector<std::string> written;
    std::set<std::string> claimed;
    const std::vector<std::string> tablePaths = options.table.empty() ? std::vector<std::string>() : tableHeaderNames(options);
    claimed.insert(tablePaths.begin(), tablePaths.end());
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
    if (tablePaths.empty() || written.empty())
        return code;
    const int result = writeTables(options, tablePaths, written);
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

void noteMade(const MadeNotes& notes)
{
    madeNotes = notes;
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
    // The switches of panelbake's header writer, which writes the arrays of --for pages.
    avrProgmem = options.avrProgmem;
    pic30AutoPsv = options.pic30AutoPsv;
    return prepareAll(options);
}

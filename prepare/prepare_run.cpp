// SPDX-License-Identifier: MIT
// A run: each source read, its format told, and the step of its kind run on it (run/);
// its refusals turned into exit codes; then the tables of --table.
#include "prepare_run.h"

#include "bitmap.h"
#include "compression/frame_stream.h"
#include "compression/player_header.h"
#include "decoding/gif_frames.h"
#include "decoding/picture_format.h"
#include "decoding/still_decoder.h"
#include "prepare_options.h"
#include "run/animations.h"
#include "run/output_commits.h"
#include "run/picture_files.h"
#include "run/source_reading.h"
#include "run/still_pictures.h"
#include "run/table_headers.h"

#include "console_text.h"
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

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

int refuseStill(const SourceJob& job)
{
    return fail(job.notes, commandLineError,
                "source file " + quoted(job.source) +
                    ": --compress makes the frames of an animated GIF, and it is a still picture");
}

// An animated GIF's frames, or a GIF of one frame as a still picture.
int prepareGif(SourceJob& job, const std::vector<std::uint8_t>& bytes, const std::string& output)
{
    const GifAnimation animation = scanGif(bytes.data(), bytes.size(), programLimits());
    if (animation.frames.size() > 1 && !job.options.reduction.blackAndWhite())
        return fail(job.notes, commandLineError,
                    "source file " + quoted(job.source) + ": an animation is prepared in black and white only, and --panel " +
                        job.options.reduction.panel->name + " asks for colours: give one frame, or --panel bw");
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

// The source decoded as its format says, adjusted and reduced as asked, and written.
int prepareByFormat(SourceJob& job, Source& source, const std::string& output)
{
    const std::vector<std::uint8_t>& bytes = source.bytes;
    if (source.format != PictureFormat::unknown && job.options.arrays.given())
        return fail(job.notes, commandLineError,
                    "source file " + quoted(job.source) + ": --layout, --width and --array read C text, and it is a " +
                        formatName(source.format) + " picture (-w and -h scale a picture)");
    if (job.options.compress && source.format != PictureFormat::gif)
        return refuseStill(job);
    switch (source.format) {
    case PictureFormat::unknown:
        return writeArrayText(job, output, bytes);
    case PictureFormat::bmp:
        if (source.readByRows)
            return writeBmpByRows(job, output, source.picture, source.header);
        if (!source.panelbakeReads)
            break; // panelbake refuses it: decoded here, if the decoder reads it
        return copyBmp(job, output, bytes);
    case PictureFormat::gif:
        return prepareGif(job, bytes, output);
    case PictureFormat::png:
    case PictureFormat::jpeg:
    case PictureFormat::pam:
        break;
    }
    // An output that may not be replaced is refused before the decoding's work; but a BMP
    // panelbake refuses is usually its own output, and whether it can be decoded at all is
    // the first thing to know of it.
    if (source.format != PictureFormat::bmp)
        if (const int refused = refuseUnwritable(job, pictureOutputs(job.options, output)))
            return refused;
    DecodedStill picture(bytes.data(), bytes.size(), source.format, programLimits());
    return writeDecodedStill(job, output, picture);
}

int prepareSource(SourceJob& job)
{
    Source source;
    if (const int failed = readSource(job, source))
        return failed;
    const std::string output = pictureBmpName(job.options, job.source);
    const std::string named = "source file " + quoted(job.source);
    try {
        return prepareByFormat(job, source, output);
    } catch (const PictureRefusal& refusal) {
        return fail(job.notes, exitFor(refusal.kind), named + ": " + refusal.what());
    } catch (const FramesNotCompressible& unfit) {
        return fail(job.notes, framesTooLarge, named + ": its frames do not fit " + playerHeaderName + ": " + unfit.what());
    } catch (const std::length_error&) {
        return fail(job.notes, pictureTooLarge,
                    named + ": the size -w and -h ask for is more than the " + pixelsText(Bitmap::maxPixels) +
                        " this program takes");
    }
}

// Every picture, one after another; one that fails does not stop the others. With
// --table, then the header of those prepared.
int prepareAll(const PrepareOptions& options, const PrepareNotes& notes)
{
    std::vector<std::string> written;
    OutputClaims claims;
    const std::vector<std::string> tablePaths = options.table.empty() ? std::vector<std::string>() : tableHeaderNames(options);
    claims.claim(tablePaths);
    int code = prepared;
    for (const std::string& source : options.sources) {
        SourceJob job{options, notes, source, written, claims};
        int result;
        try {
            result = prepareSource(job);
        } catch (const std::bad_alloc&) {
            result = fail(notes, outOfMemory, "not enough memory to prepare " + quoted(source));
        }
        if (code == prepared)
            code = result;
    }
    if (tablePaths.empty() || written.empty())
        return code;
    const int result = writeTables(options, notes, tablePaths, written);
    return code == prepared ? result : code;
}

} // namespace

DecodeLimits programLimits()
{
    return {Bitmap::maxPixels, Bitmap::maxPixels};
}

int runPrepare(int argc, const char* const* argv, const PrepareNotes& notes)
{
    const PrepareOptions options = parsePrepareOptions(argc, argv);
    if (options.help) {
        writeOut(prepareUsage());
        return prepared;
    }
    if (!options.problem.empty()) {
        writeError("Error: " + options.problem + "\n\n" + prepareUsage());
        if (notes.failure)
            notes.failure(commandLineError, options.problem);
        return commandLineError;
    }
    return prepareAll(options, notes);
}

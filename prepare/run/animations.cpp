// SPDX-License-Identifier: MIT
#include "run/animations.h"

#include "compression/frame_stream.h"
#include "compression/frames_header.h"
#include "compression/player_header.h"
#include "layouts/layout_packing.h"
#include "outputs/layout_names.h"
#include "outputs/output_files.h"
#include "outputs/prepared_names.h"
#include "outputs/prepared_picture.h"
#include "output_names.h"
#include "prepare_run.h"
#include "reduction/whole_picture.h"
#include "run/output_commits.h"
#include "run/picture_files.h"

#include <string>

namespace {

// The base of an animation's names: walk of walk.gif, or of -o walk.bmp.
std::string animationBase(const SourceJob& job)
{
    return withoutExtension(job.options.output.empty() ? job.source : job.options.output);
}

// A frame as written: adjusted and reduced as the run asks.
PreparedPicture preparedFrame(const SourceJob& job, const Bitmap& frame, Bitmap& work)
{
    return preparedBitmap(adjustedAndReduced(frame, job.options.adjustments, job.options.reduction, work));
}

// The frames' files, from place 0 of `batch` on, each frame's after the one before's, as the
// frames are composed. The delays of the frames go into `delays`. Returns the place of the
// first file that could not be written, or batch.size().
std::size_t writeFrames(const SourceJob& job, const GifAnimation& animation, const std::vector<std::uint8_t>& bytes,
                        const std::vector<std::string>& frames, const OutputBatch& batch, std::vector<int>& delays)
{
    std::size_t next = 0;              // the place of the next frame's first file
    std::size_t failed = batch.size(); // the place of the file that could not be written
    composeGifFrames(animation, bytes.data(), bytes.size(), [&](const Bitmap& frame, int delayMs) {
        const std::size_t i = delays.size();
        delays.push_back(delayMs);
        if (failed < batch.size())
            return; // the frames after one that failed are not written
        Bitmap work;
        const std::size_t end = next + pictureOutputs(job.options, frames[i]).size();
        const std::size_t written = writeTemporaries(job, frames[i], preparedFrame(job, frame, work), batch, next);
        failed = written < end ? written : failed;
        next = end;
    });
    return failed;
}

} // namespace

int writeAnimation(SourceJob& job, const GifAnimation& animation, const std::vector<std::uint8_t>& bytes)
{
    const std::string base = animationBase(job);
    const std::vector<std::string> frames = frameNames(base, animation.frames.size());
    const std::vector<const Layout*> layouts = headerLayouts(job.options);
    std::vector<std::string> paths;
    for (const std::string& frame : frames)
        for (const std::string& path : pictureOutputs(job.options, frame))
            paths.push_back(path);
    const std::size_t headersAt = paths.size();
    for (const Layout* layout : layouts)
        paths.push_back(layoutTableName(*layout, framesHeaderName(base)));
    if (const int refused = claimOutputs(job, paths))
        return refused;

    OutputBatch batch(paths);
    std::vector<int> delays;
    const std::size_t unwritten = writeFrames(job, animation, bytes, frames, batch, delays);
    if (unwritten < paths.size())
        return fail(job.notes, outputFailed, "could not write " + quoted(paths[unwritten]));
    const ArrayAttribute attribute = arrayAttribute(job.options.avrProgmem, job.options.pic30AutoPsv);
    std::vector<std::string> headers;
    for (std::size_t k = 0; k < layouts.size(); ++k)
        headers.push_back(framesHeaderText(paths[headersAt + k], frames, delays, *layouts[k], attribute));
    if (const int failed = writeTexts(job.notes, batch, headersAt, headers))
        return failed;
    if (const int failed = commitOutputs(job.notes, batch, job.options.verbose))
        return failed;
    job.written.insert(job.written.end(), frames.begin(), frames.end());
    return prepared;
}

namespace {

// An animation's frames in each layout, as panelbake converts each frame's BMP, and how
// long each is shown.
struct LayoutFrames {
    std::vector<std::vector<std::vector<std::uint8_t>>> bytes; // [layout][frame]
    std::vector<int> delays;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

LayoutFrames layoutFrames(const SourceJob& job, const std::vector<const Layout*>& layouts,
                          const GifAnimation& animation, const std::vector<std::uint8_t>& bytes)
{
    LayoutFrames frames;
    frames.bytes.resize(layouts.size());
    composeGifFrames(animation, bytes.data(), bytes.size(), [&](const Bitmap& frame, int delayMs) {
        Bitmap work;
        BitPicture converted;
        preparedFrame(job, frame, work).convert(converted);
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

} // namespace

int writeCompressedAnimation(SourceJob& job, const GifAnimation& animation, const std::vector<std::uint8_t>& bytes)
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
        if (job.notes.compressed)
            job.notes.compressed(layouts[k]->name, frames.bytes[k].size() * frames.bytes[k].front().size(),
                                 compressed.stream.size());
        texts.push_back(compressedFramesHeaderText(paths[k], frames.width, frames.height, compressed, frames.delays,
                                                   arrayAttribute(job.options.avrProgmem, job.options.pic30AutoPsv),
                                                   *layouts[k]));
    }
    if (paths.size() > layouts.size())
        texts.push_back(playerHeaderText());
    OutputBatch batch(paths);
    if (const int failed = writeTexts(job.notes, batch, 0, texts))
        return failed;
    return commitOutputs(job.notes, batch, job.options.verbose);
}

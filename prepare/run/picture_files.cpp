// SPDX-License-Identifier: MIT
#include "run/picture_files.h"

#include "outputs/layout_files.h"
#include "prepare_run.h"
#include "run/output_commits.h"

#include <functional>

namespace {

// Claims `paths`, writes them to their temporary names in a batch, write(batch) returning the
// place of the first it could not write (or paths.size()), and commits them.
int writeClaimed(SourceJob& job, const std::string& output, const std::vector<std::string>& paths,
                 const std::function<std::size_t(const OutputBatch& batch)>& write)
{
    if (const int refused = claimOutputs(job, paths))
        return refused;
    OutputBatch batch(paths);
    const std::size_t written = write(batch);
    if (written < paths.size())
        return fail(job.notes, outputFailed, "could not write " + quoted(paths[written]));
    if (const int failed = commitOutputs(job.notes, batch, job.options.verbose))
        return failed;
    job.written.push_back(output);
    return prepared;
}

std::vector<std::string> temporaryPaths(const OutputBatch& batch, std::size_t first, std::size_t count)
{
    std::vector<std::string> temporaries;
    for (std::size_t i = 0; i < count; ++i)
        temporaries.push_back(batch.temporaryPath(first + i));
    return temporaries;
}

} // namespace

// A panel's picture: its BMP, or the files of --for.
int writePanelFiles(SourceJob& job, const std::string& output, const PanelPicture& picture)
{
    const PrepareOptions& options = job.options;
    const std::vector<std::string> paths = pictureOutputs(options, output);
    for (const Layout* layout : options.layouts)
        if (layout->halves && picture.values.width < 2)
            return fail(job.notes, commandLineError,
                        "source file " + quoted(job.source) + ": --for " + layout->name +
                            " cuts every row in two, and the picture is 1 pixel wide (give -w)");
    if (job.notes.panelPicture)
        job.notes.panelPicture(picture);
    return writeClaimed(job, output, paths, [&](const OutputBatch& batch) -> std::size_t {
        if (options.layouts.empty())
            return savePanelPicture(batch.temporaryPath(0).c_str(), picture) ? 1 : 0;
        return writeLayoutFiles(picture, options.layouts, output, temporaryPaths(batch, 0, paths.size()),
                                arrayAttribute(options.avrProgmem, options.pic30AutoPsv));
    });
}

std::vector<std::string> pictureOutputs(const PrepareOptions& options, const std::string& output)
{
    if (options.layouts.empty())
        return {output};
    return layoutFilePaths(options.layouts, output);
}

std::size_t writeTemporaries(const SourceJob& job, const std::string& output, const PreparedPicture& picture,
                             const OutputBatch& batch, std::size_t first)
{
    const std::vector<const Layout*>& layouts = job.options.layouts;
    if (layouts.empty())
        return picture.save(batch.temporaryPath(first).c_str()) ? first + 1 : first;
    BitPicture converted;
    picture.convert(converted);
    if (job.notes.picture)
        job.notes.picture(converted);
    return first + writeLayoutFiles(converted, layouts, output,
                                    temporaryPaths(batch, first, layoutFilePaths(layouts, output).size()),
                                    arrayAttribute(job.options.avrProgmem, job.options.pic30AutoPsv));
}

int writePictureFiles(SourceJob& job, const std::string& output, const PreparedPicture& picture)
{
    return writeClaimed(job, output, pictureOutputs(job.options, output),
                        [&](const OutputBatch& batch) { return writeTemporaries(job, output, picture, batch, 0); });
}

int writeDisplayPicture(SourceJob& job, const std::string& output, const Bitmap& picture)
{
    const Reduction& reduction = job.options.reduction;
    if (reduction.blackAndWhite())
        return writePictureFiles(job, output, preparedBitmap(picture));
    return writePanelFiles(job, output,
                           reducedToPanel(picture, *reduction.panel, reduction.colours, reduction.dither));
}

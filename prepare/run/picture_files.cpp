// SPDX-License-Identifier: MIT
#include "run/picture_files.h"

#include "outputs/layout_files.h"
#include "prepare_run.h"
#include "run/output_commits.h"

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
    std::vector<std::string> temporaries;
    for (std::size_t i = 0; i < layoutFilePaths(layouts, output).size(); ++i)
        temporaries.push_back(batch.temporaryPath(first + i));
    BitPicture converted;
    picture.convert(converted);
    if (job.notes.picture)
        job.notes.picture(converted);
    return first + writeLayoutFiles(converted, layouts, output, temporaries,
                                    arrayAttribute(job.options.avrProgmem, job.options.pic30AutoPsv));
}

int writePictureFiles(SourceJob& job, const std::string& output, const PreparedPicture& picture)
{
    const std::vector<std::string> paths = pictureOutputs(job.options, output);
    if (const int refused = claimOutputs(job, paths))
        return refused;
    OutputBatch batch(paths);
    const std::size_t written = writeTemporaries(job, output, picture, batch, 0);
    if (written < paths.size())
        return fail(job.notes, outputFailed, "could not write " + quoted(paths[written]));
    if (const int failed = commitOutputs(job.notes, batch, job.options.verbose))
        return failed;
    job.written.push_back(output);
    return prepared;
}

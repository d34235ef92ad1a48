// SPDX-License-Identifier: MIT
#include "run/output_commits.h"

#include "prepare_run.h"

#include "console_text.h"

int refuseUnwritable(const SourceJob& job, const std::vector<std::string>& paths)
{
    const std::string clash = job.claims.clash(paths);
    if (!clash.empty())
        return fail(job.notes, outputExists, clash);
    return refuseExisting(job.notes, paths, job.options.force);
}

int claimOutputs(SourceJob& job, const std::vector<std::string>& paths)
{
    if (const int refused = refuseUnwritable(job, paths))
        return refused;
    job.claims.claim(paths);
    return prepared;
}

int refuseExisting(const PrepareNotes& notes, const std::vector<std::string>& paths, bool force)
{
    const std::string existing = existingOutput(paths, force);
    return existing.empty() ? prepared : fail(notes, outputExists, existing);
}

int writeTexts(const PrepareNotes& notes, const OutputBatch& batch, std::size_t first,
               const std::vector<std::string>& texts)
{
    for (std::size_t k = 0; k < texts.size(); ++k)
        if (!writeWholeFile(batch.temporaryPath(first + k), reinterpret_cast<const std::uint8_t*>(texts[k].data()),
                            texts[k].size(), true))
            return fail(notes, outputFailed, "could not write " + quoted(batch.finalPath(first + k)));
    return prepared;
}

int commitOutputs(const PrepareNotes& notes, OutputBatch& batch, bool verbose)
{
    std::string failed;
    if (!batch.commit(failed))
        return fail(notes, outputFailed, "could not write " + quoted(failed));
    if (verbose)
        for (std::size_t i = 0; i < batch.size(); ++i)
            writeOut("wrote " + quoted(batch.finalPath(i)) + "\n");
    return prepared;
}

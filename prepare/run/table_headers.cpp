// SPDX-License-Identifier: MIT
#include "run/table_headers.h"

#include "outputs/output_files.h"
#include "outputs/pictures_header.h"
#include "run/output_commits.h"

int writeTables(const PrepareOptions& options, const PrepareNotes& notes, const std::vector<std::string>& paths,
                const std::vector<std::string>& written)
{
    if (const int refused = refuseExisting(notes, paths, options.force))
        return refused;
    const std::vector<const Layout*> layouts = headerLayouts(options);
    const ArrayAttribute attribute = arrayAttribute(options.avrProgmem, options.pic30AutoPsv);
    std::vector<std::string> headers;
    for (std::size_t k = 0; k < paths.size(); ++k)
        headers.push_back(picturesHeaderText(paths[k], written, *layouts[k], attribute, *options.reduction.panel));
    OutputBatch batch(paths);
    if (const int failed = writeTexts(notes, batch, 0, headers))
        return failed;
    return commitOutputs(notes, batch, options.verbose);
}

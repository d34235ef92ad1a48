// SPDX-License-Identifier: MIT
#include "outputs/output_claims.h"

#include "outputs/output_files.h"

std::string OutputClaims::clash(const std::vector<std::string>& paths) const
{
    for (const std::string& path : paths)
        if (claimed.count(path) != 0)
            return "\"" + path + "\" is written for another picture of this run already";
    return {};
}

void OutputClaims::claim(const std::vector<std::string>& paths)
{
    claimed.insert(paths.begin(), paths.end());
}

std::string outputClash(const std::vector<std::string>& earlier, const std::vector<std::string>& paths)
{
    OutputClaims claims;
    claims.claim(earlier);
    return claims.clash(paths);
}

std::string existingOutput(const std::vector<std::string>& paths, bool force)
{
    if (!force)
        for (const std::string& path : paths)
            if (pathExists(path))
                return "\"" + path + "\" exists; give --force to replace it";
    return {};
}

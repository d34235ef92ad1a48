// SPDX-License-Identifier: MIT
#pragma once

// Which outputs a picture may write: none that another picture of the same run writes,
// and none that exists, unless it may be replaced (--force). The refusals are the run's
// messages (exit code 5), so that a caller that checks names without a run, the page,
// says the same.

#include <set>
#include <string>
#include <vector>

// The outputs the pictures of a run have claimed so far.
class OutputClaims {
public:
    // The refusal of `paths`, one more picture's outputs, where an earlier picture claimed
    // one of them: "\"walk_01.bmp\" is written for another picture of this run already".
    // Empty when none is claimed.
    std::string clash(const std::vector<std::string>& paths) const;
    // Claims `paths` for a picture.
    void claim(const std::vector<std::string>& paths);

private:
    std::set<std::string> claimed;
};

// The refusal of `paths` after the outputs of the pictures before (`earlier`), as a run
// gives it; empty when they may be written.
std::string outputClash(const std::vector<std::string>& earlier, const std::vector<std::string>& paths);

// The refusal of `paths` where one of them exists and may not be replaced: "\"logo.bmp\"
// exists; give --force to replace it". Empty when none exists, or with `force`.
std::string existingOutput(const std::vector<std::string>& paths, bool force);

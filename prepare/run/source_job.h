// SPDX-License-Identifier: MIT
#pragma once

// One source in a run of panelbake-prepare: the run's options and notes, what the run has
// written and claimed so far, and the source in hand. Every step of its preparation takes
// it, and returns 0 (prepared) or the exit code of its refusal or failure, whose message
// it has said (fail).

#include "outputs/output_claims.h"
#include "prepare_options.h"
#include "run/prepare_notes.h"

#include <string>
#include <vector>

struct SourceJob {
    const PrepareOptions& options;
    const PrepareNotes& notes;
    const std::string& source;
    std::vector<std::string>& written; // the BMPs written so far, for the table
    OutputClaims& claims;              // the outputs of the pictures before, and the table's
};

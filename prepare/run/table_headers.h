// SPDX-License-Identifier: MIT
#pragma once

// The headers of --table, one for each layout of --for (pages without it), that tie the
// BMPs a run wrote together.

#include "prepare_options.h"
#include "run/prepare_notes.h"

#include <string>
#include <vector>

// Writes the headers `paths` (tableHeaderNames) for the BMPs `written`, in their order:
// all of them or none.
int writeTables(const PrepareOptions& options, const PrepareNotes& notes, const std::vector<std::string>& paths,
                const std::vector<std::string>& written);

// SPDX-License-Identifier: MIT
#pragma once

// A run's outputs claimed before anything is written, written under their temporary names
// and committed together. Each step returns 0 (prepared) or the exit code of its refusal
// or failure, whose message it has said (fail).

#include "outputs/output_files.h"
#include "run/prepare_notes.h"
#include "run/source_job.h"

#include <string>
#include <vector>

// Claims `paths` for the source's picture: refused where another picture of the run
// writes one of them, or where one exists and may not be replaced. Nothing is claimed then.
int claimOutputs(SourceJob& job, const std::vector<std::string>& paths);

// The refusal claimOutputs gives, without claiming: for a step that checks the outputs
// before its work and claims them when it writes. Another picture's claim is named first,
// since the file that exists may be that picture's, written earlier in the run.
int refuseUnwritable(const SourceJob& job, const std::vector<std::string>& paths);

// Refuses outputs that exist, unless they may be replaced (`force`).
int refuseExisting(const PrepareNotes& notes, const std::vector<std::string>& paths, bool force);

// Writes each text to the temporary name of its place in `batch`, from place `first` on.
int writeTexts(const PrepareNotes& notes, const OutputBatch& batch, std::size_t first,
               const std::vector<std::string>& texts);

// Moves the complete files of `batch` into place, naming each with -v (`verbose`).
int commitOutputs(const PrepareNotes& notes, OutputBatch& batch, bool verbose);

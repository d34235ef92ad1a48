// SPDX-License-Identifier: MIT
#pragma once

// panelbake_play.h, the player of compressed frames, as panelbake-prepare writes it beside a
// frames header: the same for every animation. Its source is
// prepare/compression/panelbake_play.h, built into the program.

#include <string>

// The name the player's header is written and included under.
constexpr const char* playerHeaderName = "panelbake_play.h";

// The header's text, as in the source.
const std::string& playerHeaderText();

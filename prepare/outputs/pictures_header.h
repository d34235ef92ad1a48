// SPDX-License-Identifier: MIT
#pragma once

// The combined header of several pictures (--table NAME): it includes the header of each
// prepared BMP in a layout (panelbake's own for pages) and declares the table of their
// arrays, their count, and each one's width and height, as pictures may differ in size.

#include "layouts/layout_table.h"
#include "page_header.h"
#include "panels/panel_table.h"

#include <string>
#include <vector>

// The text of the header `headerPath` for the BMPs `bmpPaths`, in order (at least one),
// whose arrays are declared with `attribute`, of `kind`'s pictures: a table for each array
// of a picture's file (the planes of bwr and bwy, or the halves, have one each).
std::string picturesHeaderText(const std::string& headerPath, const std::vector<std::string>& bmpPaths,
                               const Layout& layout, ArrayAttribute attribute, const PanelKind& kind);

// The header's path: NAME.h in the folder of the first picture.
std::string picturesHeaderName(const std::string& firstSource, const std::string& name);

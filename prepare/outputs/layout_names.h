// SPDX-License-Identifier: MIT
#pragma once

// The files and identifiers of a picture written in a layout. They are made from the path
// of the BMP the picture is prepared into (-o, or the source's name with .bmp), as
// panelbake makes its own from the BMP it converts: the folder is kept, a '-' in the file
// name becomes '_', and identifiers are cleaned as panelbake cleans them.
//
//   layout       logo.bmp gives                  array          size macros
//   pages        logo_glcd.h, logo_glcd.bmp      logo_glcd_bmp  LOGO_GLCD_WIDTH, LOGO_GLCD_HEIGHT
//   columns      logo_columns.h                  logo_columns   LOGO_COLUMNS_WIDTH, ..._HEIGHT
//   adafruit     logo_adafruit.h                 logo_adafruit  LOGO_ADAFRUIT_WIDTH, ..._HEIGHT
//   xbm          logo.xbm                        logo_bits      logo_width, logo_height
//   micropython  logo.py (module logo)           DATA, FRAME    WIDTH, HEIGHT

#include "layouts/layout_table.h"

#include <string>

struct LayoutNames {
    std::string file;        // the picture's file
    std::string preview;     // pages: panelbake's preview BMP beside it; otherwise empty
    std::string baseName;    // the file without its extension, as panelbake names a base
    std::string array;       // the array's identifier
    std::string widthMacro;  // the size macros' identifiers
    std::string heightMacro;
};

LayoutNames layoutNames(const Layout& layout, const std::string& bmpPath);

// The identifier stem of a base name in lower case, as panelbake's array names begin:
// my_logo_glcd of my-logo_glcd.
std::string lowerStem(const std::string& baseName);

// The header (or module) that lists pictures in a layout, for the path it has without a
// layout, such as icons.h or walk_frames.h: that path itself for pages, and icons_adafruit.h,
// icons_xbm.h or icons.py for the others.
std::string layoutTableName(const Layout& layout, const std::string& headerPath);

// The name of a Python module that a file name can be imported by: the file name's
// identifier stem (my-logo.py -> my_logo).
std::string moduleName(const std::string& path);

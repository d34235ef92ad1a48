// SPDX-License-Identifier: MIT
#include "reduction/dither_names.h"

bool ditherFromName(const std::string& name, Dither& dither)
{
    // none: the cut alone (the nearest colour of a panel), as without --dither.
    if (name == "none") {
        dither = Dither::none;
        return true;
    }
    for (const DitherName& n : ditherNames)
        if (name == n.name) {
            dither = n.dither;
            return true;
        }
    return false;
}

bool takesThreshold(Dither dither)
{
    for (const DitherName& n : ditherNames)
        if (n.dither == dither)
            return n.takesThreshold;
    return true;
}

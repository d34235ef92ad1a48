// SPDX-License-Identifier: MIT
#pragma once

// Options that are switches, as both programs' command lines read them: an argument that
// names one turns its flag on.

#include <cstring>
#include <initializer_list>

struct SwitchOption {
    const char* name; // as given on the command line: "-v"
    bool& flag;
};

// Turns on the flag of the switch among `switches` that `arg` names. False when it names
// none of them.
inline bool setSwitch(const char* arg, std::initializer_list<SwitchOption> switches)
{
    for (const SwitchOption& option : switches)
        if (std::strcmp(arg, option.name) == 0) {
            option.flag = true;
            return true;
        }
    return false;
}

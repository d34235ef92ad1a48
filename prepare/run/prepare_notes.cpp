// SPDX-License-Identifier: MIT
#include "run/prepare_notes.h"

#include <iostream>

int fail(const PrepareNotes& notes, int code, const std::string& message)
{
    std::cerr << "Error: " << message << std::endl;
    if (notes.failure)
        notes.failure(code, message);
    return code;
}

std::string quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

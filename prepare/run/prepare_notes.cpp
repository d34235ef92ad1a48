// SPDX-License-Identifier: MIT
#include "run/prepare_notes.h"

#include "console_text.h"

int fail(const PrepareNotes& notes, int code, const std::string& message)
{
    writeError("Error: " + message + "\n");
    if (notes.failure)
        notes.failure(code, message);
    return code;
}

std::string quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

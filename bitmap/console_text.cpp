// SPDX-License-Identifier: MIT
#include "console_text.h"

#include <cstdio>

namespace {

std::string* capturedOut = nullptr;
std::string* capturedErr = nullptr;

void writeTo(std::FILE* stream, std::string* captured, const std::string& text)
{
    if (captured) {
        *captured += text;
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

} // namespace

void writeOut(const std::string& text)
{
    writeTo(stdout, capturedOut, text);
}

void writeError(const std::string& text)
{
    writeTo(stderr, capturedErr, text);
}

void captureConsole(std::string* out, std::string* err)
{
    capturedOut = out;
    capturedErr = err;
}

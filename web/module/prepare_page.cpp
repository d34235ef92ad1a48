// SPDX-License-Identifier: MIT
// The page's build of panelbake-prepare: each failure's exit code and message go to the
// worker's JavaScript as data too, beside standard error.
#include "prepare_run.h"

#include <emscripten.h>

#include <string>

// The worker passes Module.panelbakeNotes with each instance it makes.
EM_JS(void, handFailure, (int code, const char* message), {
    const notes = Module['panelbakeNotes'];
    if (notes) notes.failure(code, UTF8ToString(message));
});

namespace {

void noteToPage(int code, const std::string& message)
{
    handFailure(code, message.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    noteFailures(noteToPage);
    return runPrepare(argc, argv);
}

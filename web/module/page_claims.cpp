// SPDX-License-Identifier: MIT
// For the page: which BMPs the pictures of a list may write, as panelbake-prepare's run
// claims its outputs (outputs/output_claims.h), in the run's own words.
#include "outputs/output_claims.h"
#include "page_json.h"

#include <emscripten.h>

#include <string>
#include <vector>

// The outputs given one a line, in the pictures' order, each after those before it: a JSON
// array of the refusal of each, or "" where it may be written. A refused output claims
// nothing.
extern "C" EMSCRIPTEN_KEEPALIVE const char* panelbake_page_claims(const char* lines)
{
    static std::string json;
    OutputClaims claims;
    std::vector<std::string> refusals;
    for (const std::string& path : splitLines(lines)) {
        refusals.push_back(claims.clash({path}));
        if (refusals.back().empty())
            claims.claim({path});
    }
    json = jsonStrings(refusals);
    return json.c_str();
}

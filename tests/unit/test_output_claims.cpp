// SPDX-License-Identifier: MIT
// The claim check a run makes, and the page asks without a run: the same words.
#include "outputs/output_claims.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(OutputClaims, RefuseTheFirstOutputAnEarlierPictureWrites)
{
    struct Case {
        std::vector<std::string> earlier, paths;
        std::string refusal;
    };
    const Case cases[] = {
        {{}, {"logo.bmp"}, ""},
        {{"logo.bmp", "logo_glcd.h"}, {"photo.bmp"}, ""},
        {{"walk_01.bmp"}, {"walk_00.bmp", "walk_01.bmp", "walk_frames.h"},
         "\"walk_01.bmp\" is written for another picture of this run already"},
        {{"a/t.h", "b.bmp"}, {"b.bmp", "a/t.h"}, "\"b.bmp\" is written for another picture of this run already"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.paths.front());
        EXPECT_EQ(outputClash(c.earlier, c.paths), c.refusal);
        OutputClaims claims;
        claims.claim(c.earlier);
        EXPECT_EQ(claims.clash(c.paths), c.refusal);
    }
}

} // namespace

// SPDX-License-Identifier: MIT
#include "decoding/stb_failure.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#ifndef PANELBAKE_STB_HEADER
#define PANELBAKE_STB_HEADER ""
#endif

namespace {

// Each reason mapped is one the library version built against gives, word for word: an
// upgrade that rewords one turns this test red instead of a lack of memory into "damaged".
TEST(StbFailure, EveryReasonMappedIsTheLibrarysOwn)
{
    std::ifstream header(PANELBAKE_STB_HEADER);
    if (!header)
        GTEST_SKIP() << "the library's header is not readable here: " << PANELBAKE_STB_HEADER;
    std::stringstream text;
    text << header.rdbuf();
    const std::string source = text.str();
    EXPECT_EQ(source.rfind("/* stb_image - v2.27 ", 0), 0u) << "another version of stb_image: check the reasons";
    for (const StbReason& known : stbReasons)
        EXPECT_NE(source.find("stbi__errpuc(\"" + std::string(known.reason) + "\""), std::string::npos) << known.reason;
}

} // namespace

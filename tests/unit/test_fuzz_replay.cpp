// SPDX-License-Identifier: MIT
// Replays the fuzzers' seed corpus and every input that once broke the program (kept in
// tests/crashers/, one directory per check) through the same checks the fuzzers run.
// A violation aborts with "fuzz check failed: ...".
#include "../../fuzz/array_check.h"
#include "../../fuzz/pipeline_check.h"
#include "../../fuzz/player_check.h"
#include "../../fuzz/prepare_check.h"
#include "../../fuzz/reader_check.h"
#include "../../fuzz/reduction_check.h"

#include "diagnostics.h"
#include "options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path repository = fs::path(__FILE__).parent_path().parent_path().parent_path();

std::vector<fs::path> inputsIn(const fs::path& directory)
{
    std::vector<fs::path> found;
    if (fs::is_directory(directory))
        for (const auto& entry : fs::directory_iterator(directory))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                found.push_back(entry.path());
    return found;
}

std::vector<std::uint8_t> contents(const fs::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The checks leave the process-wide switches as they found them; library messages of
// inputs that turn them on are swallowed. Rows are read in the fuzzers' small pieces.
class FuzzReplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedOutput = std::cout.rdbuf(swallowed.rdbuf());
        rowPieceBytes = fuzz::readPieceBytes;
    }
    void TearDown() override
    {
        std::cout.rdbuf(savedOutput);
        rowPieceBytes = savedPieceBytes;
        bitmapWarnings = savedWarnings;
        avrProgmem = savedAvr;
        pic30AutoPsv = savedPic30;
        verbose = savedVerbose;
    }

    // The seed corpus of a check and the crashers kept for it.
    static std::vector<fs::path> inputsOf(const char* check)
    {
        std::vector<fs::path> inputs = inputsIn(repository / "fuzz" / "corpus" / check);
        EXPECT_FALSE(inputs.empty()) << "seed corpus missing";
        for (const fs::path& crasher : inputsIn(repository / "tests" / "crashers" / check))
            inputs.push_back(crasher);
        return inputs;
    }

    template <typename Check>
    void replay(const std::vector<fs::path>& inputs, Check check)
    {
        for (const fs::path& input : inputs) {
            SCOPED_TRACE(input.string());
            const std::vector<std::uint8_t> data = contents(input);
            check(data.data(), data.size());
        }
    }

private:
    std::ostringstream swallowed;
    std::streambuf* savedOutput = nullptr;
    bool savedWarnings = bitmapWarnings;
    bool savedAvr = avrProgmem;
    bool savedPic30 = pic30AutoPsv;
    bool savedVerbose = verbose;
    std::size_t savedPieceBytes = rowPieceBytes;
};

TEST_F(FuzzReplay, ReaderInputsRoundTrip)
{
    replay(inputsOf("reader"), fuzz::readerInput);
}

TEST_F(FuzzReplay, PipelineInputsConvert)
{
    replay(inputsOf("pipeline"), fuzz::pipelineInput);
}

TEST_F(FuzzReplay, PictureInputsDecodeOrAreRefused)
{
    replay(inputsOf("prepare"), fuzz::prepareInput);
}

TEST_F(FuzzReplay, ReductionInputsGiveThePlainReductionsPixels)
{
    replay(inputsOf("reduction"), fuzz::reductionInput);
}

TEST_F(FuzzReplay, ArrayTextsDrawTheirPicturesOrAreRefused)
{
    replay(inputsOf("arrays"), fuzz::arrayInput);
}

TEST_F(FuzzReplay, PlayerInputsStayWithinStreamAndBuffer)
{
    replay(inputsOf("player"), fuzz::playerInput);
}

} // namespace

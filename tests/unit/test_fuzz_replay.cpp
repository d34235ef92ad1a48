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

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
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

// The checks of the fuzzers, each with the name of its seed corpus (fuzz/corpus/NAME) and
// of its crashers (tests/crashers/NAME).
struct Check {
    const char* name;
    int (*input)(const std::uint8_t* data, std::size_t size);
};

void PrintTo(const Check& check, std::ostream* os)
{
    *os << check.name;
}

// The seed corpus of a check and the crashers kept for it.
std::vector<fs::path> inputsOf(const char* check)
{
    std::vector<fs::path> inputs = inputsIn(repository / "fuzz" / "corpus" / check);
    EXPECT_FALSE(inputs.empty()) << "seed corpus missing";
    for (const fs::path& crasher : inputsIn(repository / "tests" / "crashers" / check))
        inputs.push_back(crasher);
    return inputs;
}

// Library messages of inputs that turn them on are swallowed.
class FuzzReplay : public ::testing::TestWithParam<Check> {
protected:
    void SetUp() override { captureConsole(&swallowed, nullptr); }
    void TearDown() override { captureConsole(nullptr, nullptr); }

private:
    std::string swallowed;
};

TEST_P(FuzzReplay, InputsPassTheCheck)
{
    for (const fs::path& input : inputsOf(GetParam().name)) {
        SCOPED_TRACE(input.string());
        const std::vector<std::uint8_t> data = contents(input);
        GetParam().input(data.data(), data.size());
    }
}

// The reader's inputs round-trip; the pipeline's convert; pictures decode or are refused;
// reductions give the plain reduction's pixels; array texts draw their pictures or are
// refused; the player stays within stream and buffer.
INSTANTIATE_TEST_SUITE_P(Checks, FuzzReplay,
                         ::testing::Values(Check{"reader", fuzz::readerInput}, Check{"pipeline", fuzz::pipelineInput},
                                           Check{"prepare", fuzz::prepareInput},
                                           Check{"reduction", fuzz::reductionInput},
                                           Check{"arrays", fuzz::arrayInput}, Check{"player", fuzz::playerInput}),
                         [](const ::testing::TestParamInfo<Check>& info) { return std::string(info.param.name); });

} // namespace

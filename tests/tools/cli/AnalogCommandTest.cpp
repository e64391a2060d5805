// A C3D file's analog channels and force platforms from the command line:
// convert --analog and --forces write them as CSV (their values are held
// against an independent reading by the c3d_vs_reference tests), info
// lists them, and every other use of the options is a usage error.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TestFiles.h"
#include "tests/tools/cli/RunCommand.h"

namespace tovtest {
namespace {

using ::testing::HasSubstr;

std::string SystemB() {
    const std::filesystem::path corpus = CorpusDir();
    const std::filesystem::path file = corpus / "c3d" / "ezc3d-system-b.c3d";
    return corpus.empty() || !std::filesystem::exists(file) ? std::string() : file.string();
}

std::size_t Lines(const std::string& path) {
    std::ifstream file(path);
    std::size_t lines = 0;
    for (std::string line; std::getline(file, line);) ++lines;
    return lines;
}

TEST(AnalogCommandTest, OptionsOutsideAC3dToCsvConversionAreUsageErrors) {
    ScratchDir scratch;
    const std::string csv = (scratch.Path() / "out.csv").string();
    const std::string c3d = (scratch.Path() / "in.c3d").string();  // never read: refused first
    const struct {
        Arguments args;
        const char* said;
    } cases[] = {
        {{"convert", kWalkTrc, csv, "--analog"}, "--analog and --forces read a C3D file into a CSV file"},
        {{"convert", kWalkTrc, csv, "--analog", "--forces"}, "give one of --analog and --forces"},
        {{"convert", kWalkTrc, csv, "--zero-plates"}, "--zero-plates goes with --forces"},
        {{"convert", "--batch", "--analog", "-o", scratch.Path().string(), c3d},
         "--analog and --forces convert one C3D file, not a batch"},
    };
    for (const auto& c : cases) {
        RunExpecting(c.args, 2, HasSubstr(c.said));
        EXPECT_FALSE(std::filesystem::exists(csv));
    }
}

TEST(AnalogCommandTest, ChannelsAndForcesOfARealTake) {
    const std::string take = SystemB();
    if (take.empty()) GTEST_SKIP() << "no corpus";
    ScratchDir scratch;
    const std::string analog = (scratch.Path() / "analog.csv").string();
    const std::string forces = (scratch.Path() / "forces.csv").string();
    RunOk({"convert", take, analog, "--analog"});
    EXPECT_EQ(Lines(analog), 1u + 340 * 10);  // 340 frames of 10 samples
    // Asked for a baseline the file does not give: said, nothing taken off.
    RunExpecting({"convert", take, forces, "--forces", "--zero-plates"}, 0,
                 HasSubstr(forces + ": platform 2: the file gives no ZERO range; nothing taken off\n"));
    EXPECT_EQ(Lines(forces), 1u + 340 * 10 * 2);  // two platforms a sample
    EXPECT_THAT(RunOk({"info", take}).out,
                HasSubstr("  Analog channels:   69 at 2000 samples/s (10 a frame)\n"));
    EXPECT_THAT(RunOk({"info", take}).out,
                HasSubstr("  Force platforms:   2\n    1  type 2, 464 x 508 mm, centre (254, 232, 0), "
                          "channels 58-63\n"));
}

}  // namespace
}  // namespace tovtest

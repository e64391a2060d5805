// convert's cleaning options as a person types them: the steps run in the
// order given, --fill-gaps takes a method only when one is named (else the
// file that follows is a file), every option takes only its own values
// wherever it stands, --rename takes an MNM map too, and each mistake is a
// usage error or a refusal naming what the take does not hold.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
#include "tests/tools/cli/RunCommand.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovtest {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class CleaningCommandTest : public ::testing::Test {
protected:
    std::string Out() const { return (scratch_.Path() / "out.trc").string(); }
    ScratchDir scratch_;
};

// walk.trc's RWRB is missing at frames 18 to 22.
TEST_F(CleaningCommandTest, StepsRunInTheOrderGiven) {
    const std::string out = Out();
    const struct {
        Arguments args;
        std::string said;
    } cases[] = {
        {{"convert", "--fill-gaps", kWalkTrc, out},
         out + ": filled RWRB at frames 18\u201322 ("},
        {{"convert", kWalkTrc, out, "--fill-gaps"}, out + ": filled RWRB at frames 18\u201322 ("},
        {{"convert", kWalkTrc, "--fill-gaps", "linear", out, "--range", "20", "30"},
         out + ": filled RWRB at frames 18\u201322 (linear)\n" + out + ": 1 gap filled\n"},
        // Cut first, the gap starts the take: nothing to fill it from.
        {{"convert", kWalkTrc, out, "--range", "20", "30", "--fill-gaps", "linear"},
         out + ": 0 gaps filled; 1 gap at the start or end left unfilled\n"},
        {{"convert", kWalkTrc, out, "--fill-gaps", "spline", "--max-gap", "0.05"},
         out + ": 0 gaps filled; 1 gap longer than 0.05 s left unfilled\n"},
        {{"convert", kWalkTrc, out, "--filter", "lowpass:6"},
         out + ": filtered below 6 Hz: 37 stretches of seen samples\n"},  // RWRB in two
    };
    for (const auto& c : cases) {
        const CommandResult run = RunOk(c.args);
        EXPECT_THAT(run.err, HasSubstr(c.said));
    }
}

TEST_F(CleaningCommandTest, EditsRenameKeepAndDropByName) {
    RunOk({"convert", kWalkTrc, Out(), "--drop", "RFIN,LFIN", "--rename", "LFHD=HeadL,RFHD=HeadR",
           "--range", "5", "9"});
    tovfileio::TRCFile take;
    ASSERT_EQ(take.ReadFile(Out()), L"");
    EXPECT_EQ(take.GetNumMarkers(), 34u);
    EXPECT_EQ(take.GetMarker(0)->GetName(), L"HeadL");
    EXPECT_EQ(take.GetMarker(1)->GetName(), L"HeadR");
    EXPECT_EQ(take.GetStartFrame(), 5);
    EXPECT_EQ(take.GetNumRows(), 5u);
    RunOk({"convert", kWalkTrc, Out(), "--keep", "C7,T10"});
    ASSERT_EQ(take.ReadFile(Out()), L"");
    EXPECT_EQ(take.GetNumMarkers(), 2u);
}

// A map renames the markers it names from their TRC names to its GWM codes
// exactly as the pairs would: a name it gives twice keeps its first code,
// the names walk.trc lacks are passed over, and a map read after other
// steps renames in its place among them.
TEST_F(CleaningCommandTest, AMapRenamesAsItsPairsWould) {
    const std::string out = Out();
    const struct {
        const char* file;
        std::string map;
        Arguments before;  // the steps run ahead of the rename
        std::string pairs;
    } cases[] = {
        {"two.mnm", "HeadL\tLFHD\nHeadR RFHD\nNose\tNOSE\n", {}, "LFHD=HeadL,RFHD=HeadR"},
        {"twice.MNM", "HeadL LFHD\nOther LFHD\n", {}, "LFHD=HeadL"},
        {"after.mnm", "HeadL LFHD\nC7 RFHD\n", {"--drop", "C7"}, "LFHD=HeadL,RFHD=C7"},
    };
    for (const auto& c : cases) {
        const std::string map = scratch_.Write(c.file, c.map).string();
        const Arguments steps = With({"convert", kWalkTrc, out}, c.before);
        RunOk(With(steps, {"--rename", c.pairs}));
        const std::string renamed = ReadBytes(out);
        const CommandResult run = RunOk(With(steps, {"--rename", map}));
        EXPECT_EQ(run.err, "") << c.file;
        EXPECT_EQ(ReadBytes(out), renamed) << c.file;
    }
    std::filesystem::remove(out);
    const std::string missing = (scratch_.Path() / "missing.mnm").string();
    RunExpecting({"convert", kWalkTrc, out, "--rename", missing}, 1,
                 StartsWith(missing + ": The file could not be opened ("));
    EXPECT_FALSE(std::filesystem::exists(out));
}

// Every cleaning option given ahead of the files takes its own values and
// leaves the files to be files: the same take and messages as after them.
TEST_F(CleaningCommandTest, OptionsAheadOfTheFilesLeaveThemFiles) {
    const std::string out = Out();
    const std::string map = scratch_.Write("head.mnm", "HeadL LFHD\n").string();
    const Arguments options[] = {
        {"--fill-gaps"},          {"--fill-gaps", "rigid"},   {"--drop", "LFHD"},
        {"--keep", "C7,T10"},     {"--rename", "LFHD=HeadL"}, {"--rename", map},
        {"--filter", "lowpass:6"}, {"--range", "5", "9"},
    };
    for (const Arguments& given : options) {
        const CommandResult after = RunOk(With({"convert", kWalkTrc, out}, given));
        const std::string written = ReadBytes(out);
        std::filesystem::remove(out);
        const CommandResult ahead = RunOk(With(With({"convert"}, given), {kWalkTrc, out}));
        EXPECT_EQ(ahead.err, after.err) << given.back();
        EXPECT_EQ(ReadBytes(out), written) << given.back();
    }
}

// info --gaps says each marker's gaps and what the fill would do, in the
// words of the summary and as JSON; a cut take's gap at its start stays.
TEST_F(CleaningCommandTest, InfoListsTheGapsAndWhatAutoFills) {
    const std::string said = RunOk({"info", "--gaps", kWalkTrc}).out;
    EXPECT_THAT(said, HasSubstr("  Gaps:              1 marker, 1 gap; --fill-gaps auto fills 1\n"
                                "    RWRB  1 gap, the longest 5 frames, 5 frames in all; fills 1 ("));
    EXPECT_THAT(RunOk({"info", "--gaps", "--json", kWalkTrc}).out,
                HasSubstr(",\"gaps\":[{\"marker\":\"RWRB\",\"gaps\":1,\"longest\":5,\"frames\":5,"
                          "\"filled\":1}],\"warnings\":[]}\n"));
    RunOk({"convert", kWalkTrc, Out(), "--range", "20", "40"});
    EXPECT_THAT(RunOk({"info", "--gaps", Out()}).out,
                HasSubstr("  Gaps:              1 marker, 1 gap; --fill-gaps auto fills 0\n"
                          "    RWRB  1 gap, the longest 3 frames, 3 frames in all; fills 0\n"));
}

TEST_F(CleaningCommandTest, MistakesAreRefusedWithNothingWritten) {
    const std::string out = Out();
    const struct {
        Arguments args;
        int status;
        std::string said;
    } cases[] = {
        {{"--keep", "C7,NOPE"}, 1, kWalkTrc + ": The take has no marker named NOPE\n"},
        {{"--rename", "C7=T10"}, 1, kWalkTrc + ": Two markers would be named T10\n"},
        {{"--range", "30", "50"}, 1, kWalkTrc + ": The take holds frames 1 to 40, not 30 to 50\n"},
        {{"--filter", "lowpass:30"}, 1,
         kWalkTrc + ": A low-pass cut-off is above 0 and below half the take's rate (30 Hz), not 30 Hz\n"},
        {{"--filter", "highpass:3"}, 2, "option '--filter' takes lowpass:HZ, not 'highpass:3'"},
        {{"--range", "a", "9"}, 2, "option '--range' takes two frame numbers, not 'a 9'"},
        {{"--rename", "C7"}, 2, "option '--rename' takes OLD=NEW pairs separated by commas, not 'C7'"},
        {{"--drop", "C7,,T10"}, 2, "option '--drop' takes marker names separated by commas"},
        {{"--max-gap", "1"}, 2, "--max-gap goes with --fill-gaps"},
        {{"--fill-gaps", "--max-gap", "-1"}, 2, "option '--max-gap' takes a number of seconds above 0"},
    };
    for (const auto& c : cases) {
        RunExpecting(With({"convert", kWalkTrc, out}, c.args), c.status, HasSubstr(c.said));
        EXPECT_FALSE(std::filesystem::exists(out));
    }
    // Skeletons, glTF and the batch take no cleaning.
    const std::string usage = "apply to one marker take (TRC, C3D or GWM) converted to a marker file";
    RunExpecting({"convert", kWalkHtr, out, "--fill-gaps"}, 2, HasSubstr(usage));
    RunExpecting({"convert", kWalkTrc, (scratch_.Path() / "w.gltf").string(), "--keep", "C7"}, 2,
                 HasSubstr(usage));
    RunExpecting({"convert", "--batch", "-o", scratch_.Path().string(), kWalkTrc, "--drop", "C7"}, 2,
                 HasSubstr(usage));
}

}  // namespace
}  // namespace tovtest

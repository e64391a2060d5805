// tovfileio info: what each file holds, as text or JSON, from files or
// standard input; a file the reader refuses is said with its name and the
// others go on; a standard output that fails is an error. What it says
// beyond what the reader reports: one warning a line wherever the header,
// the name and label lines and the rows disagree, where number fields hold
// text, or where a file holds nothing of its format; none where everything
// agrees; a refusal placed at the line the reader stopped at. And --diagnose:
// the verdict, and where each finding stands (line, column, the text there)
// and what it does to the read, with the refusal's place in its verdict.
#include <gtest/gtest.h>

#include <filesystem>

#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "tests/support/HostileInputs.h"
#include "tests/tools/cli/RunCommand.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using tovtest::RunCommand;
using tovtest::RunOk;
using tovtest::kWalkHtr;
using tovtest::kWalkTrc;
using tovtest::ReadBytes;
namespace fs = std::filesystem;

class InfoCommandTest : public tovtest::CliTest {};

// Every format the libraries read is described on a line of its own by what
// it holds: the samples; the sample take as C3D and GWM (its markers and
// dropouts), the sample skeleton as BVH (its segments); a C3D file named .htr
// and a BVH file named .trc are read as what their bytes say. The importers
// name the conversion that makes such a file importable, and the player
// shows it.
TEST_F(InfoCommandTest, EveryReadableFormatIsDescribedOnALine) {
    const std::string c3d = Path("walk.c3d"), gwm = Path("walk.gwm"), bvh = Path("walk.bvh"),
                      disguised = Path("disguised.htr"), skeleton = Path("skeleton.trc");
    RunOk({"convert", kWalkTrc, c3d});
    RunOk({"convert", kWalkTrc, gwm});
    RunOk({"convert", kWalkHtr, bvh});
    fs::copy_file(c3d, disguised);
    fs::copy_file(bvh, skeleton);
    const auto run = RunOk({"info", "--json", kWalkHtr, kWalkTrc, c3d, gwm, bvh, disguised, skeleton});
    EXPECT_EQ(run.err, "");
    for (const std::string& piece : std::initializer_list<std::string>{
             "{\"file\":\"" + kWalkHtr +
                 "\",\"format\":\"htr\",\"units\":\"mm\",\"rotation_units\":\"degrees\","
             "\"frame_rate\":60,\"frames\":40,\"first_frame\":1,",
             "\"scale_factor\":1,\"segments\":[{\"name\":\"Hips\",\"parent\":null,\"root\":true",
             "{\"name\":\"LowerBack\",\"parent\":\"Hips\",\"root\":false",
             "}\n{\"file\":\"" + kWalkTrc +
                 "\",\"format\":\"trc\",\"units\":\"mm\",\"frame_rate\":60,\"frames\":40,"
             "\"first_frame\":1,\"frames_read\":40,\"camera_rate\":60,"
             "\"duration\":0.6666666666666666,\"markers\":"
             "[{\"name\":\"LFHD\",\"samples\":40,\"dropouts\":0},",
             "{\"file\":\"" + c3d + "\",\"format\":\"c3d\",\"units\":\"mm\",\"frame_rate\":60,"
             "\"frames\":40,\"first_frame\":1,\"frames_read\":40,\"camera_rate\":60,",
             "{\"name\":\"RWRB\",\"samples\":40,\"dropouts\":5}",
             "{\"file\":\"" + gwm + "\",\"format\":\"gwm\",\"units\":\"mm\",\"frame_rate\":60,",
             "{\"file\":\"" + bvh + "\",\"format\":\"bvh\",",
             "{\"file\":\"" + disguised + "\",\"format\":\"c3d\",",
             "{\"file\":\"" + skeleton + "\",\"format\":\"bvh\","}) {
        EXPECT_THAT(run.out, HasSubstr(piece));
    }
    EXPECT_THAT(run.out, EndsWith("}\n"));
    // The sample skeleton, and as BVH under both names.
    EXPECT_EQ(tovtest::Count(run.out, "{\"name\":\"LowerBack\",\"parent\":\"Hips\",\"root\":false"), 3u);
    tovtest::RunExpecting({"import-htr", c3d, "--scene", Path("s.json"), "--create"}, 1,
                          c3d + ": a C3D file; `tovfileio convert " + c3d +
                              " walk.trc` makes it a file import-trc imports\n");
    EXPECT_FALSE(fs::exists(Path("s.json")));
    RunOk({"view", bvh, "-o", Path("walk.html")});
    EXPECT_THAT(ReadBytes(Path("walk.html")), HasSubstr("LowerBack"));
}

TEST_F(InfoCommandTest, ReaderErrorsAreReportedAndTheRestGoesOn) {
    const std::string bad = Write("bad.htr", "[Header]\nFileType xyz\n"), missing = Path("missing");
    const std::string loop = Write("loop.htr",
        "[SegmentNames&Hierarchy]\nA B\nB A\nC GLOBAL\nD nobody\n[BasePosition]\n");
    // Binary files are named, never shown: a C3D file cut inside its header
    // is read as C3D whatever its name.
    const std::string c3d = Write("take.htr", std::string("\x02\x50\x10\0", 4) + "[\x01]");
    const std::string binary = Write("blob.trc", std::string("\x7f" "ELF\0[\x02]\n", 9));
    const auto run = tovtest::RunExpecting(
        {"info", c3d, binary, bad, missing, loop}, 1,
        c3d + ": The C3D file is damaged: the file ends inside its header block (at byte 8)\n" + binary +
            ": holds binary data, not a C3D file nor the text of an HTR, TRC, BVH or GWM file\n" + bad +
            ": The file does not have a compatible \"FileType\" header state (line 2: the reader "
            "takes FileType HTR, Htr or htr only, not \"xyz\")\n" +
            missing + ": The file could not be opened (tried " + missing +
            ".htr: No such file or directory)\n" + loop +
            ": warning: the header gives no NumFrames; read as 0\n" + loop +
            ": warning: the header gives no DataFrameRate; read as 60\n");
    // Segments in a parent loop are still listed, marked, once each.
    EXPECT_THAT(run.out,
                HasSubstr("\n    C\n    D  (parent not found)\n    A  (in a parent loop)\n      B\n"));
}

// The hierarchy as a tree, a deep chain of it in linear space.
TEST_F(InfoCommandTest, TextShowsTheHierarchyAsATree) {
    const auto walk = RunOk({"info", kWalkHtr});
    for (const char* piece : {"  Segments:          21\n", "  Duration:          0.667 s\n",
                              "\n    Hips\n      LowerBack\n        Chest\n",
                              "\n      LThigh\n        LShin\n"}) {
        EXPECT_THAT(walk.out, HasSubstr(piece));
    }
    std::string text = "[Header]\nNumSegments 10000\nNumFrames 0\nDataFrameRate 60\n[SegmentNames&Hierarchy]\nS0 GLOBAL\n";
    for (int i = 1; i < 10000; ++i) text += "S" + std::to_string(i) + " S" + std::to_string(i - 1) + "\n";
    text += "[BasePosition]\n";
    for (int i = 0; i < 10000; ++i) text += "S" + std::to_string(i) + " 0 0 0 0 0 0 1\n";
    const auto run = RunOk({"info", Write("deep.htr", text)});
    EXPECT_LT(run.out.size(), 1000000u);
    EXPECT_THAT(run.out,
                HasSubstr("\n" + std::string(68, ' ') + "S32\n" + std::string(68, ' ') + "(level 33) S33\n"));
}

TEST_F(InfoCommandTest, StandardInputAndAFailedStandardOutput) {
    const auto piped = RunOk({"info", "-"}, tovtest::TrcText({"A"}, {"1\t2\t3", "\t\t"}));
    EXPECT_THAT(piped.out, StartsWith("-\n  Format:            TRC\n"));
    // One dropout is "1 dropout".
    EXPECT_THAT(piped.out, HasSubstr(" 1 of 2 frames seen\n"));

    // A full disk behind standard output is an error, not status 0.
    CommandIO io;
    io.out = std::fopen("/dev/full", "w");
    if (io.out == nullptr) GTEST_SKIP() << "no /dev/full";
    tovtest::MemoryFile err;
    io.err = err.File();
    EXPECT_EQ(RunTovfileio({"info", kWalkTrc}, io), 1);
    std::fclose(io.out);
    EXPECT_EQ(err.Text(), "tovfileio info: standard output: No space left on device\n");
}

// What info says about a file beyond what the reader reports: one warning a
// line wherever the header, the name and label lines and the rows disagree,
// where number fields hold text, or where a file holds nothing of its
// format; none where everything agrees; a refusal placed at the line the
// reader stopped at. And info --diagnose: the verdict, and where each
// finding stands (line, column, the text there) and what it does to the
// read.
const std::string kHeader = "PathFileType\t4\t(X/Y/Z)\tx.trc\nDataRate\tCameraRate\tNumFrames\n";
const std::string kHierarchy = "[SegmentNames&Hierarchy]\nA GLOBAL\nB A\n";

// The lines info writes on standard error, without the file name.
std::vector<std::string> Messages(const std::string& err, const std::string& file) {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.rfind(file + ": ", 0) == 0 ? line.substr(file.size() + 2) : line);
    }
    return lines;
}

class WarningsTest : public tovtest::CliTest {};
class DiagnosisTest : public tovtest::CliTest {};

TEST_F(WarningsTest, HandMadeFilesGetTheWarningsTheyDeserve) {
    // A TRC file's first line refused, and what the repair does to it.
    const std::string xyz = "The file is does not have a compatible \"(X/Y/Z)\" header state (line 1: ";
    const std::string repairs = "); `tovfileio repair IN OUT` repairs it (line 1: ";
    const struct {
        const char* name;
        std::string bytes;
        std::vector<std::string> messages;
    } cases[] = {
        {"good.trc", kHeader +
         "60\t60\t2\t1\tmm\nF\tT\tA\t\t\t\n\t\tX1\tY1\tZ1\n\n1\t0\t1\t2\t3\n2\t0\t\t\t\n", {}},
        {"tabs.trc", kHeader + "60\t60\t1\t1\tmm\nF\tT\tA\t\t\t\n\t\tX1\tY1\tZ1\n\t\t\t\n1\t0\tx\t2\ty\n",
         {"warning: line 6 holds only separators where the blank line belongs; it is read as a "
          "data row of dropouts, one frame too many",
          "warning: the header gives 1 frame, the file holds 2 data rows",
          "warning: 2 coordinate fields hold text, not a number (first \"x\" on line 7); read as 0, "
          "not as a dropout"}},
        {"nolabels.trc", kHeader +
         "60\t60\t2\t2\tmm\nF\tT\tA\t\t\tB\n\n1\t0\t1\t2\t3\t4\t5\t6\n2\t0\t1\t2\t3\t4\t5\t6\n",
         {"warning: line 4: the last marker name, \"B\", ends the line without a tab and is not "
          "read: put a tab after it",
          "warning: line 6 stands where the coordinate labels (X1 Y1 Z1 ...) belong; it is not read "
          "(a data row is lost)",
          "warning: the header gives 2 frames, the file holds 1 data row"}},
        {"empty.trc", "", {"warning: the file is empty"}},
        {"nothing.trc", "PathFileType\t4\t(X/Y/Z)\n", {"warning: holds no marker names and no data rows"}},
        {"rate.trc", kHeader + "abc\t29.97\t0\t0\tmm\n", {
          "warning: line 3: DataRate holds \"abc\", not a number; read as 0",
          "warning: line 3: CameraRate 29.97 is read as 29 (whole frames per second)",
          "warning: holds no marker names and no data rows"}},
        {"wide.trc", kHeader + "60\t60\t2\t1\tmm\t60\t1\t2\nF\tT\tA\t\t\t\n\t\tX1\tY1\tZ1\n\n"
                       "900\t0\t1\t2\t3\t4\t5\n901\t0.017\t1\t2\t3\n",
         {"warning: 1 data row holds more columns than the markers named (up to 7 fields against "
          "5, first on line 7); the extra columns are not read",
          "warning: the rows number their frames from 900, the reader starts them at 1 (line 3, "
          "field 7)"}},
        {"shifted.trc", kHeader + "60\t60\t1\t2\tmm\t60\t1\t1\nF\tT\t\tA\t\t\tB\t\t\t\n"
                          "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n1\t0\t1\t2\t3\t4\t5\t6\n",
         {"warning: an empty column stands before the first name, and the name \"A\" stands in "
          "field 4 where the reader takes names from fields 3, 6, 9, ...: 1 marker is read for 2 "
          "names, each from another marker's columns",
          "warning: marker 1 has no name on the name line; it is read with an empty name"}},
        // A row cut short at A's last field; rows 1/100 s apart at 60 a second.
        {"short.trc", kHeader + "60\t60\t2\t2\tmm\t60\t1\t2\nF\tT\tA\t\t\tB\t\t\t\n"
                        "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n1\t0.000\t1\t2\t3\t4\t5\t6\n"
                        "2\t0.010\t1\t2\t3\n",
         {"warning: 1 data row ends before the markers' columns without a tab after the last field "
          "(first on line 8): the markers past its end read that field, \"3\", as x, y and z, not "
          "as dropouts",
          "warning: the times of lines 7 to 8 advance 100 frames a second, the data rate is read "
          "as 60; frames are placed by the rate"}},
        // Refusals name the line the reader stopped at and what stood there.
        {"count.htr", "[Header]\nNumSegments 5\n" + kHierarchy + "[BasePosition]\nA 0 0 0 0 0 0 1\n",
         {"Incorrect number of segments defined in file (line 2: NumSegments gives 5, the base "
          "position has 1 line)"}},
        {"base.htr", kHierarchy + "[BasePosition]\nC 0 0 0 0 0 0 1\n",
         {"Segment name not found: C (line 5: the base position names \"C\", a segment the "
          "hierarchy does not name)"}},
        {"order.htr", "[Header]\n# order\nEulerRotationOrder XYZ # not ours\n",
         {"The file does not have a compatible \"EulerRotationOrder\" header state (line 3: the "
          "reader takes EulerRotationOrder ZYX only, not \"XYZ\")"
          "; `tovfileio repair IN OUT` repairs it (line 3: EulerRotationOrder XYZ; written as ZYX, the rotations converted)"}},
        {"commas.trc", "PathFileType,4,(X/Y/Z),x.trc\n",
         {xyz + "there is no third tab-separated field; commas, not tabs, separate its fields: save the "
                "file with tabs between the fields" + repairs +
          "fields separated by commas; written with tabs)"}},
        {"blanks.trc", "PathFileType 4 (X/Y/Z) x.trc\n",
         {xyz + "there is no third tab-separated field; blanks, not tabs, separate its fields: put a tab "
                "between each two" + repairs + "fields separated by blanks; written with tabs)"}},
        {"keyword.trc", "PathFileType 4\t(X/Y/Z) x.trc\n",
         {xyz + "there is no third tab-separated field; a blank stands where a tab belongs: put a tab after "
                "PathFileType and after (X/Y/Z)" + repairs + "blanks after PathFileType and after (X/Y/Z); "
                "written with tabs)"}},
        {"layout.trc", "PathFileType\t4\t(X/Y/Z) x.trc\n",
         {xyz + "the third tab-separated field is \"(X/Y/Z) x.trc\"; a blank stands where a tab belongs: put "
                "a tab after (X/Y/Z)" + repairs + "blanks after (X/Y/Z); written with tabs)"}},
        {"random.htr", "\x8f\x01zq\xff\n\x02\x03", {
          "holds nothing of an HTR or TRC file (it was read as HTR)"}},
        {"frames.htr", "[Header]\nNumSegments 2\nNumFrames 2\nDataFrameRate 60\n"
                       "[SegmentNames&Hierarchy]\nA GLOBAL\nB A\n[BasePosition]\nA 0 0 0 0 0 0 1\n"
                       "B 0 0 0 0 0 0 1\n[A]\n1 0 0 0 0 0 0 1\n2 0 x 0 0 0 0 1\n[B]\n1 0 0 0 0 0 0 1\n",
         {"warning: the header gives 2 frames, 1 segment holds another count (B: 1)",
          "warning: 1 number field holds text (first \"x\" on line 13); read by its leading number, or 0"}},
    };
    for (const auto& c : cases) {
        const auto file = Write(c.name, c.bytes);
        const auto result = RunCommand({"info", file});
        EXPECT_EQ(Messages(result.err, file), c.messages) << c.name << "\n" << result.err;
        const bool refused = !c.messages.empty() && c.messages[0].rfind("warning: ", 0) != 0;
        EXPECT_EQ(result.status, refused ? 1 : 0) << c.name;
        // --strict makes any warning a failure, for scripts.
        const auto strict = RunCommand({"info", "--strict", file});
        EXPECT_EQ(strict.status, c.messages.empty() ? 0 : 1) << c.name;
    }
}

// Real files from other projects: each gets exactly its warnings, and
// info --diagnose the verdict they lead to.
TEST_F(WarningsTest, CorpusFilesGetTheWarningsAndVerdictsTheyDeserve) {
    if (tovtest::CorpusDir().empty()) GTEST_SKIP() << "no corpus beside the project";
    struct Expected {
        std::vector<std::string> messages;
        const char* refusal = nullptr;  // the verdict after "refused: "
    };
    std::map<std::string, Expected> expected = {
        {"mocap.htr",
         {{"The file does not have a compatible \"EulerRotationOrder\" header state (line 9: the reader takes EulerRotationOrder ZYX only, not \"XYZ\"); `tovfileio repair IN OUT` repairs it (line 8: NumSegments 1050 against 3 segments; written as 3, and 7 more)"},
         "The file does not have a compatible \"EulerRotationOrder\" header state; line 9, column 20: the reader takes EulerRotationOrder ZYX only, not \"XYZ\" (and 4 more)"}},
        {"10002-20130626160334-Unnamed.trc",
         {{"warning: 826 data rows hold more columns than the markers named (up to 32 fields against 2, first on line 18); the extra columns are not read"}}},
        {"Day7_Session2_Take01_-_walk.trc",
         {{"warning: the rows number their frames from 900, the reader starts them at 1 (line 3, field 7)"}}},
        {"EMG_test06-Dynamic.trc",
         {{"warning: 90 data rows hold more columns than the markers named (up to 179 fields against 167, first on line 7); the extra columns are not read"}}},
        {"Gait.trc",
         {{"warning: 218 data rows hold more columns than the markers named (up to 317 fields against 101, first on line 7); the extra columns are not read"}}},
        {"abdbonepin.trc",
         {{"The file is does not have a compatible \"(X/Y/Z)\" header state (line 1: the third tab-separated field is \"(X/Y/Z) abdbonepin.trc\"; a blank stands where a tab belongs: put a tab after (X/Y/Z)); `tovfileio repair IN OUT` repairs it (line 1: blanks after (X/Y/Z); written with tabs, and 2 more)"},
         "The file is does not have a compatible \"(X/Y/Z)\" header state; line 1, column 23: the third tab-separated field is \"(X/Y/Z) abdbonepin.trc\"; a blank stands where a tab belongs: put a tab after (X/Y/Z)"}},
        {"dataWithEformat.trc",
         {{"warning: line 3: DataRate 119.88012 is read as 119 (whole frames per second)",
          "warning: line 3: CameraRate 119.88012 is read as 119 (whole frames per second)",
          "warning: the times of lines 6 to 10 advance 119.883 frames a second, the data rate is read as 119; frames are placed by the rate"}}},
        {"dataWithNaNsWithSpaces.trc",
         {{"warning: line 6 holds only separators where the blank line belongs; it is read as a data row of dropouts, one frame too many",
          "warning: the header gives 427 frames, the file holds 428 data rows"}}},
        {"motion_capture_walk.trc",
         {{"The file is does not have a compatible \"(X/Y/Z)\" header state (line 1: there is no third tab-separated field; a blank stands where a tab belongs: put a tab after PathFileType and after (X/Y/Z)); `tovfileio repair IN OUT` repairs it (line 1: blanks after PathFileType and after (X/Y/Z); written with tabs, and 1 more)"},
         "The file is does not have a compatible \"(X/Y/Z)\" header state; line 1, column 13: there is no third tab-separated field; a blank stands where a tab belongs: put a tab after PathFileType and after (X/Y/Z)"}},
        {"nimble-weird_markers.trc",
         {{"warning: an empty column stands before the first name, and the name \"LFHD\" stands in field 4 where the reader takes names from fields 3, 6, 9, ...: 21 markers are read for 61 names, each from another marker's columns",
          "warning: line 4: the last marker name, \"LWRA\", ends the line without a tab and is not read: put a tab after it",
          "warning: marker 1 has no name on the name line; it is read with an empty name",
          "warning: 281 data rows hold more columns than the markers named (up to 185 fields against 128, first on line 7); the extra columns are not read"}}},
        {"pyomeca_markers.trc",
         {{"The file is does not have a compatible \"(X/Y/Z)\" header state (line 1: there is no third tab-separated field; commas, not tabs, separate its fields: save the file with tabs between the fields); `tovfileio repair IN OUT` repairs it (lines 1-99: fields separated by commas; written with tabs, and 2 more)"},
         "The file is does not have a compatible \"(X/Y/Z)\" header state; line 1, column 13: there is no third tab-separated field; commas, not tabs, separate its fields: save the file with tabs between the fields"}},
        {"std_walking2_markers.trc",
         {{"warning: an empty column stands before the first name, and the name \"RTH1\" stands in field 4 where the reader takes names from fields 3, 6, 9, ...: 15 markers are read for 44 names, each from another marker's columns",
          "warning: line 4: the last marker name, \"RKJC\", ends the line without a tab and is not read: put a tab after it",
          "warning: marker 1 has no name on the name line; it is read with an empty name",
          "warning: 126 data rows hold more columns than the markers named (up to 134 fields against 92, first on line 7); the extra columns are not read",
          "warning: the times of lines 7 to 132 advance 25.0401 frames a second, the data rate is read as 250; frames are placed by the rate"}}},
        {"step_width.trc",
         {{"warning: line 4: the last marker name, \"RAC\", ends the line without a tab and is not read: put a tab after it",
          "warning: line 6 stands where the coordinate labels (X1 Y1 Z1 ...) belong; it is not read (a data row is lost)",
          "warning: the header gives 27107 frames, the file holds 500 data rows"}}},
        {"test_file_03.trc",
         {{"warning: line 4: the last marker name, \"Floor4\", ends the line without a tab and is not read: put a tab after it",
          "warning: 41 data rows hold more columns than the markers named (up to 392 fields against 140, first on line 8); the extra columns are not read",
          "warning: 12 data rows end before the markers' columns without a tab after the last field (first on line 7): the markers past its end read that field, \"0.000\", as x, y and z, not as dropouts"}}},
        {"test_file_06_2tab_one_space.trc",
         {{"The file is does not have a compatible \"(X/Y/Z)\" header state (line 1: there is no third tab-separated field; blanks, not tabs, separate its fields: put a tab between each two); `tovfileio repair IN OUT` repairs it (line 1: fields separated by blanks; written with tabs)"},
         "The file is does not have a compatible \"(X/Y/Z)\" header state; line 1, column 13: there is no third tab-separated field; blanks, not tabs, separate its fields: put a tab between each two"}},
    };
    // Files that read as written, without a word.
    for (const char* name : {"bombot.htr", "fight_a.htr", "2_test02_dynamic.trc",
                             "S00_P00_T01_BalancingTrial_0-100.trc", "dataWithBlanksForMissingMarkers.trc",
                             "leg39_swing_short.trc", "levelground_ccw_fast_01_01.trc",
                             "motion_capture_run.trc", "nimble-tiziana_markers.trc", "overground_17.trc",
                             "subject01_walk1.trc", "test_file_02.trc", "walking2.trc"}) {
        expected[name] = {};
    }
    std::size_t seen = 0;
    for (const char* folder : {"htr", "trc"}) {
        for (const auto& path : tovtest::CorpusFiles(folder, std::string(".") + folder)) {
            const std::string name = path.filename().string();
            const auto found = expected.find(name);
            ASSERT_NE(found, expected.end()) << name;
            const std::vector<std::string>& messages = found->second.messages;
            const auto result = RunCommand({"info", path.string()});
            EXPECT_EQ(Messages(result.err, path.string()), messages) << name;
            std::string verdict = "reads as written";
            if (found->second.refusal != nullptr) {
                verdict = std::string("refused: ") + found->second.refusal;
            } else if (!messages.empty()) {
                verdict = "reads, but: " + messages[0].substr(std::string("warning: ").size());
                if (messages.size() > 1) {
                    verdict += " (and " + std::to_string(messages.size() - 1) + " more)";
                }
            }
            const auto diagnosis = RunCommand({"info", "--diagnose", "--json", path.string()});
            EXPECT_EQ(nlohmann::json::parse(diagnosis.out)["summary"], verdict) << name;
            ++seen;
        }
    }
    EXPECT_EQ(seen, expected.size());
}

// Markers A and B over two frames of `rows`, in a file whose first `from`
// is made `to`.
const std::string kRows = "1\t0.000\t1\t2\t3\t4\t5\t6\n2\t0.017\t1\t2\t3\t\t\t\n";
std::string Trc(const std::string& rows = kRows, const std::string& from = "", const std::string& to = "") {
    const std::string text = kHeader + "60\t60\t2\t2\tmm\t60\t1\t2\nFrame#\tTime\tA\t\t\tB\t\t\t\n"
                                       "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n" + rows;
    return from.empty() ? text : tovtest::Edited(text, from, to);
}

// Segment A over two frames, in a file whose first `from` is made `to`.
std::string Htr(const std::string& from = "", const std::string& to = "") {
    return from.empty() ? tovtest::HtrText(1, 1, 2) : tovtest::Edited(tovtest::HtrText(1, 1, 2), from, to);
}

// "LINE:COLUMN:FOUND:EFFECT" of every finding, in the diagnosis's order.
std::vector<std::string> Places(const nlohmann::json& diagnosis) {
    std::vector<std::string> places;
    for (const auto& f : diagnosis["findings"]) {
        places.push_back(std::to_string(f["line"].get<int>()) + ":" + std::to_string(f["column"].get<int>()) +
                         ":" + f["found"].get<std::string>() + ":" + f["effect"].get<std::string>());
    }
    return places;
}

TEST_F(DiagnosisTest, EachKindOfFindingIsPlacedByLineAndColumn) {
    const std::string line1 = "PathFileType\t4\t(X/Y/Z)\tx.trc", counts = "\t2\t2\tmm\t60\t1\t2";
    const struct {
        const char* name;
        std::string bytes;
        const char* verdict;
        std::vector<std::string> places;
    } cases[] = {
        {"good.trc", Trc(), "reads as written", {}},
        {"commas.trc", Trc(kRows, line1, "PathFileType,4,(X/Y/Z),x.trc"), "refused", {"1:13:,:refusal"}},
        {"count.trc", Trc(kRows, counts, "\t5\t2\tmm\t60\t1\t5"), "reads, but", {"3:7:5:misread"}},
        // An empty column before the names: A is read from field 4, B's
        // columns go to the empty name.
        {"shift.trc", Trc(kRows, "\tA\t\t\tB\t\t\t", "\t\tA\t\tB\t\t"), "reads, but",
         {"4:14:A:shift", "4:0::misread"}},
        // Text in a number is misread; a NaN is a dropout, a note.
        {"nan.trc", Trc("1\t0.000\tx\t1\t1\t4\t5\t6\n2\t0.017\tNaN\t1\t2\t4\t5\t6\n"),
         "reads, but", {"7:9:x:misread", "8:9:NaN:note"}},
        {"gap.trc", Trc("1\t0.000\t1\t2\t3\t4\t5\t6\n4\t0.050\t1\t2\t3\t4\t5\t6\n"), "reads, but",
         {"8:1:4:shift"}},
        {"rate.trc",
         Trc("1\t0.000\t1\t2\t3\t4\t5\t6\n2\t0.010\t1\t2\t3\t4\t5\t6\n3\t0.020\t1\t2\t3\t4\t5\t6\n",
             counts, "\t3\t2\tmm\t60\t1\t3"),
         "reads, but", {"9:0::misread"}},
        {"unseen.trc", Trc("1\t0.000\t1\t2\t3\t\t\t\n2\t0.017\t1\t2\t3\t\t\t\n"),
         "reads as written", {"4:17::note"}},
        {"unit.trc", Trc(kRows, "\tmm\t", "\tmeters\t"), "reads, but", {"3:11:meters:misread"}},
        // A row of a frame number and a time only: every marker reads the
        // time as its position.
        {"short.trc", Trc("1\t0.000\t1\t2\t3\t4\t5\t6\n2\t0.017\n"), "reads, but", {"8:3:0.017:shift"}},
        {"units.htr", Htr("Degrees", "Grads"), "reads, but", {"10:15:Grads:misread"}},
        {"gravity.htr", Htr("GlobalAxisofGravity", "GlobalAxisOfGravity"), "reads as written",
         {"11:1:GlobalAxisOfGravity:note"}},
        {"framegap.htr", Htr("2 0 0 0 0 0 0 1", "3 0 0 0 0 0 0 1"), "reads, but", {"19:1:3:shift"}},
        // What a second pass over the raw lines could not see or misjudged:
        // UTF-16 text, a hierarchy without a root, a rate that is no whole
        // number, every refusal of a file, a carriage return in a value,
        // files of no motion format at all.
        {"utf16.htr", tovtest::Utf16(Htr(), true), "reads as written", {}},
        {"after.htr", Htr() + "junk here\nNumFrames many\n", "reads as written", {}},
        {"gravity-x.htr", Htr("GlobalAxisofGravity Y", "GlobalAxisofGravity x"), "refused",
         {"11:21:x:refusal"}},
        {"noroot.htr", Htr("A GLOBAL", "A Nothing"), "reads, but", {"0:0::shift"}},
        {"rate.htr", Htr("DataFrameRate 30", "DataFrameRate 29.97"), "reads, but", {"7:15:29.97:misread"}},
        {"axes.htr", tovtest::Edited(Htr("BoneLengthAxis Y", "BoneLengthAxis Z"), "ZYX", "XYZ"), "refused",
         {"8:20:XYZ:refusal", "12:16:Z:refusal"}},
        {"cr.htr", Htr("FileType htr", "FileType htr\r\r"), "refused", {"2:10:htr\r:refusal"}},
        {"out.gwm", "$Comments\tGWM file generated from TRC file by\n$Filename   x\n", "refused",
         {"2:0::refusal"}},
    };
    for (const auto& c : cases) {
        const auto result = RunCommand({"info", "--diagnose", "--json", Write(c.name, c.bytes)});
        EXPECT_EQ(result.status, std::string(c.verdict) == "refused" ? 1 : 0) << c.name;
        EXPECT_EQ(result.err, "") << c.name;
        const auto diagnosis = nlohmann::json::parse(result.out);
        EXPECT_EQ(diagnosis["verdict"], c.verdict) << c.name << "\n" << result.out;
        EXPECT_EQ(Places(diagnosis), c.places) << c.name << "\n" << result.out;
    }
}

TEST_F(DiagnosisTest, TextShowsTheVerdictThenEachFinding) {
    const std::string file =
        Write("text.trc", Trc("1\t0.000\t1\t2\t3\tx\tx\tx\n", "\t2\t2\tmm\t60\t1\t2",
            "\t1\t2\tmm\t60\t1\t1"));
    EXPECT_EQ(RunCommand({"info", "--diagnose", file}).out,
              file + ": reads, but: 3 coordinate fields hold text, not a number (first \"x\" on line 7); read as "
                     "0, not as a dropout\n"
                     "  line 7, column 15, \"x\": 3 coordinate fields hold text, not a number (first \"x\" on "
                     "line 7); read as 0, not as a dropout [misread]\n"
                     "  line 4, column 17: 1 marker is never seen (\"B\"): every sample a dropout or at the origin "
                     "exactly [note]\n");
    // A refusal: the reader's message, where its cause stands, and how many
    // more refusals there are.
    const std::string axes = Write(
        "axes.htr", tovtest::Edited(Htr("BoneLengthAxis Y", "BoneLengthAxis Z"), "ZYX", "XYZ"));
    EXPECT_THAT(RunCommand({"info", "--diagnose", axes}).out,
                StartsWith(axes + ": refused: The file does not have a compatible "
                                  "\"EulerRotationOrder\" header state; line 8, column 20: the "
                                  "reader takes EulerRotationOrder ZYX only, not \"XYZ\" "
                                  "(and 1 more)\n"));
}

}  // namespace

// view, preview and convert to glTF stand a take upright whichever axis its
// file stands along, leave Y-up files as they were, and start a take whose
// first frames hold no marker where a marker is first seen.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/cli/RunCommand.h"
#include "view/KindColours.h"

namespace {

using ::testing::HasSubstr;
using tovtest::RunOk;

// The extent of the marker dots of one view of a picture (0 front, 1 side):
// width across, height up, in pixels.
struct Extent {
    double width = 0, height = 0;
    int dots = 0;
};

Extent MarkerExtent(const std::string& svg, int view) {
    static const std::regex dot("<circle cx=\"([-0-9.]+)\" cy=\"([-0-9.]+)\" r=\"3\" fill=\"" +
                                std::string(tovcolours::kMarkerHex) + "\"/>");
    double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
    Extent extent;
    for (std::sregex_iterator at(svg.begin(), svg.end(), dot), end; at != end; ++at) {
        const double x = std::stod((*at)[1]), y = std::stod((*at)[2]);
        if ((x < 400) != (view == 0)) continue;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        ++extent.dots;
    }
    if (extent.dots > 0) extent = {right - left, bottom - top, extent.dots};
    return extent;
}

class UprightTest : public tovtest::CliTest {};

// Standard error's lines that are the reader's warnings.
std::string WarningLines(const std::string& err) {
    std::string lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) {
        if (line.find(": warning: ") != std::string::npos) lines += line + "\n";
    }
    return lines;
}

// People captured Z-up and Y-up alike are drawn taller than wide, from the
// front and from the side; a Z-up take says it was turned, and the turned
// copy keeps every warning the file's reader gives, as info gives them.
TEST_F(UprightTest, CorpusPeopleStandUpright) {
    if (tovtest::CorpusDir().empty()) GTEST_SKIP() << "no corpus beside the project";
    const struct {
        const char* file;
        bool turned;
        bool drawn = true;  // false: too few markers at the first frame to measure
    } cases[] = {
        {"trc/Gait.trc", true},
        {"trc/EMG_test06-Dynamic.trc", true},
        {"trc/nimble-weird_markers.trc", false},
        {"trc/2_test02_dynamic.trc", true},
        {"trc/S00_P00_T01_BalancingTrial_0-100.trc", false},
        {"trc/std_walking2_markers.trc", true, false},
    };
    for (const auto& c : cases) {
        const std::string file = (tovtest::CorpusDir() / c.file).string();
        std::string err;
        const std::string svg = Made("preview", {file}, ".svg", &err);
        ASSERT_FALSE(svg.empty()) << c.file << ": " << err;
        EXPECT_EQ(err.find("stands Z-up") != std::string::npos, c.turned) << c.file << ": " << err;
        const std::string warnings = WarningLines(RunOk({"info", file}).err);
        EXPECT_EQ(WarningLines(err), warnings) << c.file;
        std::string viewErr;
        Made("view", {file}, ".html", &viewErr);
        EXPECT_EQ(WarningLines(viewErr), warnings) << c.file;
        for (int view = 0; view < 2 && c.drawn; ++view) {
            const Extent extent = MarkerExtent(svg, view);
            EXPECT_GT(extent.dots, 3) << c.file << " view " << view;
            EXPECT_GT(extent.height, extent.width) << c.file << " view " << view;
        }
    }
}

// A figure lying on the floor (its head along Z) is stood up as a marker
// take is; the turn is the one --up z asks for.
TEST_F(UprightTest, ASkeletonLyingDownIsStoodUp) {
    if (tovtest::CorpusDir().empty()) GTEST_SKIP() << "no corpus beside the project";
    const std::string file = (tovtest::CorpusDir() / "bvh/standard_skeleton.bvh").string();
    std::string err;
    const std::string svg = Made("preview", {file}, ".svg", &err);
    EXPECT_THAT(err, HasSubstr(file + ": stands Z-up"));
    EXPECT_THAT(err, HasSubstr("; turned upright"));
    EXPECT_EQ(svg, Made("preview", {file, "--up", "z"}, ".svg"));
    EXPECT_NE(svg, Made("preview", {file, "--up", "y"}, ".svg"));
}

// A BVH file states no units: its page says the lengths were taken as mm,
// or as --in-units names them.
TEST_F(UprightTest, ABvhPageSaysItsUnitsWereAssumed) {
    const std::string bvh = Path("walk.bvh");
    RunOk({"convert", TOV_SOURCE_DIR "/samples/walk.htr", bvh});
    EXPECT_THAT(Made("view", {bvh}, ".html"), HasSubstr(">lengths taken as mm: a BVH file states no units</p>"));
    // --in-units names them: the figure drawn ten times the size in cm.
    EXPECT_THAT(Made("view", {bvh, "--in-units", "cm"}, ".html"), HasSubstr(">lengths taken as cm (--in-units)</p>"));
    EXPECT_NE(Made("preview", {bvh, "--in-units", "cm"}, ".svg"), Made("preview", {bvh}, ".svg"));
    EXPECT_EQ(Made("preview", {bvh, "--in-units", "mm"}, ".svg"), Made("preview", {bvh}, ".svg"));
}

// A Y-up file is imported as it is: the page and the picture are those of
// --up y, and nothing is said.
TEST_F(UprightTest, YUpFilesAreLeftAsTheyAre) {
    for (const char* sample : {"walk.trc", "walk.htr"}) {
        const std::string file = TOV_SOURCE_DIR "/samples/" + std::string(sample);
        for (const auto& [command, extension] :
             {std::pair<std::string, std::string>{"view", ".html"}, {"preview", ".svg"}}) {
            std::string err;
            const std::string told = Made(command, {file}, extension, &err);
            EXPECT_EQ(err, "") << sample << " " << command;
            EXPECT_FALSE(told.empty()) << sample << " " << command;
            EXPECT_EQ(told, Made(command, {file, "--up", "y"}, extension)) << sample << " " << command;
            EXPECT_EQ(told.find("id=\"note\""), std::string::npos) << sample << " " << command;
        }
    }
}

// The same small take written Z-up and Y-up gives the same page once
// turned, and --up z asks for the turn as auto tells it.
TEST_F(UprightTest, AZUpTakeIsTurnedAsTheYUpOne) {
    const std::vector<std::string> names = {"HEAD", "LTOE", "RTOE"};
    const std::string yUp = Write("y.trc", tovtest::TrcText(names, {"0\t1700\t-20\t-100\t50\t-20\t100\t50\t-20"}));
    const std::string zUp = Write("z.trc", tovtest::TrcText(names, {"0\t20\t1700\t-100\t20\t50\t100\t20\t50"}));
    std::string err;
    const std::string page = Made("view", {zUp}, ".html", &err);
    EXPECT_THAT(err, HasSubstr(zUp + ": stands Z-up (head markers above the feet along Z); turned upright"));
    EXPECT_EQ(page, Made("view", {zUp, "--up", "z"}, ".html"));
    const std::string yPage = Made("view", {yUp}, ".html");
    // The title differs by the file's name alone.
    EXPECT_EQ(std::regex_replace(page, std::regex("\"z.trc\""), "\"y.trc\""), yPage);
    // Turned the wrong way on purpose, the take lies flat.
    EXPECT_NE(Made("view", {zUp, "--up", "y"}, ".html"), page);
    RunOk({"convert", zUp, Path("z.glb"), "--up", "auto"});
}

// A take whose first frames hold no marker starts at the first that holds
// one, and the page and the picture say so.
TEST_F(UprightTest, AnEmptyStartIsSkippedAndSaid) {
    const std::string gone = "\t\t\t\t\t";
    const std::string file = Write("late.trc", tovtest::TrcText({"A", "B"},
        {gone, gone, gone, "1\t2\t3\t4\t5\t6", "1\t2\t4\t4\t5\t7"}));
    const std::string note = "frames 1-3 hold no marker; starts at 4";
    const std::string page = Made("view", {file}, ".html");
    EXPECT_THAT(page, HasSubstr(">" + note + "</p>"));
    EXPECT_THAT(page, HasSubstr("\"firstFrame\":4,\"frameCount\":2,"));
    const std::string svg = Made("preview", {file}, ".svg");
    EXPECT_THAT(svg, HasSubstr(note + "</tspan>"));
    EXPECT_THAT(svg, HasSubstr(">frame 4, "));
    // A frame asked for is drawn, and the note still says where the take starts.
    EXPECT_THAT(Made("preview", {file, "--frame", "5"}, ".svg"), HasSubstr(">frame 5, "));
}

// The page's script draws in the colours preview and glTF take.
TEST(KindColoursTest, ThePageDrawsInTheSameColours) {
    const std::string script = tovtest::ReadBytes(TOV_SOURCE_DIR "/tools/view/page/player.js");
    EXPECT_THAT(script, HasSubstr("const BONE = \"" + std::string(tovcolours::kBoneHex) + "\";"));
    EXPECT_THAT(script, HasSubstr("const MARKER = \"" + std::string(tovcolours::kMarkerHex) + "\";"));
}

}  // namespace

// info --diagnose: the verdict on a file and where each finding stands (line,
// column, the text there) and what it does to the read; hand-made files for
// each kind of finding. The corpus's verdicts stand beside its warnings.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/tools/cli/RunCommand.h"
#include "tests/support/HostileInputs.h"
#include "tests/support/TestFiles.h"

using tovtest::RunCommand;

namespace {

std::string Trc(const std::string& line3, const std::string& names, const std::string& rows,
                const std::string& line1 = "PathFileType\t4\t(X/Y/Z)\tx.trc") {
    return line1 + "\nDataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
                   "OrigDataStartFrame\tOrigNumFrames\n" +
           line3 + "\n" + names + "\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n" + rows;
}

const std::string kNames = "Frame#\tTime\tA\t\t\tB\t\t\t";
const std::string kRows = "1\t0.000\t1\t2\t3\t4\t5\t6\n2\t0.017\t1\t2\t3\t\t\t\n";

std::string Htr(const std::string& from = "", const std::string& to = "") {
    std::string text =
        "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 1\nNumFrames 2\n"
        "DataFrameRate 60\nEulerRotationOrder ZYX\nCalibrationUnits mm\nRotationUnits Degrees\n"
        "GlobalAxisofGravity Y\nBoneLengthAxis Y\n[SegmentNames&Hierarchy]\nA GLOBAL\n"
        "[BasePosition]\nA 0 0 0 0 0 0 1\n[A]\n1 0 0 0 0 0 0 1\n2 0 0 0 0 0 0 1\n[EndOfFile]\n";
    if (!from.empty()) text.replace(text.find(from), from.size(), to);
    return text;
}

// "LINE:COLUMN:FOUND:EFFECT" of every finding, in the diagnosis's order.
std::vector<std::string> Places(const nlohmann::json& diagnosis) {
    std::vector<std::string> places;
    for (const auto& f : diagnosis["findings"]) {
        places.push_back(std::to_string(f["line"].get<int>()) + ":" +
                         std::to_string(f["column"].get<int>()) + ":" +
                         f["found"].get<std::string>() + ":" + f["effect"].get<std::string>());
    }
    return places;
}

TEST(DiagnosisTest, EachKindOfFindingIsPlacedByLineAndColumn) {
    tovtest::ScratchDir dir;
    const std::string line3 = "60\t60\t2\t2\tmm\t60\t1\t2";
    const struct {
        const char* name;
        std::string bytes;
        const char* verdict;
        std::vector<std::string> places;
    } cases[] = {
        {"good.trc", Trc(line3, kNames, kRows), "reads as written", {}},
        {"blanks.trc", Trc(line3, kNames, kRows, "PathFileType 4 (X/Y/Z) x.trc"), "refused",
         {"1:13: :refusal"}},
        {"commas.trc", Trc(line3, kNames, kRows, "PathFileType,4,(X/Y/Z),x.trc"), "refused",
         {"1:13:,:refusal"}},
        {"count.trc", Trc("60\t60\t5\t2\tmm\t60\t1\t5", kNames, kRows), "reads, but",
         {"3:7:5:misread"}},
        // An empty column before the names: A is read from field 4, B's
        // columns go to the empty name.
        {"shift.trc", Trc(line3, "Frame#\tTime\t\tA\t\tB\t\t", kRows), "reads, but",
         {"4:14:A:shift", "4:0::misread"}},
        {"nan.trc", Trc(line3, kNames, "1\t0.000\tNaN\tNaN\tNaN\t4\t5\t6\n2\t0.017\tnan\t1\t2\t4\t5\t6\n"),
         "reads, but", {"7:9:NaN:misread"}},
        {"gap.trc", Trc(line3, kNames, "1\t0.000\t1\t2\t3\t4\t5\t6\n4\t0.050\t1\t2\t3\t4\t5\t6\n"),
         "reads, but", {"8:1:4:shift"}},
        {"rate.trc", Trc("60\t60\t3\t2\tmm\t60\t1\t3", kNames,
                         "1\t0.000\t1\t2\t3\t4\t5\t6\n2\t0.010\t1\t2\t3\t4\t5\t6\n"
                         "3\t0.020\t1\t2\t3\t4\t5\t6\n"),
         "reads, but", {"9:0::misread"}},
        {"unseen.trc", Trc(line3, kNames, "1\t0.000\t1\t2\t3\t\t\t\n2\t0.017\t1\t2\t3\t\t\t\n"),
         "reads as written", {"4:17::note"}},
        {"unit.trc", Trc("60\t60\t2\t2\tmeters\t60\t1\t2", kNames, kRows), "reads, but",
         {"3:11:meters:misread"}},
        // A row of a frame number and a time only: every marker reads the
        // time as its position.
        {"short.trc", Trc(line3, kNames, "1\t0.000\t1\t2\t3\t4\t5\t6\n2\t0.017\n"), "reads, but",
         {"8:3:0.017:shift"}},
        {"good.htr", Htr(), "reads as written", {}},
        {"order.htr", Htr("ZYX", "XYZ"), "refused", {"8:20:XYZ:refusal"}},
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
        {"rate.htr", Htr("DataFrameRate 60", "DataFrameRate 59.94"), "reads, but",
         {"7:15:59.94:misread"}},
        {"axes.htr", Htr("BoneLengthAxis Y", "BoneLengthAxis Z").replace(Htr().find("ZYX"), 3, "XYZ"),
         "refused", {"8:20:XYZ:refusal", "12:16:Z:refusal"}},
        {"cr.htr", Htr("FileType htr", "FileType htr\r\r"), "refused", {"2:10:htr\r:refusal"}},
        {"pic.png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "refused", {"0:0::misread"}},
        {"out.gwm", "$Comments\tGWM file generated from TRC file by\n$Filename   x\n", "refused",
         {"0:0::misread"}},
    };
    for (const auto& c : cases) {
        const auto file = dir.Write(c.name, c.bytes).string();
        const auto result = RunCommand({"info", "--diagnose", "--json", file});
        EXPECT_EQ(result.status, std::string(c.verdict) == "refused" ? 1 : 0) << c.name;
        EXPECT_EQ(result.err, "") << c.name;
        const auto diagnosis = nlohmann::json::parse(result.out);
        EXPECT_EQ(diagnosis["verdict"], c.verdict) << c.name << "\n" << result.out;
        EXPECT_EQ(Places(diagnosis), c.places) << c.name << "\n" << result.out;
    }
}

TEST(DiagnosisTest, TextShowsTheVerdictThenEachFinding) {
    tovtest::ScratchDir dir;
    const auto file = dir.Write("nan.trc", Trc("60\t60\t1\t2\tmm\t60\t1\t1", kNames,
                                               "1\t0.000\t1\t2\t3\tNaN\tNaN\tNaN\n"))
                          .string();
    const auto result = RunCommand({"info", "--diagnose", file});
    EXPECT_EQ(result.out,
              file + ": reads, but: 3 coordinate fields hold text, not a number (first \"NaN\" on "
                     "line 7); read as 0, not as a dropout\n"
                     "  line 7, column 15, \"NaN\": 3 coordinate fields hold text, not a number "
                     "(first \"NaN\" on line 7); read as 0, not as a dropout [misread]\n"
                     "  line 4, column 17: 1 marker is never seen (\"B\"): every sample a dropout or "
                     "at the origin exactly [note]\n");
}

}  // namespace

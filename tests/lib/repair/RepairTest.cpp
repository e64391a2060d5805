#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/TestFiles.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/repair/Repair.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

std::vector<std::string> Said(const RepairResult& result) {
    std::vector<std::string> said;
    for (const RepairChange& change : result.changes) {
        said.push_back(std::to_string(change.line) + ": " + change.text);
    }
    return said;
}

bool Refuses(const RepairResult& result) {
    for (const ReadFinding& finding : result.findings) {
        if (finding.effect == ReadFinding::Effect::kRefusal) return true;
    }
    return false;
}

const std::string kLines2To5 =
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\tOrigNumFrames\n"
    "100\t100\t3\t2\tmm\t100\t1\t3\n"
    "Frame#\tTime\tA\t\t\tB\t\t\n"
    "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n";
const std::string kRows =
    "\n"
    "1\t0.00\t1\t2\t3\t4\t5\t6\n"
    "2\t0.01\t7\t8\t9\t10\t11\t12\n"
    "3\t0.02\t13\t14\t15\t16\t17\t18\n";
const std::string kHeader = "PathFileType\t4\t(X/Y/Z)\tt.trc\n" + kLines2To5;
const std::string kGood = kHeader + kRows;

// Matrix of turning about `axis` by `angle`, for column vectors.
using M3 = std::array<std::array<double, 3>, 3>;
M3 Turn(int axis, double angle) {
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    M3 m{};
    m[axis][axis] = 1;
    m[a][a] = m[b][b] = std::cos(angle);
    m[b][a] = std::sin(angle);
    m[a][b] = -m[b][a];
    return m;
}
M3 Times(const M3& p, const M3& q) {
    M3 r{};
    for (int e = 0; e < 9; ++e) {
        const int i = e / 3, j = e % 3;
        r[i][j] = p[i][0] * q[0][j] + p[i][1] * q[1][j] + p[i][2] * q[2][j];
    }
    return r;
}
// HTR's order "ABC": turned about A, then B, then C on the turned axes,
// which is the product R_A R_B R_C; `byAxis` holds the angles about X, Y, Z.
M3 HtrRotation(const std::string& order, const double (&byAxis)[3]) {
    M3 r = Turn(order[0] - 'X', byAxis[order[0] - 'X']);
    for (int n = 1; n < 3; ++n) r = Times(r, Turn(order[n] - 'X', byAxis[order[n] - 'X']));
    return r;
}
// The ZYX angles `read`, in radians, turn as `degrees` do in `order`.
void ExpectSameTurns(const double (&read)[3], const std::string& order, const double (&degrees)[3],
                     const std::string& what) {
    const double k = std::numbers::pi / 180;
    const double given[3] = {degrees[0] * k, degrees[1] * k, degrees[2] * k};
    const M3 a = HtrRotation("ZYX", read), b = HtrRotation(order, given);
    for (int e = 0; e < 9; ++e) EXPECT_NEAR(a[e / 3][e % 3], b[e / 3][e % 3], 1e-12) << what << " " << e;
}

std::string Htr(const std::string& order, const std::string& base, const std::string& frames) {
    return "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 1\nNumFrames 2\n"
           "DataFrameRate 60\nEulerRotationOrder " + order +
           "\nCalibrationUnits mm\nRotationUnits Degrees\nGlobalAxisofGravity Y\nBoneLengthAxis Y\n"
           "ScaleFactor 1.0\n[SegmentNames&Hierarchy]\nhip\tGLOBAL\n[BasePosition]\n"
           "hip\t" + base + "\n[hip]\n" + frames + "[EndOfFile]\n";
}

// `text` with its tabs turned to blanks, as `tr '\t' ' '` turns them.
std::string Blanked(std::string text) {
    std::replace(text.begin(), text.end(), '\t', ' ');
    return text;
}

// `text` with its first `from` replaced by `to`.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    return text.replace(text.find(from), from.size(), to);
}

}  // namespace

// Each layout the repair takes on: the changes it says and the text it
// writes, which the reader then takes without a refusal.
TEST(Repair, TrcLayoutsAreRewrittenAsTheFileMeans) {
    struct Case {
        const char* name;
        std::string in;
        std::vector<std::string> said;
        std::string out;
    };
    // Names a field right of the labels they head: NumMarkers is not theirs to set.
    const std::string offColumns =
        Replaced(Replaced(kGood, "100\t100\t3\t2", "100\t100\t3\t5"), "Time\tA", "Time\t\tA");
    const std::vector<Case> cases = {
        {"a blank after (X/Y/Z)", "PathFileType\t4\t(X/Y/Z) my take.trc\n" + kLines2To5 + kRows,
         {"1: blanks after (X/Y/Z); written with tabs"},
         "PathFileType\t4\t(X/Y/Z)\tmy take.trc\n" + kLines2To5 + kRows},
        {"blanks after both", "PathFileType  4\t(X/Y/Z) t.trc\r\n" + kLines2To5 + kRows,
         {"1: blanks after PathFileType and after (X/Y/Z); written with tabs"},
         "PathFileType\t4\t(X/Y/Z)\tt.trc\r\n" + kLines2To5 + kRows},
        {"blanks after the first two fields", "PathFileType 4 (X/Y/Z)\tt.trc\n" + kLines2To5 + kRows,
         {"1: blanks after PathFileType and after the path-file type; written with tabs"}, kGood},
        {"no tab after (X/Y/Z)", "PathFileType\t4\t(X/Y/Z)t.trc\n" + kLines2To5 + kRows,
         {"1: no tab after (X/Y/Z); written with tabs"}, kGood},
        {"commas and a line 6 of commas",
         "PathFileType,4,(X/Y/Z),t.trc\nDataRate,CameraRate,NumFrames,NumMarkers\n100,100,1,1\n"
         "Frame#,Time,A,,\n,,X1,Y1,Z1\n,,,,\n1,0,1.5,2,3\n",
         {"1: fields separated by commas; written with tabs", "2: fields separated by commas; written with tabs",
          "3: fields separated by commas; written with tabs", "4: fields separated by commas; written with tabs",
          "5: fields separated by commas; written with tabs", "6: fields separated by commas; written with tabs",
          "6: only separators where the blank line belongs; written empty",
          "7: fields separated by commas; written with tabs"},
         "PathFileType\t4\t(X/Y/Z)\tt.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\n100\t100\t1\t1\n"
         "Frame#\tTime\tA\t\t\n\t\tX1\tY1\tZ1\n\n1\t0\t1.5\t2\t3\n"},
        {"blanks everywhere",
         "PathFileType 4 (X/Y/Z) t.trc\nDataRate CameraRate NumFrames NumMarkers\n100 100 1 2\n"
         "Frame# Time A B\nX1 Y1 Z1 X2 Y2 Z2\n\n1 0 1 2 3 4 5 6\n",
         {"1: fields separated by blanks; written with tabs", "2: fields separated by blanks; written with tabs",
          "3: fields separated by blanks; written with tabs", "4: fields separated by blanks; written with tabs",
          "5: fields separated by blanks; written with tabs", "7: fields separated by blanks; written with tabs"},
         "PathFileType\t4\t(X/Y/Z)\tt.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\n100\t100\t1\t2\n"
         "Frame#\tTime\tA\t\t\tB\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\n\n1\t0\t1\t2\t3\t4\t5\t6\n"},
        {"counts against rows and names", Replaced(kGood, "100\t100\t3\t2", "100\t100\t30\t5"),
         {"3: NumFrames 30 against 3 data rows; written as 3",
          "3: NumMarkers 5 against 2 marker names; written as 2"}, kGood},
        {"the last name without a tab", Replaced(kGood, "\tB\t\t\n", "\tB\n"),
         {"4: the last marker name, \"B\", ends the line without a tab; one written after it"},
         Replaced(kGood, "\tB\t\t\n", "\tB\t\n")},
        {"header values two tabs apart", Replaced(kGood, "100\t100\t3\t2", "100\t\t100\t\t3\t\t2\t"),
         {"3: header values with empty fields between them; written one under each keyword"}, kGood},
        {"frames missing between rows", kHeader + "\n1\t0.00\t1\t2\t3\t4\t5\t6\n4\t0.03\t7\t8\t9\t10\t11\t12\n",
         {"3: NumFrames 3 against 4 data rows; written as 4",
          "8: frames 2-3 missing before the row of frame 4; written as rows of dropouts"},
         Replaced(kHeader, "100\t100\t3\t2", "100\t100\t4\t2") +
             "\n1\t0.00\t1\t2\t3\t4\t5\t6\n2\t0.01\t\t\t\t\t\t\n3\t0.02\t\t\t\t\t\t\n4\t0.03\t7\t8\t9\t10\t11\t12\n"},
        {"names off their columns keep NumMarkers", offColumns, {}, offColumns},
        {"a whole sample NaN, one field NaN beside numbers",
         Replaced(Replaced(kGood, "\t1\t2\t3\t", "\t1\tnan\t3\t"), "7\t8\t9", "NaN\tNaN\tNaN"),
         {"7: samples that say NaN; written as empty fields (dropouts)",
          "8: samples that say NaN; written as empty fields (dropouts)"},
         Replaced(Replaced(kGood, "\t1\t2\t3\t", "\t\t\t\t"), "7\t8\t9", "\t\t")},
        {"a NaN signed and padded", Replaced(kGood, "\t17\t", "\t  -nan \t"),
         {"9: samples that say NaN; written as empty fields (dropouts)"}, Replaced(kGood, "16\t17\t18", "\t\t")},
        // B past the row's end reads its last field again: a dropout too.
        {"a trimmed row ending in NaN", Replaced(kGood, "\t16\t17\t18", "\t-NAN"),
         {"9: samples that say NaN; written as empty fields (dropouts)"}, Replaced(kGood, "\t16\t17\t18", "\t")},
        {"a file that reads as written", kGood, {}, kGood},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RepairResult result = RepairText(c.in, FileKind::kTrc);
        ASSERT_TRUE(result.Repaired()) << result.message;
        EXPECT_EQ(Said(result), c.said);
        EXPECT_EQ(result.text, c.out);
        EXPECT_FALSE(Refuses(result));
    }
}

// Tabs that became blanks, dropouts among the fields: each value keeps its
// column, a run of k blanks between two values holding k - 1 empty fields
// where the header's three counts agree, or the file is refused with nothing
// written; and the repaired text is kept only when every value of the file
// reads back where it stood.
TEST(Repair, BlankSeparatedFieldsKeepTheirColumnsOrAreRefused) {
    const std::string header =
        "PathFileType\t4\t(X/Y/Z)\tt.trc\nDataRate\tCameraRate\tNumFrames\tNumMarkers\n100\t100\t1\t3\n"
        "Frame#\tTime\tA\t\t\tB\t\t\tC\t\t\n\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\n\n";
    const std::string kAmbiguous = "line 7: its empty fields cannot be placed with certainty: a run of blanks stands "
                                   "between two values, and ";
    struct Case {
        const char* name;
        std::string in;
        std::string out;  // empty: refused with `message`
        std::string message;
    };
    // Most cases are a tabbed file turned to blanks, repaired as it was.
    const auto restored = [&](const char* name, const std::string& row) {
        return Case{name, Blanked(header + row + "\n"), header + row + "\n", ""};
    };
    const std::vector<Case> cases = {
        restored("a dropout first", "1\t0\t\t\t\t4\t5\t6\t7\t8\t9"),
        restored("a dropout between two markers", "1\t0\t1\t2\t3\t\t\t\t7\t8\t9"),
        restored("a dropout last", "1\t0\t1\t2\t3\t4\t5\t6\t\t\t"),
        restored("a row of dropouts", "1\t0\t\t\t\t\t\t\t\t\t"),
        restored("a row that ends after its first marker", "1\t0\t1\t2\t3"),
        {"blanks after a full row", Blanked(header) + "1 0 1 2 3 4 5 6 7 8 9   \n",
         header + "1\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\n", ""},
        {"a full row with a padded value", Blanked(header) + "1 0  1.5 2 3 4 5 6 7 8 9\n",
         header + "1\t0\t1.5\t2\t3\t4\t5\t6\t7\t8\t9\n", ""},
        {"a NaN among blanks", Blanked(header) + "1 0 1 2 3 4 NaN 6 7 8 9\n",
         header + "1\t0\t1\t2\t3\t\t\t\t7\t8\t9\n", ""},
        {"tabs and blanks mixed", Blanked(header) + "1 0\t1 2\t3 \t\t 7\t8 9\n2\t0\t1.5 \t2\t3\t4\t5\t6\t7\t8\t9\n",
         Replaced(header, "\t1\t3\n", "\t2\t3\n") + "1\t0\t1\t2\t3\t\t\t\t7\t8\t9\n2\t0\t1.5 \t2\t3\t4\t5\t6\t7\t8\t9\n", ""},
        {"a padded value beside a dropout", Blanked(header + "1\t0\t1 \t2\t3\t\t\t\t7\t8\t9\n"), "",
         kAmbiguous + "the line's 11 separators and 8 values are not the 10 separators or the 11 values of its "
                      "11 fields"},
        {"counts that disagree", Blanked(Replaced(header, "\t1\t3\n", "\t1\t4\n") + "1\t0\t\t\t\t4\t5\t6\t7\t8\t9\n"),
         "", kAmbiguous + "NumMarkers, the names of line 4 and the labels of line 5 do not agree on the fields of a row"},
        {"a name holding a blank", Blanked(Replaced(header, "\tA\t", "\tLeft Knee\t") + "1\t0\t1\t2\t3\t4\t5\t6\t7\t8\t9\n"),
         "", "line 4: its 4 marker names are not the 3 markers of line 5's 9 labels: the names cannot be placed "
             "with certainty"},
        // Commas separate the fields of line 1, a decimal comma those of a
        // row of tabs: writing it with tabs would move the row's values.
        {"decimal commas in a row of tabs",
         "PathFileType,4,(X/Y/Z),t.trc\nDataRate,CameraRate,NumFrames,NumMarkers\n100,100,1,3\n"
         "Frame#,Time,A,,,B,,,C,,\n,,X1,Y1,Z1,X2,Y2,Z2,X3,Y3,Z3\n\n1\t0\t1,5\t2\t3\t4\t5\t6\t7\t8\t9\n",
         "", "line 7: field 3, \"1,5\", would stand in another column of the repaired file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RepairResult result = RepairText(c.in, FileKind::kTrc);
        EXPECT_EQ(result.message, c.message);
        EXPECT_EQ(result.text, c.out);
        EXPECT_EQ(Refuses(result), c.out.empty());
    }
}

// Every sample of `repaired`, read by the TRC reader, is the one `original`
// holds for its marker at its row.
void ExpectSameSamples(const std::string& repaired, const std::string& original) {
    TRCFile a, b;
    ASSERT_EQ(a.ReadMemory(repaired), L"");
    ASSERT_EQ(b.ReadMemory(original), L"");
    ASSERT_EQ(a.GetNumMarkers(), b.GetNumMarkers());
    ASSERT_EQ(a.GetNumRows(), b.GetNumRows());
    std::size_t differ = 0;
    for (std::uint32_t m = 0; m < a.GetNumMarkers(); ++m) {
        EXPECT_EQ(a.GetMarker(m)->GetName(), b.GetMarker(m)->GetName());
        for (std::uint32_t row = 0; row < a.GetNumRows(); ++row) {
            double p[3], q[3];
            const bool seen = a.GetMarker(m)->GetPosition(row, p[0], p[1], p[2]);
            differ += seen != b.GetMarker(m)->GetPosition(row, q[0], q[1], q[2]) ||
                      p[0] != q[0] || p[1] != q[1] || p[2] != q[2];
        }
    }
    EXPECT_EQ(differ, 0u);
}

// Corpus takes with dropouts, their tabs turned to blanks: repaired, each
// marker reads what the tabbed file gives it; or refused where the blanks
// cannot say which fields are empty. (The sample take turned to blanks
// becomes its own bytes again in the repair command's test.)
TEST(Repair, TakesTurnedToBlanksReadAsTheirTabbedFiles) {
    const std::filesystem::path corpus = tovtest::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no corpus";
    const std::pair<const char*, bool> takes[] = {
        {"dataWithBlanksForMissingMarkers.trc", true}, {"test_file_06_2tab_one_space.trc", true},
        {"Day7_Session2_Take01_-_walk.trc", true},     {"subject01_walk1.trc", true},
        {"motion_capture_run.trc", true},              {"test_file_03.trc", false},
        {"Gait.trc", false},                           {"EMG_test06-Dynamic.trc", false},
    };
    for (const auto& [name, repairs] : takes) {
        SCOPED_TRACE(name);
        // The tabbed file as it reads once repaired, when it needs that.
        const RepairResult tabbed = RepairFile((corpus / "trc" / name).string(), FileKind::kTrc);
        ASSERT_TRUE(tabbed.Repaired()) << tabbed.message;
        const RepairResult result = RepairText(Blanked(tabbed.text), FileKind::kTrc);
        EXPECT_EQ(result.Repaired(), repairs) << result.message;
        if (result.Repaired()) ExpectSameSamples(result.text, tabbed.text);
        EXPECT_EQ(result.text.empty(), !result.Repaired());
    }
}

// Every order of three different axes becomes ZYX holding the same
// rotations, base and frames, checked against the turns the order names.
TEST(Repair, HtrRotationsKeepTheirTurnsInTheReadersOrder) {
    const double base[3] = {10, -20, 30};
    const double frames[2][3] = {{55.95127, 58.01329, 67.21526}, {-170, 89.5, 3}};
    for (const std::string order : {"XYZ", "XZY", "YXZ", "YZX", "ZXY", "ZYX"}) {
        SCOPED_TRACE(order);
        const RepairResult result =
            RepairText(Htr(order, "1\t2\t3\t10\t-20\t30\t1", "1\t0\t0\t0\t55.95127\t58.01329\t67.21526\t1\n"
                                                              "2\t0\t0\t0\t-170\t89.5\t3\t1\n"),
                       FileKind::kHtr);
        ASSERT_TRUE(result.Repaired()) << result.message;
        const std::string inOrder = " in " + order + " order; written in ZYX";
        const std::vector<std::string> converted = {
            "8: EulerRotationOrder " + order + "; written as ZYX, the rotations converted",
            "17: base rotation" + inOrder, "19: frame rotation" + inOrder, "20: frame rotation" + inOrder};
        EXPECT_EQ(Said(result), order == "ZYX" ? std::vector<std::string>{} : converted);
        HTRFile htr;
        ASSERT_EQ(htr.ReadMemory(result.text), L"");
        const HTRSegment* hip = htr.Segment(0);
        double read[3];
        hip->GetBaseRotationAngles(read[0], read[1], read[2]);
        ExpectSameTurns(read, order, base, "base");
        for (std::uint32_t f = 0; f < 2; ++f) {
            hip->GetFrameRotationAngles(f, read[0], read[1], read[2]);
            ExpectSameTurns(read, order, frames[f], "frame");
        }
    }
}

// A file without a hierarchy or NumFrames, counts off and commas between
// numbers: each segment under GLOBAL, the counts of what the file holds.
TEST(Repair, HtrHeaderAndHierarchyAreWhatTheFileHolds) {
    const std::string in =
        "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 40\nEulerRotationOrder ZYX\n"
        "CalibrationUnits mm\nRotationUnits Degrees\nBoneLengthAxis Y\nScaleFactor 1.0\n"
        "[BasePosition]\nhand 1, 2, 3, 0, 0, 0, 1.0\nhead 4, 5, 6, 0, 0, 0, 1.0\n"
        "[hand]\n1\t1\t2\t3\t0\t0\t0\t1\n2\t1\t2\t3\t0\t0\t0\t1\n[head]\n1\t4\t5\t6\t0\t0\t0\t1\n"
        "2\t4\t5\t6\t0\t0\t0\t1\n[EndOfFile]\n";
    const RepairResult result = RepairText(in, FileKind::kHtr);
    ASSERT_TRUE(result.Repaired()) << result.message;
    EXPECT_EQ(Said(result),
              (std::vector<std::string>{
                  "5: NumSegments 40 against 2 segments; written as 2",
                  "5: no NumFrames; one written after this line, 2, the frames each segment holds",
                  "11: no [SegmentNames&Hierarchy] section; one written before [BasePosition], each of its 2 "
                  "segments under GLOBAL",
                  "12: base numbers separated by commas; written with tabs",
                  "13: base numbers separated by commas; written with tabs"}));
    HTRFile htr;
    ASSERT_EQ(htr.ReadMemory(result.text), L"");
    ASSERT_EQ(htr.SegmentCount(), 2u);
    EXPECT_EQ(htr.GetNumFrames(), 2u);
    double x = 0, y = 0, z = 0;
    htr.Segment(1)->GetBaseTranslation(x, y, z);
    EXPECT_EQ(z, 6.0);
}

// What the repair cannot make readable is refused with the reader's own
// message and findings.
TEST(Repair, WhatCannotBeRepairedIsRefusedWithTheReadersDiagnosis) {
    struct Case {
        const char* name;
        std::string in;
        FileKind kind;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no (X/Y/Z) on line 1", "PathFileType 4 (X/Z/Y) t.trc\n" + kLines2To5 + kRows, FileKind::kTrc,
         "The file is does not have a compatible \"(X/Y/Z)\" header state"},
        {"an order that turns twice about one axis", Htr("XYX", "0\t0\t0\t0\t0\t0\t1", "1\t0\t0\t0\t1\t2\t3\t1\n"),
         FileKind::kHtr, "The file does not have a compatible \"EulerRotationOrder\" header state"},
        {"a segment named twice",
         Htr("ZYX", "0\t0\t0\t0\t0\t0\t1", "1\t0\t0\t0\t1\t2\t3\t1\n")
             .replace(Htr("ZYX", "", "").find("hip\tGLOBAL"), 10, "hip\tGLOBAL\nhip\tGLOBAL"),
         FileKind::kHtr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const RepairResult result = RepairText(c.in, c.kind);
        ASSERT_FALSE(result.Repaired());
        if (c.message != nullptr) {
            EXPECT_EQ(result.message, c.message);
        }
        EXPECT_TRUE(Refuses(result));
        EXPECT_TRUE(result.text.empty());
    }
    EXPECT_FALSE(RepairText("anything", FileKind::kGwm).Repaired());
    EXPECT_FALSE(RepairFile("/nonexistent/t.trc", FileKind::kTrc).Repaired());
}

// Every corpus file its reader refuses or misreads, repaired, reads; its
// values are the ones its text gives, a sample that says NaN a dropout.
TEST(Repair, RefusedCorpusFilesReadAfterRepair) {
    const std::filesystem::path corpus = tovtest::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no corpus";
    struct Value {
        const char* file;
        std::uint32_t marker;
        std::uint32_t row;
        double x;
    };
    // Marker X at a row, as the file's text writes it.
    const double kDropout = std::nan("");
    const std::vector<Value> values = {
        {"trc/abdbonepin.trc", 0, 1, 246.358},      // line 7: "1  0.01  246.358"
        {"trc/abdbonepin.trc", 10, 0, 310.274},     // line 6, the last marker "ijc"
        {"trc/motion_capture_walk.trc", 1, 0, -629.159},
        {"trc/pyomeca_markers.trc", 1, 1, 651.5213},
        {"trc/test_file_06_2tab_one_space.trc", 1, 2, -110.539},
        {"trc/dataWithNaNsWithSpaces.trc", 0, 0, kDropout},  // line 7: "1  0  NaN  NaN  NaN  1009.526917"
        {"trc/dataWithNaNsWithSpaces.trc", 1, 0, 1009.526917},
        {"trc/levelground_ccw_fast_01_01.trc", 6, 79, kDropout},  // line 86, fields 21-23
    };
    for (const Value& v : values) {
        SCOPED_TRACE(v.file);
        const RepairResult result = RepairFile((corpus / v.file).string(), FileKind::kTrc);
        ASSERT_TRUE(result.Repaired()) << result.message;
        EXPECT_FALSE(Refuses(result));
        EXPECT_FALSE(std::any_of(result.findings.begin(), result.findings.end(), [](const ReadFinding& f) {
            return f.code == ReadFindingCode::kTextInNumbers;
        }));
        TRCFile trc;
        ASSERT_EQ(trc.ReadMemory(result.text), L"");
        double x = 0, y = 0, z = 0;
        ASSERT_NE(trc.GetMarker(v.marker), nullptr);
        EXPECT_EQ(trc.GetMarker(v.marker)->GetPosition(v.row, x, y, z), !std::isnan(v.x));
        if (!std::isnan(v.x)) {
            EXPECT_DOUBLE_EQ(x, v.x);
        }
    }

    const RepairResult mocap = RepairFile((corpus / "htr/mocap.htr").string(), FileKind::kHtr);
    ASSERT_TRUE(mocap.Repaired()) << mocap.message;
    HTRFile htr;
    ASSERT_EQ(htr.ReadMemory(mocap.text), L"");
    ASSERT_EQ(htr.SegmentCount(), 3u);
    EXPECT_EQ(htr.GetNumFrames(), 1048u);
    // [LeftHand] frame 1: "1  9.324273  1.788085  1.788085  55.95127  58.01329  67.21526  1.00"
    const HTRSegment* hand = htr.FindSegment(L"LeftHand");
    ASSERT_NE(hand, nullptr);
    double t[3], read[3];
    hand->GetFrameTranslation(0, t[0], t[1], t[2]);
    EXPECT_EQ(t[0], 9.324273);
    hand->GetFrameRotationAngles(0, read[0], read[1], read[2]);
    ExpectSameTurns(read, "XYZ", {55.95127, 58.01329, 67.21526}, "LeftHand frame 1");
}

// The repaired text reaches its file whole, or no file is made.
TEST(Repair, RepairedTextIsWrittenWholeOrNotAtAll) {
    const tovtest::ScratchDir dir;
    const RepairResult result = RepairText("PathFileType 4 (X/Y/Z)\tt.trc\n" + kLines2To5 + kRows, FileKind::kTrc);
    ASSERT_TRUE(result.Repaired());
    int error = 0;
    EXPECT_TRUE(WriteRepaired(result, tovtest::Wide(dir.Path() / "t.trc"), error));
    EXPECT_EQ(tovtest::ReadBytes(dir.Path() / "t.trc"), kGood);
    EXPECT_FALSE(WriteRepaired(result, tovtest::Wide(dir.Path() / "none" / "t.trc"), error));
    EXPECT_NE(error, 0);
    EXPECT_FALSE(std::filesystem::exists(dir.Path() / "none"));
}

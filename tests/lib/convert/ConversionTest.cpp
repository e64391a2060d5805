// Conversions between the formats, driven as a program drives them: values
// written by one format's writer and read back by the other's reader, turned
// to the output's up axis and units, and a skeleton's joints as markers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
#include "tovfileio/convert/Conversion.h"

namespace {

using namespace tovfileio;

// Three markers over three frames, M2 a dropout at frame 2, in mm.
const char kTake[] =
    "PathFileType\t4\t(X/Y/Z)\ttake.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\t"
    "OrigNumFrames\n"
    "100\t100\t3\t3\tmm\t100\t1\t3\n"
    "Frame#\tTime\tM1\t\t\tM2\t\t\tM3\t\t\t\n"
    "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\t\n"
    "\n"
    "1\t0.00\t1.5\t2.25\t-3\t10\t20\t30\t-0.125\t1000\t7\n"
    "2\t0.01\t1.5\t2.5\t-3\t\t\t\t-0.25\t1000\t7\n"
    "3\t0.02\t1.5\t2.75\t-3\t10\t21\t30\t-0.375\t1000\t7\n";

struct Expected {
    bool valid;
    double x, y, z;
};

class ConversionTest : public ::testing::Test {
protected:
    std::string In() const { return scratch_.Write("take.trc", kTake).string(); }

    // Converts `in` to `out` in the scratch folder, asking what `ask` adds to the request.
    ConversionResult Run(const std::string& in, FileKind inKind, const std::string& out, FileKind outKind,
                         const std::function<void(ConversionRequest&)>& ask = {}) const {
        ConversionRequest request;
        request.in = in;
        request.inKind = inKind;
        request.out = tovtest::Wide(scratch_.Path() / out);
        request.outKind = outKind;
        request.baseName = L"take";
        request.dateTime = "Sun Dec  6 12:00:00 2026";
        if (ask) ask(request);
        return Convert(request);
    }

    TRCFile ReadBack(const std::string& name, FileKind kind) const {
        TRCFile take;
        const std::wstring message = ReadMarkers((scratch_.Path() / name).string(), kind, take);
        EXPECT_EQ(message, L"") << name;
        return take;
    }

    tovtest::ScratchDir scratch_;
};

// Samples by frame, then marker.
using Samples = std::vector<std::vector<Expected>>;

void ExpectSamples(const TRCFile& take, const Samples& expected, double tolerance, const std::string& row) {
    ASSERT_EQ(take.GetNumMarkers(), expected[0].size()) << row;
    for (std::uint32_t m = 0; m < expected[0].size(); ++m) {
        for (std::uint32_t f = 0; f < expected.size(); ++f) {
            double x = 0, y = 0, z = 0;
            const bool valid = take.GetMarker(m)->GetPosition(f, x, y, z);
            const Expected& e = expected[f][m];
            EXPECT_EQ(valid, e.valid) << row << " marker " << m << " frame " << f;
            if (!valid || !e.valid) continue;
            EXPECT_NEAR(x, e.x, tolerance) << row << " marker " << m << " frame " << f;
            EXPECT_NEAR(y, e.y, tolerance) << row << " marker " << m << " frame " << f;
            EXPECT_NEAR(z, e.z, tolerance) << row << " marker " << m << " frame " << f;
        }
    }
}

const std::string kToZUp = "positions turned from Y-up to Z-up", kToYUp = "positions turned from Z-up to Y-up";

// The take as TRC holds it (Y-up), and stood Z-up as (x, -z, y).
const Samples kYUp = {
    {{true, 1.5, 2.25, -3}, {true, 10, 20, 30}, {true, -0.125, 1000, 7}},
    {{true, 1.5, 2.5, -3}, {false, 0, 0, 0}, {true, -0.25, 1000, 7}},
    {{true, 1.5, 2.75, -3}, {true, 10, 21, 30}, {true, -0.375, 1000, 7}},
};
const Samples kZUp = {
    {{true, 1.5, 3, 2.25}, {true, 10, -30, 20}, {true, -0.125, -7, 1000}},
    {{true, 1.5, 3, 2.5}, {false, 0, 0, 0}, {true, -0.25, -7, 1000}},
    {{true, 1.5, 3, 2.75}, {true, 10, -30, 21}, {true, -0.375, -7, 1000}},
};

// Each marker format written and read back by its own reader: C3D and GWM
// stand Z-up, TRC Y-up; a conversion back gives the take again, within the
// precision the format keeps (C3D floats, GWM's written digits).
TEST_F(ConversionTest, MarkerTakesTurnToEachFormatsUpAxisAndBack) {
    const std::string in = In();
    const struct {
        FileKind kind;
        const char* name;
        const Samples& stored;
        double tolerance;
        std::vector<std::string> there, back;  // what each conversion says it turned
    } cases[] = {
        {FileKind::kC3d, "take.c3d", kZUp, 1e-4, {kToZUp}, {kToYUp}},
        {FileKind::kGwm, "take.gwm", kZUp, 1e-4, {kToZUp}, {kToYUp}},
        {FileKind::kTrc, "copy.trc", kYUp, 1e-9, {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ConversionResult there = Run(in, FileKind::kTrc, c.name, c.kind);
        ASSERT_TRUE(there.Succeeded());
        EXPECT_EQ(there.notes, c.there);
        ExpectSamples(ReadBack(c.name, c.kind), c.stored, c.tolerance, c.name);
        const ConversionResult back = Run((scratch_.Path() / c.name).string(), c.kind, "back.trc",
                                          FileKind::kTrc);
        ASSERT_TRUE(back.Succeeded());
        EXPECT_EQ(back.notes, c.back);
        ExpectSamples(ReadBack("back.trc", FileKind::kTrc), kYUp, c.tolerance, c.name);
    }
}

// Lengths in other units, and an up axis asked for: said, and done to every
// sample, a dropout staying one.
TEST_F(ConversionTest, UnitsAndUpAxisAsAsked) {
    const ConversionResult cm = Run(In(), FileKind::kTrc, "cm.trc", FileKind::kTrc, [](ConversionRequest& r) {
        r.units = kUnitsCentimetres;
        r.up = UpAxis::kZ;
    });
    ASSERT_TRUE(cm.Succeeded());
    ASSERT_EQ(cm.notes.size(), 2u);
    EXPECT_EQ(cm.notes[0], kToZUp);
    EXPECT_EQ(cm.notes[1], "lengths converted from mm to cm");
    const TRCFile take = ReadBack("cm.trc", FileKind::kTrc);
    EXPECT_EQ(take.GetUnits(), kUnitsCentimetres);
    Samples tenth = kZUp;
    for (auto& frame : tenth) {
        for (Expected& e : frame) e = {e.valid, e.x / 10, e.y / 10, e.z / 10};
    }
    ExpectSamples(take, tenth, 1e-9, "cm");
}

// A skeleton's joints become markers of their names at their world
// positions: a root moving along x carrying a child 50 above it.
TEST_F(ConversionTest, SkeletonJointsBecomeMarkers) {
    const std::string htr = scratch_.Write("chain.htr",
        "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 2\nNumFrames 2\n"
        "DataFrameRate 30\nEulerRotationOrder ZYX\nCalibrationUnits mm\nRotationUnits Degrees\n"
        "GlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.0\n"
        "[SegmentNames&Hierarchy]\nRoot\tGLOBAL\nTip\tRoot\n"
        "[BasePosition]\nRoot\t0\t100\t0\t0\t0\t0\t50\nTip\t0\t50\t0\t0\t0\t0\t10\n"
        "[Root]\n1\t0\t0\t0\t0\t0\t0\t1\n2\t25\t0\t0\t0\t0\t0\t1\n"
        "[Tip]\n1\t0\t0\t0\t0\t0\t0\t1\n2\t0\t0\t0\t0\t0\t0\t1\n[EndOfFile]\n").string();
    const ConversionResult result = Run(htr, FileKind::kHtr, "joints.trc", FileKind::kTrc);
    ASSERT_TRUE(result.Succeeded()) << std::string(result.readMessage.begin(), result.readMessage.end());
    const TRCFile take = ReadBack("joints.trc", FileKind::kTrc);
    ASSERT_EQ(take.GetNumMarkers(), 2u);
    EXPECT_EQ(take.GetMarker(1)->GetName(), L"Tip");
    EXPECT_EQ(take.GetDataRate(), 30);
    ExpectSamples(take, {{{true, 0, 100, 0}, {true, 0, 150, 0}}, {{true, 25, 100, 0}, {true, 25, 150, 0}}},
                  1e-9, "joints");
}

// Every corpus C3D file through TRC and back: every position within float
// precision, every dropout a dropout, the rate and first frame kept.
TEST_F(ConversionTest, CorpusC3dFilesComeBackThroughTrc) {
    const auto files = tovtest::CorpusFiles("c3d", ".c3d");
    if (files.empty()) GTEST_SKIP() << "no corpus";
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        ASSERT_TRUE(Run(file.string(), FileKind::kC3d, "via.trc", FileKind::kTrc).Succeeded()) << name;
        ASSERT_TRUE(Run((scratch_.Path() / "via.trc").string(), FileKind::kTrc, "back.c3d",
                        FileKind::kC3d).Succeeded()) << name;
        TRCFile original;
        ASSERT_EQ(ReadMarkers(file.string(), FileKind::kC3d, original), L"") << name;
        const TRCFile back = ReadBack("back.c3d", FileKind::kC3d);
        ASSERT_EQ(back.GetNumMarkers(), original.GetNumMarkers()) << name;
        EXPECT_EQ(back.GetDataRate(), original.GetDataRate()) << name;
        EXPECT_EQ(back.GetStartFrame(), original.GetStartFrame()) << name;
        for (std::uint32_t m = 0; m < original.GetNumMarkers(); ++m) {
            const TRCMarker& a = *original.GetMarker(m);
            ASSERT_EQ(back.GetMarker(m)->GetName(), a.GetName()) << name;
            ASSERT_EQ(back.GetMarker(m)->GetNumSamples(), a.GetNumSamples()) << name;
            for (std::uint32_t f = 0; f < a.GetNumSamples(); ++f) {
                double p[3], q[3];
                const bool valid = a.GetPosition(f, p[0], p[1], p[2]);
                ASSERT_EQ(back.GetMarker(m)->GetPosition(f, q[0], q[1], q[2]), valid) << name << " " << f;
                for (int k = 0; valid && k < 3; ++k) {
                    EXPECT_EQ(static_cast<float>(q[k]), static_cast<float>(p[k])) << name << " " << m << " " << f;
                }
            }
        }
    }
}

// The take with line 3's frame count replaced.
std::string Claiming(const char* frames) {
    std::string take = kTake;
    const std::size_t line3 = take.find("100\t100\t3\t");
    return take.replace(line3 + 8, 1, frames);
}

// Every marker output holds the frames the file holds, whatever its header
// claims; the header's count only when asked, and never out of proportion.
TEST_F(ConversionTest, FramesWrittenAreTheFramesHeld) {
    const struct { const char* claimed; FrameChoice choice; std::int64_t frames; } cases[] = {
        {"50000", FrameChoice::kHeld, 3}, {"1", FrameChoice::kHeld, 3},
        {"5", FrameChoice::kHeader, 5}, {"1", FrameChoice::kHeader, 1},
        {"50000", FrameChoice::kHeader, -1},  // refused: 49,997 frames of padding
    };
    const FileKind outputs[] = {FileKind::kTrc, FileKind::kC3d, FileKind::kGwm, FileKind::kCsv};
    for (const auto& c : cases) {
        const std::string in = scratch_.Write("claims.trc", Claiming(c.claimed)).string();
        for (const FileKind kind : outputs) {
            const std::string out = std::string("out") + KindInfo(kind).extension;
            std::filesystem::remove(scratch_.Path() / out);
            const std::string row = std::string(c.claimed) + " to " + out;
            const ConversionResult result = Run(in, FileKind::kTrc, out, kind,
                                                [&](ConversionRequest& r) { r.frames = c.choice; });
            if (c.frames < 0) {
                EXPECT_NE(result.writeMessage.find(L"padding would add 49997 frames"),
                          std::wstring::npos) << row;
                EXPECT_FALSE(std::filesystem::exists(scratch_.Path() / out)) << row;
                continue;
            }
            ASSERT_TRUE(result.Succeeded()) << row;
            EXPECT_EQ(result.frames, c.frames) << row;
            if (kind == FileKind::kCsv) {
                const std::string csv = tovtest::ReadBytes(scratch_.Path() / out);
                EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 1 + 3 * c.frames) << row;
                // CSV keeps the input's axes unless asked.
                EXPECT_NE(csv.find("\n1,0,M1,1.5,2.25,-3\n"), std::string::npos) << row;
            } else {
                EXPECT_EQ(ReadBack(out, kind).GetNumRows(), static_cast<std::uint32_t>(c.frames)) << row;
            }
        }
    }
    // A skeleton whose header claims more frames than its segments hold.
    const std::string htr = scratch_.Write("claims.htr",
        "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\nNumSegments 1\nNumFrames 5000\n"
        "DataFrameRate 30\nEulerRotationOrder ZYX\nCalibrationUnits mm\nRotationUnits Degrees\n"
        "GlobalAxisofGravity Y\nBoneLengthAxis Y\nScaleFactor 1.0\n"
        "[SegmentNames&Hierarchy]\nRoot\tGLOBAL\n[BasePosition]\nRoot\t0\t0\t0\t0\t0\t0\t50\n"
        "[Root]\n1\t0\t0\t0\t0\t0\t0\t1\n2\t25\t0\t0\t0\t0\t0\t1\n[EndOfFile]\n").string();
    for (const FileKind kind : {FileKind::kBvh, FileKind::kTrc, FileKind::kCsv}) {
        const ConversionResult result =
            Run(htr, FileKind::kHtr, std::string("joints") + KindInfo(kind).extension, kind);
        ASSERT_TRUE(result.Succeeded()) << KindInfo(kind).name;
        EXPECT_EQ(result.frames, 2) << KindInfo(kind).name;
    }
}

// A take the reader misreads (here the last name, without a tab after it,
// is not read, and its columns are lost) is refused with nothing written,
// unless it is to be written as read. A NaN field is a dropout.
TEST_F(ConversionTest, MisreadTakesAreRefusedAndNaNIsADropout) {
    std::string take = kTake;
    take.replace(take.find("M3\t\t\t\n"), 6, "M3\n");
    const std::string in = scratch_.Write("misread.trc", take).string();
    const ConversionResult refused = Run(in, FileKind::kTrc, "misread.csv", FileKind::kCsv);
    EXPECT_EQ(refused.readMessage, kMisreadTake);
    ASSERT_TRUE(refused.misread.has_value());
    EXPECT_EQ(refused.misread->code, ReadFindingCode::kTrcLastNameUnread);
    EXPECT_FALSE(std::filesystem::exists(scratch_.Path() / "misread.csv"));
    const ConversionResult accepted = Run(in, FileKind::kTrc, "misread.csv", FileKind::kCsv,
                                          [](ConversionRequest& r) { r.acceptMisread = true; });
    ASSERT_TRUE(accepted.Succeeded());
    EXPECT_EQ(accepted.points, 2u);

    std::string nan = kTake;
    nan.replace(nan.find("10\t21\t30"), 8, "NaN\tNaN\tNaN");
    const std::string nanIn = scratch_.Write("nan.trc", nan).string();
    ASSERT_TRUE(Run(nanIn, FileKind::kTrc, "nan.csv", FileKind::kCsv).Succeeded());
    const std::string csv = tovtest::ReadBytes(scratch_.Path() / "nan.csv");
    EXPECT_NE(csv.find("\n3,0.02,M2,,,\n"), std::string::npos) << csv;
}

// A pair that does not convert writes nothing.
TEST_F(ConversionTest, APairThatDoesNotConvertWritesNothing) {
    EXPECT_FALSE(Converts(FileKind::kHtr, FileKind::kGwm));
    EXPECT_FALSE(Converts(FileKind::kGwm, FileKind::kHtr));
    EXPECT_TRUE(Converts(FileKind::kC3d, FileKind::kTrc));
    const ConversionResult result = Run(In(), FileKind::kTrc, "take.htr", FileKind::kHtr);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_FALSE(std::filesystem::exists(scratch_.Path() / "take.htr"));
}

}  // namespace

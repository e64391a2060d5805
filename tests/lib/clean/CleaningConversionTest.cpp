// Cleaning steps run by the conversion engine, through every marker format
// in and out: the frames and markers kept are the input's, value for value,
// and a step the take cannot take writes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/TestFiles.h"
#include "tovfileio/convert/Conversion.h"
#include "tovfileio/text/TextCodec.h"

namespace tovfileio {
namespace {

// Four markers over six frames from frame 3 at 100 Hz; B unseen at frame 5.
const char kTake[] =
    "PathFileType\t4\t(X/Y/Z)\ttake.trc\n"
    "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\tOrigDataStartFrame\t"
    "OrigNumFrames\n"
    "100\t100\t6\t4\tmm\t100\t3\t6\n"
    "Frame#\tTime\tA\t\t\tB\t\t\tC\t\t\tD\t\t\t\n"
    "\t\tX1\tY1\tZ1\tX2\tY2\tZ2\tX3\tY3\tZ3\tX4\tY4\tZ4\t\n"
    "\n"
    "3\t0.02\t1.5\t2.25\t-3\t10\t20\t30\t-0.125\t1000\t7\t1\t2\t3\n"
    "4\t0.03\t1.5\t2.5\t-3\t11\t21\t31\t-0.25\t1000\t7\t1\t2\t3\n"
    "5\t0.04\t1.5\t2.75\t-3\t\t\t\t-0.375\t1000\t7\t1\t2\t3\n"
    "6\t0.05\t1.5\t3\t-3\t13\t23\t33\t-0.5\t1000\t7\t1\t2\t3\n"
    "7\t0.06\t1.5\t3.25\t-3\t14\t24\t34\t-0.625\t1000\t7\t1\t2\t3\n"
    "8\t0.07\t1.5\t3.5\t-3\t15\t25\t35\t-0.75\t1000\t7\t1\t2\t3\n";

class CleaningConversionTest : public ::testing::Test {
protected:
    ConversionResult Run(const std::string& in, FileKind inKind, const std::string& out, FileKind outKind,
                         std::vector<CleaningStep> steps) const {
        ConversionRequest request;
        request.in = in;
        request.inKind = inKind;
        request.out = tovtest::Wide(scratch_.Path() / out);
        request.outKind = outKind;
        request.baseName = L"take";
        request.dateTime = "Mon Dec  7 12:00:00 2026";
        request.cleaning = std::move(steps);
        return Convert(request);
    }
    std::string Path(const std::string& name) const { return (scratch_.Path() / name).string(); }

    tovtest::ScratchDir scratch_;
};

std::vector<CleaningStep> Edits() {
    CleaningStep range, rename, drop;
    range.kind = CleaningStep::Kind::kKeepFrames;
    range.from = 4;
    range.to = 7;
    rename.kind = CleaningStep::Kind::kRename;
    rename.renames = {{L"C", L"LASI"}};
    drop.kind = CleaningStep::Kind::kDropMarkers;
    drop.names = {L"A"};
    return {range, rename, drop};
}

TEST_F(CleaningConversionTest, EditsKeepTheInputsValuesThroughEveryMarkerFormat) {
    const std::string trc = scratch_.Write("take.trc", kTake).string();
    // The same take as C3D and GWM, converted without steps.
    ASSERT_TRUE(Run(trc, FileKind::kTrc, "take.c3d", FileKind::kC3d, {}).Succeeded());
    ASSERT_TRUE(Run(trc, FileKind::kTrc, "take.gwm", FileKind::kGwm, {}).Succeeded());
    const struct {
        std::string in;
        FileKind kind;
    } inputs[] = {{trc, FileKind::kTrc}, {Path("take.c3d"), FileKind::kC3d}, {Path("take.gwm"), FileKind::kGwm}};
    for (const auto& input : inputs) {
        for (FileKind out : {FileKind::kTrc, FileKind::kC3d, FileKind::kGwm, FileKind::kCsv}) {
            if (!Converts(input.kind, out)) continue;
            const std::string extension = std::string(KindInfo(out).extension);
            SCOPED_TRACE(input.in + " to " + extension);
            const ConversionResult result = Run(input.in, input.kind, "edited" + extension, out, Edits());
            ASSERT_TRUE(result.Succeeded()) << EncodeUtf8(result.readMessage + result.writeMessage);
            EXPECT_EQ(result.points, 3u);
            EXPECT_EQ(result.frames, 4);
            if (out == FileKind::kCsv) {
                // A line a marker and frame: the kept ones, from frame 4, at
                // the time the TRC file gives it, a frame after the first for
                // files without times.
                std::ifstream csv(Path("edited.csv"));
                std::stringstream text;
                text << csv.rdbuf();
                const std::string first = input.kind == FileKind::kTrc ? "\n4,0.03,LASI," : "\n4,0.01,LASI,";
                EXPECT_NE(text.str().find(first), std::string::npos) << text.str();
                EXPECT_EQ(text.str().find(",A,"), std::string::npos) << text.str();
                continue;
            }
            // Against the same conversion without the edits: the markers and
            // frames kept hold its values, bit for bit.
            ASSERT_TRUE(Run(input.in, input.kind, "plain" + extension, out, {}).Succeeded());
            TRCFile edited, plain;
            ASSERT_EQ(ReadMarkers(Path("edited" + extension), out, edited), L"");
            ASSERT_EQ(ReadMarkers(Path("plain" + extension), out, plain), L"");
            ASSERT_EQ(edited.GetNumMarkers(), 3u);
            EXPECT_EQ(edited.GetStartFrame(), plain.GetStartFrame() + 1);
            const wchar_t* names[] = {L"B", L"LASI", L"D"};
            for (std::uint32_t m = 0; m < 3; ++m) {
                EXPECT_EQ(edited.GetMarker(m)->GetName(), names[m]);
                for (std::uint32_t r = 0; r < 4; ++r) {
                    const TRCSample& now = edited.GetMarker(m)->Samples()[r];
                    const TRCSample& was = plain.GetMarker(m + 1)->Samples()[r + 1];
                    EXPECT_EQ(now.valid, was.valid) << m << " " << r;
                    EXPECT_EQ(now.x, was.x) << m << " " << r;
                    EXPECT_EQ(now.y, was.y) << m << " " << r;
                    EXPECT_EQ(now.z, was.z) << m << " " << r;
                }
            }
        }
    }
}

TEST_F(CleaningConversionTest, AStepTheTakeCannotTakeWritesNothing) {
    const std::string trc = scratch_.Write("take.trc", kTake).string();
    CleaningStep keep, range, filter;
    keep.kind = CleaningStep::Kind::kKeepMarkers;
    keep.names = {L"B", L"Nope"};
    range.kind = CleaningStep::Kind::kKeepFrames;
    range.from = 1;
    range.to = 4;
    filter.kind = CleaningStep::Kind::kLowPass;
    filter.cutoff = 50;
    const struct {
        CleaningStep step;
        const wchar_t* message;
    } cases[] = {
        {keep, L"The take has no marker named Nope"},
        {range, L"The take holds frames 3 to 8, not 1 to 4"},
        {filter, L"A low-pass cut-off is above 0 and below half the take's rate (50 Hz), not 50 Hz"},
    };
    for (const auto& c : cases) {
        const ConversionResult result = Run(trc, FileKind::kTrc, "out.trc", FileKind::kTrc, {c.step});
        EXPECT_EQ(result.readMessage, c.message);
        EXPECT_FALSE(std::filesystem::exists(Path("out.trc")));
    }
    // A skeleton is not cleaned.
    const std::string htr = scratch_.Write("s.htr", "").string();
    EXPECT_EQ(Run(htr, FileKind::kHtr, "out.trc", FileKind::kTrc, {keep}).writeMessage, kCleansMarkerTakes);
}

// A gap filled on the way is marked in the formats that mark it, and the
// samples around it stay.
TEST_F(CleaningConversionTest, FilledGapsAreReportedInTheTakesFrameNumbers) {
    const std::string trc = scratch_.Write("take.trc", kTake).string();
    CleaningStep fill;
    fill.kind = CleaningStep::Kind::kFillGaps;
    fill.fill.method = GapMethod::kLinear;
    const ConversionResult result = Run(trc, FileKind::kTrc, "out.trc", FileKind::kTrc, {fill});
    ASSERT_TRUE(result.Succeeded());
    ASSERT_EQ(result.cleaning.fills.size(), 1u);
    const CleaningReport::Fill& report = result.cleaning.fills[0];
    ASSERT_EQ(report.report.filled.size(), 1u);
    EXPECT_EQ(report.markers[report.report.filled[0].gap.marker], L"B");
    EXPECT_EQ(report.startFrame + report.report.filled[0].gap.first, 5);
    TRCFile filled;
    ASSERT_EQ(ReadMarkers(Path("out.trc"), FileKind::kTrc, filled), L"");
    double x, y, z;
    ASSERT_TRUE(filled.GetMarker(1)->GetPosition(2, x, y, z));
    EXPECT_EQ(x, 12);
    EXPECT_EQ(y, 22);
    EXPECT_EQ(z, 32);
    // CSV says which samples were filled; a dropout's fields stay empty.
    ASSERT_TRUE(Run(trc, FileKind::kTrc, "out.csv", FileKind::kCsv, {fill}).Succeeded());
    std::ifstream csv(Path("out.csv"));
    std::stringstream text;
    text << csv.rdbuf();
    EXPECT_EQ(text.str().substr(0, text.str().find('\n')), "frame,time_s,name,x_mm,y_mm,z_mm,filled");
    // Frame 5 at the file's own time for it.
    EXPECT_NE(text.str().find("\n5,0.04,B,12,22,32,1\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\n5,0.04,A,1.5,2.75,-3,0\n"), std::string::npos) << text.str();
}

}  // namespace
}  // namespace tovfileio

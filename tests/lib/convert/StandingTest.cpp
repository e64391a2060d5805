// How a take stands, told from its data: small takes of a person standing
// along each axis, head up or down, with and without names that place
// markers on a body, and a skeleton; and where a take that starts empty
// starts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
#include "tovfileio/convert/SkeletonTurn.h"
#include "tovfileio/convert/Standing.h"
#include "tovfileio/convert/Takes.h"
#include "tovfileio/convert/UpTurn.h"
#include "tovfileio/htr/HTRPose.h"

namespace {

using namespace tovfileio;

struct Point {
    double x, y, z;
};

// A TRC file of `names` over `frames` rows of positions; a NaN x writes a
// dropout (empty columns).
std::string TrcText(const std::vector<std::string>& names,
                    const std::vector<std::vector<Point>>& frames) {
    std::string text = "PathFileType\t4\t(X/Y/Z)\tt.trc\n"
                       "DataRate\tCameraRate\tNumFrames\tNumMarkers\tUnits\tOrigDataRate\t"
                       "OrigDataStartFrame\tOrigNumFrames\n";
    text += "100\t100\t" + std::to_string(frames.size()) + "\t" + std::to_string(names.size()) +
            "\tmm\t100\t1\t" + std::to_string(frames.size()) + "\nFrame#\tTime";
    for (const std::string& name : names) text += "\t" + name + "\t\t";
    text += "\n\t";
    for (std::size_t m = 1; m <= names.size(); ++m) {
        const std::string n = std::to_string(m);
        text += "\tX" + n + "\tY" + n + "\tZ" + n;
    }
    text += "\n\n";
    for (std::size_t f = 0; f < frames.size(); ++f) {
        text += std::to_string(f + 1) + "\t" + std::to_string(f * 0.01);
        for (const Point& p : frames[f]) {
            text += p.x != p.x ? "\t\t\t"
                               : "\t" + std::to_string(p.x) + "\t" + std::to_string(p.y) + "\t" + std::to_string(p.z);
        }
        text += "\n";
    }
    return text;
}

const double kGone = 0.0 / 0.0;

// A person 1.7 m tall, 0.4 m wide, standing on the origin: head, two feet
// and a hand, placed by `along(height, side)`.
template <typename Place>
std::vector<Point> Person(Place along, double walked) {
    return {along(1700, 0, walked), along(50, -200, walked), along(50, 200, walked),
            along(1000, 150, walked)};
}

TEST(StandingTest, TheAxisHeadAboveFeetElseTheTallestReach) {
    const auto yUp = [](double h, double s, double w) { return Point{w, h, s}; };
    const auto zUp = [](double h, double s, double w) { return Point{w, s, h}; };
    const auto zDown = [](double h, double s, double w) { return Point{w, s, -h}; };
    const auto xUp = [](double h, double s, double w) { return Point{h, w, s}; };
    // Walking 3 m along the floor, further than the person is tall: the
    // spread of the whole take would pick the walk, not the height.
    const auto walk = [](auto along) {
        std::vector<std::vector<Point>> frames;
        for (int f = 0; f < 4; ++f) frames.push_back(Person(along, f * 1000.0));
        return frames;
    };
    const std::vector<std::string> named = {"LFHD", "LTOE", "R.Heel", "RWRA"};
    const std::vector<std::string> plain = {"M1", "M2", "M3", "M4"};
    using Evidence = Standing::Evidence;
    const struct {
        const char* what;
        std::vector<std::string> names;
        std::vector<std::vector<Point>> frames;
        Evidence evidence;
        int axis;
        bool headDown;
        std::optional<UpAxis> up;
    } cases[] = {
        {"Y-up, named", named, walk(yUp), Evidence::kHeadAboveFeet, 1, false, UpAxis::kY},
        {"Z-up, named", named, walk(zUp), Evidence::kHeadAboveFeet, 2, false, UpAxis::kZ},
        {"Z, head down", named, walk(zDown), Evidence::kHeadAboveFeet, 2, true, std::nullopt},
        {"lying along X, named", named, walk(xUp), Evidence::kHeadAboveFeet, 0, false, std::nullopt},
        {"Y-up, unnamed", plain, walk(yUp), Evidence::kHeight, 1, false, UpAxis::kY},
        {"Z-up, unnamed", plain, walk(zUp), Evidence::kHeight, 2, false, UpAxis::kZ},
        {"along X, unnamed", plain, walk(xUp), Evidence::kHeight, 0, false, std::nullopt},
        {"one marker a frame", {"M1"}, {{{1, 2, 3}}, {{1, 2, 4}}}, Evidence::kNone, 1, false, std::nullopt},
    };
    tovtest::ScratchDir scratch;
    for (const auto& c : cases) {
        const std::string path = scratch.Write("t.trc", TrcText(c.names, c.frames)).string();
        Standing standing;
        ASSERT_EQ(FindStanding(path, FileKind::kTrc, standing), L"") << c.what;
        EXPECT_EQ(standing.evidence, c.evidence) << c.what;
        EXPECT_EQ(standing.axis, c.axis) << c.what;
        EXPECT_EQ(standing.headDown, c.headDown) << c.what;
        EXPECT_EQ(standing.Up(), c.up) << c.what;
        EXPECT_EQ(standing.emptyFrames, 0) << c.what;
    }
}

TEST(StandingTest, NamesPlaceMarkersOnTheBody) {
    const struct {
        const wchar_t* name;
        BodyPlace place;
    } cases[] = {
        {L"LFHD", BodyPlace::kUpper},     {L"Top.Head", BodyPlace::kUpper},
        {L"C7", BodyPlace::kUpper},       {L"R.Shoulder", BodyPlace::kUpper},
        {L"RxCheec", BodyPlace::kUpper},  {L"LSHO", BodyPlace::kUpper},
        {L"RACR1", BodyPlace::kUpper},    {L"ana:head1", BodyPlace::kUpper},
        {L"LTOE", BodyPlace::kFoot},      {L"RHEE", BodyPlace::kFoot},
        {L"R.Ankle", BodyPlace::kFoot},   {L"LMT5", BodyPlace::kFoot},
        {L"L_calc", BodyPlace::kFoot},    {L"RLMAL", BodyPlace::kFoot},
        {L"R.Foot.Medial", BodyPlace::kFoot},
        {L"SACR", BodyPlace::kNone},      {L"V.Sacral", BodyPlace::kNone},
        {L"RWRA", BodyPlace::kNone},      {L"L.Knee", BodyPlace::kNone},
        {L"LTHI", BodyPlace::kNone},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BodyPlaceOf(c.name), c.place) << std::string(c.name, c.name + std::wcslen(c.name));
    }
}

// Frames of dropouts, or of (0, 0, 0) as some writers keep one, before the
// first marker is seen; none counted after it.
TEST(StandingTest, EmptyFramesAtTheStart) {
    const Point gone{kGone, 0, 0};
    const Point origin{0, 0, 0};
    const Point seen{10, 1700, 20};
    const struct {
        const char* what;
        std::vector<std::vector<Point>> frames;
        std::int64_t empty;
    } cases[] = {
        {"seen at once", {{seen, gone}, {gone, gone}}, 0},
        {"two frames of dropouts", {{gone, gone}, {gone, origin}, {gone, seen}, {gone, gone}}, 2},
        {"nothing seen", {{gone, gone}, {origin, origin}}, 2},
    };
    tovtest::ScratchDir scratch;
    for (const auto& c : cases) {
        const std::string path = scratch.Write("t.trc", TrcText({"A", "B"}, c.frames)).string();
        Standing standing;
        ASSERT_EQ(FindStanding(path, FileKind::kTrc, standing), L"") << c.what;
        EXPECT_EQ(standing.emptyFrames, c.empty) << c.what;
        EXPECT_EQ(standing.frames, static_cast<std::int64_t>(c.frames.size())) << c.what;
        EXPECT_EQ(standing.firstFrame, 1) << c.what;
    }
    EXPECT_EQ(EmptyStartNote(1, 250), "frames 1-250 hold no marker; starts at 251");
    EXPECT_EQ(EmptyStartNote(10, 1), "frame 10 holds no marker; starts at 11");
    EXPECT_EQ(EmptyStartNote(1, 0), "");
}

// A skeleton stands from its root towards its head: Y-up as written, and
// Z-up when the head is placed along Z.
TEST(StandingTest, SkeletonFromRootTowardsHead) {
    const char* hierarchy =
        "HIERARCHY\nROOT Hips\n{\n OFFSET 0 0 0\n CHANNELS 6 Xposition Yposition Zposition "
        "Zrotation Xrotation Yrotation\n JOINT Head\n {\n  OFFSET %s\n  CHANNELS 3 Zrotation "
        "Xrotation Yrotation\n  End Site\n  {\n   OFFSET 0 0 0\n  }\n }\n}\nMOTION\nFrames: 1\n"
        "Frame Time: 0.01\n0 900 0 0 0 0 0 0 0\n";
    const struct {
        const char* offset;
        int axis;
    } cases[] = {{"0 700 0", 1}, {"0 0 700", 2}};
    tovtest::ScratchDir scratch;
    for (const auto& c : cases) {
        char text[1024];
        std::snprintf(text, sizeof text, hierarchy, c.offset);
        const std::string path = scratch.Write("s.bvh", text).string();
        Standing standing;
        ASSERT_EQ(FindStanding(path, FileKind::kBvh, standing), L"") << c.offset;
        EXPECT_EQ(standing.evidence, Standing::Evidence::kHeadAboveRoot) << c.offset;
        EXPECT_EQ(standing.axis, c.axis) << c.offset;
        EXPECT_FALSE(standing.headDown) << c.offset;
    }
}

// A skeleton stood up from Z to Y: every joint of every frame lands where
// the turn of positions takes it, on the sample and the corpus figures.
TEST(StandingTest, ATurnedSkeletonsJointsAreItsJointsTurned) {
    std::vector<std::filesystem::path> files = tovtest::CorpusFiles("bvh", ".bvh");
    files.push_back(std::filesystem::path(TOV_SOURCE_DIR) / "samples/walk.htr");
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        const FileKind kind = file.extension() == ".htr" ? FileKind::kHtr : FileKind::kBvh;
        HTRFile before, after;
        ASSERT_EQ(ReadSkeleton(file.string(), kind, before), L"");
        ASSERT_EQ(ReadSkeleton(file.string(), kind, after), L"");
        // Roots with a base rotation of their own, which the turn must follow.
        for (HTRFile* skeleton : {&before, &after}) {
            for (std::uint32_t s = 0; s < skeleton->SegmentCount(); ++s) {
                HTRSegment& segment = *skeleton->Segment(s);
                if (segment.GetParent() == nullptr) segment.SetBaseRotationAngles(10, 20, 30);
            }
        }
        TurnSkeletonUp(after, UpAxis::kZ, UpAxis::kY);
        HTRPose was(before), is(after);
        const double tolerance = 1e-9 * std::max(1.0, SkeletonSize(before));
        for (std::uint32_t f = 0; f < std::min<std::uint32_t>(before.FramesHeld(), 50); ++f) {
            was.At(f);
            is.At(f);
            for (std::uint32_t s = 0; s < before.SegmentCount(); ++s) {
                TOVVector3<double> p = was.WorldPosition(s);
                TurnUp(p[0], p[1], p[2], UpAxis::kZ, UpAxis::kY);
                for (int c = 0; c < 3; ++c) {
                    ASSERT_NEAR(is.WorldPosition(s)[c], p[c], tolerance) << "frame " << f << ", segment " << s;
                }
            }
        }
    }
}

}  // namespace

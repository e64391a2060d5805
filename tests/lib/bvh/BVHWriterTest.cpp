#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/TestFiles.h"
#include "tovfileio/bvh/BVHReader.h"
#include "tovfileio/bvh/BVHWriter.h"
#include "tovfileio/htr/HTRPose.h"

using namespace tovfileio;

namespace {

const std::filesystem::path kWalkHtr = std::filesystem::path(TOV_SOURCE_DIR) / "samples/walk.htr";
constexpr double kDegrees = 0.017453292519943295;

// A model the sample files do not cover: two roots, base rotations, a joint
// below a root that moves, one whose scale changes, a leaf with a bone
// length.
void MakeAwkwardModel(HTRFile& htr) {
    htr.SetDataFrameRate(50);
    htr.SetNumFrames(3);
    HTRSegment* a = htr.AddSegment(HTRSegment(L"A"));
    HTRSegment* b = htr.AddSegment(HTRSegment(L"B"));
    HTRSegment* c = htr.AddSegment(HTRSegment(L"C"));
    HTRSegment* d = htr.AddSegment(HTRSegment(L"D"));
    a->SetRoot(true);
    d->SetRoot(true);
    b->SetParent(a);
    c->SetParent(b);
    a->SetBaseTranslation(10, 20, 30);
    a->SetBaseRotationAngles(10 * kDegrees, -20 * kDegrees, 30 * kDegrees);
    b->SetBaseTranslation(0, 5, 1);
    b->SetBaseRotationAngles(0, 90 * kDegrees, 0);
    c->SetBaseTranslation(1, 2, 3);
    c->SetBoneLength(7);
    d->SetBaseTranslation(-4, 0, 0);
    for (std::uint32_t f = 0; f < 3; ++f) {
        const double t = f;
        a->AppendFrame(t, 2 * t, 0, 0.3 * t, 0.1, -0.2 * t, 1);
        b->AppendFrame(0, f == 2 ? 1.5 : 0, 0, 0.5, 0.25 * t, 0, 1);
        c->AppendFrame(0, 0, 0, -0.4 * t, 0.7, 0.1, f == 1 ? 1.2 : 1);
        d->AppendFrame(0, 0, t, 0, 0, 1.0, 1);
    }
}

// Where each joint stands: by frame, then joint name.
using Places = std::vector<std::map<std::wstring, std::vector<double>>>;

// Where `model`'s pose places each joint at each frame.
Places ModelPlaces(const HTRFile& model) {
    Places places(model.GetNumFrames());
    HTRPose pose(model);
    for (std::uint32_t f = 0; f < model.GetNumFrames(); ++f) {
        pose.At(f);
        for (std::uint32_t s = 0; s < model.SegmentCount(); ++s) {
            const auto& at = pose.WorldPosition(s);
            places[f][model.Segment(s)->Name()] = {at[0], at[1], at[2]};
        }
    }
    return places;
}

// The same frames and joints in both, every joint within `tolerance` of
// where `expected` has it.
void ExpectSamePlaces(const Places& expected, const Places& actual, double tolerance) {
    ASSERT_EQ(actual.size(), expected.size());
    double worst = 0;
    for (std::size_t f = 0; f < expected.size(); ++f) {
        ASSERT_EQ(actual[f].size(), expected[f].size()) << "frame " << f;
        for (const auto& [name, want] : expected[f]) {
            const auto found = actual[f].find(name);
            ASSERT_NE(found, actual[f].end()) << "frame " << f << ", a name of " << name.size();
            for (int c = 0; c < 3; ++c) worst = std::max(worst, std::fabs(found->second[c] - want[c]));
        }
    }
    EXPECT_LE(worst, tolerance);
}

// Every segment of `expected` has a segment of its name in `actual`, under
// a parent of the same name or under none.
void ExpectSameHierarchy(const HTRFile& expected, const HTRFile& actual) {
    ASSERT_EQ(actual.SegmentCount(), expected.SegmentCount());
    for (std::uint32_t s = 0; s < expected.SegmentCount(); ++s) {
        const HTRSegment* found = actual.FindSegment(expected.Segment(s)->Name());
        ASSERT_NE(found, nullptr) << expected.Segment(s)->Name().size();
        const HTRSegment* parent = expected.Segment(s)->GetParent();
        const HTRSegment* parentRead = found->GetParent();
        ASSERT_EQ(parent == nullptr, parentRead == nullptr);
        if (parent != nullptr) {
            EXPECT_EQ(parent->Name(), parentRead->Name());
        }
    }
}

TEST(BVHWriter, RoundTripKeepsEveryJointWhereItWas) {
    struct Case {
        const char* label;
        bool fromSample;
        std::vector<std::wstring> withPositions, scaleDropped;
    };
    const Case cases[] = {
        {"walk sample", true, {}, {}},
        {"two roots, base rotations, a moving joint, a scale", false, {L"B"}, {L"C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HTRFile htr;
        if (c.fromSample) {
            ASSERT_EQ(htr.Read(tovtest::Wide(kWalkHtr)), L"");
        } else {
            MakeAwkwardModel(htr);
        }
        tovtest::ScratchDir dir;
        const auto path = dir.Path() / "out.bvh";
        BVHWriteNotes notes;
        ASSERT_EQ(WriteBVHFile(tovtest::Wide(path), htr, &notes), L"");
        EXPECT_EQ(notes.jointsWithPositions, c.withPositions);
        EXPECT_EQ(notes.scaleDropped, c.scaleDropped);
        HTRFile back;
        ASSERT_EQ(ReadBVH(tovtest::Wide(path), back), L"");
        EXPECT_EQ(back.GetDataFrameRate(), htr.GetDataFrameRate());
        EXPECT_EQ(back.GetNumFrames(), htr.GetNumFrames());
        ExpectSameHierarchy(htr, back);
        ExpectSamePlaces(ModelPlaces(htr), ModelPlaces(back), 1e-6 * SkeletonSize(htr));
        // The leaf's End Site carries its bone length back.
        for (std::uint32_t s = 0; s < htr.SegmentCount(); ++s) {
            const HTRSegment& segment = *htr.Segment(s);
            if (segment.ChildCount() != 0) continue;
            EXPECT_NEAR(back.FindSegment(segment.Name())->GetBoneLength(),
                        std::fabs(segment.GetBoneLength()), 1e-6);
        }
    }
}

TEST(BVHWriter, RefusesWhatBVHCannotHoldAndWritesNothing) {
    struct Case {
        const char* label;
        void (*make)(HTRFile&);
        const wchar_t* message;
    };
    const Case cases[] = {
        {"no segments", [](HTRFile&) {}, L"No segments to write"},
        {"a name used twice",
         [](HTRFile& htr) {
             htr.AppendSegment(HTRSegment(L"A"));
             htr.AppendSegment(HTRSegment(L"A"));
         },
         L"The scene hierarchy has duplicate segment names: A"},
        {"a brace in a name", [](HTRFile& htr) { htr.AppendSegment(HTRSegment(L"A{")); },
         L"A BVH file cannot hold this segment name: \"A{\""},
        {"a loop",
         [](HTRFile& htr) {
             htr.AddSegment(HTRSegment(L"Top"));
             HTRSegment* a = htr.AddSegment(HTRSegment(L"A"));
             HTRSegment* b = htr.AddSegment(HTRSegment(L"B"));
             a->SetParent(b);
             b->SetParent(a);
         },
         L"The hierarchy loops: this segment is its own ancestor: A"},
        {"no rate",
         [](HTRFile& htr) {
             htr.AddSegment(HTRSegment(L"A"));
             htr.SetDataFrameRate(0);
         },
         L"The frame rate must be 1 or more to write a BVH file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HTRFile htr;
        c.make(htr);
        tovtest::ScratchDir dir;
        const auto path = dir.Path() / "out.bvh";
        EXPECT_EQ(WriteBVHFile(tovtest::Wide(path), htr), c.message);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
}

// World positions three.js's BVHLoader gives a file; none when node cannot
// run the script.
Places ThreeJsPlaces(const std::filesystem::path& bvh) {
    const std::string command = "node '" TOV_BVH_POSITIONS_SCRIPT "' '" TOV_THREE_DIR "' '" +
                                bvh.string() + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    Places frames;
    if (pipe == nullptr) return frames;
    std::string text;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
    if (::pclose(pipe) != 0) return {};
    std::istringstream lines(text);
    std::size_t frame;
    std::string name;
    double x, y, z;
    while (lines >> frame >> name >> x >> y >> z) {
        if (frames.size() <= frame) frames.resize(frame + 1);
        frames[frame][std::wstring(name.begin(), name.end())] = {x, y, z};
    }
    return frames;
}

TEST(BVHWriter, ThreeJsPlacesEveryJointWhereTheModelDoes) {
    if (!std::filesystem::exists(TOV_THREE_DIR "/examples/jsm/loaders/BVHLoader.js") ||
        std::system("node --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "node or three.js is not installed";
    }
    tovtest::ScratchDir dir;
    // Our own file written from the HTR sample, checked against the HTR
    // model; then every corpus file, checked against our reading of it.
    struct Check {
        std::filesystem::path bvh;
        HTRFile model;
    };
    std::vector<Check> checks;
    checks.push_back({dir.Path() / "walk.bvh", HTRFile()});
    ASSERT_EQ(checks[0].model.Read(tovtest::Wide(kWalkHtr)), L"");
    ASSERT_EQ(WriteBVHFile(tovtest::Wide(checks[0].bvh), checks[0].model), L"");
    for (const auto& path : tovtest::CorpusFiles("bvh", ".bvh")) {
        checks.push_back({path, HTRFile()});
        ASSERT_EQ(ReadBVH(tovtest::Wide(path), checks.back().model), L"");
    }
    for (const Check& check : checks) {
        SCOPED_TRACE(check.bvh.string());
        ExpectSamePlaces(ModelPlaces(check.model), ThreeJsPlaces(check.bvh),
                         1e-4 * SkeletonSize(check.model));
    }
}

}  // namespace

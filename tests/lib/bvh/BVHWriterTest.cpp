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

// A model the sample files do not cover: two roots (unless `oneRoot`), base
// rotations, a joint below a root that moves, one whose scale changes, a
// leaf with a bone length, a leaf without frames and one with fewer frames
// than the file, which stand at their parents' origins beyond their frames.
void MakeAwkwardModel(HTRFile& htr, bool oneRoot = false) {
    htr.SetDataFrameRate(50);
    htr.SetNumFrames(3);
    // A segment named `name` under `parent`, or a root.
    const auto add = [&](const wchar_t* name, HTRSegment* parent) {
        HTRSegment* segment = htr.AddSegment(HTRSegment(name));
        parent ? segment->SetParent(parent) : segment->SetRoot(true);
        return segment;
    };
    HTRSegment *a = add(L"A", nullptr), *b = add(L"B", a), *c = add(L"C", b), *e = add(L"E", c),
               *f = add(L"F", a);
    a->SetBaseTranslation(10, 20, 30);
    a->SetBaseRotationAngles(10 * kDegrees, -20 * kDegrees, 30 * kDegrees);
    b->SetBaseTranslation(0, 5, 1);
    b->SetBaseRotationAngles(0, 90 * kDegrees, 0);
    c->SetBaseTranslation(1, 2, 3);
    c->SetBoneLength(7);
    e->SetBaseTranslation(0, 3, 0);
    f->SetBaseTranslation(1, 0, 2);
    f->AppendFrame(0, 0, 0, 0.2, 0, 0, 1);
    for (std::uint32_t i = 0; i < 3; ++i) {
        const double t = i;
        a->AppendFrame(t, 2 * t, 0, 0.3 * t, 0.1, -0.2 * t, 1);
        b->AppendFrame(0, i == 2 ? 1.5 : 0, 0, 0.5, 0.25 * t, 0, 1);
        c->AppendFrame(0, 0, 0, -0.4 * t, 0.7, 0.1, i == 1 ? 1.2 : 1);
    }
    if (oneRoot) return;
    HTRSegment* d = add(L"D", nullptr);
    d->SetBaseTranslation(-4, 0, 0);
    for (std::uint32_t i = 0; i < 3; ++i) d->AppendFrame(0, 0, i, 0, 0, 1.0, 1);
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
    const auto parentName = [](const HTRSegment& segment) {
        return segment.GetParent() ? L"under " + segment.GetParent()->Name() : std::wstring(L"a root");
    };
    for (std::uint32_t s = 0; s < expected.SegmentCount(); ++s) {
        const HTRSegment* found = actual.FindSegment(expected.Segment(s)->Name());
        ASSERT_NE(found, nullptr) << expected.Segment(s)->Name().size();
        EXPECT_EQ(parentName(*found), parentName(*expected.Segment(s)));
    }
}

TEST(BVHWriter, RoundTripKeepsEveryJointWhereItWas) {
    struct Case {
        const char* label;
        void (*make)(HTRFile&);
        std::vector<std::wstring> withPositions, scaleDropped;
    };
    const Case cases[] = {
        {"walk sample", [](HTRFile& htr) { ASSERT_EQ(htr.Read(tovtest::Wide(kWalkHtr)), L""); }, {}, {}},
        {"two roots, base rotations, a moving joint, a scale, leaves short of frames",
         [](HTRFile& htr) { MakeAwkwardModel(htr); }, {L"B", L"E", L"F"}, {L"C"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        HTRFile htr;
        c.make(htr);
        if (HasFatalFailure()) return;
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

// The OFFSET lines of the End Sites of a BVH file, in file order, without
// their indent.
std::vector<std::string> EndSiteOffsets(const std::filesystem::path& bvh) {
    std::istringstream lines(tovtest::ReadBytes(bvh));
    std::vector<std::string> offsets;
    bool inEndSite = false;
    for (std::string line; std::getline(lines, line);) {
        line = line.substr(line.find_first_not_of('\t'));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (inEndSite && line.starts_with("OFFSET")) offsets.push_back(line);
        inEndSite = line == "End Site" || (inEndSite && line == "{");
    }
    return offsets;
}

TEST(BVHWriter, WritesEndSitesAsReadElseAtTheBoneLength) {
    // A joint with an End Site before its child, which has two, and a leaf
    // with none.
    const std::string read =
        "HIERARCHY\nROOT R\n{\nOFFSET 0 0 0\nCHANNELS 0\nEnd Site\n{\nOFFSET 1 0 0\n}\n"
        "JOINT C\n{\nOFFSET 0 1 0\nCHANNELS 0\n"
        "End Site\n{\nOFFSET 0.0000001 -19.509425123 0.000879\n}\n"
        "End Site\n{\nOFFSET -0.00000 -2 +3e1\n}\n}\n"
        "JOINT L\n{\nOFFSET 0 0 1\nCHANNELS 0\n}\n}\nMOTION\nFrames: 0\nFrame Time: 0.01\n";
    struct Case {
        const char* label;
        void (*change)(HTRFile& model, const std::filesystem::path& dir);
        std::vector<std::string> offsets;
    };
    const Case cases[] = {
        {"as read, each joint's after its child joints",
         [](HTRFile&, const std::filesystem::path&) {},
         {"OFFSET 0.0000001 -19.509425123 0.000879", "OFFSET -0 -2 30", "OFFSET 1 0 0"}},
        {"scaled with the lengths", [](HTRFile& model, const std::filesystem::path&) {
             model.ScaleTranslations(2);
         },
         {"OFFSET 0.0000002 -39.018850246 0.001758", "OFFSET -0 -4 60", "OFFSET 2 0 0"}},
        // An HTR file holds a bone length: the longest child OFFSET's, along
        // Y, for a leaf; nothing of a joint that has children.
        {"through an HTR file", [](HTRFile& model, const std::filesystem::path& dir) {
             const auto htr = tovtest::Wide(dir / "via.htr");
             ASSERT_EQ(model.Write(htr), L"");
             ASSERT_EQ(model.Read(htr), L"");
         },
         {"OFFSET 0.000000 30.066593 0.000000", "OFFSET 0.000000 0.000000 0.000000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        tovtest::ScratchDir dir;
        HTRFile model;
        ASSERT_EQ(ReadBVHMemory(read, model), L"");
        c.change(model, dir.Path());
        const auto path = dir.Path() / "out.bvh";
        ASSERT_EQ(WriteBVHFile(tovtest::Wide(path), model), L"");
        EXPECT_EQ(EndSiteOffsets(path), c.offsets);
    }
}

// World positions three.js's BVHLoader gives a file's joints, and its End
// Sites ("Joint/EndSite0", ...) when `endSites`; none when node cannot run
// the script.
Places ThreeJsPlaces(const std::filesystem::path& bvh, bool endSites) {
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
        if (!endSites && name.find('/') != name.npos) continue;
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
    // Our own files written from models, checked against the model; then
    // every corpus file, checked against our reading of it, and our copy of
    // it, whose joints and End Sites three.js places where it places the
    // original's.
    struct Check {
        std::filesystem::path bvh, copy;
        HTRFile model;
    };
    std::vector<Check> checks(2);
    checks[0].bvh = dir.Path() / "walk.bvh";
    ASSERT_EQ(checks[0].model.Read(tovtest::Wide(kWalkHtr)), L"");
    checks[1].bvh = dir.Path() / "awkward.bvh";
    MakeAwkwardModel(checks[1].model, true);
    for (const Check& check : checks) {
        ASSERT_EQ(WriteBVHFile(tovtest::Wide(check.bvh), check.model), L"");
    }
    for (const auto& path : tovtest::CorpusFiles("bvh", ".bvh")) {
        Check& check = checks.emplace_back();
        check.bvh = path;
        check.copy = dir.Path() / path.filename();
        ASSERT_EQ(ReadBVH(tovtest::Wide(path), check.model), L"");
        ASSERT_EQ(WriteBVHFile(tovtest::Wide(check.copy), check.model), L"");
    }
    for (const Check& check : checks) {
        SCOPED_TRACE(check.bvh.string());
        const double size = SkeletonSize(check.model);
        ExpectSamePlaces(ModelPlaces(check.model), ThreeJsPlaces(check.bvh, false), 1e-6 * size);
        if (check.copy.empty()) continue;
        ExpectSamePlaces(ThreeJsPlaces(check.bvh, true), ThreeJsPlaces(check.copy, true),
                         1e-6 * size);
    }
}

}  // namespace

// Links between markers: found from markers that keep their distance (on
// generated takes and on a real gait take), read from a links file, and
// taken from the standard set through an MNM map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "brindle/host/scene/Scene.h"
#include "cli/files/InputFile.h"
#include "cli/run/FreshImport.h"
#include "cli/run/SceneSession.h"
#include "tests/support/TestFiles.h"
#include "tests/tools/cli/RunCommand.h"
#include "tovfileio/text/TextCodec.h"
#include "view/MarkerLinks.h"

namespace {

using tovview::NamedLink;
using tovview::TakeLink;

// Frames of markers: two triangles of 100 mm radius turning about centres
// of their own at speeds of their own (each rigid, the distances between
// them changing), and a seventh marker turning with the first at a radius
// that swings by `wobble` of itself, seen only in the last `seen` frames.
std::vector<float> TwoTriangles(std::size_t frames, double wobble, std::size_t seen) {
    std::vector<float> xyz;
    for (std::size_t f = 0; f < frames; ++f) {
        const double a = 0.3 * static_cast<double>(f), b = -0.5 * static_cast<double>(f);
        auto at = [&](double cx, double radius, double angle) {
            xyz.push_back(static_cast<float>(cx + radius * std::cos(angle)));
            xyz.push_back(static_cast<float>(radius * std::sin(angle)));
            xyz.push_back(1000.0f);
        };
        for (double phase : {0.0, 2.1, 4.2}) at(0, 100, a + phase);
        for (double phase : {0.0, 2.1, 4.2}) at(500, 100, b + phase);
        at(0, 100 * (1 + wobble * (f % 2 == 0 ? 0.5 : -0.5)), a + 1.0);
        if (f + seen < frames) std::fill(xyz.end() - 3, xyz.end(), NAN);
    }
    return xyz;
}

TEST(MarkerLinksTest, MarkersThatKeepTheirDistanceAreLinkedToTheirNearest) {
    const std::vector<TakeLink> triangles = {{0, 1}, {0, 2}, {1, 2}, {3, 4}, {3, 5}, {4, 5}};
    const std::vector<TakeLink> withSeventh = {{0, 1}, {0, 2}, {0, 6}, {1, 2}, {1, 6},
                                               {2, 6}, {3, 4}, {3, 5}, {4, 5}};
    const std::vector<TakeLink> withJoint = {{0, 1}, {0, 2}, {0, 6}, {1, 2}, {3, 4}, {3, 5}, {4, 5}};
    struct Case {
        const char* what;
        std::size_t frames;
        double wobble;
        std::size_t seen;
        std::vector<TakeLink> links;
    };
    const Case cases[] = {
        {"a marker whose radius swings by 2% is linked", 40, 0.02, 40, withSeventh},
        {"one whose radius swings by a quarter is joined to its nearest, as at a joint", 40, 0.25,
         40, withJoint},
        {"one whose radius swings by half is not", 40, 0.5, 40, triangles},
        {"one seen in 3 frames of 40 is", 40, 0.0, 3, withSeventh},
        {"one seen in 2 is not: they tell too little", 40, 0.0, 2, triangles},
        {"two frames tell nothing", 2, 0.0, 2, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(tovview::RigidLinks(TwoTriangles(c.frames, c.wobble, c.seen), c.frames, 7), c.links);
    }
}

// Frames of two rods of three markers 100 mm apart, the second turning by
// up to `swing` radians about a hinge 50 mm beyond the first's end.
std::vector<float> HingedRods(double swing) {
    std::vector<float> xyz;
    for (int f = 0; f < 40; ++f) {
        const double angle = swing * std::sin(0.4 * f);
        for (double x : {0.0, 100.0, 200.0}) xyz.insert(xyz.end(), {static_cast<float>(x), 0.0f, 0.0f});
        for (double r : {50.0, 150.0, 250.0}) {
            xyz.insert(xyz.end(), {static_cast<float>(250 + r * std::cos(angle)),
                                   static_cast<float>(r * std::sin(angle)), 0.0f});
        }
    }
    return xyz;
}

TEST(MarkerLinksTest, SegmentsAreJoinedWhereAJointTurnsThem) {
    // Each rod is linked along itself (its ends are too far apart for the
    // take's spacing); the rods are joined by their nearest markers while
    // the distance between them stays within 15% of itself.
    const std::vector<TakeLink> rods = {{0, 1}, {1, 2}, {3, 4}, {4, 5}};
    const std::vector<TakeLink> hinged = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}};
    EXPECT_EQ(tovview::RigidLinks(HingedRods(1.0), 40, 6), hinged);
    EXPECT_EQ(tovview::RigidLinks(HingedRods(2.5), 40, 6), rods);
}

// The groups `links` make of the outline's markers.
std::size_t MarkerGroups(const tovview::TakeOutline& outline, const std::vector<TakeLink>& links) {
    std::vector<int> group(outline.nodes.size());
    for (std::size_t i = 0; i < group.size(); ++i) group[i] = static_cast<int>(i);
    const auto leader = [&group](int node) {
        while (group[node] != node) node = group[node];
        return node;
    };
    for (const auto& [a, b] : links) group[leader(a)] = leader(b);
    std::size_t groups = 0;
    for (std::size_t i = 0; i < group.size(); ++i) {
        groups += outline.nodes[i].marker && leader(static_cast<int>(i)) == static_cast<int>(i);
    }
    return groups;
}

// A gait take whose markers are all missing for stretches (one of them for
// half the take) reads as one figure: the links join its 33 markers into at
// most three groups, and join the two sides only across the shoulders and
// the pelvis, never a limb to the other side's.
TEST(MarkerLinksTest, AGaitTakeIsLinkedIntoOneFigure) {
    const std::filesystem::path gait = tovtest::CorpusDir() / "trc" / "Gait.trc";
    if (tovtest::CorpusDir().empty()) GTEST_SKIP() << "no corpus beside the project";
    const tovtest::ScopedEnv module("TOVFILEIO_MODULE", TOV_MODULE_PATH);
    CommandIO io;
    SceneSession session(io, "test");
    ASSERT_TRUE(ImportIntoFreshScene(session, io, gait.string(), KindOfInput(gait.string())));
    tovview::TakeOutline outline;
    std::string error;
    ASSERT_TRUE(tovview::OutlineTake(brindle::host::Scene::Current(), outline, error)) << error;
    ASSERT_EQ(outline.nodes.size(), 33u);
    std::vector<TakeLink> links;
    ASSERT_TRUE(tovview::InferredLinks(outline, links, error)) << error;
    EXPECT_LE(MarkerGroups(outline, links), 3u);
    EXPECT_GE(links.size(), 33u);
    for (const auto& [a, b] : links) {
        const std::string& one = outline.nodes[a].name;
        const std::string& other = outline.nodes[b].name;
        if (tovview::SideOfName(one) == tovview::SideOfName(other)) continue;
        if (tovview::SideOfName(one) == tovview::Side::kNone ||
            tovview::SideOfName(other) == tovview::Side::kNone) {
            continue;
        }
        const bool across = (one == "R.Shoulder" && other == "L.Shoulder") ||
                            (one == "R.ASIS" && other == "L.ASIS");
        EXPECT_TRUE(across) << one << " - " << other;
    }
}

TEST(MarkerLinksTest, LinkFilesHoldTwoNamesALine) {
    const std::string path = testing::TempDir() + "/links.txt";
    struct Case {
        std::string text;
        std::vector<NamedLink> links;
        std::string error;
    };
    const std::string notALink = ": a link is two marker names, split by a tab or a blank";
    const Case cases[] = {
        {"# the head\nLFHD RFHD\n\n  LBHD\tRBHD  \r\nL Knee\tL Ankle\n",
         {{"LFHD", "RFHD"}, {"LBHD", "RBHD"}, {"L Knee", "L Ankle"}}, ""},
        {"LFHD RFHD\nLBHD\n", {}, "line 2" + notALink},
        {"A B C\n", {}, "line 1" + notALink},
        {"A\tB\tC\n", {}, "line 1" + notALink},
    };
    for (const Case& c : cases) {
        std::ofstream(path, std::ios::binary) << c.text;
        std::vector<NamedLink> links;
        std::string error;
        EXPECT_EQ(tovview::ReadLinkFile(path, links, error), c.error.empty()) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
        if (c.error.empty()) {
            EXPECT_EQ(links, c.links) << c.text;
        }
    }
    std::vector<NamedLink> links;
    std::string error;
    EXPECT_FALSE(tovview::ReadLinkFile(path + ".none", links, error));
    EXPECT_EQ(error, "cannot be read");
}

TEST(MarkerLinksTest, TheStandardSetIsLinkedThroughTheMapsNames) {
    tovfileio::MarkerNameMap map;
    for (const auto& [code, node] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"LFHD", L"HeadFL"}, {L"RFHD", L"HeadFR"}, {L"LBHD", L"HeadBL"},
             {L"RANK", L"RAnkle"}, {L"RHEL", L"RHeel"}, {L"LANK", L"LAnkle"}}) {
        map.Append({code, node});
    }
    // The right side's links come from the left's; a link of a code the map
    // does not give (RBHD, LHEL) is left out.
    const std::vector<NamedLink> expected = {
        {"HeadFL", "HeadFR"}, {"HeadFL", "HeadBL"}, {"RAnkle", "RHeel"}};
    EXPECT_EQ(tovview::StandardLinks(map), expected);

    tovview::TakeOutline outline;
    for (const char* name : {"HeadFL", "HeadFR", "Hips", "RHeel", "RAnkle"}) {
        tovview::TakeOutline::Node node;
        node.name = name;
        node.marker = std::string(name) != "Hips";
        outline.nodes.push_back(node);
    }
    std::vector<std::string> unknown;
    const std::vector<TakeLink> links = tovview::LinksByName(
        outline,
        {{"HeadFR", "HeadFL"}, {"HeadFL", "HeadFR"}, {"RAnkle", "RHeel"}, {"Hips", "RHeel"},
         {"HeadFL", "Nose"}, {"Nose", "Chin"}},
        unknown);
    // Each pair once, the lower index first; a bone is no marker.
    EXPECT_EQ(links, (std::vector<TakeLink>{{0, 1}, {3, 4}}));
    EXPECT_EQ(unknown, (std::vector<std::string>{"Hips", "Nose", "Chin"}));
}

}  // namespace

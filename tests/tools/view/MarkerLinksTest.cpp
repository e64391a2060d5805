// Links between markers: found from markers that keep their distance, read
// from a links file, and taken from the standard set through an MNM map.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "tovfileio/text/TextCodec.h"
#include "view/MarkerLinks.h"

namespace {

using tovview::NamedLink;
using tovview::TakeLink;

// Frames of markers: two triangles of 100 mm radius turning about centres
// of their own at speeds of their own (each rigid, the distances between
// them changing), and a seventh marker turning with the first at a radius
// that swings by `wobble` of itself, not seen in the first `hidden` frames.
std::vector<float> TwoTriangles(std::size_t frames, double wobble, std::size_t hidden) {
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
        if (f < hidden) std::fill(xyz.end() - 3, xyz.end(), NAN);
    }
    return xyz;
}

TEST(MarkerLinksTest, MarkersThatKeepTheirDistanceAreLinkedToTheirNearest) {
    const std::vector<TakeLink> triangles = {{0, 1}, {0, 2}, {1, 2}, {3, 4}, {3, 5}, {4, 5}};
    const std::vector<TakeLink> withSeventh = {{0, 1}, {0, 2}, {0, 6}, {1, 2}, {1, 6},
                                               {2, 6}, {3, 4}, {3, 5}, {4, 5}};
    struct Case {
        const char* what;
        std::size_t frames;
        double wobble;
        std::size_t hidden;
        std::vector<TakeLink> links;
    };
    const Case cases[] = {
        {"a marker whose radius swings by 2% is linked", 20, 0.02, 0, withSeventh},
        {"one whose radius swings by a quarter is not", 20, 0.25, 0, triangles},
        {"nor one seen in fewer than half the frames", 20, 0.0, 11, triangles},
        {"one seen in half of them is", 20, 0.0, 10, withSeventh},
        {"one frame tells nothing", 1, 0.0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(tovview::RigidLinks(TwoTriangles(c.frames, c.wobble, c.hidden), c.frames, 7), c.links);
    }
    // Six markers on one rigid body: each is linked to its three nearest
    // only, not to all five others.
    std::vector<float> line;
    for (int f = 0; f < 5; ++f) {
        for (int m = 0; m < 6; ++m) line.insert(line.end(), {100.0f * m, 10.0f * f, 0.0f});
    }
    const std::vector<TakeLink> nearest = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3},
                                           {2, 4}, {2, 5}, {3, 4}, {3, 5}, {4, 5}};
    EXPECT_EQ(tovview::RigidLinks(line, 5, 6), nearest);
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

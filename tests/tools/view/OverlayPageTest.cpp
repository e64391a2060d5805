// Takes overlaid on one page: their nodes, parents and links one after
// another, and which frame of each take a page frame shows, by frame
// number or by time.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "brindle/host/scene/Base64Floats.h"
#include "view/OverlayPage.h"

namespace {

using tovview::TakeAlignment;

tovview::EvaluatedTake Take(const std::string& title, int rate, long long first, long long frames,
                            int bones, int markers) {
    tovview::EvaluatedTake take;
    take.title = title;
    take.outline.frameRate = rate;
    take.outline.firstFrame = first;
    take.outline.frameCount = frames;
    for (int i = 0; i < bones + markers; ++i) {
        tovview::TakeOutline::Node node;
        node.name = title + std::to_string(i);
        node.marker = i >= bones;
        node.parent = i > 0 && i < bones ? i - 1 : -1;
        take.outline.nodes.push_back(node);
    }
    if (markers >= 2) take.outline.links.emplace_back(bones, bones + 1);
    take.positions.assign(static_cast<std::size_t>(frames) * 3 * (bones + markers), 0.0f);
    for (long long f = 0; f < frames; ++f) {
        for (int n = 0; n < bones + markers; ++n) {
            take.positions[(f * (bones + markers) + n) * 3] = static_cast<float>(f);
        }
    }
    return take;
}

TEST(OverlayPageTest, NodesFollowEachOtherWithTheirParentsAndLinks) {
    const std::vector<tovview::EvaluatedTake> takes = {Take("a", 60, 1, 40, 3, 0),
                                                       Take("b", 60, 1, 40, 0, 3)};
    const tovview::TakeOutline page = tovview::MergeTakes(takes, TakeAlignment::kFrame);
    ASSERT_EQ(page.nodes.size(), 6u);
    const int parents[] = {-1, 0, 1, -1, -1, -1}, owners[] = {0, 0, 0, 1, 1, 1};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(page.nodes[i].parent, parents[i]) << i;
        EXPECT_EQ(page.nodes[i].take, owners[i]) << i;
    }
    EXPECT_EQ(page.links, (std::vector<tovview::TakeLink>{{3, 4}}));
    ASSERT_EQ(page.takes.size(), 2u);
    EXPECT_EQ(page.takes[1].title, "b");
}

TEST(OverlayPageTest, PageFramesShowTheTakesFramesByNumberOrByTime) {
    struct Case {
        const char* what;
        TakeAlignment alignment;
        tovview::EvaluatedTake second;
        long long pageFirst, pageFrames;
        // page frame -> frame of the second take (from its first), -1: none
        std::vector<std::pair<long long, long long>> shown;
        long long secondFrom, secondTo;  // the page frames showing the second take
    };
    const Case cases[] = {
        {"by number, the second starting later and ending later", TakeAlignment::kFrame,
         Take("b", 60, 11, 40, 1, 0), 1, 50, {{0, -1}, {9, -1}, {10, 0}, {39, 29}, {49, 39}}, 10, 49},
        {"by number, the second starting earlier", TakeAlignment::kFrame,
         Take("b", 60, -4, 10, 1, 0), -4, 45, {{0, 0}, {5, 5}, {9, 9}, {10, -1}}, 0, 9},
        {"by time, the second at half the rate", TakeAlignment::kTime, Take("b", 30, 100, 10, 1, 0),
         1, 40, {{0, 0}, {1, 1}, {2, 1}, {18, 9}, {19, -1}}, 0, 18},
        {"by time, the second at twice the rate and twice as long", TakeAlignment::kTime,
         Take("b", 120, 1, 200, 1, 0), 1, 100, {{0, 0}, {1, 2}, {99, 198}}, 0, 99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<tovview::EvaluatedTake> takes = {Take("a", 60, 1, 40, 1, 0), c.second};
        const tovview::TakeOutline page = tovview::MergeTakes(takes, c.alignment);
        EXPECT_EQ(page.firstFrame, c.pageFirst);
        EXPECT_EQ(page.frameCount, c.pageFrames);
        for (const auto& [index, frame] : c.shown) {
            EXPECT_EQ(tovview::TakeFrameAt(page, page.takes[1], c.alignment, index), frame) << "at " << index;
        }
        EXPECT_EQ(page.takes[1].pageFirst, c.secondFrom);
        EXPECT_EQ(page.takes[1].pageLast, c.secondTo);
    }
}

// Takes of one frame rate play by frame number unless asked otherwise, of
// different rates by time; the page says which, and keeps the first take's
// clock from the page's first frame.
TEST(OverlayPageTest, TakesOfDifferentRatesPlayByTimeAndThePageKeepsTheFirstTakesClock) {
    struct Case {
        const char* what;
        std::vector<tovview::EvaluatedTake> takes;
        TakeAlignment alignment;
        double startSeconds;  // of the page's first frame
    };
    std::vector<tovview::EvaluatedTake> earlier = {Take("a", 60, 11, 40, 1, 0), Take("b", 60, 5, 40, 1, 0)};
    earlier[0].outline.startSeconds = 1.0;
    std::vector<tovview::EvaluatedTake> rates = {Take("a", 60, 1, 40, 1, 0), Take("b", 100, 1, 40, 1, 0)};
    rates[0].outline.startSeconds = 0.5;
    const Case cases[] = {
        {"one rate", {Take("a", 60, 1, 40, 1, 0), Take("b", 60, 1, 40, 1, 0)}, TakeAlignment::kFrame, 0.0},
        {"one rate, the second six frames earlier", earlier, TakeAlignment::kFrame, 0.9},
        {"60 and 100 frames a second", rates, TakeAlignment::kTime, 0.5},
        {"three takes, the last of another rate",
         {Take("a", 60, 1, 40, 1, 0), Take("b", 60, 1, 40, 1, 0), Take("c", 120, 1, 40, 1, 0)},
         TakeAlignment::kTime, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(tovview::DefaultAlignment(c.takes), c.alignment);
        const tovview::TakeOutline page = tovview::MergeTakes(c.takes, c.alignment);
        EXPECT_EQ(page.byTime, c.alignment == TakeAlignment::kTime);
        EXPECT_DOUBLE_EQ(page.startSeconds, c.startSeconds);
    }
}

// A take's filled frames are numbered as the page numbers the frames that
// show them: by frame the same; by time, the page frames showing them,
// and none when no page frame shows one.
TEST(OverlayPageTest, FilledFramesAreThePageFramesShowingThem) {
    using Runs = std::vector<tovview::FilledRun>;
    struct Case {
        const char* what;
        TakeAlignment alignment;
        tovview::EvaluatedTake second;
        Runs filled, onPage;
    };
    const Case cases[] = {
        {"by number", TakeAlignment::kFrame, Take("b", 60, 11, 40, 0, 1), {{15, 17, "rigid"}},
         {{15, 17, "rigid"}}},
        {"by time, the second at twice the rate", TakeAlignment::kTime, Take("b", 120, 1, 200, 0, 1),
         {{11, 14, "spline"}, {16, 16, "linear"}}, {{6, 7, "spline"}}},
        {"by time, the second at half the rate", TakeAlignment::kTime, Take("b", 30, 100, 10, 0, 1),
         {{103, 104, "pattern"}}, {{6, 9, "pattern"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<tovview::EvaluatedTake> takes = {Take("a", 60, 1, 40, 0, 1), c.second};
        takes[1].outline.nodes[0].filled = c.filled;
        const tovview::TakeOutline page = tovview::MergeTakes(takes, c.alignment);
        ASSERT_EQ(page.nodes.size(), 2u);
        EXPECT_TRUE(page.nodes[0].filled.empty());
        EXPECT_EQ(page.nodes[1].filled, c.onPage);
    }
}

// The page's positions of each take are its own at the frame it shows, and
// NaN where it shows none.
TEST(OverlayPageTest, ATakeWithoutAFrameThereIsADropout) {
    const std::vector<tovview::EvaluatedTake> takes = {Take("a", 60, 1, 4, 1, 0), Take("b", 60, 3, 4, 1, 0)};
    const tovview::TakeOutline page = tovview::MergeTakes(takes, TakeAlignment::kFrame);
    std::string html, error;
    ASSERT_TRUE(tovview::OverlayPageHtml(takes, page, TakeAlignment::kFrame, "a + b", html, error)) << error;
    EXPECT_EQ(html.size(), tovview::PlayerPageBytes(page, "a + b"));
    EXPECT_NE(html.find("\"takes\":[{\"title\":\"a\",\"frameRate\":60,\"firstFrame\":1,"
                        "\"frameCount\":4,\"pageFrames\":[0,3]},{\"title\":\"b\",\"frameRate\":60,"
                        "\"firstFrame\":3,\"frameCount\":4,\"pageFrames\":[2,5]}]"),
              std::string::npos);
    const std::size_t start = html.find("\"positions\":\"") + 13;
    std::vector<float> xyz;
    ASSERT_TRUE(brindle::host::AppendFloatsFromBase64(html.substr(start, html.find('"', start) - start), xyz));
    // Page frames 1 to 6: take a's frames 0 to 3, then none; take b's none
    // twice, then 0 to 3 (each x is the frame's index in its take).
    const float a[] = {0, 1, 2, 3, NAN, NAN}, b[] = {NAN, NAN, 0, 1, 2, 3};
    ASSERT_EQ(xyz.size(), 6u * 2 * 3);
    const auto same = [](float x, float y) { return std::isnan(y) ? std::isnan(x) : x == y; };
    for (std::size_t f = 0; f < 6; ++f) {
        EXPECT_TRUE(same(xyz[f * 6], a[f])) << "take a, page frame " << f;
        EXPECT_TRUE(same(xyz[f * 6 + 3], b[f])) << "take b, page frame " << f;
    }
}

}  // namespace

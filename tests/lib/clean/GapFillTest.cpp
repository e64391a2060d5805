#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "GapFillTrials.h"
#include "tests/support/TestFiles.h"
#include "tovfileio/clean/GapFill.h"

namespace {

using tovfileio::FillGaps;
using tovfileio::GapFillOptions;
using tovfileio::GapMethod;
using tovfileio::MarkerGap;
using tovfileio::TRCFile;
using tovfileio::TRCMarker;
using tovfileio::TRCSample;

using Point = std::array<double, 3>;

// Body-fixed points carried by a rotation about a slanted axis whose angle
// speeds up and swings back, and a translation along a curve.
Point RigidlyMoved(const Point& body, double t) {
    const double angle = 0.02 * t + 0.6 * std::sin(0.07 * t);
    const Point axis{1 / std::sqrt(14.0), 2 / std::sqrt(14.0), 3 / std::sqrt(14.0)};
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    const double along = axis[0] * body[0] + axis[1] * body[1] + axis[2] * body[2];
    const Point across{axis[1] * body[2] - axis[2] * body[1], axis[2] * body[0] - axis[0] * body[2],
                       axis[0] * body[1] - axis[1] * body[0]};
    const Point shift{8.0 * t, 60.0 * std::sin(0.05 * t), 0.02 * t * t};
    Point moved{};
    for (int k = 0; k < 3; ++k) moved[k] = body[k] * c + across[k] * s + axis[k] * along * (1 - c) + shift[k];
    return moved;
}

// A take at 100 Hz of 120 rows: marker 0 and its three neighbours on one
// rigid body, then a marker that wanders on its own.
TRCFile RigidBodyTake() {
    TRCFile take;
    take.SetDataRate(100);
    const std::vector<Point> body{{100, 0, 0}, {0, 100, 0}, {0, 0, 100}, {-60, -40, 30}};
    for (std::size_t m = 0; m <= body.size(); ++m) {
        TRCMarker marker(L"M" + std::to_wstring(m));
        for (int row = 0; row < 120; ++row) {
            if (m < body.size()) {
                const Point p = RigidlyMoved(body[m], row);
                marker.AddPosition(p[0], p[1], p[2]);
            } else {
                marker.AddPosition(300 * std::sin(0.11 * row), 90 * std::cos(0.23 * row), 5.0 * row);
            }
        }
        take.AddMarker(marker);
    }
    return take;
}

void Hide(TRCFile& take, std::uint32_t marker, std::uint32_t first, std::uint32_t length) {
    const auto samples = take.GetMarker(marker)->Samples();
    for (std::uint32_t row = first; row < first + length; ++row) samples[row] = {};
}

bool SameSample(const TRCSample& a, const TRCSample& b) {
    return a.valid == b.valid && a.filled == b.filled && a.x == b.x && a.y == b.y && a.z == b.z;
}

double WorstDistance(const TRCFile& a, const TRCFile& b, std::uint32_t marker) {
    double worst = 0.0;
    const auto sa = a.GetMarker(marker)->Samples();
    const auto sb = b.GetMarker(marker)->Samples();
    for (std::size_t row = 0; row < sa.size(); ++row) {
        worst = std::max({worst, std::abs(sa[row].x - sb[row].x), std::abs(sa[row].y - sb[row].y),
                          std::abs(sa[row].z - sb[row].z)});
    }
    return worst;
}

TEST(GapFill, RigidAndAutoPutBackAMarkerMovingWithThreeNeighbours) {
    const TRCFile truth = RigidBodyTake();
    for (GapMethod method : {GapMethod::kRigid, GapMethod::kAuto}) {
        SCOPED_TRACE(tovfileio::GapMethodName(method));
        TRCFile take = truth;
        Hide(take, 0, 40, 25);
        const auto report = FillGaps(take, {method, 0.5});
        ASSERT_EQ(report.filled.size(), 1u);
        EXPECT_EQ(report.filled[0].method, GapMethod::kRigid);
        EXPECT_LT(WorstDistance(take, truth, 0), 1e-9);
    }
}

TEST(GapFill, RigidIgnoresANeighbourThatKeepsItsDistanceButSwingsAround) {
    // Marker 5 circles the line through markers 0 and 1 of the body, 80 mm
    // from marker 0: its distances to both never change, yet a frame that
    // includes it turns wrongly.
    TRCFile truth = RigidBodyTake();
    TRCMarker swinging(L"swinging");
    const double r = 80 / std::sqrt(2.0);
    for (int row = 0; row < 120; ++row) {
        const double c = std::cos(0.2 * row);
        const double s = std::sin(0.2 * row);
        const Point p = RigidlyMoved({100 + r * s, r * s, 80 * c}, row);
        swinging.AddPosition(p[0], p[1], p[2]);
    }
    truth.AddMarker(swinging);
    TRCFile take = truth;
    Hide(take, 0, 40, 25);
    const auto report = FillGaps(take, {GapMethod::kRigid, 0.5});
    ASSERT_EQ(report.filled.size(), 1u);
    EXPECT_LT(WorstDistance(take, truth, 0), 1e-6);
}

TEST(GapFill, RigidFindsTheOneStillTripleAmongManyNeighboursThatKeepTheirDistances) {
    // Five markers swing about marker 0 at their own rates, each at a fixed
    // distance from it, so all eight neighbours are candidates and most of
    // the 56 triples look still at the gap's ends; only markers 1 to 3
    // carry it exactly.
    TRCFile truth = RigidBodyTake();
    for (int swing = 1; swing <= 5; ++swing) {
        TRCMarker swinging(L"swinging" + std::to_wstring(swing));
        const double radius = 60.0 + 15.0 * swing;
        for (int row = 0; row < 120; ++row) {
            const double a = (0.05 + 0.03 * swing) * row + swing;
            const double b = 0.3 * std::sin(0.04 * swing * row);
            const Point p = RigidlyMoved({100 + radius * std::cos(a) * std::cos(b), radius * std::sin(a) * std::cos(b),
                                          radius * std::sin(b)},
                                         row);
            swinging.AddPosition(p[0], p[1], p[2]);
        }
        truth.AddMarker(swinging);
    }
    for (std::uint32_t first : {5u, 40u, 90u}) {
        SCOPED_TRACE(first);
        TRCFile take = truth;
        Hide(take, 0, first, 20);
        const auto report = FillGaps(take, {GapMethod::kRigid, 0.5});
        ASSERT_EQ(report.filled.size(), 1u);
        EXPECT_LT(WorstDistance(take, truth, 0), 1e-6);
    }
}

constexpr GapMethod kEveryMethod[] = {GapMethod::kAuto, GapMethod::kLinear, GapMethod::kSpline, GapMethod::kRigid,
                                      GapMethod::kPattern};

TEST(GapFill, GapsAtTheEndsAndTooLongOnesAreReportedAndLeftAlone) {
    struct Case {
        const char* name;
        std::uint32_t first;
        std::uint32_t length;
        bool atEnds;  // otherwise too long
    };
    // The take has 120 rows at 100 Hz: 50 rows fit in 0.5 s.
    const Case cases[] = {
        {"from the first row", 0, 5, true},
        {"to the last row", 110, 10, true},
        {"the whole take", 0, 120, true},
        {"one row too long", 30, 51, false},
    };
    for (const Case& c : cases) {
        for (GapMethod method : kEveryMethod) {
            SCOPED_TRACE(std::string(c.name) + ", " + tovfileio::GapMethodName(method));
            TRCFile take = RigidBodyTake();
            Hide(take, 0, c.first, c.length);
            const TRCFile cut = take;
            const auto report = FillGaps(take, {method, 0.5});
            const std::vector<MarkerGap>& expected = c.atEnds ? report.atEnds : report.tooLong;
            ASSERT_EQ(expected.size(), 1u);
            EXPECT_EQ(expected[0].first, c.first);
            EXPECT_EQ(expected[0].length, c.length);
            EXPECT_EQ(report.filled.size() + report.unfillable.size() + report.atEnds.size() + report.tooLong.size(),
                      1u);
            const auto before = cut.GetMarker(0)->Samples();
            const auto after = take.GetMarker(0)->Samples();
            for (std::size_t row = 0; row < after.size(); ++row) ASSERT_TRUE(SameSample(before[row], after[row]));
        }
    }
    TRCFile take = RigidBodyTake();
    Hide(take, 0, 30, 50);
    EXPECT_EQ(FillGaps(take, {GapMethod::kLinear, 0.5}).filled.size(), 1u) << "a gap of exactly the longest is filled";
}

TEST(GapFill, EveryMethodMarksWhatItFillsAndTouchesNothingElse) {
    for (GapMethod method : kEveryMethod) {
        SCOPED_TRACE(tovfileio::GapMethodName(method));
        TRCFile take = RigidBodyTake();
        Hide(take, 0, 40, 20);
        Hide(take, 0, 70, 3);
        Hide(take, 4, 50, 10);  // moves on its own: nothing rigid goes with it
        const TRCFile cut = take;
        const auto report = FillGaps(take, {method, 0.5});

        std::vector<MarkerGap> reported = report.unfillable;
        for (const auto& filled : report.filled) {
            EXPECT_NE(filled.method, GapMethod::kAuto);
            if (method != GapMethod::kAuto) {
                EXPECT_EQ(filled.method, method);
            }
            reported.push_back(filled.gap);
        }
        ASSERT_EQ(reported.size(), 3u);
        const bool rigid = method == GapMethod::kRigid;
        EXPECT_EQ(report.unfillable.size(), rigid ? 1u : 0u);
        if (rigid) {
            EXPECT_EQ(report.unfillable[0].marker, 4u);
        }

        for (std::uint32_t m = 0; m < take.GetNumMarkers(); ++m) {
            const auto before = cut.GetMarker(m)->Samples();
            const auto after = take.GetMarker(m)->Samples();
            for (std::uint32_t row = 0; row < after.size(); ++row) {
                const bool inFill = std::any_of(report.filled.begin(), report.filled.end(), [&](const auto& f) {
                    return f.gap.marker == m && row >= f.gap.first && row < f.gap.first + f.gap.length;
                });
                if (inFill) {
                    EXPECT_TRUE(after[row].valid && after[row].filled) << "marker " << m << " row " << row;
                } else {
                    EXPECT_TRUE(SameSample(before[row], after[row])) << "marker " << m << " row " << row;
                }
            }
        }
    }
}

TEST(GapFill, PatternFollowsItsNeighbourAndMeetsBothEnds) {
    // The marker keeps to its neighbour's path, offset by a drift that grows
    // steadily; the pattern fill gives it back exactly.
    TRCFile take;
    take.SetDataRate(100);
    TRCMarker marker(L"marker");
    TRCMarker neighbour(L"neighbour");
    for (int row = 0; row < 60; ++row) {
        const Point path{200 * std::sin(0.1 * row), 50 * std::cos(0.17 * row), 0.5 * row * row};
        neighbour.AddPosition(path[0], path[1], path[2]);
        marker.AddPosition(path[0] + 10 + 0.5 * row, path[1] + 20 - 0.2 * row, path[2] + 30 + 0.1 * row);
    }
    take.AddMarker(marker);
    take.AddMarker(neighbour);
    const TRCFile truth = take;
    Hide(take, 0, 20, 25);
    const auto report = FillGaps(take, {GapMethod::kPattern, 0.5});
    ASSERT_EQ(report.filled.size(), 1u);
    EXPECT_LT(WorstDistance(take, truth, 0), 1e-9);
}

TEST(GapFill, MethodsAreNamed) {
    for (GapMethod method : kEveryMethod) EXPECT_EQ(tovfileio::GapMethodNamed(tovfileio::GapMethodName(method)), method);
    EXPECT_EQ(tovfileio::GapMethodNamed("Spline"), std::nullopt);
    EXPECT_EQ(tovfileio::GapMethodNamed(""), std::nullopt);
}

// Gaps of 0.1, 0.3 and 0.6 s cut into real takes where their markers were
// seen: auto, choosing per gap, does about as well as the best of linear,
// spline and rigid on the whole take.
TEST(GapFill, AutoDoesAboutAsWellAsTheBestMethodOnRealTakes) {
    const auto corpus = tovtest::CorpusDir();
    if (corpus.empty()) GTEST_SKIP() << "no corpus";
    // Auto's error over the best method's, at most.
    constexpr double kMost = 1.1;
    const char* const takes[] = {
        "trc/subject01_walk1.trc",         "c3d/pyc3d-my-motion.c3d", "c3d/ezc3d-system-a.c3d",
        "trc/2_test02_dynamic.trc",        "trc/overground_17.trc",   "trc/levelground_ccw_fast_01_01.trc",
        "c3d/ezc3d-system-b.c3d",          "trc/nimble-tiziana_markers.trc",
    };
    int tried = 0;
    for (const char* take : takes) {
        const auto path = corpus / take;
        if (!std::filesystem::exists(path)) continue;
        SCOPED_TRACE(take);
        std::wstring error;
        const tovtest::TakeTrial trial = tovtest::TryTake(path.string(), error);
        ASSERT_TRUE(error.empty());
        ++tried;
        EXPECT_GT(trial.compared, trial.cut / 3);
        const double best = std::min({trial.rms[0], trial.rms[1], trial.rms[2]});
        EXPECT_LE(trial.rms[4], kMost * best) << "linear " << trial.rms[0] << ", spline " << trial.rms[1]
                                              << ", rigid " << trial.rms[2] << ", auto " << trial.rms[4];
    }
    if (tried == 0) GTEST_SKIP() << "none of the takes is in the corpus";
}

}  // namespace

namespace {

// A take naming many markers over a few rows, each with a one-row gap:
// filling takes work and memory in proportion to the take, not to the
// square of its markers (a dense table of pairs would want 400 MB here).
TEST(GapFill, ManyMarkersFillInProportionToTheTake) {
    constexpr std::uint32_t kMarkers = 5000, kRows = 12;
    tovfileio::TRCFile take;
    take.SetDataRate(100);
    take.SetNumRows(kRows);
    take.SetNumFrames(kRows);
    for (std::uint32_t m = 0; m < kMarkers; ++m) {
        tovfileio::TRCMarker* marker = take.AddMarker(tovfileio::TRCMarker(L"M" + std::to_wstring(m)));
        for (std::uint32_t r = 0; r < kRows; ++r) {
            if (r == 5 + m % 3) {
                marker->AddDropout();
            } else {
                marker->AddPosition(m % 70 * 10.0 + r, m / 70 * 10.0, r * 2.0);
            }
        }
    }
    const tovfileio::GapFillReport report = tovfileio::FillGaps(take, tovfileio::GapFillOptions{});
    EXPECT_EQ(report.filled.size() + report.unfillable.size(), kMarkers);
    EXPECT_TRUE(report.atEnds.empty());
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tovfileio/clean/LowPass.h"

namespace tovfileio {
namespace {

// At a quarter of the rate the prewarped cut-off is tan(pi / 4) = 1, so the
// filter is b = (1 - r/2, 2 - r, 1 - r/2), a = (1, 0, 3 - 2r) with r = sqrt 2;
// at a tenth, tan(pi / 10)^2 = 1 - 2 / sqrt 5 gives b0 = 0.067455273889071916.
TEST(LowPassTest, CoefficientsFollowTheBilinearTransform) {
    const double r = std::sqrt(2.0);
    const auto quarter = ButterworthLowPass(25.0, 100.0);
    ASSERT_TRUE(quarter);
    const std::array<double, 3> b{1.0 - r / 2.0, 2.0 - r, 1.0 - r / 2.0};
    const std::array<double, 3> a{1.0, 0.0, 3.0 - 2.0 * r};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(quarter->b[i], b[i], 1e-15) << i;
        EXPECT_NEAR(quarter->a[i], a[i], 1e-15) << i;
    }
    const auto tenth = ButterworthLowPass(6.0, 60.0);
    ASSERT_TRUE(tenth);
    EXPECT_NEAR(tenth->b[0], 0.067455273889071916, 1e-15);
    EXPECT_NEAR(tenth->a[1], -1.1429805025399010, 1e-15);
    EXPECT_NEAR(tenth->a[2], 0.41280159809618864, 1e-15);

    for (const auto& [cutoff, rate] : std::vector<std::pair<double, double>>{{0.0, 60.0},
                                                                             {-1.0, 60.0},
                                                                             {30.0, 60.0},
                                                                             {40.0, 60.0},
                                                                             {6.0, 0.0},
                                                                             {NAN, 60.0},
                                                                             {6.0, INFINITY}}) {
        EXPECT_FALSE(ButterworthLowPass(cutoff, rate)) << cutoff << " Hz at " << rate;
    }
}

TEST(LowPassTest, ConstantStaysAndRunsOfPaddingOrFewerAreUntouched) {
    const BiquadFilter filter = *ButterworthLowPass(6.0, 60.0);
    std::vector<double> constant(40, 123.25);
    ASSERT_TRUE(FiltFilt(filter, constant));
    for (const double v : constant)
        EXPECT_NEAR(v, 123.25, 1e-9);

    std::vector<double> nine{1, 5, 2, 8, 3, 9, 4, 7, 6};
    const std::vector<double> before = nine;
    EXPECT_FALSE(FiltFilt(filter, nine));
    EXPECT_EQ(nine, before);
    std::vector<double> ten{1, 5, 2, 8, 3, 9, 4, 7, 6, 0};
    EXPECT_TRUE(FiltFilt(filter, ten));
    EXPECT_NE(ten[4], 3.0);
}

TEST(LowPassTest, TakeFiltersEachRunOfValidSamplesAlone) {
    TRCFile take;
    TRCMarker marker(L"M");
    // 12 seen, a dropout, 4 seen, 2 dropouts, 11 of which the last 6 are filled.
    auto add = [&](int count, bool filled) {
        for (int i = 0; i < count; ++i) {
            const double t = marker.GetNumSamples();
            marker.AddSample({true, filled, 100.0 * std::sin(t), -5.0 * t, 1e3});
        }
    };
    add(12, false);
    marker.AddDropout();
    add(4, false);
    marker.AddDropout();
    marker.AddDropout();
    add(5, false);
    add(6, true);
    take.AddMarker(marker);
    take.AddMarker(TRCMarker(L"unseen"));
    take.GetMarker(1)->AddDropout();

    const LowPassReport report = LowPassTake(take, *ButterworthLowPass(6.0, 60.0));
    EXPECT_EQ(report.stretches, 2u);
    EXPECT_EQ(report.shortStretches, 1u);
    EXPECT_EQ(report.shortSamples, 4u);

    const auto before = marker.Samples();
    const auto after = take.GetMarker(0)->Samples();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(after[i].valid, before[i].valid);
        EXPECT_EQ(after[i].filled, before[i].filled);
        const bool filtered = before[i].valid && (i < 12 || i > 18);
        EXPECT_EQ(after[i].x != before[i].x, filtered);
        EXPECT_FALSE(std::isnan(after[i].x) || std::isnan(after[i].y) || std::isnan(after[i].z));
        EXPECT_NEAR(after[i].z, before[i].z, 1e-9);  // a constant stays
    }
    EXPECT_FALSE(take.GetMarker(1)->Samples()[0].valid);
}

}  // namespace
}  // namespace tovfileio

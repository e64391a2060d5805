#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tovfileio/c3d/ForcePlatforms.h"

using namespace tovfileio;

namespace {

// A 400 x 600 plate centred at (1000, 500, 0), turned 90 degrees about the
// lab's z: corner 1 - corner 2 is (0, 400, 0), corner 1 - corner 4
// (600, 0, 0), so its x runs along the lab's y, its y along the lab's x and
// its z down: a vector (x, y, z) of the plate is (y, x, -z) in the lab.
ForcePlatform TurnedPlate(int type, std::vector<std::uint32_t> channels, Vec3d origin = {}) {
    ForcePlatform p;
    p.type = type;
    p.corners = {Vec3d{1300, 700, 0}, Vec3d{1300, 300, 0}, Vec3d{700, 300, 0}, Vec3d{700, 700, 0}};
    p.channels = std::move(channels);
    p.origin = origin;
    return p;
}

void ExpectNear(const Vec3d& got, const Vec3d& want, const char* what) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << what << " [" << i << "]";
}

PlatformForces Prepared(const ForcePlatform& platform, std::size_t channelCount,
                        PlatformForcesOptions options = {}) {
    std::wstring why;
    auto forces = PlatformForces::Prepare(platform, channelCount, options, why);
    EXPECT_TRUE(forces) << std::string(why.begin(), why.end());
    return *forces;
}

}  // namespace

// Every case carries one load: 800 down on the plate (its z) and 100 along
// its x, through the surface point r = (50, -100, 0) from the centre. About
// the centre r x F = (-100 * 800, -(50 * 800), -(-100) * 100) = (-80000,
// -40000, 10000). A sensor 40 below the centre (ORIGIN (0, 0, -40))
// measures (r - s) x F with r - s = (50, -100, -40): (-80000, -44000,
// 10000), and F x ORIGIN = (0, 4000, 0) moves it back to the centre. In the
// lab: force (0, 100, -800), moment (-40000, -80000, -10000), centre of
// pressure (1000, 500, 0) + (-100, 50, 0).
TEST(ForcePlatforms, EveryTypeGivesTheLoadOfATurnedPlate) {
    const std::vector<std::uint32_t> six{1, 2, 3, 4, 5, 6};
    ForcePlatform identity = TurnedPlate(4, six, {0, 0, -40});
    identity.calibration.assign(36, 0.0);
    for (int i = 0; i < 6; ++i) identity.calibration[i * 7] = 1;
    // Channels Fy, Fz, Mx, My, Mz, Fx: output row r is channel (r + 5) % 6,
    // M[r][(r + 5) % 6] = 1 at calibration[r + 6 * ((r + 5) % 6)]. Read
    // row-first, the same values would shift the other way.
    ForcePlatform shifted = identity;
    shifted.calibration.assign(36, 0.0);
    for (int r = 0; r < 6; ++r) shifted.calibration[r + 6 * ((r + 5) % 6)] = 1;

    // Type 3, ORIGIN (200, 250, -40): Fx12 + Fx34 = 30 + 70, Fy 0, Fz1..Fz4
    // 100, 140, 150, 410; Mx = 250 (100 + 140 - 150 - 410) = -80000,
    // My = 200 (140 + 150 - 100 - 410) = -44000, Mz = 250 (70 - 30) = 10000:
    // the sensor's moment above. Type 1 (channels 3..8 of 8): Fx, Fy, Fz,
    // COPx, COPy, Tz = 100, 0, 800, 50, -100, 7; its moment F x r - Tz z is
    // -(r x F) - (0, 0, 7) = (80000, 40000, -10007), (40000, 80000, 10007)
    // in the lab.
    const std::vector<double> loads{100, 0, 800, -80000, -44000, 10000};
    const Vec3d moment{-40000, -80000, -10000};
    const struct {
        const char* name;
        ForcePlatform platform;
        std::vector<double> channels;
        Vec3d moment;
    } cases[] = {
        {"type 2", TurnedPlate(2, six, {0, 0, -40}), loads, moment},
        {"type 2, ORIGIN z positive", TurnedPlate(2, six, {0, 0, 40}), loads, moment},
        {"type 4, identity", identity, loads, moment},
        {"type 4, channels shifted", shifted, {0, 800, -80000, -44000, 10000, 100}, moment},
        {"type 3", TurnedPlate(3, {1, 2, 3, 4, 5, 6, 7, 8}, {200, 250, -40}),
         {30, 70, 0, 0, 100, 140, 150, 410}, moment},
        {"type 1", TurnedPlate(1, {3, 4, 5, 6, 7, 8}), {-1, -1, 100, 0, 800, 50, -100, 7},
         {40000, 80000, 10007}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PlatformForces forces = Prepared(c.platform, c.channels.size());
        ExpectNear(forces.Centre(), {1000, 500, 0}, "centre");
        ExpectNear(forces.Axes()[1], {1, 0, 0}, "y axis");
        const PlatformSample s = forces.At(c.channels);
        ExpectNear(s.force, {0, 100, -800}, "force");
        ExpectNear(s.moment, c.moment, "moment");
        ExpectNear(s.cop, {900, 550, 0}, "cop");
        // Unloaded, the plate has no centre of pressure.
        const PlatformSample none = forces.At(std::vector<double>(c.channels.size(), 0.0));
        for (const double v : none.cop) EXPECT_TRUE(std::isnan(v));
    }
}

// The type 3 load above meets the plate at (ax, ay) = (50, -100) mm from
// its centre. With P2x = 1e-9, P3x = 1e-4, P6x = 0.1, P4y = 1e-8 and
// P5y = 1e-6 the plate maker's errors there are
// Dax = (1e-9 ay^2 + 1e-4) ax^3 + 0.1 ax = 1.25 + 12.5 + 5 = 18.75 and
// Day = 1e-8 ax^4 ay + 1e-6 ax^2 ay = -6.25 - 0.25 = -6.5, so the centre of
// pressure is (31.25, -93.5) on the plate, (906.5, 531.25, 0) in the lab:
// in mm whatever unit the plate is described in.
TEST(ForcePlatforms, TypeThreeCentreOfPressureTakesThePlateMakersCorrection) {
    const std::vector<double> channels{30, 70, 0, 0, 100, 140, 150, 410};
    std::vector<double> terms(12, 0.0);
    terms[1] = 1e-9, terms[2] = 1e-4, terms[5] = 0.1, terms[6 + 3] = 1e-8, terms[6 + 4] = 1e-6;
    const struct {
        const char* name;
        double unitsPerMillimetre;
        std::vector<double> terms;
        Vec3d cop;
    } cases[] = {
        {"mm", 1, terms, {906.5, 531.25, 0}},
        {"m", 1e-3, terms, {0.9065, 0.53125, 0}},
        {"six terms: not applied", 1, std::vector<double>(terms.begin(), terms.begin() + 6), {900, 550, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ForcePlatform platform = TurnedPlate(3, {1, 2, 3, 4, 5, 6, 7, 8}, {200, 250, -40});
        for (Vec3d& corner : platform.corners) {
            for (double& v : corner) v *= c.unitsPerMillimetre;
        }
        for (double& v : platform.origin) v *= c.unitsPerMillimetre;
        platform.millimetresPerUnit = 1 / c.unitsPerMillimetre;
        platform.copPolynomial = c.terms;
        const PlatformForces forces = Prepared(platform, channels.size());
        EXPECT_EQ(forces.IgnoresCopPolynomial(), c.terms.size() != 12);
        const Vec3d cop = forces.At(channels).cop;
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(cop[i], c.cop[i], 1e-9 * c.cop[0]) << i;
    }
}

TEST(ForcePlatforms, ZeroBaselineComesOffOnlyWhenAskedAndHeld) {
    // Fz is channel 4 of 7: 10 and 30 in samples 1 and 2 (a baseline of
    // 20), 820 in sample 3; channel 1 is not the plate's.
    C3DAnalog analog;
    analog.channels.resize(7);
    analog.samples = {5, 0, 0, 10, 0, 0, 0, 5, 0, 0, 30, 0, 0, 0, 5, 0, 0, 820, 0, 0, 0};
    const struct {
        bool asked;
        std::array<std::int32_t, 2> zero;
        PlatformBaseline result;
        double labFz;  // at sample 3
    } cases[] = {
        {false, {1, 2}, PlatformBaseline::kNotAsked, -820},
        {true, {1, 2}, PlatformBaseline::kTaken, -800},
        {true, {0, 0}, PlatformBaseline::kNoRange, -820},
        {true, {3, 4}, PlatformBaseline::kOutsideSamples, -820},
        {true, {0, 2}, PlatformBaseline::kOutsideSamples, -820},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.asked << " " << c.zero[0] << ".." << c.zero[1]);
        ForcePlatform platform = TurnedPlate(2, {2, 3, 4, 5, 6, 7});
        platform.zero = c.zero;
        PlatformForces forces = Prepared(platform, 7, {.zeroBaseline = c.asked});
        EXPECT_EQ(forces.SetBaseline(analog), c.result);
        EXPECT_DOUBLE_EQ(forces.At(std::span(analog.samples).subspan(14, 7)).force[2], c.labFz);
    }
}

TEST(ForcePlatforms, PrepareRefusesWhatItCannotCompute) {
    const std::vector<std::uint32_t> six{1, 2, 3, 4, 5, 6};
    ForcePlatform uncalibrated = TurnedPlate(4, six);
    uncalibrated.calibration.assign(36, 0.0);
    ForcePlatform onALine = TurnedPlate(2, six);
    onALine.corners = {Vec3d{0, 0, 0}, Vec3d{1, 0, 0}, Vec3d{2, 0, 0}, Vec3d{3, 0, 0}};
    const struct {
        ForcePlatform platform;
        const wchar_t* because;
    } cases[] = {
        {TurnedPlate(5, six), L"type 5"},
        {TurnedPlate(2, {0, 2, 3, 4, 5, 6}), L"channel 0"},
        {TurnedPlate(2, {1, 2, 3, 4, 5, 9}), L"channel 9"},
        {TurnedPlate(3, six), L"not 8"},
        {TurnedPlate(4, six), L"calibration"},
        {uncalibrated, L"matrix of zeros"},
        {onALine, L"no plane"},
    };
    for (const auto& c : cases) {
        std::wstring why;
        EXPECT_FALSE(PlatformForces::Prepare(c.platform, 8, {}, why));
        EXPECT_NE(why.find(c.because), std::wstring::npos) << std::string(why.begin(), why.end());
    }
}

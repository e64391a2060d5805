// The force platforms of a page: a C3D take's page carries each platform's
// corners and, at every frame, its force and centre of pressure, in the
// same frame and unit as the take's markers; a page without platforms
// carries neither them nor the script that draws them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "brindle/host/scene/Base64Floats.h"
#include "tests/support/TestFiles.h"
#include "tests/tools/cli/RunCommand.h"
#include "tovfileio/c3d/C3DFile.h"
#include "tovfileio/c3d/ForcePlatforms.h"
#include "tovfileio/convert/UpTurn.h"
#include "tovfileio/text/TextCodec.h"
#include "view/PlayerPage.h"

namespace {

using nlohmann::json;
using tovfileio::UpAxis;
using tovfileio::Vec3d;

constexpr std::string_view kTakeOpen = "<script type=\"application/json\" id=\"take\">";

json TakeOf(const std::string& html) {
    const std::size_t start = html.find(kTakeOpen) + kTakeOpen.size();
    return json::parse(html.substr(start, html.find("</script", start) - start));
}

std::vector<float> Floats(const json& base64) {
    std::vector<float> floats;
    EXPECT_TRUE(brindle::host::AppendFloatsFromBase64(base64.get<std::string>(), floats));
    return floats;
}

// A lab point as the page of a take read standing along `stands` holds it.
Vec3d OnPage(Vec3d v, UpAxis stands) {
    tovfileio::TurnUp(v[0], v[1], v[2], stands, UpAxis::kZ);
    return v;
}

void ExpectNear(const float* page, const Vec3d& expected, double tolerance, const std::string& what) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(page[c], expected[c], tolerance) << what << " axis " << c;
}

class ForcePlatesPageTest : public tovtest::CliTest {
protected:
    const tovtest::ScopedEnv module_{"TOVFILEIO_MODULE", TOV_MODULE_PATH};
};

// An outline's platforms go into the page as they are, with the script and
// style that draw them; without platforms the page has neither, with or
// without filled frames.
TEST_F(ForcePlatesPageTest, OnlyAPageWithPlatformsCarriesThem) {
    tovview::TakeOutline outline;
    outline.nodes.push_back({});
    outline.nodes[0].name = "LTOE";
    outline.nodes[0].marker = true;
    outline.frameCount = 2;
    const auto positions = [](long long, std::vector<float>& xyz, std::string&) {
        xyz.assign(3, 1.0f);
        return true;
    };
    const auto page = [&](const tovview::TakeOutline& o) {
        std::string html, error;
        EXPECT_TRUE(tovview::PlayerPageHtml(o, "take", positions, html, error)) << error;
        EXPECT_EQ(html.size(), tovview::PlayerPageBytes(o, "take"));
        return html;
    };
    for (const bool filled : {false, true}) {
        SCOPED_TRACE(filled ? "filled" : "not filled");
        outline.nodes[0].filled.clear();
        if (filled) outline.nodes[0].filled = {{0, 0, "rigid"}};
        outline.plates = {};
        const std::string plain = page(outline);
        EXPECT_FALSE(TakeOf(plain).contains("plates"));
        EXPECT_EQ(plain.find("FORCE"), std::string::npos);
        EXPECT_EQ(plain.find("--force"), std::string::npos);

        outline.plates.corners = {0, 0, 0, 600, 0, 0, 600, 400, 0, 0, 400, 0};
        const float nan = std::nanf("");
        outline.plates.samples = {0, 0, 700, 300, 200, 0, 1, 2, 3, nan, nan, nan};
        outline.plates.forceUnit = "N";
        const std::string html = page(outline);
        const json plates = TakeOf(html)["plates"];
        EXPECT_EQ(plates["corners"], json::parse("[[0,0,0,600,0,0,600,400,0,0,400,0]]"));
        EXPECT_EQ(plates["forceUnit"], "N");
        const std::vector<float> samples = Floats(plates["samples"]);
        ASSERT_EQ(samples.size(), 12u);
        EXPECT_EQ(samples[2], 700.0f);
        EXPECT_TRUE(std::isnan(samples[9]));
        EXPECT_NE(html.find("const FORCE = \"#"), std::string::npos);
        EXPECT_NE(html.find("--force: #"), std::string::npos);
        EXPECT_EQ(html.find("const FILLED") != std::string::npos, filled);
    }
}

// The page of a corpus C3D file: each platform whose forces can be worked
// out, its corners where the file puts them, and at each frame the force
// and centre of pressure of the frame's first analog sample, turned and
// scaled as the markers are (the markers checked against the file the
// same way). Read standing along Z, as the format has it, or along Y as
// --up says; a file without platforms has none.
TEST_F(ForcePlatesPageTest, PagesOfC3dFilesCarryThePlatformsWhereTheMarkersAre) {
    struct Case {
        const char* file;
        std::vector<std::string> options;
        UpAxis stands;
        std::size_t plates;
    };
    const Case cases[] = {
        {"ezc3d-system-b.c3d", {}, UpAxis::kZ, 2},
        {"ezc3d-system-b.c3d", {"--up", "y"}, UpAxis::kY, 2},
        {"btk-sample10-type-4a.c3d", {}, UpAxis::kZ, 2},
        {"btk-sample28-standing.c3d", {}, UpAxis::kZ, 1},
        {"ezc3d-system-a.c3d", {}, UpAxis::kZ, 0},
    };
    for (const Case& c : cases) {
        const std::filesystem::path path = tovtest::CorpusDir() / "c3d" / c.file;
        if (!std::filesystem::exists(path)) GTEST_SKIP() << "no corpus file " << path;
        SCOPED_TRACE(std::string(c.file) + (c.options.empty() ? "" : " " + c.options[0] + " " + c.options[1]));
        tovfileio::TRCFile file;
        tovfileio::C3DAnalog analog;
        std::vector<tovfileio::ForcePlatform> platforms;
        tovfileio::C3DReadOptions read;
        read.analog = &analog;
        read.platforms = &platforms;
        ASSERT_EQ(tovfileio::ReadC3DFile(path.string(), file, read), L"");
        ASSERT_EQ(file.GetUnits(), tovfileio::kUnitsMillimetres);

        const std::string html = Made("view", tovtest::With({path.string()}, c.options), ".html");
        const json take = TakeOf(html);
        if (c.plates == 0) {
            EXPECT_FALSE(take.contains("plates"));
            EXPECT_EQ(html.find("FORCE"), std::string::npos);
            continue;
        }
        const long long first = take["firstFrame"], frames = take["frameCount"];
        const long long fileFirst = file.GetStartFrame();

        // The markers: where the file has them, turned as the platforms are.
        const std::vector<float> positions = Floats(take["positions"]);
        const std::size_t nodes = take["nodes"].size();
        const tovfileio::TRCMarker& marker = *file.GetMarker(0);
        ASSERT_EQ(take["nodes"][0]["name"], tovfileio::EncodeUtf8(marker.GetName()));
        for (const long long f : {0LL, frames / 2, frames - 1}) {
            Vec3d p;
            if (!marker.GetPosition(static_cast<std::uint32_t>(first + f - fileFirst), p[0], p[1], p[2])) continue;
            ExpectNear(&positions[f * nodes * 3], OnPage(p, c.stands), 1e-2, "marker");
        }

        const json& plates = take["plates"];
        ASSERT_EQ(plates["corners"].size(), c.plates);
        EXPECT_EQ(plates["lengthPerForce"], 1);
        const std::vector<float> samples = Floats(plates["samples"]);
        ASSERT_EQ(samples.size(), frames * c.plates * 6);
        std::vector<tovfileio::PlatformForces> computed;
        for (std::size_t p = 0; p < c.plates; ++p) {
            std::wstring why;
            computed.push_back(*tovfileio::PlatformForces::Prepare(platforms[p], analog.channels.size(), {}, why));
            const std::vector<float> corners = plates["corners"][p].get<std::vector<float>>();
            for (int k = 0; k < 4; ++k) {
                ExpectNear(&corners[3 * k], OnPage(platforms[p].corners[k], c.stands), 1e-3, "corner");
            }
        }
        int loaded = 0;
        for (long long f = 0; f < frames; ++f) {
            const std::size_t sample = (first + f - fileFirst) * analog.samplesPerFrame;
            const std::span<const double> values(&analog.samples[sample * analog.channels.size()],
                                                 analog.channels.size());
            for (std::size_t p = 0; p < c.plates; ++p) {
                const tovfileio::PlatformSample at = computed[p].At(values);
                const float* page = &samples[(f * c.plates + p) * 6];
                ExpectNear(page, OnPage(at.force, c.stands), 1e-2, "force");
                if (std::isnan(at.cop[0])) {
                    EXPECT_TRUE(std::isnan(page[3]));
                } else {
                    ExpectNear(page + 3, OnPage(at.cop, c.stands), 1e-2, "centre of pressure");
                }
                if (std::hypot(at.force[0], at.force[1], at.force[2]) > 500) ++loaded;
            }
            if (HasFailure()) return;
        }
        EXPECT_GT(loaded, 0) << "no frame with a loaded platform";
    }
}

}  // namespace

// The player page: the take it holds decodes to the scene's own positions,
// dropouts are left out, no name can end the script element it sits in, and
// a scene with nothing to draw is refused.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <regex>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "brindle/host/scene/Base64Floats.h"
#include "brindle/host/scene/Scene.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/files/InputFile.h"
#include "cli/run/FreshImport.h"
#include "cli/run/SceneSession.h"
#include "tests/support/SceneNodes.h"
#include "tests/tools/cli/RunCommand.h"
#include "view/KindColours.h"
#include "view/PlayerPage.h"

namespace {

using namespace brindle::host;
using nlohmann::json;
using tovtest::AddNode;

constexpr std::string_view kTakeOpen = "<script type=\"application/json\" id=\"take\">";

struct Page {
    std::string html;
    json take;
    std::vector<float> positions;
};

// The page of `outline`, its take read back as the player reads it: the
// JSON up to the first "</script" after the take's opening tag.
Page PageOf(const tovview::TakeOutline& outline, const std::string& title) {
    std::string error;
    Page page;
    EXPECT_TRUE(tovview::PlayerPageHtml(outline, title, page.html, error)) << error;
    EXPECT_EQ(page.html.size(), tovview::PlayerPageBytes(outline, title));
    const std::size_t open = page.html.find(kTakeOpen);
    if (open == std::string::npos) {
        ADD_FAILURE() << "no take in the page";
        return page;
    }
    const std::size_t start = open + kTakeOpen.size();
    page.take = json::parse(page.html.substr(start, page.html.find("</script", start) - start));
    EXPECT_TRUE(AppendFloatsFromBase64(page.take["positions"].get<std::string>(), page.positions));
    return page;
}

tovview::TakeOutline SceneOutline() {
    tovview::TakeOutline outline;
    std::string error;
    EXPECT_TRUE(tovview::OutlineTake(Scene::Current(), outline, error)) << error;
    return outline;
}

// The page of the host's scene.
Page MakePage(const std::string& title) { return PageOf(SceneOutline(), title); }

// The first capture of `pattern` in `text`, or empty.
std::string Captured(const std::string& text, const std::string& pattern) {
    std::smatch match;
    return std::regex_search(text, match, std::regex(pattern)) ? match[1].str() : std::string();
}

// Each test starts from an empty scene.
class PlayerPageTest : public ::testing::Test {
protected:
    void SetUp() override { scene.Clear(); }
    const tovtest::ScopedEnv module_{"TOVFILEIO_MODULE", TOV_MODULE_PATH};
    Scene& scene = Scene::Current();
};

// Every position in the page of an imported file is the scene's (asked
// node by node, the other way round from the page's frame by frame), or
// NaN where a marker is at the origin; the page loads nothing.
TEST_F(PlayerPageTest, TakesOfImportedFilesAreTheScenesPositions) {
    std::vector<std::filesystem::path> inputs = {tovtest::kWalkHtr, tovtest::kWalkTrc};
    for (const auto& file : tovtest::CorpusFiles("htr", ".htr")) inputs.push_back(file);
    for (const auto& file : tovtest::CorpusFiles("trc", ".trc")) inputs.push_back(file);
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.string());
        CommandIO io;
        SceneSession session(io, "test");
        // Files the importer refuses are passed over.
        if (!ImportIntoFreshScene(session, io, input.string(), KindOfInput(input.string()))) continue;
        if (scene.Nodes().empty()) continue;  // a file naming no markers: refused, as below
        const Page page = MakePage(input.filename().string());
        const json& take = page.take;
        ASSERT_EQ(take["title"], input.filename().string());
        EXPECT_EQ(take["units"], "mm");
        EXPECT_EQ(take["frameRate"], scene.FrameRate());
        const long long first = take["firstFrame"], frames = take["frameCount"];
        EXPECT_EQ(first * scene.TicksPerFrame(), scene.AnimationRange()->Start());
        EXPECT_EQ((first + frames - 1) * scene.TicksPerFrame(), scene.AnimationRange()->End());
        const std::size_t count = take["nodes"].size();
        ASSERT_EQ(page.positions.size(), frames * count * 3);
        for (std::size_t i = 0; i < count; ++i) {
            const json& node = take["nodes"][i];
            SceneNode* sceneNode = scene.FindByName(tovfileio::DecodeUtf8(node["name"].get<std::string>()));
            ASSERT_NE(sceneNode, nullptr) << node["name"];
            const int parent = node["parent"];
            if (parent >= 0) {
                EXPECT_EQ(take["nodes"][parent]["name"], tovfileio::EncodeUtf8(sceneNode->Parent()->Name()));
            }
            for (long long f = 0; f < frames; ++f) {
                const TimeValue t = static_cast<TimeValue>((first + f) * scene.TicksPerFrame());
                const float* xyz = &page.positions[(f * count + i) * 3];
                const Point3 world = sceneNode->GetNodeTM(t, nullptr).GetTrans();
                if (std::isnan(xyz[0])) {
                    EXPECT_TRUE(node["marker"]);
                    EXPECT_EQ(sceneNode->Transform().Position().Evaluate(t), Point3(0, 0, 0));
                } else {
                    ASSERT_EQ(Point3(xyz[0], xyz[1], xyz[2]), world) << node["name"] << " " << f;
                }
            }
        }
        // The samples' names say both sides, and the page carries them.
        if (input == tovtest::kWalkHtr || input == tovtest::kWalkTrc) {
            std::map<std::string, int> sides;
            for (const json& node : take["nodes"]) ++sides[node.value("side", "")];
            EXPECT_GT(sides["left"], 0);
            EXPECT_GT(sides["right"], 0);
        }
        for (const char* external : {"src=", "href=", "url(", "@import", "fetch(", "XMLHttpRequest"}) {
            EXPECT_EQ(page.html.find(external), std::string::npos) << external;
        }
    }
}

// Names and titles go into the page as JSON that no "</script>", comment
// opener or quote can break out of: each reads back exactly as it was.
TEST_F(PlayerPageTest, NamesReadBackExactlyAndCannotEndTheScript) {
    const wchar_t* const names[] = {
        L"</script><script>alert(1)</script>", L"</SCRIPT >", L"<!--", L"-->", L"\"quoted\"",
        L"back\\slash", L"tab\tand\nline", L"&amp;", L"Kopf-\u00fc \u2028", L"]]>",
    };
    SceneNode* parent = nullptr;
    for (const wchar_t* name : names) {
        parent = AddNode(scene, name, GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID, parent);
    }
    const std::string title = "</script><!-- \"walk\".htr";
    const Page page = MakePage(title);
    EXPECT_EQ(page.take["title"], title);
    ASSERT_EQ(page.take["nodes"].size(), std::size(names));
    for (std::size_t i = 0; i < std::size(names); ++i) {
        EXPECT_EQ(page.take["nodes"][i]["name"], tovfileio::EncodeUtf8(names[i]));
        EXPECT_EQ(page.take["nodes"][i]["parent"], static_cast<int>(i) - 1);
    }
    const std::size_t start = page.html.find(kTakeOpen) + kTakeOpen.size();
    const std::string takeText = page.html.substr(start, page.html.find("</script", start) - start);
    EXPECT_EQ(takeText.find('<'), std::string::npos);
}

// The page draws sides in the tints the other drawings share.
TEST_F(PlayerPageTest, ThePageDrawsSidesInTheSharedTints) {
    AddNode(scene, L"LFHD", GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID);
    const std::string html = MakePage("tints").html;
    const std::pair<const char*, const char*> tints[] = {
        {"BONE_LEFT", tovcolours::kBoneLeftHex},
        {"BONE_RIGHT", tovcolours::kBoneRightHex},
        {"MARKER_LEFT", tovcolours::kMarkerLeftHex},
        {"MARKER_RIGHT", tovcolours::kMarkerRightHex},
    };
    for (const auto& [name, hex] : tints) {
        const std::string line = std::string("const ") + name + " = \"" + hex + "\";";
        EXPECT_NE(html.find(line), std::string::npos) << line;
    }
}

// A marker with filled frames has them in the page, which then carries the
// script and style that show them, in one colour; a page of a take with none
// anywhere goes without both.
TEST_F(PlayerPageTest, OnlyAPageWithFilledFramesCarriesThem) {
    AddNode(scene, L"LFHD", GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID);
    AddNode(scene, L"RFHD", GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID);
    tovview::TakeOutline outline = SceneOutline();
    const std::string plain = PageOf(outline, "walk").html;
    EXPECT_EQ(plain.find("filled"), std::string::npos);

    outline.nodes[1].filled = {{3, 5, "rigid"}, {9, 9, "linear"}};
    const Page page = PageOf(outline, "walk");
    EXPECT_FALSE(page.take["nodes"][0].contains("filled"));
    EXPECT_EQ(page.take["nodes"][1]["filled"], json::parse(R"([[3,5,"rigid"],[9,9,"linear"]])"));
    const std::string script = Captured(page.html, "const FILLED = \"(#[0-9a-f]{6})\";");
    EXPECT_FALSE(script.empty());
    EXPECT_EQ(Captured(page.html, "--filled: (#[0-9a-f]{6});"), script);
    // The page around the take is the plain page with more in it.
    EXPECT_GT(page.html.size(), plain.size());
}

// A marker is left out of the frames at which it is at the origin exactly,
// keyed there or held there after its last key (-0 is 0); a bone there, a
// marker near it or on its way between keys is drawn.
TEST_F(PlayerPageTest, MarkersAtTheOriginAreLeftOut) {
    scene.SetAnimationRange(Interval(0, 3 * scene.TicksPerFrame()));
    SceneNode* bone = AddNode(scene, L"bone", GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID);
    SceneNode* sphere = AddNode(scene, L"sphere", GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID);
    SceneNode* point = AddNode(scene, L"point", HELPER_CLASS_ID, POINTHELP_CLASS_ID, bone);
    SceneNode* near = AddNode(scene, L"near", GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID);
    const int tpf = scene.TicksPerFrame();
    const Point3 seen(10, 20, 30), origin(0, 0, 0);
    // Keys at frames 0 to 3 (kOff: no key at that frame).
    const Point3 kOff(-1, -1, -1);
    const std::map<SceneNode*, std::vector<Point3>> keys = {
        {bone, {seen, origin, seen, origin}},
        {sphere, {seen, origin, origin, kOff}},
        {point, {origin, seen, kOff, origin}},
        {near, {Point3(0, 0, 1e-6f), seen, seen, Point3(-0.0f, 0, 0)}},
    };
    for (const auto& [node, values] : keys) {
        for (int f = 0; f < 4; ++f) {
            if (!(values[f] == kOff)) node->Transform().Position().Track().Set(f * tpf, values[f]);
        }
    }
    const Page page = MakePage("keys");
    // Per node in page order (bone, point, sphere, near), the frames drawn.
    const char* const drawn[] = {"1111", "0110", "1000", "1110"};
    ASSERT_EQ(page.positions.size(), 4u * 4u * 3u);
    for (int i = 0; i < 4; ++i) {
        std::string frames;
        for (int f = 0; f < 4; ++f) frames += std::isnan(page.positions[(f * 4 + i) * 3]) ? '0' : '1';
        EXPECT_EQ(frames, drawn[i]) << page.take["nodes"][i]["name"];
    }
}

// The frames are the animation range's, or the current frame's alone; a
// scene with nothing to draw is refused, whatever else it holds.
TEST_F(PlayerPageTest, FramesAreTheRangesAndEmptyScenesAreRefused) {
    std::string error;
    tovview::TakeOutline outline;
    EXPECT_FALSE(tovview::OutlineTake(scene, outline, error));
    EXPECT_EQ(error, "the scene holds no bones or markers; there is nothing to play");
    AddNode(scene, L"dummy", HELPER_CLASS_ID, DUMMY_CLASS_ID);
    EXPECT_FALSE(tovview::OutlineTake(scene, outline, error));

    AddNode(scene, L"ball", GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID);
    struct Case {
        std::optional<Interval> range;
        TimeValue time;
        long long first, count;
    };
    const int tpf = scene.TicksPerFrame();
    const Case cases[] = {
        {Interval(tpf, 40 * tpf), 0, 1, 40},
        {Interval(-3 * tpf, -tpf), 0, -3, 3},
        {Interval(tpf / 2, tpf / 2), 0, 0, 1},
        {std::nullopt, 7 * tpf, 7, 1},
    };
    for (const Case& c : cases) {
        scene.SetAnimationRange(c.range);
        scene.SetTime(c.time);
        ASSERT_TRUE(tovview::OutlineTake(scene, outline, error));
        EXPECT_EQ(outline.firstFrame, c.first);
        EXPECT_EQ(outline.frameCount, c.count);
    }
}

}  // namespace

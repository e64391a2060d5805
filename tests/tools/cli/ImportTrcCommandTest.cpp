// tovfileio import-trc end to end, and a scene holding a skeleton and a
// marker cloud together through every scene command.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "brindle/host/scene/Objects.h"
#include "brindle/host/scene/Scene.h"
#include "brindle/host/scene/SceneDocument.h"
#include "tests/tools/cli/RunCommand.h"
#include "tests/tools/cli/ScratchSettings.h"
#include "tests/support/TestFiles.h"

namespace {

using tovtest::RunCommand;

class ImportTrcCommandTest : public ::testing::Test {
protected:
    tovtest::ScratchSettings settings_;  // what the tests' dialogs remember
    const std::string samples_ = std::string(TOV_SOURCE_DIR) + "/samples/";
};

TEST_F(ImportTrcCommandTest, ASkeletonAndAMarkerCloudShareAScene) {
    tovtest::ScratchDir dir;
    const std::string scene = (dir.Path() / "s.json").string();
    auto skeleton = RunCommand({"import-htr", samples_ + "walk.htr", "--scene", scene, "--create",
                                "--key-base", "--animate", "--all", "--set-fps", "--size", "1",
                                "--scale-factor", "1", "--offset", "0"});
    ASSERT_EQ(skeleton.status, 0) << skeleton.err;
    auto cloud = RunCommand({"import-trc", samples_ + "walk.trc", "--scene", scene, "--create",
                             "--point", "--root-node", "--all", "--size", "4", "--scale-factor",
                             "1", "--offset", "0", "--no-set-fps"});
    ASSERT_EQ(cloud.status, 0) << cloud.err;
    EXPECT_EQ(cloud.err, "");

    auto listed = RunCommand({"scene", scene});
    EXPECT_NE(listed.out.find("TRCCloud  dummy"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("  LFHD  point  position 40 keys"), std::string::npos) << listed.out;
    EXPECT_NE(listed.out.find("  Hips  bone"), std::string::npos) << listed.out;
    auto json = RunCommand({"scene", "--json", scene});
    EXPECT_NE(json.out.find("\"kind\": \"point\""), std::string::npos);
    EXPECT_NE(json.out.find("\"wire_color\": 3355596"), std::string::npos);  // 0x3333CC

    // The sample markers ride on the sample skeleton: each keeps its
    // distance from one bone's joint, close by, through every frame it
    // was seen (a dropout is keyed at the origin).
    brindle::host::Scene loaded;
    std::string error;
    ASSERT_TRUE(brindle::host::LoadSceneDocument(scene, loaded, error)) << error;
    std::vector<brindle::host::SceneNode*> bones, markers;
    for (brindle::host::SceneNode* node : loaded.Nodes()) {
        if (node->HeldObject() == nullptr) continue;
        const std::string kind = brindle::host::ObjectKind(*node->HeldObject());
        if (kind == "bone") bones.push_back(node);
        if (kind == "point") markers.push_back(node);
    }
    ASSERT_EQ(markers.size(), 34u);
    for (brindle::host::SceneNode* marker : markers) {
        double nearest = 1e9;  // of the joints at a steady distance
        for (brindle::host::SceneNode* bone : bones) {
            double lo = 1e9, hi = 0;
            for (int frame = 1; frame <= 40; ++frame) {
                const TimeValue t = frame * loaded.TicksPerFrame();
                const Point3 m = marker->GetNodeTM(t, nullptr).GetTrans();
                if (m == Point3(0, 0, 0)) continue;
                const Point3 b = bone->GetNodeTM(t, nullptr).GetTrans();
                const double d = std::hypot(m.x - b.x, m.y - b.y, m.z - b.z);
                lo = std::min(lo, d);
                hi = std::max(hi, d);
            }
            if (hi - lo < 0.5) nearest = std::min(nearest, hi);
        }
        EXPECT_LT(nearest, 300.0) << marker->GetName();
    }

    // Applying the markers again onto the cloud keys the same nodes.
    auto applied = RunCommand({"import-trc", samples_ + "walk.trc", "--scene", scene, "--apply",
                               "--select", "TRCCloud", "--selected-only", "--offset", "100"});
    ASSERT_EQ(applied.status, 0) << applied.err;
    EXPECT_NE(RunCommand({"scene", scene}).out.find("  LFHD  point  position 80 keys"),
              std::string::npos);
    auto exported = RunCommand({"export-htr", (dir.Path() / "out.htr").string(), "--scene", scene,
                                "--select", "walk", "--range", "1", "40"});
    EXPECT_EQ(exported.status, 0) << exported.err;
}

TEST_F(ImportTrcCommandTest, FailuresAndRefusalsLeaveTheSceneAsItWas) {
    tovtest::ScratchDir dir;
    const auto scene = dir.Write("s.json", "");
    std::filesystem::remove(scene);
    auto first = RunCommand({"import-trc", samples_ + "walk.trc", "--scene", scene.string(),
                             "--create", "--sphere", "--size", "1", "--scale-factor", "1"});
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string saved = tovtest::ReadBytes(scene);
    struct Case {
        const char* name;
        std::string input;
        Arguments args;
        const char* message;
    };
    const Case cases[] = {
        {"refused by the dialog", samples_ + "walk.trc", {"--size", "0"},
         "ImportTRC Error: Please choose a non-zero size.\n"},
        {"not a TRC file", samples_ + "walk.htr", {"--suppress-prompts"}, "ImportTRC Error: "},
    };
    for (const Case& c : cases) {
        Arguments args = {"import-trc", c.input, "--scene", scene.string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        auto run = RunCommand(args);
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << c.name << ": " << run.err;
        EXPECT_EQ(tovtest::ReadBytes(scene), saved) << c.name;
    }
}

}  // namespace

// glTF output: what the Khronos validator says of the files made from the
// samples and the corpus, and animated positions that equal the scene's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "brindle/host/scene/Scene.h"
#include "cli/FreshImport.h"
#include "cli/SceneSession.h"
#include "gltf/SceneGltf.h"
#include "tests/cli/RunCommand.h"
#include "tests/support/TestFiles.h"
#include "trc/TRCFile.h"

namespace {

using brindle::host::Scene;
using tovtest::RunCommand;

class GltfTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("TOVFILEIO_MODULE", TOV_MODULE_PATH, 1); }
    void TearDown() override { ::unsetenv("TOVFILEIO_MODULE"); }
    tovtest::ScratchDir dir_;
};

// Runs the validator on `files`; its report, and whether every file passed.
bool Validate(const std::vector<std::string>& files, std::string& report) {
    std::string command = "node '" TOV_SOURCE_DIR "/scripts/validate-gltf.js' '" TOV_GLTF_VALIDATOR "'";
    for (const std::string& file : files) command += " '" + file + "'";
    std::FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return false;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe) != nullptr) report += line;
    return ::pclose(pipe) == 0;
}

bool ValidatorThere() {
    return std::filesystem::exists(TOV_GLTF_VALIDATOR "/index.js") &&
           std::system("node --version >/dev/null 2>&1") == 0;
}

TEST_F(GltfTest, SamplesAndCorpusFilesPassTheValidator) {
    std::vector<std::filesystem::path> inputs = {TOV_SOURCE_DIR "/samples/walk.htr",
                                                 TOV_SOURCE_DIR "/samples/walk.trc"};
    for (const auto& file : tovtest::CorpusFiles("htr", ".htr")) inputs.push_back(file);
    for (const auto& file : tovtest::CorpusFiles("trc", ".trc")) inputs.push_back(file);
    std::vector<std::string> outputs;
    int n = 0;
    for (const auto& input : inputs) {
        // Every file the readers accept converts; binary and text in turn.
        ++n;
        const std::string out =
            (dir_.Path() / ("out" + std::to_string(n) + (n % 2 ? ".glb" : ".gltf"))).string();
        const auto run = RunCommand({"convert", input.string(), out});
        if (run.status != 0) {
            EXPECT_NE(run.err.find("import did not succeed"), std::string::npos)
                << input << ": " << run.err;
            continue;
        }
        outputs.push_back(out);
    }
    ASSERT_GE(outputs.size(), 2u);
    if (!ValidatorThere()) GTEST_SKIP() << "node or the glTF validator is not installed";
    std::string report;
    EXPECT_TRUE(Validate(outputs, report)) << report;
}

// A translation of 1e308 mm is beyond a float once imported: the glTF and
// SVG writers refuse the scene, naming the node and where the value is, and
// write nothing, where they once wrote null translations and "-nan"
// coordinates.
TEST_F(GltfTest, ValuesBeyondAFloatAreRefusedWithTheirNode) {
    const std::string in = dir_.Write("far.htr",
                                      "[Header]\nFileType htr\nDataType HTRS\nFileVersion 1\n"
                                      "NumSegments 1\nNumFrames 2\nDataFrameRate 30\n"
                                      "EulerRotationOrder ZYX\nCalibrationUnits mm\n"
                                      "RotationUnits Degrees\nGlobalAxisofGravity Y\n"
                                      "BoneLengthAxis Y\nScaleFactor 1.0\n"
                                      "[SegmentNames&Hierarchy]\nHips\tGLOBAL\n"
                                      "[BasePosition]\nHips\t0\t0\t0\t0\t0\t0\t10\n[Hips]\n"
                                      "1\t1e308\t0\t0\t0\t0\t0\t1\n"
                                      "2\t1e308\t0\t0\t0\t0\t0\t1\n[EndOfFile]\n")
                                .string();
    struct Case {
        const char* out;
        const char* message;
    };
    const Case cases[] = {
        {"far.glb", ": node \"Hips\": the position at tick 160 is infinite in metres, which glTF "
                    "cannot hold; nothing written\n"},
        {"far.gltf", ": node \"Hips\": the position at tick 160 is infinite"},
        {"far.svg", "far.htr: node \"Hips\": its position at frame 1 is not a finite number; "
                    "nothing drawn\n"},
    };
    for (const Case& c : cases) {
        const std::string out = (dir_.Path() / c.out).string();
        const bool svg = std::string(c.out).find(".svg") != std::string::npos;
        // Frame 1, the first of the file, is at tick 160.
        const auto run = svg ? RunCommand({"preview", in, "--frame", "1", "-o", out})
                             : RunCommand({"convert", in, out});
        EXPECT_EQ(run.status, 1) << c.out;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << c.out;
    }
}

// World positions in the glTF file, from its nodes and the sampled channels
// at one key, equal the scene's at that time turned to metres and Y up.
TEST_F(GltfTest, AnimatedPositionsAtAKeyEqualTheScenes) {
    CommandIO io;
    SceneSession session(io, "test");
    ASSERT_TRUE(ImportIntoFreshScene(session, io, TOV_SOURCE_DIR "/samples/walk.htr"));
    Scene& scene = Scene::Current();
    const tinygltf::Model model = tovgltf::SceneToGltf(scene, "test");
    ASSERT_EQ(model.animations.size(), 1u);
    const int key = 17;
    const TimeValue t = scene.Nodes()[0]->Transform().Position().Track()[key].time;

    auto floats = [&model](int accessor) {
        const auto& a = model.accessors[accessor];
        const auto& view = model.bufferViews[a.bufferView];
        const float* data = reinterpret_cast<const float*>(
            model.buffers[view.buffer].data.data() + view.byteOffset + a.byteOffset);
        return std::vector<float>(data, data + view.byteLength / sizeof(float));
    };
    // Each node's translation and rotation at the key, from the channels.
    std::map<int, std::array<double, 3>> translation;
    std::map<int, std::array<double, 4>> rotation;
    for (const auto& channel : model.animations[0].channels) {
        const auto& sampler = model.animations[0].samplers[channel.sampler];
        const auto values = floats(sampler.output);
        if (channel.target_path == "translation") {
            translation[channel.target_node] = {values[3 * key], values[3 * key + 1],
                                                values[3 * key + 2]};
        } else if (channel.target_path == "rotation") {
            rotation[channel.target_node] = {values[4 * key], values[4 * key + 1],
                                             values[4 * key + 2], values[4 * key + 3]};
        }
    }
    // Column vectors: world = parent world * (T * R); positions of the origins.
    auto rotate = [](const std::array<double, 4>& q, const std::array<double, 3>& v) {
        const double x = q[0], y = q[1], z = q[2], w = q[3];
        const std::array<double, 3> u{y * v[2] - z * v[1] + w * v[0],
                                      z * v[0] - x * v[2] + w * v[1],
                                      x * v[1] - y * v[0] + w * v[2]};
        return std::array<double, 3>{v[0] + 2 * (y * u[2] - z * u[1]),
                                     v[1] + 2 * (z * u[0] - x * u[2]),
                                     v[2] + 2 * (x * u[1] - y * u[0])};
    };
    std::map<int, int> parent;
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        for (int child : model.nodes[i].children) parent[child] = static_cast<int>(i);
    }
    auto local = [&](int node, std::array<double, 3>& t3, std::array<double, 4>& q) {
        const auto& n = model.nodes[node];
        t3 = translation.count(node) ? translation[node]
             : n.translation.empty() ? std::array<double, 3>{0, 0, 0}
                                     : std::array<double, 3>{n.translation[0], n.translation[1],
                                                             n.translation[2]};
        q = rotation.count(node) ? rotation[node]
            : n.rotation.empty() ? std::array<double, 4>{0, 0, 0, 1}
                                 : std::array<double, 4>{n.rotation[0], n.rotation[1],
                                                         n.rotation[2], n.rotation[3]};
    };
    const tovgltf::GltfAxes axes{scene.SystemUnitMillimetres() / 1000.0};
    int checked = 0;
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        // The node's origin carried up through its parents.
        std::array<double, 3> p{0, 0, 0};
        for (int at = static_cast<int>(i);;) {
            std::array<double, 3> t3;
            std::array<double, 4> q;
            local(at, t3, q);
            p = rotate(q, p);
            for (int c = 0; c < 3; ++c) p[c] += t3[c];
            if (!parent.count(at)) break;
            at = parent[at];
        }
        const auto expected = axes.Position(scene.Nodes()[i]->GetNodeTM(t, nullptr).GetTrans());
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(p[c], expected[c], 2e-6) << model.nodes[i].name << " axis " << c;
        }
        ++checked;
    }
    EXPECT_EQ(checked, 22);
}

}  // namespace

// glTF output: what the Khronos validator says of the files made from the
// samples and the corpus, animated positions that equal the scene's, and the
// shapes and meshes drawn for the scene's objects.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "brindle/host/scene/Scene.h"
#include "tovfileio/text/TextCodec.h"
#include "cli/run/FreshImport.h"
#include "cli/run/SceneSession.h"
#include "gltf/ObjectShapes.h"
#include "gltf/SceneGltf.h"
#include "tests/support/FarHtr.h"
#include "tests/support/SceneNodes.h"
#include "tests/tools/cli/RunCommand.h"

namespace {

using ::testing::HasSubstr;
using brindle::host::Scene;
using tovtest::RunCommand;

class GltfTest : public tovtest::CliTest {
protected:
    const tovtest::ScopedEnv module_{"TOVFILEIO_MODULE", TOV_MODULE_PATH};
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

TEST_F(GltfTest, SamplesAndCorpusFilesPassTheValidator) {
    // The corpus files the readers refuse; every other file converts.
    const std::set<std::string> refused = {"mocap.htr", "abdbonepin.trc", "motion_capture_walk.trc",
                                           "pyomeca_markers.trc", "test_file_06_2tab_one_space.trc"};
    std::vector<std::filesystem::path> inputs = {tovtest::kWalkHtr, tovtest::kWalkTrc};
    for (const auto& file : tovtest::CorpusFiles("htr", ".htr")) inputs.push_back(file);
    for (const auto& file : tovtest::CorpusFiles("trc", ".trc")) inputs.push_back(file);
    // Skeletons with bones of length zero, which get no mesh: the corpus's
    // cmu_12_01_walk.bvh (Hips and Spine1), else one of two such bones, the
    // second of the first one's shape.
    for (const auto& file : tovtest::CorpusFiles("bvh", ".bvh")) inputs.push_back(file);
    if (tovtest::CorpusFiles("bvh", ".bvh").empty()) {
        inputs.push_back(Write("zero.bvh",
                               "HIERARCHY\nROOT Hips\n{\nOFFSET 0 0 0\nCHANNELS 6 Xposition Yposition "
                               "Zposition Zrotation Yrotation Xrotation\nJOINT Spine\n{\nOFFSET 0 10 0\n"
                               "CHANNELS 3 Zrotation Yrotation Xrotation\nJOINT Neck\n{\nOFFSET 0 0 0\n"
                               "CHANNELS 3 Zrotation Yrotation Xrotation\nEnd Site\n{\nOFFSET 0 0 0\n}\n}\n}\n}\n"
                               "MOTION\nFrames: 2\nFrame Time: 0.033333\n0 0 0 0 0 0 0 0 0 0 0 0\n"
                               "0 1 0 0 0 10 0 0 0 0 0 0\n"));
    }
    std::vector<std::string> outputs;
    for (const auto& input : inputs) {
        // Binary and text in turn.
        const std::string n = std::to_string(outputs.size() + 1);
        const std::string out = Path("out" + n + (outputs.size() % 2 == 0 ? ".glb" : ".gltf"));
        const auto run = RunCommand({"convert", input.string(), out});
        if (refused.count(input.filename().string()) != 0) {
            EXPECT_EQ(run.status, 1) << input;
            EXPECT_THAT(run.err, HasSubstr("import did not succeed")) << input << ": ";
            EXPECT_FALSE(std::filesystem::exists(out)) << input;
            continue;
        }
        EXPECT_EQ(run.status, 0) << input << ": " << run.err;
        outputs.push_back(out);
    }
    ASSERT_GE(outputs.size(), 2u);
    if (!std::filesystem::exists(TOV_GLTF_VALIDATOR "/index.js") ||
        std::system("node --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "node or the glTF validator is not installed";
    }
    std::string report;
    EXPECT_TRUE(Validate(outputs, report)) << report;
}

// A translation of 1e308 mm is beyond a float once imported: the glTF and
// SVG writers refuse the scene, naming the node and where the value is, and
// write nothing, where they once wrote null translations and "-nan"
// coordinates. Frame 1, the first of the file, is at tick 160.
TEST_F(GltfTest, ValuesBeyondAFloatAreRefusedWithTheirNode) {
    const std::string in = Write("far.htr", tovtest::FarHtr());
    const std::pair<const char*, const char*> cases[] = {
        {"far.glb", ": node \"Hips\": the position at tick 160 is infinite in metres, which glTF "
                    "cannot hold; nothing written\n"},
        {"far.svg", "far.htr: node \"Hips\": its position at frame 1 is not a finite number; "
                    "nothing drawn\n"},
    };
    for (const auto& [name, message] : cases) {
        const std::string out = Path(name);
        const auto run = out.ends_with(".svg") ? RunCommand({"preview", in, "--frame", "1", "-o", out})
                                               : RunCommand({"convert", in, out});
        EXPECT_EQ(run.status, 1) << name;
        EXPECT_THAT(run.err, HasSubstr(message));
        EXPECT_FALSE(std::filesystem::exists(out)) << name;
    }
}

// World positions in the glTF file, from its nodes and the sampled channels
// at one key, equal the scene's at that time turned to metres and Y up.
TEST_F(GltfTest, AnimatedPositionsAtAKeyEqualTheScenes) {
    CommandIO io;
    SceneSession session(io, "test");
    ASSERT_TRUE(ImportIntoFreshScene(session, io, tovtest::kWalkHtr, tovfileio::FileKind::kHtr));
    Scene& scene = Scene::Current();
    const tinygltf::Model model = tovgltf::SceneToGltf(scene, "test");
    ASSERT_EQ(model.animations.size(), 1u);
    const int key = 17;
    const TimeValue t = scene.Nodes()[0]->Transform().Position().Track()[key].time;
    // Each node's channel values at the key, by node and path.
    std::map<std::pair<int, std::string>, std::vector<double>> keyed;
    for (const auto& channel : model.animations[0].channels) {
        const auto& a = model.accessors[model.animations[0].samplers[channel.sampler].output];
        const auto& view = model.bufferViews[a.bufferView];
        const float* data = reinterpret_cast<const float*>(model.buffers[view.buffer].data.data() +
                                                           view.byteOffset + a.byteOffset);
        const int n = channel.target_path == "rotation" ? 4 : 3;
        keyed[{channel.target_node, channel.target_path}].assign(data + n * key, data + n * (key + 1));
    }
    // The channel's value, else the node's own, else `none`.
    auto local = [&](int node, const char* path, const std::vector<double>& own, std::vector<double> none) {
        const auto found = keyed.find({node, path});
        return found != keyed.end() ? found->second : own.empty() ? none : own;
    };
    std::map<int, int> parent;
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        for (int child : model.nodes[i].children) parent[child] = static_cast<int>(i);
    }
    const tovgltf::GltfAxes axes{scene.SystemUnitMillimetres() / 1000.0};
    for (std::size_t i = 0; i < model.nodes.size(); ++i) {
        // The node's origin carried up through its parents (column vectors:
        // world = parent world * (T * R)).
        std::array<double, 3> p{0, 0, 0};
        for (int at = static_cast<int>(i);; at = parent[at]) {
            const auto& n = model.nodes[at];
            const auto t3 = local(at, "translation", n.translation, {0, 0, 0});
            const auto q = local(at, "rotation", n.rotation, {0, 0, 0, 1});
            const std::array<double, 3> u{q[1] * p[2] - q[2] * p[1] + q[3] * p[0],
                                          q[2] * p[0] - q[0] * p[2] + q[3] * p[1],
                                          q[0] * p[1] - q[1] * p[0] + q[3] * p[2]};
            p = {p[0] + 2 * (q[1] * u[2] - q[2] * u[1]) + t3[0],
                 p[1] + 2 * (q[2] * u[0] - q[0] * u[2]) + t3[1],
                 p[2] + 2 * (q[0] * u[1] - q[1] * u[0]) + t3[2]};
            if (!parent.count(at)) break;
        }
        const auto expected = axes.Position(scene.Nodes()[i]->GetNodeTM(t, nullptr).GetTrans());
        for (int c = 0; c < 3; ++c) {
            EXPECT_NEAR(p[c], expected[c], 2e-6) << model.nodes[i].name << " axis " << c;
        }
    }
    EXPECT_EQ(model.nodes.size(), 22u);
}

// Every shape is closed with its triangles turning one way, seen from
// outside counter-clockwise, and its normals lean the way its faces look;
// a mirrored shape is turned back by Shade.
TEST(GltfShapes, ShapesAreClosedAndFaceOutwards) {
    using tovgltf::Vec3;
    struct Case {
        const char* name;
        tovgltf::Shape shape;
        Vec3 min, max;
        bool mirror;
    };
    const Case cases[] = {
        {"bone", tovgltf::BoneShape(110, 22, 12, 0.9), {0, -11, -6}, {110, 11, 6}, false},
        {"pyramid", tovgltf::BoneShape(40, 8, 8, 1.0), {0, -4, -4}, {40, 4, 4}, false},
        {"flared", tovgltf::BoneShape(10, 2, 2, -1.0), {0, -2, -2}, {10, 2, 2}, false},
        {"backwards", tovgltf::BoneShape(-50, 10, 10, 0.5), {-50, -5, -5}, {0, 5, 5}, false},
        {"mirrored", tovgltf::BoneShape(50, 10, 6, 0.5), {-50, -5, -3}, {0, 5, 3}, true},
        {"sphere", tovgltf::SphereShape(25, 8), {-25, -25, -25}, {25, 25, 25}, false},
        {"few segments", tovgltf::SphereShape(1, -7), {-1, -1, -1}, {1, 1, 1}, false},
        {"point", tovgltf::PointShape(20), {-10, -10, -10}, {10, 10, 10}, false},
    };
    for (Case c : cases) {
        SCOPED_TRACE(c.name);
        auto& p = c.shape.positions;
        for (Vec3& v : p) v[0] = c.mirror ? -v[0] : v[0];
        tovgltf::Shade(c.shape);
        ASSERT_EQ(c.shape.normals.size(), p.size());
        Vec3 centre;
        for (int k = 0; k < 3; ++k) {
            const auto [low, high] = std::minmax_element(
                p.begin(), p.end(), [k](auto& a, auto& b) { return a[k] < b[k]; });
            EXPECT_NEAR((*low)[k], c.min[k], 1e-9) << "axis " << k;
            EXPECT_NEAR((*high)[k], c.max[k], 1e-9) << "axis " << k;
            centre[k] = ((*low)[k] + (*high)[k]) / 2;
        }
        // Directed edges between positions; each must be met once each way.
        std::map<std::pair<Vec3, Vec3>, int> edges;
        const auto& index = c.shape.indices;
        ASSERT_EQ(index.size() % 3, 0u);
        for (std::size_t t = 0; t < index.size(); t += 3) {
            const Vec3 a = p[index[t]], b = p[index[t + 1]], d = p[index[t + 2]];
            if (a == b || b == d || d == a) continue;  // the apex of a pyramid
            const Vec3 u{b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v{d[0] - a[0], d[1] - a[1], d[2] - a[2]};
            const Vec3 n{u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            // Convex shapes: a face looks away from the middle.
            double out = 0;
            for (int k = 0; k < 3; ++k) out += n[k] * ((a[k] + b[k] + d[k]) / 3 - centre[k]);
            EXPECT_GT(out, 0) << "triangle " << t / 3;
            for (int k = 0; k < 3; ++k) {
                const Vec3& normal = c.shape.normals[index[t + k]];
                EXPECT_NEAR(std::hypot(normal[0], normal[1], normal[2]), 1.0, 1e-12);
                EXPECT_GT(normal[0] * n[0] + normal[1] * n[1] + normal[2] * n[2], 0);
            }
            ++edges[{a, b}], ++edges[{b, d}], ++edges[{d, a}];
        }
        for (const auto& [edge, count] : edges) {
            EXPECT_EQ(count, 1);
            EXPECT_EQ(edges.count({edge.second, edge.first}), 1u);
        }
    }
}

// A scene of every kind of object: each node's mesh has the extent of its
// object in metres and glTF's axes, placed by the object offset, in its
// wire colour; alike objects share one mesh and one material, a camera and
// a bone of length zero have none, and an object too large for a float is
// refused.
TEST(GltfShapes, MeshesOfASceneMatchItsObjects) {
    using namespace brindle::host;
    Scene& scene = Scene::Current();
    scene.Clear();
    scene.SetSystemUnitMillimetres(10.0);
    const auto make = [&scene](const wchar_t* name, SClass_ID superClass, Class_ID classId, DWORD color) {
        SceneNode* node = tovtest::AddNode(scene, name, superClass, classId);
        node->SetWireColor(color);
        return node;
    };
    const auto bone = [&](const wchar_t* name, DWORD color, float length = 100, float width = 20,
                          float height = 10) {
        SceneNode* node = make(name, GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID, color);
        ParamBlock& block = node->HeldObject()->Block();
        for (const auto& [param, value] : {std::pair{kBoneLength, length}, {kBoneWidth, width},
                                           {kBoneHeight, height}, {kBoneTaper, 0.5f}}) {
            block.SetValue(param, 0, value);
        }
        return node;
    };
    SceneNode* thigh = bone(L"LThigh", 0x0000FF);
    bone(L"RThigh", 0x0000FF);
    SceneNode* blue = bone(L"Blue", 0xFF0080);
    SceneNode* ball = make(L"Ball", GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID, 0x00FF00);
    ball->HeldObject()->Block().SetValue(kSphereRadius, 0, 5.0f);
    // Drawn with 64, the most segments drawn.
    ball->HeldObject()->Block().SetValue(kSphereSegments, 0, 2147483647);
    ball->SetObjectOffset(TransMatrix(Point3(10, 0, 0)));
    SceneNode* point = make(L"Point", HELPER_CLASS_ID, POINTHELP_CLASS_ID, 0x00FF00);
    SceneNode* box = make(L"Box", HELPER_CLASS_ID, DUMMY_CLASS_ID, 0);
    box->HeldObject()->SetBox({Point3(-1, -2, -3), Point3(4, 5, 6)});
    SceneNode* camera = make(L"Camera", CAMERA_CLASS_ID, TARGET_CAMERA_CLASS_ID, 0);
    // Bones of length zero, as a BVH joint at its child's place makes them:
    // nothing to draw, so no mesh, however many there are.
    const SceneNode* zeroBones[] = {bone(L"Spine1", 0x0000FF, 0, 0, 0), bone(L"Neck", 0x0000FF, 0, 0, 0)};
    // A cloud of like markers.
    for (int i = 0; i < 1000; ++i) make(L"M", GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID, 0x00FF00);

    const tinygltf::Model model = tovgltf::SceneToGltf(scene, "test");
    const auto meshOf = [&](const SceneNode* node) {
        const auto& nodes = scene.Nodes();
        return model.nodes[std::find(nodes.begin(), nodes.end(), node) - nodes.begin()].mesh;
    };
    struct Case {
        SceneNode* node;
        int mode;
        std::array<double, 3> min, max, color;
    };
    // Host (x, y, z) in centimetres is glTF's (x, z, -y) in metres; colours
    // are linear, as glTF's are. Bones are the bone orange (0xf0a030) and
    // markers the marker blue (0x4da3ff) whatever their wire colours, as the
    // page and the picture draw them; other objects keep their wire colour.
    const std::array<double, 3> orange{0.8713671, 0.3515326, 0.0295568};
    const std::array<double, 3> markerBlue{0.0742136, 0.3662526, 1};
    const Case cases[] = {
        {thigh, TINYGLTF_MODE_TRIANGLES, {0, -0.05, -0.1}, {1, 0.05, 0.1}, orange},
        {blue, TINYGLTF_MODE_TRIANGLES, {0, -0.05, -0.1}, {1, 0.05, 0.1}, orange},
        {ball, TINYGLTF_MODE_TRIANGLES, {0.05, -0.05, -0.05}, {0.15, 0.05, 0.05}, markerBlue},
        {point, TINYGLTF_MODE_TRIANGLES, {-0.1, -0.1, -0.1}, {0.1, 0.1, 0.1}, markerBlue},
        {box, TINYGLTF_MODE_LINE, {-0.01, -0.03, -0.05}, {0.04, 0.06, 0.02}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(tovfileio::EncodeUtf8(c.node->Name()));
        const int mesh = meshOf(c.node);
        ASSERT_GE(mesh, 0);
        ASSERT_EQ(model.meshes[mesh].primitives.size(), 1u);
        const auto& primitive = model.meshes[mesh].primitives[0];
        EXPECT_EQ(primitive.mode, c.mode);
        EXPECT_EQ(primitive.attributes.count("NORMAL"), c.mode == TINYGLTF_MODE_TRIANGLES ? 1u : 0u);
        const auto& positions = model.accessors[primitive.attributes.at("POSITION")];
        const auto& color = model.materials[primitive.material].pbrMetallicRoughness;
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(positions.minValues[k], c.min[k], 1e-7) << "axis " << k;
            EXPECT_NEAR(positions.maxValues[k], c.max[k], 1e-7) << "axis " << k;
            EXPECT_NEAR(color.baseColorFactor[k], c.color[k], 1e-6) << k;
        }
        EXPECT_EQ(color.metallicFactor, 0.0);
    }
    EXPECT_EQ(meshOf(camera), -1);
    for (const SceneNode* zero : zeroBones) EXPECT_EQ(meshOf(zero), -1);
    std::string written, refused;
    EXPECT_TRUE(tovgltf::SceneGltfBytes(scene, true, "test", written, refused)) << refused;
    // Bone (the three bones' one: same shape, same colour), offset ball,
    // point, box, marker (the cloud's one); orange, marker blue, black.
    EXPECT_EQ(model.meshes.size(), 5u);
    EXPECT_EQ(model.materials.size(), 3u);

    // 4e37 units of a kilometre each are beyond a float in metres.
    scene.SetSystemUnitMillimetres(1e6);
    box->HeldObject()->SetBox({Point3(-1, -2, -3), Point3(4e37f, 5, 6)});
    std::string bytes, error;
    EXPECT_FALSE(tovgltf::SceneGltfBytes(scene, true, "test", bytes, error));
    EXPECT_EQ(error, "node \"Box\": the size of its object is infinite in metres, which glTF cannot hold; "
                     "nothing written");
    scene.Clear();
}

}  // namespace

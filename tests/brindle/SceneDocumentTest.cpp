// Scene documents: every value saved and loaded bit for bit through both
// forms, binary and JSON, tracks short and long in their two JSON spellings,
// JSON documents of both versions still read and saved as binary, every
// broken or hostile document refused without harm, and saves that fail
// leaving the old file.
#include "brindle/host/scene/SceneDocument.h"

#include <cfloat>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include "brindle/host/scene/Base64Floats.h"
#include "scene/BinaryForm.h"
#include "scene/DocumentText.h"
#include "tests/support/AllocationFailure.h"
#include "tests/support/SceneNodes.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace brindle::host;
namespace fs = std::filesystem;
using tovtest::AddNode;

const float kOddFloats[] = {0.1f,        1e-30f,  -0.0f,       1e-45f, FLT_MIN / 3, FLT_MAX,
                            -FLT_MAX,    1.0f,    16777217.0f, 3.14159274f, -123.456f};

// Every kind of object, both rotation controllers, keys, user properties, a
// child created before its parent, two nodes of one name, a biped transform
// and floats that print badly when not printed in their shortest form.
void BuildRichScene(Scene& scene) {
    scene.Clear();
    scene.SetFrameRate(25);
    scene.SetSystemUnitMillimetres(25.4);
    scene.SetTime(-192);
    scene.SetAnimationRange(Interval(-192, 19200));
    SceneNode* child = AddNode(scene, L"Spine", GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID);
    SceneNode* hips = AddNode(scene, L"Hips", GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID);
    hips->AttachChild(child, 0);
    SceneNode* twin = AddNode(scene, L"Hips", HELPER_CLASS_ID, DUMMY_CLASS_ID, child);
    static_cast<SceneObject*>(twin->GetObjectRef())
        ->SetBox({Point3(-1e-30f, 0.1f, -0.0f), Point3(FLT_MAX, 2, 3)});
    SceneNode* ball = AddNode(scene, L"Ball \"ü\"\n", GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID, twin);
    auto& sphere = static_cast<SceneObject*>(ball->GetObjectRef())->Block();
    sphere.SetValue(kSphereRadius, 0, 0.1f);
    sphere.SetValue(kSphereSegments, 0, -7);
    AddNode(scene, L"Point", HELPER_CLASS_ID, POINTHELP_CLASS_ID, hips);
    AddNode(scene, L"Camera", CAMERA_CLASS_ID, TARGET_CAMERA_CLASS_ID);
    AddNode(scene, L"Light", LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID);
    SceneNode* pelvis = scene.CreateNodeWithHandle(900, nullptr, BIPSLAVE_CONTROL_CLASS_ID);
    pelvis->SetName(L"Pelvis");
    // Made after its parent with a smaller handle: handles out of node order.
    SceneNode* thigh = scene.CreateNodeWithHandle(500, nullptr, PRS_CONTROL_CLASS_ID);
    thigh->SetName(L"Thigh");
    pelvis->AttachChild(thigh, 0);

    hips->SetWireColor(0x123456);
    hips->SetUserPropFloat(L"zeta", 0.1f);
    hips->SetUserPropFloat(L"alpha", -0.0f);
    hips->ShowBone(3);
    hips->SetBoneNodeOnOff(TRUE, 0);
    hips->SetObjectOffset(Matrix3(Point3(1, 0, 0), Point3(0, 1, 0), Point3(0, 0, 1),
                                  Point3(0.1f, 1e-45f, -2)));
    static_cast<SceneObject*>(hips->GetObjectRef())->Block().SetValue(kBoneTaper, 0, 0.3f);
    TransformController& tm = hips->Transform();
    tm.SetRotation(NewRotationController(TCB_ROTATION_CLASS_ID));
    TimeValue t = -160;
    for (const float value : kOddFloats) {
        tm.Position().Track().Set(t, Point3(value, -value, 1));
        tm.Rotation().Track().Set(t, Quat(value, 0, 0, 1));
        t += 160;
    }
    tm.Scale().SetHeldValue(Point3(1e-30f, 2, 3));
    tm.Scale().SetLocked(true);
    child->Transform().Rotation().Track().Set(0, Quat(0.1f, 0.2f, 0.3f, 0.9f));
}

// A dummy "Marker" whose position and rotation have `count` keys, every 7th
// tick a step further than the rest, values running through the odd floats.
Scene& AddMarker(Scene& scene, std::size_t count) {
    SceneNode* node = AddNode(scene, L"Marker", HELPER_CLASS_ID, DUMMY_CLASS_ID);
    auto& track = node->Transform().Position().Track();
    auto& rotation = node->Transform().Rotation().Track();
    TimeValue t = -1000;
    for (std::size_t i = 0; i < count; ++i) {
        const float a = kOddFloats[i % std::size(kOddFloats)];
        const float b = kOddFloats[(i + 3) % std::size(kOddFloats)];
        track.Set(t, Point3(a, b, static_cast<float>(i)));
        rotation.Set(t, Quat(b, a, 0.5f, -static_cast<float>(i)));
        t += i % 7 == 6 ? 320 : 160;
    }
    return scene;
}

// Keys of the same ticks whose values have the same bits.
template <typename Track>
void ExpectSameKeys(const Track& before, const Track& after) {
    ASSERT_EQ(after.Size(), before.Size());
    for (std::size_t i = 0; i < after.Size(); ++i) {
        ASSERT_EQ(after[i].time, before[i].time) << i;
        ASSERT_EQ(std::memcmp(&after[i].value, &before[i].value, sizeof after[i].value), 0) << i;
    }
}

// A minimal document around the given node list.
std::string Document(const std::string& nodes, const std::string& settings = "") {
    return R"({"format": "tovfileio-scene", "version": 2, )" + settings + R"("nodes": [)" + nodes + "]}";
}

// A document of one node "A" with the members given.
std::string NodeA(const std::string& members) {
    return Document(R"({"name": "A", "handle": 1, )" + members + "}");
}

// A document of one node "A" whose position has the members given.
std::string Controller(const std::string& members) {
    return NodeA(R"("position": {)" + members + "}");
}

std::string Keyed(const std::string& keys) { return Controller(R"("keys": )" + keys); }

std::string Base64Of(std::vector<float> values) {
    std::string text;
    AppendBase64Floats(text, values.data(), values.size());
    return "\"" + text + "\"";
}

bool IsBinary(const std::string& bytes) {
    return bytes.compare(0, sizeof kBinaryMagic, reinterpret_cast<const char*>(kBinaryMagic),
                         sizeof kBinaryMagic) == 0;
}

// Loads `bytes` written to a scratch file.
bool Load(const std::string& bytes, Scene& scene, std::string& error) {
    tovtest::ScratchDir dir;
    return LoadSceneDocument(dir.Write("s.json", bytes).string(), scene, error);
}

const std::string kBone =
    R"("object": {"kind": "bone", "class_id": [683634317, 785164352], "super_class_id": 16})";

// The rich scene beside tracks around the length where they turn compact,
// and around the length of one base64 string (4096 keys), where the values
// split: the saved file is the binary document, and it and the scene's JSON
// text each load as the scene itself, every key with the same bits.
TEST(SceneDocumentTest, RoundTripKeepsEveryValueBitForBit) {
    for (const std::size_t count : {0, 1, 2, 3, 100, 101, 4095, 4096, 4097, 9000}) {
        SCOPED_TRACE(count);
        Scene original;
        BuildRichScene(original);
        AddMarker(original, count);
        tovtest::ScratchDir dir;
        const std::string path = (dir.Path() / "scene.json").string();
        std::string error;
        ASSERT_TRUE(SaveSceneDocument(original, path, error)) << error;
        EXPECT_TRUE(IsBinary(tovtest::ReadBytes(path)));
        const std::string json = dir.Write("scene.txt", SceneToJson(original)).string();
        for (const std::string& file : {path, json}) {
            Scene loaded;
            ASSERT_TRUE(LoadSceneDocument(file, loaded, error)) << error;
            EXPECT_EQ(SceneToJson(loaded), SceneToJson(original));
            ASSERT_EQ(loaded.Nodes().size(), original.Nodes().size());
            for (std::size_t i = 0; i < loaded.Nodes().size(); ++i) {
                auto& before = original.Nodes()[i]->Transform();
                auto& after = loaded.Nodes()[i]->Transform();
                ExpectSameKeys(before.Position().Track(), after.Position().Track());
                ExpectSameKeys(before.Rotation().Track(), after.Rotation().Track());
                ExpectSameKeys(before.Scale().Track(), after.Scale().Track());
            }
        }
    }
    // User properties keep their order.
    Scene scene;
    BuildRichScene(scene);
    EXPECT_NE(SceneToJson(scene).find("\"zeta\": 0.1,"), std::string::npos);
}

// Each float as the document spells it: the shortest decimal that reads
// back as the same float, with a fraction or an exponent; whole numbers
// about the bounds of the quick integer path among them.
TEST(SceneDocumentTest, FloatsAreWrittenInTheirShortestForm) {
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {0.0f, "0.0"},         {-0.0f, "-0.0"},         {1.0f, "1.0"},
        {-3.0f, "-3.0"},       {9999.0f, "9999.0"},     {-9999.0f, "-9999.0"},
        {10000.0f, "10000.0"}, {-10000.0f, "-10000.0"}, {100000.0f, "1e+05"},
        {123456.0f, "123456.0"}, {16777216.0f, "16777216.0"}, {1e10f, "1e+10"},
        {0.1f, "0.1"},         {-2.5f, "-2.5"},         {9999.5f, "9999.5"},
        {0.7390348f, "0.7390348"}, {1e-45f, "1e-45"},   {FLT_MAX, "3.4028235e+38"},
        {std::numeric_limits<float>::infinity(), "null"},
        {std::numeric_limits<float>::quiet_NaN(), "null"},
    };
    for (const auto& c : cases) {
        std::string text;
        const bool finite = DocumentText::AppendFloat(text, c.value);
        EXPECT_EQ(text, c.text) << c.value;
        EXPECT_EQ(finite, std::string(c.text) != "null") << c.value;
    }
}

// A key or string is written as a JSON library writes it, escapes and all,
// whatever its length and wherever its special byte lies; a key's line
// and indent are those of the document's layout.
TEST(SceneDocumentTest, KeysAndStringsAreEscapedAsJsonWritesThem) {
    std::vector<std::string> texts = {"", "name", "HTRBaseTransX", "\xC3\xA9t\xC3\xA9",
                                      std::string(64, 'k'), std::string(65, 'k')};
    for (const char special : {'"', '\\', '\n', '\t', '\x01', '\x1f', '\x7f'}) {
        for (std::size_t length = 1; length <= 20; ++length) {
            for (std::size_t at = 0; at < length; at += 3) {
                std::string text(length, 'a');
                text[at] = special;
                texts.push_back(text);
            }
        }
    }
    for (const std::string& text : texts) {
        DocumentText out;
        out.BeginObject();
        out.Key("outer");
        out.BeginObject();
        out.Key(text);
        out.String(text);
        out.EndObject();
        out.EndObject();
        const std::string quoted = nlohmann::json(text).dump();
        EXPECT_EQ(out.Finish(), "{\n  \"outer\": {\n    " + quoted + ": " + quoted + "\n  }\n}\n") << quoted;
    }
}

TEST(SceneDocumentTest, TicksAndValuesMayBeWrittenByHandInEitherForm) {
    // Ticks plain or as runs; values as numbers, base64, or both in turn:
    // the scene of the same keys written out one by one.
    Scene mixed, plain;
    std::string error;
    ASSERT_TRUE(Load(Controller(R"("values": [1, 2, 3, )" + Base64Of({4, 5, 6, 7, 8, 9}) +
                                R"(, 10, 11, 12], "ticks": [-5, [0, 10, 2], 25])"),
                     mixed, error))
        << error;
    ASSERT_TRUE(Load(Keyed("[[-5, 1, 2, 3], [0, 4, 5, 6], [10, 7, 8, 9], [25, 10, 11, 12]]"),
                     plain, error))
        << error;
    EXPECT_EQ(SceneToJson(mixed), SceneToJson(plain));
}

// A document the first version of the format wrote (samples/walk.htr and
// the marker sample of then imported six frames each: bones with TCB
// rotations, end effectors and saved poses, point markers under a dummy)
// loads as the scene that walk-version2.json holds, every field and key;
// each, saved under its own name, becomes a binary document of that scene.
TEST(SceneDocumentTest, JsonDocumentsStillLoadAndAreSavedAsBinary) {
    const std::string data = std::string(TOV_SOURCE_DIR) + "/tests/brindle/data/";
    const std::string version2 = tovtest::ReadBytes(data + "walk-version2.json");
    tovtest::ScratchDir dir;
    for (const char* name : {"walk-version1.json", "walk-version2.json"}) {
        SCOPED_TRACE(name);
        const std::string path = dir.Write(name, tovtest::ReadBytes(data + name)).string();
        Scene scene, again;
        std::string error;
        ASSERT_TRUE(LoadSceneDocument(path, scene, error)) << error;
        EXPECT_EQ(SceneToJson(scene), version2);
        ASSERT_TRUE(SaveSceneDocument(scene, path, error)) << error;
        EXPECT_TRUE(IsBinary(tovtest::ReadBytes(path)));
        ASSERT_TRUE(LoadSceneDocument(path, again, error)) << error;
        EXPECT_EQ(SceneToJson(again), version2);
    }
}

// A "user_properties" member of `count` properties p0, p1, ..., and one
// more named `last`.
std::string ManyProperties(int count, const std::string& last) {
    std::string members = R"("user_properties": {)";
    for (int i = 0; i < count; ++i) members += "\"p" + std::to_string(i) + "\": 1, ";
    return members + "\"" + last + "\": 2}";
}

// A document that must be refused, and what the message must say.
struct RefusedCase {
    const char* name;
    std::string bytes;
    const char* message;
};

// Each document fails to load with a one-line message naming the file, and
// leaves the scene and the file as they were. Some values once made an
// export run away or write infinities.
TEST(SceneDocumentTest, BrokenDocumentsFailAndChangeNothing) {
    const std::string node1 = R"({"name": "Hips", "handle": 1, )" + kBone + "}";
    std::vector<RefusedCase> cases = {
        {"empty", "", "the file is empty"},
        {"truncated", Document(node1).substr(0, 40), "line 1, column 41: syntax error"},
        {"foreign", R"({"hello": 1})", "not a tovfileio scene (no \"format\" field)"},
        {"newer version", R"({"format": "tovfileio-scene", "version": 3, "nodes": []})",
         "version 3 of the scene document is newer"},
        {"repeated key", Document(R"({"name": "A", "name": "B", "handle": 1})"),
         "the key \"name\" appears twice"},
        {"repeated handle", Document(node1 + ", " + R"({"name": "B", "handle": 1})"),
         "node 2 (\"B\"): handle 1 is taken by node 1"},
        {"unknown parent", Document(R"({"name": "Hips", "handle": 4, "parent": "X"})"),
         "node 1 (\"Hips\"): parent \"X\" is not a node of the scene"},
        {"cycle", Document(R"({"name": "A", "handle": 1, "parent": "B"}, )"
                           R"({"name": "B", "handle": 2, "parent": "A"})"),
         "the parents form a cycle"},
        {"own parent", NodeA(R"("parent_handle": 1)"), "the parents form a cycle"},
        {"handle 0", Document(R"({"name": "A", "handle": 0})"), "handle 0 is out of range"},
        {"no name", Document(R"({"handle": 1})"), "node 1: has no \"name\""},
        {"key out of order", Keyed("[[160, 0, 0, 0], [0, 0, 0, 0]]"),
         "position: key 2: tick 0 does not come after"},
        {"short key", NodeA(R"("rotation": {"keys": [[0, 0, 0, 1]]})"),
         "rotation: key 1 must have 5 elements"},
        {"tick with a fraction", Keyed(R"([[0.5, 0, 0, 0]])"), "key 1 tick must be an integer, not a number"},
        {"tick beyond 32 bits", Keyed(R"([[4294967296, 0, 0, 0]])"), "key 1 tick 4294967296 is out of range"},
        {"number as text", Keyed(R"([[0, 0, "1", 0]])"), "key 1 must be a number, not a string"},
        {"keys not an array", Keyed("{}"), "position: keys must be an array, not an object"},
        {"infinite number", "{\"format\": 1e999}", "line 1, column 12: the number 1e999 is too large"},
        {"too large for a float", NodeA(R"("scale": {"value": [1e39, 0, 0]})"),
         "scale: value is too large for a float"},
        {"wrong controller", NodeA(R"("rotation": {"controller": "linear_scale"})"),
         "is not a rotation controller"},
        {"unknown object class", NodeA(R"("object": {"class_id": [1, 2], "super_class_id": 16})"),
         "the host has no object of this class"},
        {"ticks against frame rate",
         Document("", R"("frame_rate": 30, "ticks_per_frame": 100, )"),
         "ticks_per_frame 100 does not match frame_rate 30 (160)"},
        {"NUL in a name", Document(R"({"name": "A\u0000B", "handle": 1})"), "name contains a NUL character"},
        {"nested too deep", std::string(100, '[') + std::string(100, ']'), "nested more than 32 levels deep"},
        {"range of the whole tick span",
         Document("", R"("animation_range": [-2147483648, 2147483647], )"),
         "animation_range [-2147483648, 2147483647]: tick -2147483648 lies more than 1073741824"},
        {"range of a million frames and one, without keys",
         Document("", R"("frame_rate": 30, "animation_range": [0, 160000000], )"),
         "animation_range [0, 160000000] holds 1000001 frames"},
        {"key far from time 0", Keyed("[[0, 1, 1, 1], [1073741825, 1, 1, 1]]"),
         "node 1 (\"A\"): position: key 2: tick 1073741825 lies more than"},
        {"tiny system unit", Document("", R"("system_unit_mm": 1e-7, )"),
         "system_unit_mm 1e-07 is out of range (1e-06 to 1e+09 mm)"},
        // Nodes are read as they close; what is said is still the first
        // fault in the order syntax, settings, nodes, parents.
        {"a node as a number", Document(R"(7, {"handle": 1})"),
         "node 1: the node must be an object, not a number"},
        {"the first of two broken nodes",
         Document(R"({"name": "A", "handle": 0}, {"handle": 2})"), "node 1 (\"A\"): handle 0"},
        {"a broken node before a syntax error", Document(R"({"handle": 1}, {"name": )"), "syntax error"},
        {"a broken node before newer settings",
         R"({"nodes": [{"handle": 1}], "format": "tovfileio-scene", "version": 3})",
         "version 3 of the scene document is newer"},
        {"a broken node before a broken parent",
         Document(R"({"name": "A", "handle": 1, "parent": "X"}, {"name": "B", "handle": 0})"),
         "node 2 (\"B\"): handle 0 is out of range"},
        {"a key repeated in a large object", NodeA(ManyProperties(40, "p7")), "the key \"p7\" appears twice"},
        {"a key repeated in a node's object",
         NodeA(R"("object": {"kind": "bone", "length": 1, "width": 2, "kind": "bone"})"),
         "line 1, column 134: the key \"kind\" appears twice in one object"},
        {"a key repeated among properties", NodeA(ManyProperties(14, "p13")),
         "the key \"p13\" appears twice"},
    };
    // Tracks spelt wrongly: the members of node A's position.
    const std::string nan = Base64Of({1, std::numeric_limits<float>::quiet_NaN(), 3});
    const RefusedCase tracks[] = {
        {"a run of two", R"("ticks": [[0, 160]])",
         "ticks: item 1 must be a run of three integers [first, step, count]"},
        {"a run past the last tick", R"("ticks": [[2147483000, 160, 6]])",
         "ticks: item 1: the run goes on beyond tick 2147483647"},
        {"a run of more ticks than the values hold",
         R"("ticks": [[-2147483648, 1, 4294967296]], "values": [1, 2, 3])",
         "position: ticks give 4294967296 keys but values hold 3 numbers (3 a key)"},
        {"ticks going back", R"("ticks": [[0, 160, 3], 100], "values": [0,0,0,0,0,0,0,0,0,0,0,0])",
         "position: key 4: tick 100 does not come after the tick of the key before it (320)"},
        {"a value as true", R"("values": [true])",
         "values: item 1 must be a number or a base64 string, not true or false"},
        {"base64 of no float", R"("values": ["AAA="])", "values: item 1 is not base64 of 32-bit floats"},
        {"base64 of NaN", R"("ticks": [0], "values": [)" + nan + "]",
         "position: key 1 holds a number that is infinite or not a number"},
        {"both forms", R"("keys": [[0, 1, 2, 3]], "ticks": [0], "values": [1, 2, 3])",
         "position: gives its keys both as \"keys\" and as \"ticks\" and \"values\""},
    };
    for (const RefusedCase& c : tracks) cases.push_back({c.name, Controller(c.bytes), c.message});
    tovtest::ScratchDir dir;
    Scene scene;
    BuildRichScene(scene);
    const std::string before = SceneToJson(scene);
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.Write("broken.json", c.bytes).string();
        std::string error;
        EXPECT_FALSE(LoadSceneDocument(path, scene, error));
        EXPECT_EQ(error.rfind(path + ": ", 0), 0u) << error;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(tovtest::ReadBytes(path), c.bytes);
        EXPECT_EQ(SceneToJson(scene), before);
    }
    std::string error;
    EXPECT_FALSE(LoadSceneDocument(dir.Path().string(), scene, error));
    EXPECT_NE(error.find("is a folder"), std::string::npos);
    EXPECT_EQ(SceneToJson(scene), before);
}

// Each member of a node given a value of the wrong kind or out of range is
// named whole, in the order the members are read whatever their order in
// the document: the words of every message a node's members can bring.
TEST(SceneDocumentTest, EveryNodeMemberOfTheWrongKindIsNamed) {
    const std::string bone = R"("class_id": [683634317, 785164352], "super_class_id": 16)";
    const std::string sphere = R"("class_id": [17, 0], "super_class_id": 16)";
    struct Case {
        std::string bytes;
        std::string message;
    };
    std::vector<Case> cases = {
        {Document(R"({"name": 5, "handle": 1})"), "node 1: name must be a string, not a number"},
        {Document(R"({"name": "A", "handle": 1.0})"),
         "node 1 (\"A\"): handle must be an integer, not a number"},
        {Document(R"({"name": "A", "handle": 4294967295})"),
         "node 1 (\"A\"): handle 4294967295 is out of range (1 to 4294967294)"},
        {Document(R"({"name": "A", "handle": 18446744073709551615})"),
         "node 1 (\"A\"): handle 18446744073709551615 is out of range (1 to 4294967294)"},
        {Document(R"({"name": "A", "handle": -1})"),
         "node 1 (\"A\"): handle -1 is out of range (1 to 4294967294)"},
        {Document(R"({"bone_on": 1, "name": "A\tB", "handle": 1, "wire_color": true})"),
         "node 1 (\"A?B\"): wire_color must be an integer, not true or false"},
    };
    // The members of node A, and what is said after "node 1 ("A"): ".
    const std::pair<std::string, const char*> members[] = {
        {R"("object": [])", "object must be an object, not an array"},
        {R"("object": {"class_id": [1, 2]})", "object: needs \"class_id\" and \"super_class_id\""},
        {R"("object": {"class_id": [1], "super_class_id": 16})",
         "object: class_id must have 2 elements, not 1"},
        {R"("object": {"class_id": [1, -2], "super_class_id": 16})",
         "object: class_id -2 is out of range (0 to 4294967295)"},
        {R"("object": {"kind": "dummy", )" + bone + "}",
         "object: kind \"dummy\" does not match the class (bone)"},
        {R"("object": {"length": "1", )" + bone + "}", "object: length must be a number, not a string"},
        {R"("object": {"params": {"x": 1}, )" + bone + "}", "object: params \"x\": not a parameter id"},
        {R"("object": {"params": {"99": 1}, )" + bone + "}",
         "object: params \"99\": the object has no such parameter"},
        {R"("object": {"params": {"1": 2.5}, )" + sphere + "}",
         "object: params \"1\" must be an integer, not a number"},
        {R"("object": {"params": {"0": 1e39}, )" + sphere + "}",
         "object: params \"0\" is too large for a float"},
        {R"("user_properties": [])", "user_properties must be an object, not an array"},
        {R"("user_properties": {"a": 1, "b\u0000": 2})", "user property \"b?\" contains a NUL character"},
        {R"("user_properties": {"a": -1e39})", "user property \"a\" is too large for a float"},
        {R"("position": 3)", "position must be an object, not a number"},
        {R"("scale": {"controller": "linear_position"})",
         "scale: controller \"linear_position\" is not linear_scale"},
        {R"("position": {"value": [1, 2]})", "position: value must have 3 elements, not 2"},
        {R"("rotation": {"value": [1, 2, 3, {}]})", "rotation: value must be a number, not an object"},
        {R"("rotation": {"locked": 1})", "rotation: locked must be true or false, not a number"},
        {R"("scale": {"ticks": "x"})", "scale: ticks must be an array, not a string"},
        {R"("transform_class_id": [1, 2, 3])", "transform_class_id must have 2 elements, not 3"},
        {R"("bone_on": 1)", "bone_on must be true or false, not a number"},
        {R"("bone_display": 2147483648)",
         "bone_display 2147483648 is out of range (-2147483648 to 2147483647)"},
        {R"("object_offset": [[1, 0, 0]])", "object_offset must have 4 elements, not 1"},
        {R"("parent_handle": "1")", "parent_handle must be an integer, not a string"},
        {R"("parent_handle": 7, "parent": "A")", "parent handle 7 is not a node of the scene"},
        {R"("parent": 5)", "parent must be a string, not a number"},
        {R"("parent": "A\u0000")", "parent contains a NUL character"},
        // Members read later are wrong too; the first read is named.
        {R"("bone_on": 1, "wire_color": -1, "extra": [[{"deep": {}}]])",
         "wire_color -1 is out of range (0 to 16777215)"},
    };
    for (const auto& [member, message] : members) {
        cases.push_back({NodeA(member), std::string("node 1 (\"A\"): ") + message});
    }
    tovtest::ScratchDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::string path = dir.Write("broken.json", c.bytes).string();
        Scene scene;
        std::string error;
        EXPECT_FALSE(LoadSceneDocument(path, scene, error));
        EXPECT_EQ(error, path + ": " + c.message);
    }
    // Members the host does not know, and null parents, are passed over.
    Scene scene;
    std::string error;
    EXPECT_TRUE(Load(NodeA(R"("extra": {"a": [1, {"b": null}]}, "parent": null, "object": null)"),
                     scene, error))
        << error;
}

// A document of either form cut short anywhere fails with a message and
// leaves the scene as it was. (Without its final line feed the JSON text is
// still whole.)
TEST(SceneDocumentTest, EveryTruncationFailsCleanly) {
    tovtest::ScratchDir dir;
    Scene scene;
    BuildRichScene(scene);
    AddMarker(scene, 3);
    const std::string json = SceneToJson(scene);
    const std::string saved = (dir.Path() / "saved").string();
    std::string error;
    ASSERT_TRUE(SaveSceneDocument(scene, saved, error)) << error;
    const std::string binary = tovtest::ReadBytes(saved);
    for (const std::string& document : {json.substr(0, json.size() - 1), binary}) {
        const std::string path = dir.Write("cut", document).string();
        for (std::size_t size = document.size(); size-- > 0;) {
            ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(size)), 0);
            ASSERT_FALSE(LoadSceneDocument(path, scene, error)) << size;
            ASSERT_FALSE(error.empty());
            ASSERT_EQ(error.find('\n'), std::string::npos) << error;
        }
    }
    EXPECT_EQ(SceneToJson(scene), json);
}

TEST(SceneDocumentTest, DeepAndWideDocumentsLoadInLinearTime) {
    // A chain of 50,000 nodes, each the parent of the one before it, and a
    // node with 50,000 user properties: quadratic work would take minutes.
    constexpr int kCount = 50000;
    std::string nodes;
    for (int i = 1; i <= kCount; ++i) {
        if (i > 1) nodes += ", ";
        nodes += R"({"name": "n", "handle": )" + std::to_string(i) + R"(, "parent_handle": )" +
                 (i == kCount ? std::string("null") : std::to_string(i + 1)) + "}";
    }
    std::string properties;
    for (int i = 0; i < kCount; ++i) {
        properties += (i > 0 ? ", \"p" : "\"p") + std::to_string(i) + "\": 1";
    }
    nodes += R"(, {"name": "wide", "handle": 999999, "user_properties": {)" + properties + "}}";
    Scene scene;
    std::string error;
    ASSERT_TRUE(Load(Document(nodes), scene, error)) << error;
    ASSERT_EQ(scene.Nodes().size(), static_cast<std::size_t>(kCount + 1));
    EXPECT_EQ(scene.Nodes()[0]->Parent(), scene.Nodes()[1]);
    EXPECT_EQ(scene.Nodes()[kCount]->UserProperties().size(), static_cast<std::size_t>(kCount));
}

// The range may hold a million frames, or as many as one controller holds
// keys (an imported capture keys every frame), and ticks reach 2^30 either
// way; the bounds themselves load.
TEST(SceneDocumentTest, RangesAndTicksLoadUpToTheirBounds) {
    std::string keys;
    constexpr int kKeys = 1000002;
    keys.reserve(kKeys * 16);
    for (int i = 0; i < kKeys; ++i) keys += (i > 0 ? ", [" : "[") + std::to_string(i) + ", 0, 0, 0]";
    const std::string documents[] = {
        // A million frames.
        Document("", R"("frame_rate": 30, "animation_range": [0, 159999999], )"),
        // A frame for every key.
        Document(R"({"name": "A", "handle": 1, "position": {"keys": [)" + keys + "]}}",
                 R"("frame_rate": 4800, "animation_range": [0, 1000001], )"),
        // Ticks, and the largest unit, at the bounds.
        Document(R"({"name": "A", "handle": 1, "rotation": {"keys": )"
                 R"([[-1073741824, 0, 0, 0, 1], [1073741824, 0, 0, 0, 1]]}})",
                 R"("time": 1073741824, "animation_range": [-1073741824, -1073741824], )"
                 R"("system_unit_mm": 1e9, )"),
        // The smallest unit.
        Document("", R"("system_unit_mm": 1e-6, )"),
    };
    for (const std::string& document : documents) {
        Scene scene;
        std::string error;
        EXPECT_TRUE(Load(document, scene, error)) << error;
    }
}

// A save that fails says why on one line, keeps the old file and leaves
// no temporary file: a folder in the way, and a value a document cannot
// hold, refused with the document written up to it dropped. (Files the
// writer may not replace are the text writer's test.)
TEST(SceneDocumentTest, FailedSavesKeepTheOldFileAndLeaveNoTemporaryFile) {
    tovtest::ScratchDir dir;
    Scene scene;
    BuildRichScene(scene);
    const std::string old = "old contents";
    const std::string file = dir.Write("scene.json", old).string();
    fs::create_directory(dir.Path() / "a folder");
    const std::string folder = (dir.Path() / "a folder").string();
    std::string error;
    EXPECT_FALSE(SaveSceneDocument(scene, folder, error));
    EXPECT_EQ(error.rfind(folder + ": ", 0), 0u) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_TRUE(fs::is_empty(folder));

    const float infinity = std::numeric_limits<float>::infinity();
    scene.Nodes()[1]->Transform().Position().SetHeldValue(Point3(0, infinity, 0));
    EXPECT_FALSE(SaveSceneDocument(scene, file, error));
    EXPECT_NE(error.find("node 2 holds a value that is infinite or not a number"),
              std::string::npos)
        << error;
    EXPECT_EQ(tovtest::ReadBytes(file), old);
    EXPECT_EQ(tovtest::Entries(dir.Path()), (std::vector<std::string>{"a folder", "scene.json"}));
}

// A lack of memory anywhere in a save, before the file is opened, while the
// document goes to it piece by piece or as it is put in place, is said on
// one line and leaves the old document byte for byte with nothing beside it.
TEST(SceneDocumentTest, ALackOfMemoryMidSaveKeepsTheOldFile) {
    tovtest::ScratchDir dir;
    Scene scene;
    BuildRichScene(scene);
    for (int i = 0; i < 2000; ++i) {
        const std::wstring name = L"Marker with a name longer than short strings " + std::to_wstring(i);
        AddMarker(scene, 20).Nodes().back()->SetName(name.c_str());
    }
    const std::string old = "old contents";
    const std::string file = dir.Write("scene.json", old).string();
    const std::string spare = (dir.Path() / "spare.json").string();
    std::string error;
    std::size_t allocations = 0;
    for (int run = 0; run < 2; ++run) {  // the first run makes what a process makes once
        tovtest::AllocationFailure count(0);
        ASSERT_TRUE(SaveSceneDocument(scene, spare, error)) << error;
        allocations = count.Count();
    }
    ASSERT_GT(fs::file_size(spare), 1u << 20);  // pieces reach the file before the end
    fs::remove(spare);
    std::vector<std::size_t> failures = {1, allocations - 1, allocations};
    for (int eighth = 1; eighth < 8; ++eighth) failures.push_back(allocations * eighth / 8);
    for (const std::size_t at : failures) {
        bool saved = true, failed = false;
        {
            tovtest::AllocationFailure fail(at);
            saved = SaveSceneDocument(scene, file, error);
            failed = fail.Failed();
        }
        ASSERT_TRUE(failed) << at << " of " << allocations;
        EXPECT_FALSE(saved) << at;
        EXPECT_EQ(error, file + ": not enough memory to save the scene") << at;
        EXPECT_EQ(tovtest::ReadBytes(file), old) << at;
        EXPECT_EQ(tovtest::Entries(dir.Path()), std::vector<std::string>{"scene.json"}) << at;
    }
}

}  // namespace

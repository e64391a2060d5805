// The keys of controllers in scene documents: short tracks written as
// numbers, long ones as runs of ticks and base64 floats, both read back bit
// for bit, and every way a document can spell them wrongly refused.
#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brindle/host/scene/Base64Floats.h"
#include "brindle/host/scene/SceneDocument.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace brindle::host;

std::uint32_t Bits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

const float kOddFloats[] = {0.1f,        1e-30f,  -0.0f,       1e-45f, FLT_MIN / 3, FLT_MAX,
                            -FLT_MAX,    1.0f,    16777217.0f, 3.14159274f, -123.456f};

// A node with a position track of `count` keys, every 7th tick a step
// further than the rest, and values running through the odd floats.
Scene& LongTrack(Scene& scene, std::size_t count) {
    scene.Clear();
    SceneNode* node = scene.CreateNode(NewSceneObject(HELPER_CLASS_ID, DUMMY_CLASS_ID));
    node->SetName(L"Marker");
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

std::string SaveAndLoad(const Scene& scene, Scene& loaded, const std::string& name) {
    tovtest::ScratchDir dir;
    const std::string path = (dir.Path() / name).string();
    std::string error;
    EXPECT_TRUE(SaveSceneDocument(scene, path, error)) << error;
    EXPECT_TRUE(LoadSceneDocument(path, loaded, error)) << error;
    return tovtest::ReadBytes(path);
}

TEST(SceneTracksTest, TracksOfEveryLengthComeBackBitForBit) {
    // Around the length where tracks turn compact, and around the length
    // of one base64 string (4096 keys), where the values split.
    for (const std::size_t count : {0, 1, 2, 3, 100, 101, 4095, 4096, 4097, 9000}) {
        SCOPED_TRACE(count);
        Scene scene, loaded;
        const std::string document = SaveAndLoad(LongTrack(scene, count), loaded, "t.json");
        EXPECT_EQ(SceneToJson(loaded), document);
        auto& before = scene.Nodes()[0]->Transform();
        auto& after = loaded.Nodes()[0]->Transform();
        ASSERT_EQ(after.Position().Track().Size(), count);
        ASSERT_EQ(after.Rotation().Track().Size(), count);
        for (std::size_t i = 0; i < count; ++i) {
            const auto& p = after.Position().Track()[i];
            const auto& q = after.Rotation().Track()[i];
            ASSERT_EQ(p.time, before.Position().Track()[i].time) << i;
            ASSERT_EQ(Bits(p.value.x), Bits(before.Position().Track()[i].value.x)) << i;
            ASSERT_EQ(Bits(p.value.y), Bits(before.Position().Track()[i].value.y)) << i;
            ASSERT_EQ(Bits(q.value.w), Bits(before.Rotation().Track()[i].value.w)) << i;
        }
    }
}

TEST(SceneTracksTest, ShortTracksAreNumbersAndLongOnesRunsAndBase64) {
    Scene scene;
    const std::string text = SceneToJson(LongTrack(scene, 3));
    EXPECT_NE(text.find("        \"ticks\": [-1000, -840, -680],\n"
                        "        \"values\": [\n"
                        "          0.1, 1e-45, 0.0,\n"
                        "          1e-30, 3.918315e-39, 1.0,\n"
                        "          -0.0, 3.4028235e+38, 2.0\n"
                        "        ]\n"),
              std::string::npos)
        << text;
    // Six keys at 160 ticks, one at 320, over and over: runs of seven.
    const std::string compact = SceneToJson(LongTrack(scene, 10000));
    EXPECT_NE(compact.find("\"ticks\": [[-1000, 160, 7], [280, 160, 7], [1560, 160, 7], "),
              std::string::npos)
        << compact.substr(compact.find("\"ticks\""), 100);
    // Each position takes 16 digits of base64, each rotation 21 1/3, and a
    // string of 4096 keys stays on a line of its own.
    EXPECT_LT(compact.size(), 10000 * (16 + 22) + 10000 / 7 * 2 * 22 + 2000);
    std::size_t longest = 0;
    for (std::size_t at = 0, end; at < compact.size(); at = end + 1) {
        end = compact.find('\n', at);
        longest = std::max(longest, end - at);
    }
    EXPECT_LT(longest, 4096 * 22 + 20);
}

std::string Controller(const std::string& members) {
    return R"({"format": "tovfileio-scene", "version": 2, "nodes": [{"name": "A", "handle": 1, )"
           R"("position": {)" + members + "}}]}";
}

std::string Base64Of(std::vector<float> values) {
    std::string text;
    AppendBase64Floats(text, values.data(), values.size());
    return "\"" + text + "\"";
}

TEST(SceneTracksTest, TicksAndValuesMayBeWrittenByHandInEitherForm) {
    // Ticks plain or as runs; values as numbers, base64, or both in turn.
    const std::string document = Controller(
        R"("values": [1, 2, 3, )" + Base64Of({4, 5, 6, 7, 8, 9}) +
        R"(, 10, 11, 12], "ticks": [-5, [0, 10, 2], 25])");
    tovtest::ScratchDir dir;
    Scene scene;
    std::string error;
    ASSERT_TRUE(LoadSceneDocument(dir.Write("s.json", document).string(), scene, error)) << error;
    const auto& track = scene.Nodes()[0]->Transform().Position().Track();
    ASSERT_EQ(track.Size(), 4u);
    const TimeValue ticks[] = {-5, 0, 10, 25};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(track[i].time, ticks[i]);
        EXPECT_EQ(track[i].value.x, static_cast<float>(3 * i + 1));
        EXPECT_EQ(track[i].value.z, static_cast<float>(3 * i + 3));
    }
}

TEST(SceneTracksTest, TracksSpeltWronglyAreRefused) {
    struct Case {
        const char* name;
        std::string members;
        const char* message;
    };
    const std::string nan = Base64Of({1, std::numeric_limits<float>::quiet_NaN(), 3});
    const Case cases[] = {
        {"ticks not an array", R"("ticks": "0")", "position: ticks must be an array, not a string"},
        {"values a string", R"("values": "AAAA")", "position: values must be an array, not a string"},
        {"a tick as text", R"("ticks": ["0"])",
         "ticks: item 1 must be a tick or a run [first, step, count], not a string"},
        {"a tick beyond 32 bits", R"("ticks": [0, 2147483648])",
         "ticks: item 2: tick 2147483648 is out of range"},
        {"a run of two", R"("ticks": [[0, 160]])",
         "ticks: item 1 must be a run of three integers [first, step, count]"},
        {"a run with a fraction", R"("ticks": [[0, 0.5, 2]])", "must be a run of three integers"},
        {"a run standing still", R"("ticks": [[0, 0, 2]])",
         "ticks: item 1: the step of a run must be 1 to 4294967295, not 0"},
        {"a run of nothing", R"("ticks": [[0, 1, 0]])", "a run holds one tick or more, not 0"},
        {"a run past the last tick", R"("ticks": [[2147483000, 160, 6]])",
         "ticks: item 1: the run goes on beyond tick 2147483647"},
        {"a run of more ticks than the values hold",
         R"("ticks": [[-2147483648, 1, 4294967296]], "values": [1, 2, 3])",
         "position: ticks give 4294967296 keys but values hold 3 numbers (3 a key)"},
        {"values short of a key", R"("ticks": [0, 1], "values": [1, 2, 3, 4])",
         "ticks give 2 keys but values hold 4 numbers (3 a key)"},
        {"ticks without values", R"("ticks": [0])", "ticks give 1 key but values hold 0 numbers"},
        {"ticks going back", R"("ticks": [[0, 160, 3], 100], "values": [0,0,0,0,0,0,0,0,0,0,0,0])",
         "position: key 4: tick 100 does not come after the tick of the key before it (320)"},
        {"a value as true", R"("values": [true])",
         "values: item 1 must be a number or a base64 string, not true or false"},
        {"a value in an array", R"("values": [[1]])", "values: item 1 must be a number or a base64"},
        {"a value too large", R"("values": [0, 1e39])", "values: item 2 is too large for a float"},
        {"base64 of no float", R"("values": ["AAA="])", "values: item 1 is not base64 of 32-bit floats"},
        {"base64 with a foreign digit", R"("values": ["AA*A"])", "is not base64 of 32-bit floats"},
        {"base64 padded mid-way", R"("values": ["AA==AAAAAAAA"])", "is not base64 of 32-bit floats"},
        {"base64 of NaN", R"("ticks": [0], "values": [)" + nan + "]",
         "position: key 1 holds a number that is infinite or not a number"},
        {"both forms", R"("keys": [[0, 1, 2, 3]], "ticks": [0], "values": [1, 2, 3])",
         "position: gives its keys both as \"keys\" and as \"ticks\" and \"values\""},
    };
    tovtest::ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene;
        std::string error;
        EXPECT_FALSE(
            LoadSceneDocument(dir.Write("s.json", Controller(c.members)).string(), scene, error));
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
        EXPECT_TRUE(scene.Nodes().empty());
    }
}

}  // namespace

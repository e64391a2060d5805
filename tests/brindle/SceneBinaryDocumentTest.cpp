// Binary scene documents damaged field by field: each is refused whole with
// one line in the words a JSON document of the same fault gets, counts that
// claim more than the file holds are refused before anything is sized from
// them, and the scene being loaded into is left as it was.
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "brindle/host/scene/SceneDocument.h"
#include "scene/BinaryForm.h"
#include "scene/LittleEndian.h"
#include "tests/support/SceneNodes.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace brindle::host;

// "A", a point helper of handle 1, and "B" of handle 2 under it, with user
// properties "w" and "v" and position keys at ticks 0 and 160.
std::string SmallDocument(const tovtest::ScratchDir& dir) {
    Scene scene;
    SceneNode* a = tovtest::AddNode(scene, L"A", HELPER_CLASS_ID, POINTHELP_CLASS_ID);
    SceneNode* b = scene.CreateNode(nullptr);
    b->SetName(L"B");
    a->AttachChild(b, 0);
    b->SetUserPropFloat(L"w", 1);
    b->SetUserPropFloat(L"v", 2);
    b->Transform().Position().Track().Set(0, Point3(1, 2, 3));
    b->Transform().Position().Track().Set(160, Point3(4, 5, 6));
    const std::string path = (dir.Path() / "small").string();
    std::string error;
    EXPECT_TRUE(SaveSceneDocument(scene, path, error)) << error;
    return tovtest::ReadBytes(path);
}

// Where the fields of the small document lie: the strings "A", "B", "w"
// and "v" (5 bytes each) follow the header, node A's record and its object
// follow them, node B's record, two properties and two keys end the file.
struct Layout {
    explicit Layout(const std::string& bytes)
        : nameA(kHeaderSize + 4),
          nodeA(kHeaderSize + 4 * 5),
          objectA(nodeA + kNodeRecordSize),
          paramsA(objectA + kObjectRecordSize),
          nodeB(bytes.size() - kNodeRecordSize - 2 * kPropertySize - 2 * 16),
          propertiesB(nodeB + kNodeRecordSize),
          ticksB(propertiesB + 2 * kPropertySize),
          valuesB(ticksB + 2 * 4) {}
    std::size_t nameA, nodeA, objectA, paramsA, nodeB, propertiesB, ticksB, valuesB;
};

void Put32(std::string& bytes, std::size_t at, std::uint32_t value) {
    StoreU32(reinterpret_cast<unsigned char*>(bytes.data() + at), value);
}

struct Damage {
    const char* name;
    std::function<void(std::string&, const Layout&)> apply;
    std::string message;  // the error after "PATH: "
};

TEST(SceneBinaryDocumentTest, DamagedDocumentsAreRefusedWholeInOneLine) {
    const std::uint32_t kAll = std::numeric_limits<std::uint32_t>::max();
    const std::vector<Damage> damages = {
        // The header.
        {"a newer version", [](std::string& d, const Layout&) { Put32(d, kHeaderVersion, 2); },
         "version 2 of the binary scene document is newer than this program (1)"},
        {"another binary file", [](std::string& d, const Layout&) { d[1] = 'X'; },
         "not a tovfileio scene (a binary file of another kind)"},
        {"a frame rate of 0", [](std::string& d, const Layout&) { Put32(d, kHeaderFrameRate, 0); },
         "frame_rate 0 is out of range (1 to 4800)"},
        {"a negative system unit",
         [](std::string& d, const Layout&) { StoreF64(reinterpret_cast<unsigned char*>(&d[kHeaderSystemUnit]), -1); },
         "system_unit_mm must be positive"},
        {"a huge system unit",
         [](std::string& d, const Layout&) { StoreF64(reinterpret_cast<unsigned char*>(&d[kHeaderSystemUnit]), 1e300); },
         "system_unit_mm 1e+300 is out of range"},
        {"a range of the whole tick span",
         [](std::string& d, const Layout&) {
             Put32(d, kHeaderFlags, kHasAnimationRange);
             Put32(d, kHeaderRangeStart, 0x80000000u);
             Put32(d, kHeaderRangeEnd, 0x7FFFFFFF);
         },
         "animation_range [-2147483648, 2147483647]: tick -2147483648 lies more than 1073741824"},
        {"unknown header flags", [](std::string& d, const Layout&) { Put32(d, kHeaderFlags, 6); },
         "flags 6 hold bits this program does not know"},
        // Counts claiming more than the file holds.
        {"strings beyond the file", [&](std::string& d, const Layout&) { Put32(d, kHeaderStringCount, kAll); },
         "the string table claims 4294967295 strings, more than the file holds"},
        {"nodes beyond the file", [&](std::string& d, const Layout&) { Put32(d, kHeaderNodeCount, kAll); },
         "the document claims 4294967295 nodes, more than the file holds"},
        {"a string longer than the file", [&](std::string& d, const Layout& at) { Put32(d, at.nameA - 4, kAll); },
         "the file ends inside the string table (4294967295 bytes, "},
        {"parameters beyond the file", [&](std::string& d, const Layout& at) { Put32(d, at.objectA + 12, kAll); },
         "node 1 (\"A\"): the file ends inside the object's parameters (34359738360 bytes, "},
        {"properties beyond the file",
         [&](std::string& d, const Layout& at) { Put32(d, at.nodeB + kNodePropertyCount, kAll); },
         "node 2 (\"B\"): the file ends inside the user properties (34359738360 bytes, "},
        {"keys beyond the file",
         [&](std::string& d, const Layout& at) { Put32(d, at.nodeB + kNodeRotationKeys, kAll); },
         "node 2 (\"B\"): rotation: the file ends inside the keys (85899345900 bytes, 0 left)"},
        {"bytes after the last node", [](std::string& d, const Layout&) { d += "xyz"; },
         "the file goes on for 3 bytes after the last node"},
        // Names.
        {"a name beyond the string table", [](std::string& d, const Layout& at) { Put32(d, at.nodeA + kNodeName, 9); },
         "node 1: name: string 9 is not in the string table (of 4)"},
        {"a NUL in a name", [](std::string& d, const Layout& at) { d[at.nameA] = '\0'; },
         "node 1: name contains a NUL character"},
        {"a name that is not UTF-8", [](std::string& d, const Layout& at) { d[at.nameA] = '\xFF'; },
         "node 1: name is not UTF-8 text"},
        {"a property key twice",
         [](std::string& d, const Layout& at) { Put32(d, at.propertiesB + kPropertySize, 2); },
         "node 2 (\"B\"): user property \"w\" appears twice"},
        // Values of a node.
        {"handle 0", [](std::string& d, const Layout& at) { Put32(d, at.nodeA + kNodeHandle, 0); },
         "node 1 (\"A\"): handle 0 is out of range (1 to 4294967294)"},
        {"a repeated handle", [](std::string& d, const Layout& at) { Put32(d, at.nodeB + kNodeHandle, 1); },
         "node 2 (\"B\"): handle 1 is taken by node 1"},
        {"an unknown parent", [](std::string& d, const Layout& at) { Put32(d, at.nodeB + kNodeParent, 7); },
         "node 2 (\"B\"): parent handle 7 is not a node of the scene"},
        {"a cycle", [](std::string& d, const Layout& at) { Put32(d, at.nodeA + kNodeParent, 2); },
         "node 1 (\"A\"): is its own ancestor (the parents form a cycle)"},
        {"unknown node flags", [](std::string& d, const Layout& at) { Put32(d, at.nodeB + kNodeFlags, 1u << 7); },
         "node 2 (\"B\"): flags 128 hold bits this program does not know"},
        {"a wire colour beyond 24 bits",
         [](std::string& d, const Layout& at) { Put32(d, at.nodeB + kNodeWireColor, 1u << 24); },
         "node 2 (\"B\"): wire_color 16777216 is out of range (0 to 16777215)"},
        {"an unknown object class", [](std::string& d, const Layout& at) { Put32(d, at.objectA + 4, 1); },
         "node 1 (\"A\"): object: the host has no object of this class"},
        {"an unknown parameter", [](std::string& d, const Layout& at) { Put32(d, at.paramsA, 99); },
         "node 1 (\"A\"): object: params \"99\": the object has no such parameter"},
        {"an infinite parameter", [](std::string& d, const Layout& at) { Put32(d, at.paramsA + 4, 0x7F800000); },
         "node 1 (\"A\"): object: parameter 0 holds a number that is infinite or not a number"},
        {"keys out of order", [](std::string& d, const Layout& at) { Put32(d, at.ticksB + 4, 0); },
         "node 2 (\"B\"): position: key 2: tick 0 does not come after the tick of the key before it (0)"},
        {"a key beyond 2^30 ticks", [](std::string& d, const Layout& at) { Put32(d, at.ticksB + 4, (1u << 30) + 1); },
         "node 2 (\"B\"): position: key 2: tick 1073741825 lies more than 1073741824"},
        {"a NaN key", [](std::string& d, const Layout& at) { Put32(d, at.valuesB, 0x7FC00000); },
         "node 2 (\"B\"): position: key 1 holds a number that is infinite or not a number"},
    };
    tovtest::ScratchDir dir;
    const std::string whole = SmallDocument(dir);
    const Layout layout(whole);
    ASSERT_EQ(whole.substr(layout.nameA, 1), "A");
    Scene scene;
    scene.SetFrameRate(60);
    scene.CreateNode(nullptr)->SetName(L"kept");
    const std::string before = SceneToJson(scene);
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        std::string bytes = whole;
        damage.apply(bytes, layout);
        const std::string path = dir.Write("damaged", bytes).string();
        std::string error;
        EXPECT_FALSE(LoadSceneDocument(path, scene, error));
        EXPECT_EQ(error.rfind(path + ": " + damage.message, 0), 0u) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(SceneToJson(scene), before);
    }
    // Undamaged, it loads.
    std::string error;
    EXPECT_TRUE(LoadSceneDocument(dir.Write("whole", whole).string(), scene, error)) << error;
}

}  // namespace

// World matrices kept by the scene's nodes: after any change to keys,
// controllers or parents, every node's GetNodeTM is what composing the
// locals afresh gives, and chains far deeper than the call stack allows are
// evaluated and changed in linear time. And what a marker cloud's nodes
// share: one object while it is unchanged, and the indexes that find
// nodes by handle and by name.
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "brindle/host/scene/Scene.h"
#include "brindle/host/scene/SceneDocument.h"
#include "brindle/sdk/TextCodec.h"
#include "tests/support/SceneNodes.h"
#include "tests/support/TestFiles.h"

namespace {

using namespace brindle::host;

// `scene` saved as a binary document and as JSON, named after `stem`:
// the two paths, binary first.
std::vector<std::string> SaveInBothForms(const Scene& scene, const tovtest::ScratchDir& dir,
                                         const std::string& stem) {
    const std::string binary = (dir.Path() / stem).string();
    std::string error;
    EXPECT_TRUE(SaveSceneDocument(scene, binary, error)) << error;
    return {binary, dir.Write(stem + ".json", SceneToJson(scene)).string()};
}

// 160 first: the time the worlds are kept at before a change, so that a
// world kept from before the change is seen.
constexpr TimeValue kTimes[] = {160, 0, 400, 1000};

// The world matrix composed from the locals, top down, as the scene does,
// without anything kept.
PreciseMatrix FreshWorld(SceneNode* node, TimeValue t) {
    std::vector<SceneNode*> chain;
    for (SceneNode* at = node; at != nullptr && !at->IsRootNode(); at = at->Parent()) chain.push_back(at);
    PreciseMatrix world = chain.back()->Transform().PreciseLocalMatrix(t);
    for (auto at = chain.rbegin() + 1; at != chain.rend(); ++at) {
        world = (*at)->Transform().PreciseLocalMatrix(t) * world;
    }
    return world;
}

void ExpectFresh(Scene& scene, const std::string& change) {
    for (TimeValue t : kTimes) {
        for (SceneNode* node : scene.Nodes()) {
            EXPECT_EQ(node->GetNodeTM(t, nullptr), FreshWorld(node, t).Rounded())
                << change << ": " << TextCodec::EncodeUtf8(node->NameView())
                << " at " << t;
        }
    }
}

// A chain N0 (top) to N5 with keys on every node (N2's only of its
// position), and a node Side beside it.
std::vector<SceneNode*> MakeChain(Scene& scene) {
    scene.Clear();
    std::vector<SceneNode*> chain;
    for (int i = 0; i < 6; ++i) {
        SceneNode* node = tovtest::AddNode(scene, (L"N" + std::to_wstring(i)).c_str(), HELPER_CLASS_ID,
                                           DUMMY_CLASS_ID, chain.empty() ? nullptr : chain.back());
        auto& tm = node->Transform();
        tm.Position().Set(0, Point3(1.0f + i, 2.0f, 0.5f * i), true);
        tm.Position().Set(400, Point3(3.0f, -1.0f - i, 2.0f), true);
        chain.push_back(node);
        // N2 neither turns nor scales: it has no rotation or scale
        // controller until one is asked for.
        if (i == 2) continue;
        tm.Rotation().Set(0, Quat(0.1f * i, 0.2f, 0.0f, 1.0f), true);
        tm.Rotation().Set(1000, Quat(0.0f, 0.3f, 0.1f * i, 1.0f), true);
        tm.Scale().Set(0, Point3(1.0f + 0.1f * i, 1.0f, 1.0f), true);
    }
    SceneNode* side = tovtest::AddNode(scene, L"Side", HELPER_CLASS_ID, DUMMY_CLASS_ID);
    side->Transform().Position().Set(0, Point3(5.0f, 5.0f, 5.0f), true);
    return chain;
}

TEST(SceneWorldTest, EveryChangeOfKeysControllersOrParentsIsSeenBelow) {
    Scene& scene = Scene::Current();
    const Point3 moved(7.0f, -2.0f, 1.0f);
    struct Case {
        const char* change;
        std::function<void(std::vector<SceneNode*>&)> apply;
    };
    const Case cases[] = {
        {"key set", [&](auto& c) { c[2]->Transform().Position().SetValue(160, &moved, 1, CTRL_ABSOLUTE); }},
        {"key deleted", [](auto& c) { c[1]->Transform().Position().DeleteKeyAtTime(400); }},
        {"held value", [&](auto& c) { c[3]->Transform().Scale().SetHeldValue(moved); }},
        {"keys assigned", [](auto& c) { c[1]->Transform().Rotation().Track().Assign({}); }},
        {"controller copied", [](auto& c) { c[0]->Transform().Position().Copy(&c[4]->Transform().Position()); }},
        {"rotation first made and set", [](auto& c) {
             const Quat turned(0.0f, 0.0f, 0.6f, 0.8f);
             c[2]->Transform().GetRotationController()->SetValue(160, &turned, 1, CTRL_ABSOLUTE);
         }},
        {"scale first made and set", [&](auto& c) {
             c[2]->Transform().GetScaleController()->SetValue(0, &moved, 1, CTRL_ABSOLUTE);
         }},
        {"transform copied onto one without", [](auto& c) { c[2]->Transform().Copy(&c[4]->Transform()); }},
        {"transform copied from one without", [](auto& c) { c[4]->Transform().Copy(&c[2]->Transform()); }},
        {"rotation replaced", [](auto& c) {
             auto tcb = NewRotationController(TCB_ROTATION_CLASS_ID);
             c[2]->Transform().SetRotationController(tcb.release());
         }},
        {"transform reset", [](auto& c) {
             TransformController fresh;
             c[1]->Transform().Copy(&fresh);
         }},
        {"moved", [&](auto& c) { c[3]->Move(160, Matrix3(), moved, TRUE, FALSE, PIV_NONE, FALSE); }},
        {"reparented", [](auto& c) { Scene::Current().FindByName(L"Side")->AttachChild(c[2], 0); }},
        {"reparented keeping place", [](auto& c) {
             c[4]->AttachChild(c[5], 0);
             c[0]->AttachChild(c[3], 1);
         }},
        {"parent deleted", [](auto& c) { Scene::Current().DeleteNode(c[1]); c.erase(c.begin() + 1); }},
        {"parents set", [](auto& c) {
             std::vector<std::pair<SceneNode*, SceneNode*>> parents;
             for (SceneNode* node : Scene::Current().Nodes()) {
                 parents.emplace_back(node, node == c[5] ? c[0] : node == c[4] ? c[5] : nullptr);
             }
             Scene::Current().SetParents(parents);
         }},
    };
    for (const Case& test : cases) {
        std::vector<SceneNode*> chain = MakeChain(scene);
        // Kept at one time only, then asked again after the change.
        for (SceneNode* node : scene.Nodes()) node->GetNodeTM(160, nullptr);
        ASSERT_TRUE(chain[4]->KeepsWorld(160));
        test.apply(chain);
        ExpectFresh(scene, test.change);
    }
}

TEST(SceneWorldTest, ChainsDeeperThanTheStackAreEvaluatedAndChangedInLinearTime) {
    Scene& scene = Scene::Current();
    scene.Clear();
    constexpr int kDepth = 100000;
    SceneNode* above = nullptr;
    std::vector<SceneNode*> chain;
    chain.reserve(kDepth);
    for (int i = 0; i < kDepth; ++i) {
        SceneNode* node = scene.CreateNode(NewSceneObject(HELPER_CLASS_ID, DUMMY_CLASS_ID));
        if (above != nullptr) above->AttachChild(node, 0);
        node->Transform().Position().Set(0, Point3(0.0f, 0.001f, 0.0f), false);
        chain.push_back(above = node);
    }
    // The deepest first: one walk up, then each node reuses its parent's.
    EXPECT_NEAR(chain.back()->GetNodeTM(0, nullptr).GetTrans().y, 100.0f, 0.01f);
    // A change at the top drops what the whole chain keeps, without recursion.
    chain.front()->Transform().Position().Set(0, Point3(0.0f, 1.001f, 0.0f), false);
    EXPECT_FALSE(chain[kDepth - 2]->KeepsWorld(0));
    for (SceneNode* node : chain) node->GetNodeTM(0, nullptr);
    EXPECT_NEAR(chain.back()->GetNodeTM(0, nullptr).GetTrans().y, 101.0f, 0.01f);
    // Keyed top down, each node asking for its parent's world as it goes.
    for (SceneNode* node : chain) {
        node->GetParentNode()->GetNodeTM(0, nullptr);
        node->Transform().Position().Set(0, Point3(0.0f, 0.002f, 0.0f), false);
    }
    EXPECT_NEAR(chain.back()->GetNodeTM(0, nullptr).GetTrans().y, 200.0f, 0.02f);
    scene.Clear();
}

TEST(SceneWorldTest, AlikeMarkersShareOneObjectUntilOneIsChanged) {
    Scene& scene = Scene::Current();
    scene.Clear();
    const auto point = [&](float size) {
        auto object = NewSceneObject(HELPER_CLASS_ID, POINTHELP_CLASS_ID);
        object->Block().SetValue(kPointSize, 0, size);
        return scene.CreateNode(std::move(object));
    };
    SceneNode* a = point(20.0f);
    SceneNode* b = point(20.0f);
    SceneNode* c = point(20.0f);
    SceneNode* zero = point(0.0f);
    SceneNode* negativeZero = point(-0.0f);
    SceneNode* sphere1 = scene.CreateNode(NewSceneObject(GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID));
    SceneNode* sphere2 = scene.CreateNode(NewSceneObject(GEOMOBJECT_CLASS_ID, SPHERE_CLASS_ID));
    EXPECT_EQ(a->HeldObject(), b->HeldObject());
    EXPECT_EQ(a->HeldObject(), c->HeldObject());
    // Sizes that a document tells apart are not shared, nor are bones,
    // which are shaped after they are made.
    EXPECT_NE(zero->HeldObject(), negativeZero->HeldObject());
    EXPECT_EQ(sphere1->HeldObject(), sphere2->HeldObject());
    SceneNode* bone1 = scene.CreateNode(NewSceneObject(GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID));
    SceneNode* bone2 = scene.CreateNode(NewSceneObject(GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID));
    EXPECT_NE(bone1->HeldObject(), bone2->HeldObject());

    // A plug-in that changes the object it is handed changes that node's alone.
    auto* own = static_cast<SceneObject*>(b->GetObjectRef());
    own->Block().SetValue(kPointSize, 0, 5.0f);
    EXPECT_EQ(b->HeldObject(), own);
    EXPECT_EQ(a->HeldObject()->Block().GetFloat(kPointSize, 0), 20.0f);
    EXPECT_EQ(c->HeldObject()->Block().GetFloat(kPointSize, 0), 20.0f);
    // Deleting a node that shares leaves the others their object.
    scene.DeleteNode(a);
    EXPECT_EQ(c->HeldObject()->Block().GetFloat(kPointSize, 0), 20.0f);
    EXPECT_EQ(c->GetObjectRef(), c->HeldObject());
    EXPECT_EQ(negativeZero->HeldObject()->Block().GetFloat(kPointSize, 0), -0.0f);
    scene.Clear();
}

// A marker keyed only in position never turns or scales: it makes no
// rotation or scale controller, in the scene or through either form of
// document, until one is asked for; then the controller made holds the
// default values.
TEST(SceneWorldTest, MarkersMakeNoRotationOrScaleUntilOneIsAskedFor) {
    const tovtest::ScratchDir dir;
    Scene& scene = Scene::Current();
    scene.Clear();
    SceneNode* marker = tovtest::AddNode(scene, L"LKNE", HELPER_CLASS_ID, POINTHELP_CLASS_ID);
    marker->Transform().Position().Set(160, Point3(1, 2, 3), true);
    const Matrix3 world = marker->GetNodeTM(160, nullptr);
    std::string error;
    for (const std::string& path : SaveInBothForms(scene, dir, "cloud")) {
        ASSERT_TRUE(LoadSceneDocument(path, scene, error)) << error;
        SceneNode* loaded = scene.FindByName(L"LKNE");
        ASSERT_NE(loaded, nullptr);
        const TransformController& held = std::as_const(*loaded).Transform();
        EXPECT_FALSE(held.HasOwnRotation() || held.HasOwnScale()) << path;
        EXPECT_EQ(loaded->GetNodeTM(160, nullptr), world) << path;
        EXPECT_EQ(held.Rotation().Kind(), ControllerClass::kEulerXYZ) << path;
    }
    TransformController& tm = scene.FindByName(L"LKNE")->Transform();
    Control* rotation = tm.GetRotationController();
    EXPECT_TRUE(tm.HasOwnRotation());
    EXPECT_EQ(rotation, tm.GetRotationController());
    EXPECT_EQ(rotation->ClassID(), EULER_XYZ_ROTATION_CLASS_ID);
    EXPECT_EQ(tm.Scale().HeldValue(), Point3(1, 1, 1));
    EXPECT_EQ(scene.FindByName(L"LKNE")->GetNodeTM(160, nullptr), world);
    scene.Clear();
}

// A node's bone settings, kept apart from the node once they differ from a
// new node's, read back as last set: back to the defaults too, on a node
// that already keeps a child or a user property beside them or not, in the
// scene and through both forms of document.
TEST(SceneWorldTest, BoneSettingsReadBackAsLastSet) {
    struct Case {
        const wchar_t* name;
        std::vector<int> displays;  // ShowBone, in turn
        std::vector<BOOL> ons;      // SetBoneNodeOnOff, in turn
        bool withChild;
        bool withProperty;
        int display;
        bool on;
    };
    const Case cases[] = {
        {L"Untouched", {}, {}, false, false, 1, false},
        {L"DefaultsSet", {1}, {FALSE}, false, false, 1, false},
        {L"Hidden", {0}, {TRUE}, false, false, 0, true},
        {L"BackToDefaults", {0, 1}, {TRUE, FALSE}, false, false, 1, false},
        {L"AnyMode", {-7, 42}, {}, false, false, 42, false},
        {L"ParentBone", {0}, {TRUE}, true, false, 0, true},
        {L"ParentBackToDefaults", {0, 1}, {TRUE, FALSE}, true, false, 1, false},
        {L"WithProperty", {1}, {FALSE}, false, true, 1, false},
        {L"WithPropertyHidden", {2}, {TRUE}, false, true, 2, true},
    };
    const tovtest::ScratchDir dir;
    Scene& scene = Scene::Current();
    scene.Clear();
    for (const Case& c : cases) {
        SceneNode* node = tovtest::AddNode(scene, c.name, GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID);
        if (c.withChild) {
            node->AttachChild(tovtest::AddNode(scene, L"Child", HELPER_CLASS_ID, POINTHELP_CLASS_ID), 0);
        }
        if (c.withProperty) node->SetUserPropFloat(L"length", 2.5f);
        for (int display : c.displays) node->ShowBone(display);
        for (BOOL on : c.ons) node->SetBoneNodeOnOff(on, 0);
    }
    const auto expectAsSet = [&](const std::string& where) {
        for (const Case& c : cases) {
            SceneNode* node = scene.FindByName(c.name);
            ASSERT_NE(node, nullptr) << where;
            const std::string name = TextCodec::EncodeUtf8(c.name) + " " + where;
            EXPECT_EQ(node->BoneDisplay(), c.display) << name;
            EXPECT_EQ(node->GetBoneNodeOnOff() != FALSE, c.on) << name;
            EXPECT_EQ(node->NumberOfChildren(), c.withChild ? 1 : 0) << name;
        }
    };
    expectAsSet("in the scene");
    std::string error;
    for (const std::string& path : SaveInBothForms(scene, dir, "bones")) {
        ASSERT_TRUE(LoadSceneDocument(path, scene, error)) << error;
        expectAsSet(path);
    }
    scene.Clear();
}

// Nodes made, renamed and deleted in numbers that grow and thin the
// indexes many times over: every node is found by its handle, and a name
// finds the first made of the nodes that have it, as a walk over the nodes
// finds them.
TEST(SceneWorldTest, NodesAreFoundByHandleAndNameThroughGrowthAndDeletion) {
    Scene& scene = Scene::Current();
    scene.Clear();
    std::vector<SceneNode*> made;
    for (int i = 0; i < 3000; ++i) {
        made.push_back(tovtest::AddNode(scene, (L"M" + std::to_wstring(i % 700)).c_str(),
                                        HELPER_CLASS_ID, POINTHELP_CLASS_ID));
    }
    // Handles a document may keep: one far past the nodes, one near them.
    SceneNode* far = scene.CreateNodeWithHandle(4000000000u, nullptr, PRS_CONTROL_CLASS_ID);
    SceneNode* near = scene.CreateNodeWithHandle(3100, nullptr, PRS_CONTROL_CLASS_ID);
    ASSERT_NE(far, nullptr);
    ASSERT_NE(near, nullptr);
    EXPECT_EQ(scene.CreateNodeWithHandle(4000000000u, nullptr, PRS_CONTROL_CLASS_ID), nullptr);
    far->SetName(L"M5");
    const ULONG deleted = made[0]->GetHandle();
    for (std::size_t i = 0; i < made.size(); i += 3) scene.DeleteNode(made[i]);
    for (std::size_t i = 1; i < made.size(); i += 7) {
        if (i % 3 != 0) made[i]->SetName(L"Renamed");  // the others are deleted
    }
    made[2]->SetName(L"M5");

    std::map<std::wstring, SceneNode*> first;
    for (SceneNode* node : scene.Nodes()) {
        EXPECT_EQ(scene.FindByHandle(node->GetHandle()), node);
        SceneNode*& held = first[node->Name()];
        if (held == nullptr || node->GetHandle() < held->GetHandle()) held = node;
    }
    for (const auto& [name, node] : first) {
        EXPECT_EQ(scene.FindByName(name), node) << node->GetHandle();
    }
    EXPECT_EQ(scene.FindByName(L"M"), nullptr);
    EXPECT_EQ(scene.FindByHandle(deleted), nullptr);
    std::wstring taken = L"M5";
    scene.MakeNameUnique(taken);
    EXPECT_EQ(taken, L"M001");
    // A new node takes the handle after the largest.
    EXPECT_EQ(scene.CreateNode(nullptr)->GetHandle(), 4000000001u);
    scene.Clear();
}

}  // namespace

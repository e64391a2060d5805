// Create mode: one bone node per segment, linked as the segments are, placed
// in the file's base position, with the base position kept as the node's
// "HTRBase" user properties and an optional end-effector bone under every
// leaf.
#include <vector>

#include "tovfileio/htr/HTRTreeWalk.h"
#include "import_htr/AxisChange.h"
#include "import_htr/ImportHTR.h"

using namespace tovfileio;

namespace {

// The wire colour of bones: the host's bone colour, each channel in 8 bits.
DWORD BoneWireColor() {
    const Point3 color = GetUIColor(COLOR_BONES);
    auto channel = [](float c) { return static_cast<DWORD>(static_cast<int>(c * 255.0f)) & 0xFF; };
    return channel(color.x) | (channel(color.y) << 8) | (channel(color.z) << 16);
}

void ShowAsBone(INode* node, TimeValue t) {
    node->ShowBone(0);
    node->SetBoneNodeOnOff(TRUE, t);
    node->SetWireColor(BoneWireColor());
}

}  // namespace

INode* ImportHTR::CreateBoneNode(const HTRSegment& segment) {
    const ImportHTROptions& options = ImportHTROptions::Module();
    const TimeValue t = host_->GetTime();
    auto* bone = static_cast<Object*>(host_->CreateInstance(GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID));
    IParamBlock2* block = bone->GetParamBlock(0);
    const double length = segment.GetBoneLength();
    const float thickness =
        static_cast<float>(length * 0.2 * double(options.size) * options.scaleFactor);
    block->SetValue(3, t, static_cast<float>(length * options.scaleFactor));
    block->SetValue(0, t, thickness);
    block->SetValue(1, t, thickness);
    INode* node = host_->CreateObjectNode(bone);
    node->SetName(segment.Name().c_str());
    ShowAsBone(node, t);
    return node;
}

void ImportHTR::CreateEndEffector(INode* leaf, const std::wstring& name, double length) {
    const ImportHTROptions& options = ImportHTROptions::Module();
    const TimeValue t = host_->GetTime();
    auto* bone = static_cast<Object*>(host_->CreateInstance(GEOMOBJECT_CLASS_ID, BONE_OBJ_CLASSID));
    IParamBlock2* block = bone->GetParamBlock(0);
    const float side = static_cast<float>(
        double(static_cast<float>(length) * 0.2f * options.size) * options.scaleFactor);
    block->SetValue(3, t, side);
    block->SetValue(0, t, side);
    block->SetValue(1, t, side);
    INode* node = host_->CreateObjectNode(bone);
    node->SetName((name + L"_Effector").c_str());
    ShowAsBone(node, t);
    // At the leaf's tip: the bone's length along its own x axis.
    node->Move(0, node->GetNodeTM(0), Point3(static_cast<float>(length), 0.0f, 0.0f), TRUE, FALSE,
               PIV_NONE, TRUE);
    leaf->AttachChild(node, 0);
}

INode* ImportHTR::BuildSkeleton(HTRSegment& top, INode* parent) {
    // The same for every segment, and several matrix products to make.
    static const htrimport::RotationChange change;
    const bool endEffectors = ImportHTROptions::Module().endEffectors;
    // The node built at each depth of the walk: the current chain of parents.
    std::vector<INode*> chain;
    bool refused = false;
    WalkSubtree(top, [&](HTRSegment& segment, std::uint32_t depth) {
        chain.resize(depth);
        INode* node = CreateBoneNode(segment);
        INode* above = depth == 0 ? parent : chain[depth - 1];
        if (above != nullptr) above->AttachChild(node, 0);
        chain.push_back(node);

        Control* transform = node->GetTMController();
        Control* position = transform->GetPositionController();
        Control* rotation = transform->GetRotationController();
        const TimeValue now = host_->GetTime();

        const TOVVector3<double> t = segment.BaseTranslation();
        node->SetUserPropFloat(L"HTRBaseTransX", static_cast<float>(t.x()));
        node->SetUserPropFloat(L"HTRBaseTransY", static_cast<float>(t.y()));
        node->SetUserPropFloat(L"HTRBaseTransZ", static_cast<float>(t.z()));
        const Point3 hostPosition = htrimport::HostTranslation(t, segment.IsRoot());
        if (!position->CanSetValue()) return refused = true, false;
        position->SetValue(now, &hostPosition, 1, CTRL_ABSOLUTE);

        TOVEulerRotation<double> base;
        base = segment.BaseRotation();
        node->SetUserPropFloat(L"HTRBaseRotX", static_cast<float>(base[0]));
        node->SetUserPropFloat(L"HTRBaseRotY", static_cast<float>(base[1]));
        node->SetUserPropFloat(L"HTRBaseRotZ", static_cast<float>(base[2]));
        const htrimport::Matrix q = change(htrimport::Matrix(base), segment.IsRoot());
        TOVQuaternion<double> quaternion;
        quaternion.SetFromEuler(TOVEulerRotation<double>(q));
        const Quat hostRotation = htrimport::HostQuaternion(quaternion);
        if (!rotation->CanSetValue()) return refused = true, false;
        rotation->SetValue(now, &hostRotation, 1, CTRL_ABSOLUTE);

        node->SetUserPropFloat(L"HTRBaseLength", static_cast<float>(segment.GetBoneLength()));
        if (segment.ChildCount() == 0 && endEffectors) {
            CreateEndEffector(node, segment.Name(), segment.GetBoneLength());
        }
        return true;
    });
    if (!refused) return chain.empty() ? nullptr : chain.front();
    // The refusing segment's node stays; every segment above it removes its
    // own node, while the nodes of earlier branches stay where they are.
    chain.pop_back();
    while (!chain.empty()) {
        host_->DeleteNode(chain.back(), TRUE);
        chain.pop_back();
    }
    return nullptr;
}

#include "export_htr/ScenePlacement.h"

namespace htrexport {

Matrix AxisReturn::operator()(const Quat& rotation, bool root) const {
    float angles[3];
    QuatToEuler(rotation, angles);
    const Matrix r = EulerMatrix(angles[0], angles[1], angles[2]);
    const Matrix f = Product(Product(q, r), qt);
    return root ? Product(f, k) : f;
}

namespace {

// The node's world transform at `t`, made relative to its parent's when
// asked; `parentWorld` receives the parent's when it is read.
Matrix3 PlacementMatrix(INode* node, TimeValue t, bool relative, Matrix3* parentWorld) {
    Matrix3 world = node->GetNodeTM(t);
    if (!relative && parentWorld == nullptr) return world;
    const Matrix3 parent = node->GetParentNode()->GetNodeTM(t);
    if (parentWorld != nullptr) *parentWorld = parent;
    return relative ? world * Inverse(parent) : world;
}

}  // namespace

Placement PlaceAt(INode* node, TimeValue t, bool relative) {
    Matrix3 parentWorld;
    const Matrix3 world = PlacementMatrix(node, t, relative, &parentWorld);
    Placement p;
    DecomposeMatrix(world, p.translation, p.rotation, p.scale);
    Point3 parentTranslation, parentScale;
    Quat parentRotation;
    DecomposeMatrix(parentWorld, parentTranslation, parentRotation, parentScale);
    p.parentScale = parentScale.x;
    return p;
}

Parts PartsAt(INode* node, TimeValue t, bool relative) {
    Parts p;
    DecomposeMatrix(PlacementMatrix(node, t, relative, nullptr), p.translation, p.rotation,
                    p.scale);
    return p;
}

}  // namespace htrexport

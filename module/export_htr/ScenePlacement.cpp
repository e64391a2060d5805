#include "export_htr/ScenePlacement.h"

namespace htrexport {

Matrix AxisReturn::operator()(const Quat& rotation, bool root) const {
    float angles[3];
    QuatToEuler(rotation, angles);
    const Matrix r = EulerMatrix(angles[0], angles[1], angles[2]);
    const Matrix f = Product(Product(q, r), qt);
    return root ? Product(f, k) : f;
}

Placement PlaceAt(INode* node, TimeValue t, bool relative) {
    Matrix3 world = node->GetNodeTM(t);
    const Matrix3 parentWorld = node->GetParentNode()->GetNodeTM(t);
    if (relative) world = world * Inverse(parentWorld);
    Placement p;
    DecomposeMatrix(world, p.translation, p.rotation, p.scale);
    Point3 parentTranslation, parentScale;
    Quat parentRotation;
    DecomposeMatrix(parentWorld, parentTranslation, parentRotation, parentScale);
    p.parentScale = parentScale.x;
    return p;
}

}  // namespace htrexport

// How the exporter reads a node's placement from the scene and turns it
// back into the HTR file's axes: the reverse of the importer's conversion.
#pragma once

#include "brindle/sdk/Interface.h"
#include "plugin/HtrAxes.h"

namespace htrexport {

using htraxes::EulerMatrix;
using htraxes::Matrix;
using htraxes::Product;

// The host's axes back to the file's: Q re-expresses a rotation, K is the
// extra turn the importer gave the root.
struct AxisReturn {
    Matrix q = htraxes::AxisM1().Transposed();
    Matrix qt = q.Transposed();
    Matrix k = Product(EulerMatrix(0, 0, -tovfileio::kTOVPi / 2), EulerMatrix(tovfileio::kTOVPi, 0, 0));

    // Q * R * Q^T, times K for the root, for the rotation of host quaternion `rotation`.
    Matrix operator()(const Quat& rotation, bool root) const;
};

// A host translation in the file's axes: (x, z, -y) for the root, (z, x, y)
// for every other segment.
inline tovfileio::TOVVector3<double> FileTranslation(const Point3& t, bool root) {
    return root ? tovfileio::TOVVector3<double>(t.x, t.z, -t.y) : tovfileio::TOVVector3<double>(t.z, t.x, t.y);
}

inline tovfileio::TOVVector3<double> Scaled(const tovfileio::TOVVector3<double>& v, double k) {
    return tovfileio::TOVVector3<double>(v.x() * k, v.y() * k, v.z() * k);
}

// A node's placement at `t` split into translation, rotation and scale:
// relative to its scene parent, or in world space for a root that keeps its
// parents' transforms.
struct Parts {
    Point3 translation;
    Quat rotation;
    Point3 scale;
};

// The placement with `parentScale`, the x scale of the parent's world
// transform, which the base pose measures lengths against.
struct Placement : Parts {
    float parentScale;
};

Placement PlaceAt(INode* node, TimeValue t, bool relative);
// The node's own parts alone: what a frame takes. Its lengths are measured
// against the parent segment's frame scale instead, so the parent's world
// transform is not decomposed.
Parts PartsAt(INode* node, TimeValue t, bool relative);

}  // namespace htrexport

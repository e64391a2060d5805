// A scene as glTF 2.0: the node hierarchy with names, the rest pose, one
// animation with the keys of every position, rotation and scale controller,
// the user properties, and on each node the shape the host draws for its
// object in the node's wire colour, in metres and with glTF's axes (Y up).
#pragma once

#include <string>

#include <tiny_gltf.h>

#include "brindle/host/scene/Scene.h"

namespace tovgltf {

// The scene's axes and unit turned into glTF's: the host's (x, y, z) in
// system units is glTF's (x, z, -y) in metres.
struct GltfAxes {
    double metresPerUnit = 0.001;

    std::array<double, 3> Position(const Point3& p) const;
    std::array<double, 3> Position(const std::array<double, 3>& p) const;
    // The host's quaternion as glTF's (x, y, z, w): the same rotation in
    // column-vector terms and in glTF's axes.
    std::array<double, 4> Rotation(const Quat& q) const;
    std::array<double, 3> Scale(const Point3& s) const;
};

// The glTF model of `scene`; `generator` names the program in the asset.
// Each node holds the mesh of its object's shape (see ObjectShapes.h), placed
// by its object offset, in a material of its wire colour; nodes whose
// objects look alike share one mesh.
tinygltf::Model SceneToGltf(brindle::host::Scene& scene, const std::string& generator);

// `scene` as the bytes of a glTF file in `bytes`: binary glTF (.glb) when
// `binary`, else JSON with the buffer embedded. False, with `error` set,
// when the scene holds a value glTF cannot (an infinite or NaN position,
// scale or user property, or an object too large for a float, in metres),
// named with its node.
bool SceneGltfBytes(brindle::host::Scene& scene, bool binary, const std::string& generator,
                    std::string& bytes, std::string& error);

}  // namespace tovgltf

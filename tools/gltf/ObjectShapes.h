// The shapes the host draws for its objects, as glTF meshes take them: a
// bone is a box along its length that narrows towards its far end, a sphere
// is a sphere of its segments, a point helper an octahedron of its size and
// a dummy the twelve edges of its box. Shapes are made in the object's own
// space (the host's axes, system units); the writer places them with the
// node's object offset and turns them into glTF's axes and metres.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "brindle/host/scene/Objects.h"

namespace tovgltf {

using Vec3 = std::array<double, 3>;

struct Shape {
    std::vector<Vec3> positions;
    // A unit normal per position, from Shade; none for lines.
    std::vector<Vec3> normals;
    // Three a triangle, counter-clockwise seen from outside; or two a line.
    std::vector<std::uint32_t> indices;
    bool lines = false;
};

// What an object's shape is made from: its kind and the parameters that
// shape it, in a fixed order. Objects with equal parameters look alike and
// share one mesh.
struct ShapeParams {
    enum Kind : char { kNone, kBone, kSphere, kPoint, kBox };
    Kind kind = kNone;
    std::vector<float> values;

    // The kind and values as bytes, for finding objects alike.
    std::string Key() const;
};

// The parameters of `object`'s shape; kind kNone for objects the host draws
// no solid of (cameras, lights, other classes).
ShapeParams ObjectShapeParams(brindle::host::SceneObject& object);

// The shape of `params`, in object space; no positions for kNone.
Shape MakeShape(const ShapeParams& params);

// A bone from 0 to `length` along x, `width` along y and `height` along z at
// its root, narrowed to (1 - taper) of both at its far end; a taper of 1
// makes a pyramid.
Shape BoneShape(double length, double width, double height, double taper);
// A sphere of `segments` around (4 to 64 drawn) and half as many from pole
// to pole.
Shape SphereShape(double radius, int segments);
// An octahedron reaching size / 2 along each axis, as far as the arms of the
// host's point helper.
Shape PointShape(double size);
// The twelve edges of the box from `min` to `max`.
Shape BoxEdges(const Vec3& min, const Vec3& max);

// After the positions have been moved: triangles of a closed shape that a
// mirroring turned inside out are turned back, and each position gets the
// unit normal of the triangles around it, weighted by their areas (a flat
// face's own normal where no two faces share a position). A position with
// no area around it gets +y. Does nothing to lines.
void Shade(Shape& shape);

// True when every position is the same one: nothing to draw.
bool IsPoint(const Shape& shape);

}  // namespace tovgltf

#include "gltf/ObjectShapes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tovgltf {
namespace {

using brindle::host::SceneObject;

constexpr double kPi = 3.14159265358979323846;

Vec3 Sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// A flat face of four corners, counter-clockwise seen from outside, with
// positions of its own so that its normal is its own.
void AddQuad(Shape& shape, const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d) {
    const auto first = static_cast<std::uint32_t>(shape.positions.size());
    shape.positions.insert(shape.positions.end(), {a, b, c, d});
    shape.indices.insert(shape.indices.end(),
                         {first, first + 1, first + 2, first, first + 2, first + 3});
}

void AddTriangle(Shape& shape, const Vec3& a, const Vec3& b, const Vec3& c) {
    const auto first = static_cast<std::uint32_t>(shape.positions.size());
    shape.positions.insert(shape.positions.end(), {a, b, c});
    shape.indices.insert(shape.indices.end(), {first, first + 1, first + 2});
}

}  // namespace

std::string ShapeParams::Key() const {
    std::string key(1, static_cast<char>(kind));
    key.append(reinterpret_cast<const char*>(values.data()), values.size() * sizeof(float));
    return key;
}

ShapeParams ObjectShapeParams(SceneObject& object) {
    using namespace brindle::host;
    ShapeParams params;
    ParamBlock& block = object.Block();
    const Class_ID id = object.ClassID();
    if (id == BONE_OBJ_CLASSID) {
        params.kind = ShapeParams::kBone;
        params.values = {block.GetFloat(kBoneLength, 0), block.GetFloat(kBoneWidth, 0),
                         block.GetFloat(kBoneHeight, 0), block.GetFloat(kBoneTaper, 0)};
    } else if (id == SPHERE_CLASS_ID) {
        params.kind = ShapeParams::kSphere;
        params.values = {block.GetFloat(kSphereRadius, 0),
                         static_cast<float>(block.GetInt(kSphereSegments, 0))};
    } else if (id == POINTHELP_CLASS_ID) {
        params.kind = ShapeParams::kPoint;
        params.values = {block.GetFloat(kPointSize, 0)};
    } else if (object.IsDummy()) {
        const Box3 box = object.GetBox();
        params.kind = ShapeParams::kBox;
        params.values = {box.pmin.x, box.pmin.y, box.pmin.z, box.pmax.x, box.pmax.y, box.pmax.z};
    }
    return params;
}

Shape MakeShape(const ShapeParams& params) {
    const auto& v = params.values;
    switch (params.kind) {
        case ShapeParams::kBone: return BoneShape(v[0], v[1], v[2], v[3]);
        // Segments held as a float: clamped before they turn back into an int.
        case ShapeParams::kSphere:
            return SphereShape(v[0], static_cast<int>(std::clamp(v[1], 4.0f, 64.0f)));
        case ShapeParams::kPoint: return PointShape(v[0]);
        case ShapeParams::kBox: return BoxEdges({v[0], v[1], v[2]}, {v[3], v[4], v[5]});
        case ShapeParams::kNone: break;
    }
    return Shape();
}

Shape BoneShape(double length, double width, double height, double taper) {
    const double y = width / 2, z = height / 2, end = 1.0 - taper;
    // Root corners at x = 0 and far corners at x = length, each going round
    // the length axis: (-y, -z), (y, -z), (y, z), (-y, z).
    const Vec3 r[4] = {{0, -y, -z}, {0, y, -z}, {0, y, z}, {0, -y, z}};
    const Vec3 e[4] = {{length, -y * end, -z * end},
                       {length, y * end, -z * end},
                       {length, y * end, z * end},
                       {length, -y * end, z * end}};
    Shape shape;
    AddQuad(shape, r[0], r[3], r[2], r[1]);
    // A pyramid's far end is its apex: no face there.
    if (end != 0.0) AddQuad(shape, e[0], e[1], e[2], e[3]);
    AddQuad(shape, r[0], r[1], e[1], e[0]);
    AddQuad(shape, r[1], r[2], e[2], e[1]);
    AddQuad(shape, r[2], r[3], e[3], e[2]);
    AddQuad(shape, r[3], r[0], e[0], e[3]);
    return shape;
}

Shape SphereShape(double radius, int segments) {
    const int around = std::clamp(segments, 4, 64);
    const int rings = around / 2;
    Shape shape;
    shape.positions.push_back({0, 0, radius});
    for (int i = 1; i < rings; ++i) {
        const double polar = kPi * i / rings;
        for (int j = 0; j < around; ++j) {
            const double azimuth = 2 * kPi * j / around;
            shape.positions.push_back({radius * std::sin(polar) * std::cos(azimuth),
                                       radius * std::sin(polar) * std::sin(azimuth),
                                       radius * std::cos(polar)});
        }
    }
    shape.positions.push_back({0, 0, -radius});
    const auto bottom = static_cast<std::uint32_t>(shape.positions.size() - 1);
    // Position of ring i (1 to rings - 1), segment j (wrapping round).
    const auto at = [around](int i, int j) {
        return static_cast<std::uint32_t>(1 + (i - 1) * around + (j % around));
    };
    for (int j = 0; j < around; ++j) {
        shape.indices.insert(shape.indices.end(), {0, at(1, j), at(1, j + 1)});
        for (int i = 1; i + 1 < rings; ++i) {
            shape.indices.insert(shape.indices.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1),
                                                       at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
        shape.indices.insert(shape.indices.end(), {bottom, at(rings - 1, j + 1), at(rings - 1, j)});
    }
    return shape;
}

Shape PointShape(double size) {
    const double a = size / 2;
    Shape shape;
    for (int octant = 0; octant < 8; ++octant) {
        const double sx = octant & 1 ? -1 : 1, sy = octant & 2 ? -1 : 1, sz = octant & 4 ? -1 : 1;
        const Vec3 x{sx * a, 0, 0}, y{0, sy * a, 0}, z{0, 0, sz * a};
        // x, y, z turn counter-clockwise seen from outside when the octant
        // has an even number of negative axes.
        if (sx * sy * sz > 0) {
            AddTriangle(shape, x, y, z);
        } else {
            AddTriangle(shape, x, z, y);
        }
    }
    return shape;
}

Shape BoxEdges(const Vec3& min, const Vec3& max) {
    Shape shape;
    shape.lines = true;
    // Corner c has x of max when bit 0 is set, y when bit 1, z when bit 2.
    for (int c = 0; c < 8; ++c) {
        shape.positions.push_back({c & 1 ? max[0] : min[0], c & 2 ? max[1] : min[1],
                                   c & 4 ? max[2] : min[2]});
    }
    for (std::uint32_t c = 0; c < 8; ++c) {
        for (std::uint32_t bit : {1u, 2u, 4u}) {
            if ((c & bit) == 0) shape.indices.insert(shape.indices.end(), {c, c | bit});
        }
    }
    return shape;
}

void Shade(Shape& shape) {
    shape.normals.clear();
    if (shape.lines) return;
    auto& p = shape.positions;
    auto& index = shape.indices;
    // Six times the enclosed volume: negative when the faces look inwards.
    double volume = 0;
    for (std::size_t t = 0; t + 2 < index.size(); t += 3) {
        volume += Dot(p[index[t]], Cross(p[index[t + 1]], p[index[t + 2]]));
    }
    if (volume < 0) {
        for (std::size_t t = 0; t + 2 < index.size(); t += 3) std::swap(index[t + 1], index[t + 2]);
    }
    shape.normals.assign(p.size(), Vec3{0, 0, 0});
    for (std::size_t t = 0; t + 2 < index.size(); t += 3) {
        // Twice the triangle's area along its normal.
        const Vec3 n =
            Cross(Sub(p[index[t + 1]], p[index[t]]), Sub(p[index[t + 2]], p[index[t]]));
        for (int k = 0; k < 3; ++k) {
            Vec3& sum = shape.normals[index[t + k]];
            for (int c = 0; c < 3; ++c) sum[c] += n[c];
        }
    }
    for (Vec3& n : shape.normals) {
        const double length = std::sqrt(Dot(n, n));
        if (length > 0 && std::isfinite(length)) {
            for (double& c : n) c /= length;
        } else {
            n = {0, 1, 0};
        }
    }
}

bool IsPoint(const Shape& shape) {
    return std::all_of(shape.positions.begin(), shape.positions.end(),
                       [&shape](const Vec3& p) { return p == shape.positions.front(); });
}

}  // namespace tovgltf

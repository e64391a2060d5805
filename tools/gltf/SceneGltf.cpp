#include "gltf/SceneGltf.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <unordered_map>
#include <utility>

#include "brindle/host/scene/Objects.h"
#include "tovfileio/text/TextCodec.h"
#include "gltf/ObjectShapes.h"
#include "view/KindColours.h"

namespace tovgltf {
namespace {

using brindle::host::Scene;
using brindle::host::SceneNode;
using brindle::host::SceneObject;

// One growing buffer of little-endian data, cut into views of four-byte
// aligned starts.
class BufferBuilder {
public:
    explicit BufferBuilder(tinygltf::Model& model) : model_(model) {}

    // A float accessor of `count` elements of `components` each.
    int Add(const std::vector<float>& values, int components, bool withBounds,
            int target = 0) {
        tinygltf::Accessor accessor;
        accessor.bufferView = View(values.data(), values.size() * sizeof(float), target);
        accessor.componentType = TINYGLTF_COMPONENT_TYPE_FLOAT;
        accessor.count = values.size() / static_cast<std::size_t>(components);
        accessor.type = components == 1   ? TINYGLTF_TYPE_SCALAR
                        : components == 3 ? TINYGLTF_TYPE_VEC3
                                          : TINYGLTF_TYPE_VEC4;
        if (withBounds) {
            accessor.minValues.assign(components, INFINITY);
            accessor.maxValues.assign(components, -INFINITY);
            for (std::size_t i = 0; i < values.size(); ++i) {
                const auto c = i % static_cast<std::size_t>(components);
                accessor.minValues[c] = std::min(accessor.minValues[c], double(values[i]));
                accessor.maxValues[c] = std::max(accessor.maxValues[c], double(values[i]));
            }
        }
        model_.accessors.push_back(accessor);
        return static_cast<int>(model_.accessors.size()) - 1;
    }

    // An accessor of vertex indices, 16 bits each when they fit.
    int AddIndices(const std::vector<std::uint32_t>& indices, std::size_t vertices) {
        tinygltf::Accessor accessor;
        if (vertices <= 0xFFFF) {
            const std::vector<std::uint16_t> shorts(indices.begin(), indices.end());
            accessor.bufferView = View(shorts.data(), shorts.size() * sizeof(std::uint16_t),
                                       TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
            accessor.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT;
        } else {
            accessor.bufferView = View(indices.data(), indices.size() * sizeof(std::uint32_t),
                                       TINYGLTF_TARGET_ELEMENT_ARRAY_BUFFER);
            accessor.componentType = TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT;
        }
        accessor.count = indices.size();
        accessor.type = TINYGLTF_TYPE_SCALAR;
        model_.accessors.push_back(accessor);
        return static_cast<int>(model_.accessors.size()) - 1;
    }

    void Finish() {
        if (data_.empty()) return;
        tinygltf::Buffer buffer;
        buffer.data = std::move(data_);
        model_.buffers.push_back(std::move(buffer));
    }

private:
    int View(const void* data, std::size_t length, int target) {
        data_.resize((data_.size() + 3) / 4 * 4);
        const std::size_t offset = data_.size();
        data_.resize(offset + length);
        if (length > 0) std::memcpy(data_.data() + offset, data, length);
        tinygltf::BufferView view;
        view.buffer = 0;
        view.byteOffset = offset;
        view.byteLength = length;
        view.target = target;
        model_.bufferViews.push_back(view);
        return static_cast<int>(model_.bufferViews.size()) - 1;
    }

    tinygltf::Model& model_;
    std::vector<unsigned char> data_;
};

tinygltf::Value UserProperties(const SceneNode& node) {
    tinygltf::Value::Object properties;
    for (const auto& [key, value] : node.UserProperties()) {
        properties[tovfileio::EncodeUtf8(key)] = tinygltf::Value(double(value));
    }
    tinygltf::Value::Object extras;
    if (node.HeldObject() != nullptr) {
        extras["kind"] = tinygltf::Value(std::string(brindle::host::ObjectKind(*node.HeldObject())));
    }
    extras["user_properties"] = tinygltf::Value(std::move(properties));
    return tinygltf::Value(std::move(extras));
}

}  // namespace

std::array<double, 3> GltfAxes::Position(const Point3& p) const {
    return Position(std::array<double, 3>{p.x, p.y, p.z});
}

std::array<double, 3> GltfAxes::Position(const std::array<double, 3>& p) const {
    return {p[0] * metresPerUnit, p[2] * metresPerUnit, -p[1] * metresPerUnit};
}

std::array<double, 4> GltfAxes::Rotation(const Quat& q) const {
    // The host's (x, y, z, w) turns row vectors as (-x, -y, -z, w) turns
    // column vectors; the vector part then changes axes as a position does.
    double x = -double(q.x), y = -double(q.y), z = -double(q.z), w = q.w;
    const double norm = std::sqrt(x * x + y * y + z * z + w * w);
    if (norm == 0.0 || !std::isfinite(norm)) return {0, 0, 0, 1};
    x /= norm, y /= norm, z /= norm, w /= norm;
    return {x, z, -y, w};
}

std::array<double, 3> GltfAxes::Scale(const Point3& s) const { return {s.x, s.z, s.y}; }

namespace {

// The earliest key time of the scene, or 0 when no key is before it.
TimeValue EarliestKey(const std::vector<SceneNode*>& nodes) {
    TimeValue earliest = 0;
    for (SceneNode* node : nodes) {
        const auto& tm = std::as_const(*node).Transform();
        for (const auto keys : {tm.Position().Track().Keys(), tm.Scale().Track().Keys()}) {
            if (!keys.empty()) earliest = std::min(earliest, keys.front().time);
        }
        if (!tm.Rotation().Track().Empty()) {
            earliest = std::min(earliest, tm.Rotation().Track()[0].time);
        }
    }
    return earliest;
}

// A node with its name, children, rest pose (the values held without keys)
// and user properties.
tinygltf::Node GltfNode(SceneNode& node, const GltfAxes& axes,
                        const std::unordered_map<const SceneNode*, int>& index) {
    tinygltf::Node out;
    out.name = tovfileio::EncodeUtf8(node.Name());
    for (SceneNode* child : node.Children()) out.children.push_back(index.at(child));
    const auto& tm = std::as_const(node).Transform();
    const auto t = axes.Position(tm.Position().HeldValue());
    if (t != std::array<double, 3>{0, 0, 0}) out.translation.assign(t.begin(), t.end());
    const auto r = axes.Rotation(tm.Rotation().HeldValue());
    if (r != std::array<double, 4>{0, 0, 0, 1}) out.rotation.assign(r.begin(), r.end());
    const auto s = axes.Scale(tm.Scale().HeldValue());
    if (s != std::array<double, 3>{1, 1, 1}) out.scale.assign(s.begin(), s.end());
    out.extras = UserProperties(node);
    return out;
}

// The meshes and materials of the file: one mesh for each distinct shape,
// placement and colour, so that a cloud of like markers holds one mesh
// however many markers it has; one material per wire colour. A mesh hangs
// on its node and moves with the node's animation.
class MeshBuilder {
public:
    MeshBuilder(tinygltf::Model& model, BufferBuilder& buffer, const GltfAxes& axes)
        : model_(model), buffer_(buffer), axes_(axes) {}

    // The mesh of what `node` holds, or -1 when the host draws nothing solid
    // for it or its shape has no extent (a bone of length zero, whose width
    // and height follow its length): a node without a mesh, which glTF and
    // its loaders take as a plain node. A shape beyond a float once in
    // metres gets no mesh and is said in `problem`, when that is empty.
    int MeshOf(SceneNode& node, std::string& problem) {
        SceneObject* object = node.HeldObject();
        if (object == nullptr) return -1;
        const ShapeParams params = ObjectShapeParams(*object);
        if (params.kind == ShapeParams::kNone) return -1;
        const Matrix3 offset = node.GetObjOffsetTM();
        const DWORD color = KindColour(params.kind, node.GetWireColor());
        std::string key = params.Key();
        if (offset != Matrix3()) {
            for (int r = 0; r < 4; ++r) {
                key.append(reinterpret_cast<const char*>(&offset[r]), sizeof(Point3));
            }
        }
        key.append(reinterpret_cast<const char*>(&color), sizeof color);
        if (const auto found = meshes_.find(key); found != meshes_.end()) {
            if (found->second == kTooLarge && problem.empty()) problem = TooLarge(node);
            return found->second < 0 ? -1 : found->second;
        }
        const int mesh = NewMesh(params, offset, color);
        meshes_.emplace(std::move(key), mesh);
        if (mesh == kTooLarge && problem.empty()) problem = TooLarge(node);
        return mesh < 0 ? -1 : mesh;
    }

private:
    static constexpr int kNoExtent = -1;
    static constexpr int kTooLarge = -2;

    // Bones and markers in the colours every drawing of a take gives them;
    // other objects in their wire colour.
    static DWORD KindColour(ShapeParams::Kind kind, DWORD wire) {
        switch (kind) {
            case ShapeParams::kBone: return tovcolours::WireColour(tovcolours::kBoneRgb);
            case ShapeParams::kSphere:
            case ShapeParams::kPoint: return tovcolours::WireColour(tovcolours::kMarkerRgb);
            default: return wire;
        }
    }

    static std::string TooLarge(SceneNode& node) {
        return "node \"" + tovfileio::EncodeUtf8(node.Name()) +
               "\": the size of its object is infinite in metres";
    }

    int NewMesh(const ShapeParams& params, const Matrix3& offset, DWORD color) {
        Shape shape = MakeShape(params);
        // Object space to the node's (p * offset, in double), then to
        // glTF's axes and metres.
        for (Vec3& p : shape.positions) {
            Vec3 q;
            for (int c = 0; c < 3; ++c) {
                q[c] = p[0] * offset[0][c] + p[1] * offset[1][c] + p[2] * offset[2][c] +
                       offset[3][c];
            }
            p = axes_.Position(q);
        }
        std::vector<float> positions;
        positions.reserve(shape.positions.size() * 3);
        for (const Vec3& p : shape.positions) {
            for (double c : p) {
                positions.push_back(static_cast<float>(c));
                if (!std::isfinite(positions.back())) return kTooLarge;
            }
        }
        if (IsPoint(shape)) return kNoExtent;
        Shade(shape);

        tinygltf::Primitive primitive;
        primitive.attributes["POSITION"] =
            buffer_.Add(positions, 3, true, TINYGLTF_TARGET_ARRAY_BUFFER);
        if (!shape.normals.empty()) {
            std::vector<float> normals;
            normals.reserve(shape.normals.size() * 3);
            for (const Vec3& n : shape.normals) {
                for (double c : n) normals.push_back(static_cast<float>(c));
            }
            primitive.attributes["NORMAL"] =
                buffer_.Add(normals, 3, false, TINYGLTF_TARGET_ARRAY_BUFFER);
        }
        primitive.indices = buffer_.AddIndices(shape.indices, shape.positions.size());
        primitive.mode = shape.lines ? TINYGLTF_MODE_LINE : TINYGLTF_MODE_TRIANGLES;
        primitive.material = Material(color);
        tinygltf::Mesh mesh;
        mesh.name = ObjectKindName(params.kind);
        mesh.primitives.push_back(std::move(primitive));
        model_.meshes.push_back(std::move(mesh));
        return static_cast<int>(model_.meshes.size()) - 1;
    }

    static const char* ObjectKindName(ShapeParams::Kind kind) {
        switch (kind) {
            case ShapeParams::kBone: return "bone";
            case ShapeParams::kSphere: return "sphere";
            case ShapeParams::kPoint: return "point";
            case ShapeParams::kBox: return "dummy";
            case ShapeParams::kNone: break;
        }
        return "object";
    }

    // The material of wire colour 0x00BBGGRR: its colour as glTF's linear
    // base colour, so that a viewer shows the colour drawn; not metallic,
    // which without an environment to reflect would draw black.
    int Material(DWORD color) {
        if (const auto found = materials_.find(color); found != materials_.end()) {
            return found->second;
        }
        const auto linear = [](DWORD channel) {
            const double c = channel / 255.0;
            return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        };
        const DWORD r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
        tinygltf::Material material;
        char name[16];
        std::snprintf(name, sizeof name, "wire %02X%02X%02X", unsigned(r), unsigned(g), unsigned(b));
        material.name = name;
        material.pbrMetallicRoughness.baseColorFactor = {linear(r), linear(g), linear(b), 1.0};
        material.pbrMetallicRoughness.metallicFactor = 0.0;
        material.pbrMetallicRoughness.roughnessFactor = 0.8;
        model_.materials.push_back(std::move(material));
        const int index = static_cast<int>(model_.materials.size()) - 1;
        materials_.emplace(color, index);
        return index;
    }

    tinygltf::Model& model_;
    BufferBuilder& buffer_;
    const GltfAxes& axes_;
    // Mesh index by shape, placement and colour; kNoExtent or kTooLarge for
    // shapes that got none.
    std::unordered_map<std::string, int> meshes_;
    std::unordered_map<DWORD, int> materials_;
};

// The one animation of the file: a channel per keyed controller.
class TakeBuilder {
public:
    TakeBuilder(BufferBuilder& buffer, const GltfAxes& axes, TimeValue earliest)
        : buffer_(buffer), axes_(axes), earliest_(earliest) {
        animation_.name = "Take";
    }

    void AddNode(int at, SceneNode& node) {
        const auto& tm = std::as_const(node).Transform();
        for (int part = 0; part < 2; ++part) {
            const auto keys = part == 0 ? tm.Position().Track().Keys() : tm.Scale().Track().Keys();
            if (keys.empty()) continue;
            std::vector<float> times, values;
            times.reserve(keys.size());
            values.reserve(keys.size() * 3);
            for (const auto& key : keys) {
                times.push_back(Seconds(key.time));
                const auto v = part == 0 ? axes_.Position(key.value) : axes_.Scale(key.value);
                for (double c : v) values.push_back(static_cast<float>(c));
            }
            AddChannel(at, part == 0 ? "translation" : "scale", times, values, 3);
        }
        AddRotations(at, tm.Rotation().Track().Keys());
    }

    tinygltf::Animation& Animation() { return animation_; }

private:
    template <typename Keys>
    void AddRotations(int at, const Keys& rotations) {
        if (rotations.empty()) return;
        std::vector<float> times, values;
        times.reserve(rotations.size());
        values.reserve(rotations.size() * 4);
        std::array<double, 4> previous{0, 0, 0, 1};
        for (std::size_t k = 0; k < rotations.size(); ++k) {
            times.push_back(Seconds(rotations[k].time));
            auto q = axes_.Rotation(rotations[k].value);
            // Consecutive keys on the same side, so that interpolation takes
            // the short way.
            const double dot =
                q[0] * previous[0] + q[1] * previous[1] + q[2] * previous[2] + q[3] * previous[3];
            if (k > 0 && dot < 0) {
                for (double& c : q) c = -c;
            }
            previous = q;
            for (double c : q) values.push_back(static_cast<float>(c));
        }
        AddChannel(at, "rotation", times, values, 4);
    }

    void AddChannel(int node, const char* path, const std::vector<float>& times,
                    const std::vector<float>& values, int components) {
        tinygltf::AnimationSampler sampler;
        sampler.input = buffer_.Add(times, 1, true);
        sampler.output = buffer_.Add(values, components, false);
        sampler.interpolation = "LINEAR";
        animation_.samplers.push_back(sampler);
        tinygltf::AnimationChannel channel;
        channel.sampler = static_cast<int>(animation_.samplers.size()) - 1;
        channel.target_node = node;
        channel.target_path = path;
        animation_.channels.push_back(channel);
    }

    // Times in seconds; a scene with keys before 0 is shifted to start at 0,
    // as glTF times are not negative.
    float Seconds(TimeValue t) const {
        return static_cast<float>(double(t - earliest_) / TIME_TICKSPERSEC);
    }

    BufferBuilder& buffer_;
    const GltfAxes& axes_;
    TimeValue earliest_;
    tinygltf::Animation animation_;
};

// The first value of `node` that glTF cannot hold, in words; empty when
// there is none. JSON has no infinity or NaN (TinyGLTF would write null) and
// a float accessor holding one is invalid. Such a file is refused rather
// than clamped: a node moved to the largest float would look like a scene
// and mislead, while the message names the node to mend. Key values are
// tested as the floats the buffer holds, which overflow before the doubles.
std::string NonFiniteValue(SceneNode& node, const GltfAxes& axes) {
    const auto problem = [&node](const std::string& what, double value) {
        return "node \"" + tovfileio::EncodeUtf8(node.Name()) + "\": " + what + " is " +
               (std::isnan(value) ? "not a number" : "infinite") + " in metres";
    };
    const auto& tm = std::as_const(node).Transform();
    for (int part = 0; part < 2; ++part) {
        const char* name = part == 0 ? "the position" : "the scale";
        const auto convert = [&](const Point3& p) {
            return part == 0 ? axes.Position(p) : axes.Scale(p);
        };
        const auto& controller = part == 0 ? tm.Position() : tm.Scale();
        for (const double c : convert(controller.HeldValue())) {
            if (!std::isfinite(c)) return problem(name, c);
        }
        for (const auto& key : controller.Track().Keys()) {
            for (const double c : convert(key.value)) {
                if (!std::isfinite(static_cast<float>(c))) {
                    return problem(std::string(name) + " at tick " + std::to_string(key.time), c);
                }
            }
        }
    }
    for (const auto& [key, value] : node.UserProperties()) {
        if (!std::isfinite(value)) {
            return problem("user property \"" + tovfileio::EncodeUtf8(key) + "\"", value);
        }
    }
    return std::string();
}

}  // namespace

namespace {

// The model of `scene`; the first shape too large for glTF is said in
// `problem`.
tinygltf::Model BuildModel(Scene& scene, const std::string& generator, std::string& problem) {
    tinygltf::Model model;
    model.asset.version = "2.0";
    model.asset.generator = generator;
    const GltfAxes axes{scene.SystemUnitMillimetres() / 1000.0};

    std::unordered_map<const SceneNode*, int> index;
    const auto& nodes = scene.Nodes();
    for (std::size_t i = 0; i < nodes.size(); ++i) index[nodes[i]] = static_cast<int>(i);

    BufferBuilder buffer(model);
    TakeBuilder take(buffer, axes, EarliestKey(nodes));
    MeshBuilder meshes(model, buffer, axes);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        model.nodes.push_back(GltfNode(*nodes[i], axes, index));
        model.nodes.back().mesh = meshes.MeshOf(*nodes[i], problem);
        take.AddNode(static_cast<int>(i), *nodes[i]);
    }
    buffer.Finish();
    if (!take.Animation().channels.empty()) model.animations.push_back(std::move(take.Animation()));

    tinygltf::Scene gltfScene;
    gltfScene.name = "Scene";
    for (SceneNode* child : scene.Root().Children()) gltfScene.nodes.push_back(index.at(child));
    model.scenes.push_back(std::move(gltfScene));
    model.defaultScene = 0;
    return model;
}

}  // namespace

tinygltf::Model SceneToGltf(Scene& scene, const std::string& generator) {
    std::string problem;
    return BuildModel(scene, generator, problem);
}

bool SceneGltfBytes(Scene& scene, bool binary, const std::string& generator, std::string& bytes,
                    std::string& error) {
    const GltfAxes axes{scene.SystemUnitMillimetres() / 1000.0};
    for (SceneNode* node : scene.Nodes()) {
        if (std::string problem = NonFiniteValue(*node, axes); !problem.empty()) {
            error = problem + ", which glTF cannot hold; nothing written";
            return false;
        }
    }
    std::string problem;
    tinygltf::Model model = BuildModel(scene, generator, problem);
    if (!problem.empty()) {
        error = problem + ", which glTF cannot hold; nothing written";
        return false;
    }
    tinygltf::TinyGLTF writer;
    std::ostringstream stream;
    writer.WriteGltfSceneToStream(&model, stream, !binary, binary);
    bytes = stream.str();
    return true;
}

}  // namespace tovgltf

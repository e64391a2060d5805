#include "scene/BinaryWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "scene/BinaryForm.h"
#include "scene/LittleEndian.h"
#include "brindle/sdk/TextCodec.h"

namespace brindle::host {
namespace {

// Bytes gathered before they go to the sink.
constexpr std::size_t kPieceSize = 64 * 1024;

// The document's bytes, gathered into pieces for the sink. Every float
// stored through it is checked for being finite.
class ByteOut {
public:
    explicit ByteOut(const ByteSink& sink)
        : sink_(sink), piece_(std::make_unique<unsigned char[]>(kPieceSize)) {}

    // Room for `size` bytes (at most kPieceSize) at the end, to be filled
    // before the next call.
    unsigned char* Room(std::size_t size) {
        if (kPieceSize - used_ < size) Flush();
        unsigned char* at = piece_.get() + used_;
        used_ += size;
        return at;
    }
    void U32(std::uint32_t value) { StoreU32(Room(4), value); }
    void I32(std::int32_t value) { StoreI32(Room(4), value); }
    void F32(float value) {
        NoteFloat(value);
        StoreF32(Room(4), value);
    }
    void Bytes(std::string_view bytes) {
        while (!bytes.empty()) {
            const std::size_t part = std::min(bytes.size(), kPieceSize);
            std::memcpy(Room(part), bytes.data(), part);
            bytes.remove_prefix(part);
        }
    }
    // `count` items of `itemSize` bytes, each stored by `store(at, i)`.
    template <typename Store>
    void Items(std::size_t count, std::size_t itemSize, Store&& store) {
        const std::size_t perPiece = kPieceSize / itemSize;
        for (std::size_t first = 0; first < count; first += perPiece) {
            const std::size_t items = std::min(perPiece, count - first);
            unsigned char* at = Room(items * itemSize);
            for (std::size_t i = 0; i < items; ++i) store(at + i * itemSize, first + i);
        }
    }

    void NoteFloat(float value) { nonFinite_ |= !std::isfinite(value); }
    bool NonFinite() const { return nonFinite_; }

    void Flush() {
        if (used_ == 0) return;
        sink_(std::string_view(reinterpret_cast<const char*>(piece_.get()), used_));
        used_ = 0;
    }

private:
    const ByteSink& sink_;
    std::unique_ptr<unsigned char[]> piece_;
    std::size_t used_ = 0;
    bool nonFinite_ = false;
};

void StorePoint(unsigned char* at, const Point3& p, ByteOut& out) {
    out.NoteFloat(p.x);
    out.NoteFloat(p.y);
    out.NoteFloat(p.z);
    StoreF32(at, p.x);
    StoreF32(at + 4, p.y);
    StoreF32(at + 8, p.z);
}
void StoreQuat(unsigned char* at, const Quat& q, ByteOut& out) {
    out.NoteFloat(q.x);
    out.NoteFloat(q.y);
    out.NoteFloat(q.z);
    out.NoteFloat(q.w);
    StoreF32(at, q.x);
    StoreF32(at + 4, q.y);
    StoreF32(at + 8, q.z);
    StoreF32(at + 12, q.w);
}
void StoreValue(unsigned char* at, const Point3& p, ByteOut& out) { StorePoint(at, p, out); }
void StoreValue(unsigned char* at, const Quat& q, ByteOut& out) { StoreQuat(at, q, out); }
constexpr std::size_t ValueSize(const Point3*) { return 12; }
constexpr std::size_t ValueSize(const Quat*) { return 16; }

// A string of the table: its length, then its UTF-8 bytes. An ASCII name,
// as most are, goes in without a string of its own.
void StoreString(std::wstring_view text, ByteOut& out) {
    constexpr std::size_t kShort = 256;
    if (text.size() <= kShort &&
        std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= 0 && c < 0x80; })) {
        unsigned char* at = out.Room(4 + text.size());
        StoreU32(at, static_cast<std::uint32_t>(text.size()));
        std::transform(text.begin(), text.end(), at + 4,
                       [](wchar_t c) { return static_cast<unsigned char>(c); });
        return;
    }
    const std::string utf8 = TextCodec::EncodeUtf8(text);
    out.U32(static_cast<std::uint32_t>(utf8.size()));
    out.Bytes(utf8);
}

// The keys of the nodes' user properties, each once, numbered in the
// string table after the nodes' names. The scene holds each key once, so
// keys are told apart by where their text lies.
class PropertyKeys {
public:
    PropertyKeys(const Scene& scene, std::uint32_t firstIndex) {
        for (SceneNode* node : scene.Nodes()) {
            for (const auto& [key, value] : node->UserProperties()) {
                if (index_.try_emplace(Where(key), firstIndex + keys_.size()).second) {
                    keys_.push_back(key);
                }
            }
        }
    }
    const std::vector<std::wstring_view>& Keys() const { return keys_; }
    std::uint32_t IndexOf(std::wstring_view key) const { return index_.at(Where(key)); }

private:
    struct Place {
        const wchar_t* data;
        std::size_t size;
        bool operator==(const Place&) const = default;
    };
    struct PlaceHash {
        std::size_t operator()(const Place& place) const {
            return std::hash<const wchar_t*>()(place.data) ^ place.size;
        }
    };
    static Place Where(std::wstring_view key) { return {key.data(), key.size()}; }

    std::unordered_map<Place, std::uint32_t, PlaceHash> index_;
    std::vector<std::wstring_view> keys_;
};

void WriteHeader(const Scene& scene, std::uint32_t strings, ByteOut& out) {
    unsigned char* at = out.Room(kHeaderSize);
    std::memcpy(at, kBinaryMagic, sizeof kBinaryMagic);
    StoreU32(at + kHeaderVersion, kBinaryVersion);
    StoreU32(at + kHeaderFrameRate, static_cast<std::uint32_t>(scene.FrameRate()));
    StoreF64(at + kHeaderSystemUnit, scene.SystemUnitMillimetres());
    StoreI32(at + kHeaderTime, scene.Time());
    const auto& range = scene.AnimationRange();
    StoreU32(at + kHeaderFlags, range ? kHasAnimationRange : 0);
    StoreI32(at + kHeaderRangeStart, range ? range->Start() : 0);
    StoreI32(at + kHeaderRangeEnd, range ? range->End() : 0);
    StoreU32(at + kHeaderStringCount, strings);
    StoreU32(at + kHeaderNodeCount, static_cast<std::uint32_t>(scene.Nodes().size()));
}

void WriteObject(SceneObject& object, ByteOut& out) {
    const auto& params = object.Block().Params();
    const Box3 box = object.GetBox();
    unsigned char* at = out.Room(kObjectRecordSize);
    StoreU32(at, object.SuperClassID());
    StoreU32(at + 4, object.ClassID().PartA());
    StoreU32(at + 8, object.ClassID().PartB());
    StoreU32(at + 12, static_cast<std::uint32_t>(params.size()));
    StorePoint(at + 16, box.pmin, out);
    StorePoint(at + 28, box.pmax, out);
    out.Items(params.size(), kParamSize, [&](unsigned char* item, std::size_t i) {
        const ParamBlock::Param& param = params[i];
        StoreI32(item, param.id);
        if (param.isInt) {
            StoreI32(item + 4, param.intValue);
        } else {
            out.NoteFloat(param.floatValue);
            StoreF32(item + 4, param.floatValue);
        }
    });
}

template <typename Value>
void WriteKeys(std::span<const Key<Value>> keys, ByteOut& out) {
    out.Items(keys.size(), 4, [&](unsigned char* at, std::size_t i) { StoreI32(at, keys[i].time); });
    out.Items(keys.size(), ValueSize(static_cast<const Value*>(nullptr)), [&](unsigned char* at, std::size_t i) {
        StoreValue(at, keys[i].value, out);
    });
}

void WriteNode(SceneNode& node, std::uint32_t name, const PropertyKeys& keys, ByteOut& out) {
    // Read through the const transform: saving makes no controller.
    const TransformController& transform = std::as_const(node).Transform();
    const auto& position = transform.Position();
    const auto& rotation = transform.Rotation();
    const auto& scale = transform.Scale();
    SceneObject* object = node.HeldObject();
    const Matrix3 offset = node.GetObjOffsetTM();
    const bool hasOffset = offset != Matrix3();
    SceneNode* parent = node.Parent();
    const bool topLevel = parent == nullptr || parent->IsRootNode();
    const auto& properties = node.UserProperties();

    std::uint32_t flags = 0;
    if (node.GetBoneNodeOnOff() != FALSE) flags |= kBoneOn;
    if (rotation.Kind() == ControllerClass::kTCB) flags |= kTcbRotation;
    if (position.Locked()) flags |= kPositionLocked;
    if (rotation.Locked()) flags |= kRotationLocked;
    if (scale.Locked()) flags |= kScaleLocked;
    if (object != nullptr) flags |= kHasObject;
    if (hasOffset) flags |= kHasObjectOffset;

    unsigned char* at = out.Room(kNodeRecordSize);
    StoreU32(at + kNodeName, name);
    StoreU32(at + kNodeHandle, node.GetHandle());
    StoreU32(at + kNodeParent, topLevel ? 0 : parent->GetHandle());
    StoreU32(at + kNodeFlags, flags);
    StoreU32(at + kNodeWireColor, node.GetWireColor());
    StoreI32(at + kNodeBoneDisplay, node.BoneDisplay());
    StoreU32(at + kNodeTransform, transform.TransformClass().PartA());
    StoreU32(at + kNodeTransform + 4, transform.TransformClass().PartB());
    StorePoint(at + kNodePosition, position.HeldValue(), out);
    StoreQuat(at + kNodeRotation, rotation.HeldValue(), out);
    StorePoint(at + kNodeScale, scale.HeldValue(), out);
    StoreU32(at + kNodePropertyCount, static_cast<std::uint32_t>(properties.size()));
    StoreU32(at + kNodePositionKeys, static_cast<std::uint32_t>(position.Track().Size()));
    StoreU32(at + kNodeRotationKeys, static_cast<std::uint32_t>(rotation.Track().Size()));
    StoreU32(at + kNodeScaleKeys, static_cast<std::uint32_t>(scale.Track().Size()));

    if (object != nullptr) WriteObject(*object, out);
    if (hasOffset) {
        unsigned char* rows = out.Room(kObjectOffsetSize);
        for (int row = 0; row < 4; ++row) StorePoint(rows + 12 * row, offset[row], out);
    }
    out.Items(properties.size(), kPropertySize, [&](unsigned char* item, std::size_t i) {
        StoreU32(item, keys.IndexOf(properties[i].first));
        out.NoteFloat(properties[i].second);
        StoreF32(item + 4, properties[i].second);
    });
    WriteKeys(position.Track().Keys(), out);
    WriteKeys(rotation.Track().Keys(), out);
    WriteKeys(scale.Track().Keys(), out);
}

}  // namespace

long long WriteBinaryScene(const Scene& scene, const ByteSink& sink) {
    if (!std::isfinite(scene.SystemUnitMillimetres())) return -1;
    const auto& nodes = scene.Nodes();
    const PropertyKeys keys(scene, static_cast<std::uint32_t>(nodes.size()));
    ByteOut out(sink);
    WriteHeader(scene, static_cast<std::uint32_t>(nodes.size() + keys.Keys().size()), out);
    // The string table: each node's name, in node order, then the keys.
    for (SceneNode* node : nodes) StoreString(node->Name(), out);
    for (const std::wstring_view key : keys.Keys()) StoreString(key, out);
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        WriteNode(*nodes[i], static_cast<std::uint32_t>(i), keys, out);
        if (out.NonFinite()) return static_cast<long long>(i + 1);
    }
    out.Flush();
    return 0;
}

}  // namespace brindle::host

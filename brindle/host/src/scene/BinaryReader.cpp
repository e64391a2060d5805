#include "scene/BinaryReader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "scene/BinaryForm.h"
#include "scene/DocumentError.h"
#include "scene/LittleEndian.h"
#include "brindle/sdk/TextCodec.h"

namespace brindle::host {
namespace {

// The bytes of the document not yet read.
class Cursor {
public:
    explicit Cursor(std::span<const unsigned char> bytes) : at_(bytes.data()), end_(at_ + bytes.size()) {}

    std::size_t Left() const { return static_cast<std::size_t>(end_ - at_); }

    // The next `size` bytes, which `where` names `what` in the message said
    // when the file ends before them.
    const unsigned char* Take(std::uint64_t size, const Place& where, const char* what) {
        if (size > Left()) {
            where.Fail("the file ends inside " + std::string(what) + " (" + std::to_string(size) +
                       " bytes, " + std::to_string(Left()) + " left)");
        }
        const unsigned char* taken = at_;
        at_ += size;
        return taken;
    }

private:
    const unsigned char* at_;
    const unsigned char* end_;
};

// Checks a number against its range as a JSON document's is checked, in the
// same words: "handle 0 is out of range (1 to 4294967294)".
void CheckRange(long long value, long long min, long long max, const Place& at, const char* what) {
    if (value < min || value > max) {
        at.Fail(std::string(what) + " " + std::to_string(value) + " is out of range (" +
                std::to_string(min) + " to " + std::to_string(max) + ")");
    }
}

// The strings of the table, as they lie in the document.
class StringTable {
public:
    void Read(Cursor& in, std::uint32_t count) {
        const Place top{};
        if (std::uint64_t{count} * 4 > in.Left()) {
            FailDocument("the string table claims " + std::to_string(count) +
                         " strings, more than the file holds");
        }
        strings_.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t size = LoadU32(in.Take(4, top, "the string table"));
            const unsigned char* text = in.Take(size, top, "the string table");
            strings_.emplace_back(reinterpret_cast<const char*>(text), size);
        }
    }

    std::size_t Size() const { return strings_.size(); }

    std::string_view At(std::uint32_t index, const Place& at, const char* what) const {
        if (index >= strings_.size()) {
            at.Fail(std::string(what) + ": string " + std::to_string(index) +
                    " is not in the string table (of " + std::to_string(strings_.size()) + ")");
        }
        return strings_[index];
    }

private:
    std::vector<std::string_view> strings_;
};

// Wide text of a name the host keeps: UTF-8 without a NUL character. An
// ASCII name, as most are, is widened without decoding.
std::wstring WideName(std::string_view utf8, const Place& at, const std::string& what) {
    if (utf8.find('\0') != std::string_view::npos) at.Fail(what + " contains a NUL character");
    if (std::all_of(utf8.begin(), utf8.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        return std::wstring(utf8.begin(), utf8.end());
    }
    std::wstring wide = TextCodec::DecodeUtf8(utf8);
    // Decoding keeps a byte that is not UTF-8 as a character of its own,
    // which would not encode back to the same bytes.
    if (TextCodec::EncodeUtf8(wide) != utf8) at.Fail(what + " is not UTF-8 text");
    return wide;
}

Point3 PointAt(const unsigned char* p) { return {LoadF32(p), LoadF32(p + 4), LoadF32(p + 8)}; }
Quat QuatAt(const unsigned char* p) {
    return {LoadF32(p), LoadF32(p + 4), LoadF32(p + 8), LoadF32(p + 12)};
}
void ValueAt(const unsigned char* p, Point3& value) { value = PointAt(p); }
void ValueAt(const unsigned char* p, Quat& value) { value = QuatAt(p); }
constexpr std::size_t ValueSize(const Point3*) { return 12; }
constexpr std::size_t ValueSize(const Quat*) { return 16; }

// Reads the document's nodes into the plan, one at a time.
class NodeReader {
public:
    NodeReader(Cursor& in, const StringTable& strings, NamePool& names)
        : in_(in), strings_(strings), names_(names) {}

    // Reads node `index` into `plan`; the handle of its parent (0 for none).
    std::uint32_t Read(std::size_t index, NodePlan& plan) {
        const unsigned char* record = in_.Take(kNodeRecordSize, Place::Node(index), "the node");
        const Place unnamed = Place::Node(index);
        plan.name = WideName(strings_.At(LoadU32(record + kNodeName), unnamed, "name"), unnamed, "name");
        const Place at = Place::Node(index, plan.name);
        const std::uint32_t handle = LoadU32(record + kNodeHandle);
        CheckRange(handle, 1, 0xFFFFFFFEll, at, "handle");
        plan.handle = handle;
        const std::uint32_t flags = LoadU32(record + kNodeFlags);
        if ((flags & ~kKnownNodeFlags) != 0) {
            at.Fail("flags " + std::to_string(flags) + " hold bits this program does not know");
        }
        const std::uint32_t wireColor = LoadU32(record + kNodeWireColor);
        CheckRange(wireColor, 0, 0xFFFFFF, at, "wire_color");
        plan.wireColor = wireColor;
        plan.boneDisplay = LoadI32(record + kNodeBoneDisplay);
        plan.boneOn = (flags & kBoneOn) != 0;
        plan.transformClass =
            Class_ID(LoadU32(record + kNodeTransform), LoadU32(record + kNodeTransform + 4));
        plan.position.value = PointAt(record + kNodePosition);
        plan.position.locked = (flags & kPositionLocked) != 0;
        plan.rotation.value = QuatAt(record + kNodeRotation);
        plan.rotation.locked = (flags & kRotationLocked) != 0;
        plan.rotation.tcb = (flags & kTcbRotation) != 0;
        plan.scale.value = PointAt(record + kNodeScale);
        plan.scale.locked = (flags & kScaleLocked) != 0;

        if ((flags & kHasObject) != 0) plan.object = ReadObject(at);
        if ((flags & kHasObjectOffset) != 0) {
            const unsigned char* rows = in_.Take(kObjectOffsetSize, at, "the object offset");
            for (int row = 0; row < 4; ++row) plan.objectOffset.SetRow(row, PointAt(rows + 12 * row));
        }
        ReadProperties(LoadU32(record + kNodePropertyCount), at, plan);
        ReadKeys(LoadU32(record + kNodePositionKeys), at.Member("position"), plan.position.keys);
        ReadKeys(LoadU32(record + kNodeRotationKeys), at.Member("rotation"), plan.rotation.keys);
        ReadKeys(LoadU32(record + kNodeScaleKeys), at.Member("scale"), plan.scale.keys);
        return LoadU32(record + kNodeParent);
    }

private:
    std::unique_ptr<SceneObject> ReadObject(const Place& node) {
        const Place at = node.Member("object");
        const unsigned char* record = in_.Take(kObjectRecordSize, node, "the object");
        const auto superClassId = static_cast<SClass_ID>(LoadU32(record));
        auto object = NewSceneObject(superClassId, Class_ID(LoadU32(record + 4), LoadU32(record + 8)));
        if (object == nullptr) at.Fail("the host has no object of this class");
        object->SetBox({PointAt(record + 16), PointAt(record + 28)});
        const std::uint32_t count = LoadU32(record + 12);
        const unsigned char* params = in_.Take(std::uint64_t{count} * kParamSize, node, "the object's parameters");
        ParamBlock& block = object->Block();
        for (std::uint32_t i = 0; i < count; ++i) {
            const unsigned char* param = params + i * kParamSize;
            const std::int32_t id = LoadI32(param);
            const int index = block.IDtoIndex(id);
            if (index < 0) {
                at.Fail("params \"" + std::to_string(id) + "\": the object has no such parameter");
            }
            if (block.Params()[static_cast<std::size_t>(index)].isInt) {
                block.SetValue(id, 0, static_cast<int>(LoadI32(param + 4)));
            } else {
                block.SetValue(id, 0, LoadF32(param + 4));
            }
        }
        return object;
    }

    // The pool's copy of the key at `index` of the string table, decoded
    // once however many nodes name it.
    std::wstring_view PropertyKey(std::uint32_t index, const Place& at) {
        if (interned_.empty()) interned_.resize(strings_.Size());
        std::string_view utf8 = strings_.At(index, at, "user property");
        if (interned_[index].data() == nullptr) {
            const std::wstring key =
                WideName(utf8, at, "user property \"" + Printable(utf8) + "\"");
            interned_[index] = names_.Intern(key);
        }
        return interned_[index];
    }

    void ReadProperties(std::uint32_t count, const Place& at, NodePlan& plan) {
        if (count == 0) return;
        const unsigned char* items = in_.Take(std::uint64_t{count} * kPropertySize, at, "the user properties");
        plan.properties.reserve(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const unsigned char* item = items + i * kPropertySize;
            plan.properties.emplace_back(PropertyKey(LoadU32(item), at), LoadF32(item + 4));
        }
        CheckDistinctKeys(plan, at);
    }

    // A node holds each property once. The pool holds each key once, so
    // equal keys are views of the same text.
    void CheckDistinctKeys(const NodePlan& plan, const Place& at) {
        scratch_.clear();
        for (const auto& property : plan.properties) scratch_.push_back(property.first.data());
        std::sort(scratch_.begin(), scratch_.end());
        const auto repeated = std::adjacent_find(scratch_.begin(), scratch_.end());
        if (repeated == scratch_.end()) return;
        at.Fail("user property \"" + Printable(TextCodec::EncodeUtf8(*repeated)) + "\" appears twice");
    }

    template <typename Value>
    void ReadKeys(std::uint32_t count, const Place& at, KeyBlock<Key<Value>>& keys) {
        if (count == 0) return;
        constexpr std::size_t kValueSize = ValueSize(static_cast<const Value*>(nullptr));
        const unsigned char* ticks = in_.Take(std::uint64_t{count} * (4 + kValueSize), at, "the keys");
        const unsigned char* values = ticks + std::size_t{count} * 4;
        keys.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            const TimeValue tick = LoadI32(ticks + 4 * i);
            if (i > 0 && tick <= keys[i - 1].time) {
                at.Fail("key " + std::to_string(i + 1) + ": tick " + std::to_string(tick) +
                        " does not come after the tick of the key before it (" +
                        std::to_string(keys[i - 1].time) + ")");
            }
            keys[i].time = tick;
            ValueAt(values + kValueSize * i, keys[i].value);
        }
    }

    Cursor& in_;
    const StringTable& strings_;
    NamePool& names_;
    std::vector<std::wstring_view> interned_;  // by string index, once asked for
    std::vector<const wchar_t*> scratch_;
};

// Each node's handle is its own. Documents list nodes in the order they
// were made, which is the order of their handles, so the check is usually
// one pass; otherwise the handles are sorted with their nodes' numbers. Says
// the first node, in document order, whose handle an earlier node took.
// Returns the handles sorted with the index of their node (empty when the
// nodes' own order sorts them).
std::vector<std::pair<ULONG, std::size_t>> CheckHandles(const std::vector<NodePlan>& nodes) {
    std::vector<std::pair<ULONG, std::size_t>> sorted;
    bool increasing = true;
    for (std::size_t i = 1; i < nodes.size() && increasing; ++i) {
        increasing = nodes[i - 1].handle < nodes[i].handle;
    }
    if (increasing) return sorted;
    sorted.reserve(nodes.size());
    for (std::size_t i = 0; i < nodes.size(); ++i) sorted.emplace_back(nodes[i].handle, i);
    std::sort(sorted.begin(), sorted.end());
    std::size_t taken = nodes.size(), by = 0;
    for (std::size_t i = 1, first = 0; i < sorted.size(); ++i) {
        if (sorted[i].first != sorted[i - 1].first) {
            first = i;
        } else if (sorted[i].second < taken) {
            taken = sorted[i].second;
            by = sorted[first].second;
        }
    }
    if (taken != nodes.size()) {
        Place::Node(taken, nodes[taken].name)
            .Fail("handle " + std::to_string(nodes[taken].handle) + " is taken by node " +
                  std::to_string(by + 1));
    }
    return sorted;
}

// Puts each node under the node of its parent's handle.
void ResolveParents(const std::vector<std::uint32_t>& parents, std::vector<NodePlan>& nodes) {
    const auto sorted = CheckHandles(nodes);
    const auto find = [&](std::uint32_t handle) -> std::size_t {
        if (sorted.empty()) {
            const auto at = std::lower_bound(
                nodes.begin(), nodes.end(), handle,
                [](const NodePlan& node, std::uint32_t h) { return node.handle < h; });
            return at != nodes.end() && at->handle == handle ? static_cast<std::size_t>(at - nodes.begin()) + 1 : 0;
        }
        const auto at = std::lower_bound(sorted.begin(), sorted.end(), std::pair<ULONG, std::size_t>(handle, 0));
        return at != sorted.end() && at->first == handle ? at->second + 1 : 0;
    };
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (parents[i] == 0) continue;
        nodes[i].parent = find(parents[i]);
        if (nodes[i].parent == 0) {
            Place::Node(i, nodes[i].name)
                .Fail("parent handle " + std::to_string(parents[i]) + " is not a node of the scene");
        }
    }
    CheckParentsFormTree(nodes);
}

// The settings of the header; the counts of strings and nodes.
std::pair<std::uint32_t, std::uint32_t> ReadHeader(Cursor& in, ScenePlan& plan) {
    const Place top{};
    const unsigned char* magic = in.Take(sizeof kBinaryMagic, top, "the header");
    if (std::memcmp(magic, kBinaryMagic, sizeof kBinaryMagic) != 0) {
        FailDocument("not a tovfileio scene (a binary file of another kind)");
    }
    const std::uint32_t version = LoadU32(in.Take(4, top, "the header"));
    if (version > kBinaryVersion) {
        FailDocument("version " + std::to_string(version) +
                     " of the binary scene document is newer than this program (" +
                     std::to_string(kBinaryVersion) + ")");
    }
    if (version == 0) FailDocument("version 0 is not a version");
    const unsigned char* header = in.Take(kHeaderSize - 12, top, "the header") - 12;
    const std::uint32_t rate = LoadU32(header + kHeaderFrameRate);
    CheckRange(rate, 1, TIME_TICKSPERSEC, top, "frame_rate");
    plan.frameRate = static_cast<int>(rate);
    plan.systemUnitMm = LoadF64(header + kHeaderSystemUnit);
    if (!(plan.systemUnitMm > 0)) FailDocument("system_unit_mm must be positive");
    plan.time = LoadI32(header + kHeaderTime);
    const std::uint32_t flags = LoadU32(header + kHeaderFlags);
    if ((flags & ~kKnownHeaderFlags) != 0) {
        FailDocument("flags " + std::to_string(flags) + " hold bits this program does not know");
    }
    if ((flags & kHasAnimationRange) != 0) {
        plan.range = Interval(LoadI32(header + kHeaderRangeStart), LoadI32(header + kHeaderRangeEnd));
    }
    return {LoadU32(header + kHeaderStringCount), LoadU32(header + kHeaderNodeCount)};
}

}  // namespace

bool LooksBinary(std::span<const unsigned char> bytes) {
    return !bytes.empty() && bytes[0] == kBinaryMagic[0];
}

void ReadBinaryScene(std::span<const unsigned char> bytes, ScenePlan& plan) {
    Cursor in(bytes);
    const auto [stringCount, nodeCount] = ReadHeader(in, plan);
    StringTable strings;
    strings.Read(in, stringCount);
    if (std::uint64_t{nodeCount} * kNodeRecordSize > in.Left()) {
        FailDocument("the document claims " + std::to_string(nodeCount) +
                     " nodes, more than the file holds");
    }
    plan.nodes.resize(nodeCount);
    std::vector<std::uint32_t> parents(nodeCount);
    NodeReader nodes(in, strings, plan.propertyNames);
    for (std::size_t i = 0; i < nodeCount; ++i) parents[i] = nodes.Read(i, plan.nodes[i]);
    if (in.Left() != 0) {
        FailDocument("the file goes on for " + std::to_string(in.Left()) +
                     " bytes after the last node");
    }
    ResolveParents(parents, plan.nodes);
    CheckPlan(plan);
}

}  // namespace brindle::host

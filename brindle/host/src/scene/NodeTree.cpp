#include "scene/NodeTree.h"

#include <cstring>
#include <limits>

#include "scene/DocumentError.h"

namespace brindle::host {
namespace {

constexpr std::size_t kMost = std::numeric_limits<std::uint32_t>::max();

// A bit of 64 standing for a key, so that most keys new to a small object
// are known new without a search.
std::uint64_t KeyBit(std::string_view key) {
    std::uint32_t mixed = static_cast<std::uint32_t>(key.size());
    if (!key.empty()) {
        mixed = mixed * 131 + static_cast<unsigned char>(key.front());
        mixed = mixed * 131 + static_cast<unsigned char>(key.back());
        mixed = mixed * 131 + static_cast<unsigned char>(key[key.size() / 2]);
    }
    return std::uint64_t{1} << ((mixed ^ (mixed >> 6) ^ (mixed >> 12)) & 63);
}

}  // namespace

Scalar TreeValue::AsScalar() const {
    const NodeTree::Slot& slot = tree_->slots_[index_];
    Scalar value;
    value.kind = slot.kind;
    switch (slot.kind) {
        case ValueKind::Boolean:
            value.boolean = slot.boolean;
            break;
        case ValueKind::Signed:
            value.whole = slot.whole;
            value.number = static_cast<double>(slot.whole);
            break;
        case ValueKind::Unsigned:
            value.natural = slot.natural;
            value.number = static_cast<double>(slot.natural);
            break;
        case ValueKind::Float:
            value.number = slot.number;
            break;
        case ValueKind::String:
            value.text = tree_->TextAt(slot.at, slot.size);
            break;
        default:
            break;
    }
    return value;
}

TreeValue TreeValue::Member(std::string_view key) const {
    const auto& slots = tree_->slots_;
    const NodeTree::Slot& object = slots[index_];
    if (object.kind != ValueKind::Object || object.size == 0)
        return TreeValue();
    const char* chars = tree_->chars_.data();
    for (std::uint32_t at = object.at; at != 0; at = slots[at].next) {
        const NodeTree::Slot& member = slots[at];
        if (member.keySize == key.size() &&
            std::memcmp(chars + member.keyAt, key.data(), key.size()) == 0) {
            return TreeValue(tree_, at);
        }
    }
    return TreeValue();
}

void NodeTree::Clear() {
    slots_.clear();
    chars_.clear();
    open_.clear();
    keyAt_ = 0;
    keySize_ = 0;
}

bool NodeTree::Text(std::string_view text, std::uint32_t& at) {
    if (chars_.size() + text.size() > kMost) {
        problem = "a node of the document is too large";
        return false;
    }
    at = static_cast<std::uint32_t>(chars_.size());
    chars_.append(text);
    return true;
}

bool NodeTree::Key(std::string_view utf8) {
    if (Repeated(utf8)) {
        problem = "the key \"" + Printable(utf8) + "\" appears twice in one object";
        return false;
    }
    keySize_ = static_cast<std::uint32_t>(utf8.size());
    return Text(utf8, keyAt_);
}

// Whether the open object has `key` already. A small object's members are
// searched when its keys' bits say one may be `key`; a large one's keys go
// into its set once it has kSearchedMembers.
bool NodeTree::Repeated(std::string_view key) {
    OpenContainer& object = open_.back();
    const Slot& slot = slots_[object.index];
    if (slot.size < kSearchedMembers) {
        const std::uint64_t bit = KeyBit(key);
        const bool maybe = (object.keyBits & bit) != 0;
        object.keyBits |= bit;
        return maybe && static_cast<bool>(TreeValue(this, object.index).Member(key));
    }
    auto& seen = keySets_[open_.size() - 1];
    if (seen.empty()) {
        for (std::uint32_t at = slot.at; at != 0; at = slots_[at].next) {
            seen.emplace(TextAt(slots_[at].keyAt, slots_[at].keySize));
        }
    }
    return !seen.emplace(key).second;
}

// Adds `slot` as the next member or item of the open container, under the
// pending key when that is an object.
bool NodeTree::Append(const Slot& slot) {
    if (slots_.size() >= kMost) {
        problem = "a node of the document is too large";
        return false;
    }
    const auto index = static_cast<std::uint32_t>(slots_.size());
    slots_.push_back(slot);
    if (open_.empty())
        return true;
    OpenContainer& container = open_.back();
    Slot& parent = slots_[container.index];
    if (parent.kind == ValueKind::Object) {
        slots_.back().keyAt = keyAt_;
        slots_.back().keySize = keySize_;
    }
    if (container.last == 0) {
        parent.at = index;
    } else {
        slots_[container.last].next = index;
    }
    container.last = index;
    ++parent.size;
    return true;
}

bool NodeTree::Add(const Scalar& value) {
    Slot slot;
    slot.kind = value.kind;
    switch (value.kind) {
        case ValueKind::Boolean:
            slot.boolean = value.boolean;
            break;
        case ValueKind::Signed:
            slot.whole = value.whole;
            break;
        case ValueKind::Unsigned:
            slot.natural = value.natural;
            break;
        case ValueKind::Float:
            slot.number = value.number;
            break;
        case ValueKind::String:
            if (!Text(value.text, slot.at))
                return false;
            slot.size = static_cast<std::uint32_t>(value.text.size());
            break;
        default:
            break;
    }
    return Append(slot);
}

bool NodeTree::Open(bool array) {
    Slot slot;
    slot.kind = array ? ValueKind::Array : ValueKind::Object;
    if (!Append(slot))
        return false;
    open_.push_back({static_cast<std::uint32_t>(slots_.size() - 1), 0, 0});
    if (keySets_.size() < open_.size())
        keySets_.resize(open_.size());
    keySets_[open_.size() - 1].clear();
    return true;
}

void NodeTree::Close() {
    open_.pop_back();
}

}  // namespace brindle::host

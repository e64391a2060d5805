// The values of one node of a scene document, held flat while the node is
// read: each value one slot of an array, the members of an object and the
// items of an array linked in document order, the text of keys and strings
// in one buffer. DocumentTree builds a node here as its events come, reads
// it into the plan when it closes and clears the tree for the next node,
// which keeps the memory: reading a node allocates next to nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace brindle::host {

// What a value of a document is. A number written as an integer is Signed
// (negative) or Unsigned while 64 bits hold it, and Float otherwise.
enum class ValueKind : std::uint8_t {
    Null,
    Boolean,
    Signed,
    Unsigned,
    Float,
    String,
    Array,
    Object
};

// A value as the checks of a document see it: its kind, and what it holds
// when it is not an array or an object.
struct Scalar {
    ValueKind kind = ValueKind::Null;
    bool boolean = false;
    std::int64_t whole = 0;     // Signed
    std::uint64_t natural = 0;  // Unsigned
    double number = 0.0;        // any number, as the nearest double
    std::string_view text;      // String

    bool IsNumber() const {
        return kind == ValueKind::Signed || kind == ValueKind::Unsigned || kind == ValueKind::Float;
    }
};

class NodeTree;

// One value of a NodeTree, or none (false) where a member is not there.
class TreeValue {
  public:
    TreeValue() = default;
    TreeValue(const NodeTree* tree, std::uint32_t index) : tree_(tree), index_(index) {}

    explicit operator bool() const { return tree_ != nullptr; }
    ValueKind Kind() const;
    Scalar AsScalar() const;
    // The key of a member of an object.
    std::string_view Key() const;
    // The number of members or items of an object or array.
    std::size_t Size() const;
    // The first member or item of an object or array, and the one after this.
    TreeValue First() const;
    TreeValue Next() const;
    // The member of an object with `key`.
    TreeValue Member(std::string_view key) const;
    // The members of an object named in `names`, in one pass over it:
    // found[i] is the member named names[i], or none.
    template <std::size_t N>
    void Members(const std::array<std::string_view, N>& names,
                 std::array<TreeValue, N>& found) const {
        found = {};
        if (Kind() != ValueKind::Object)
            return;
        for (TreeValue member = First(); member; member = member.Next()) {
            const std::string_view key = member.Key();
            for (std::size_t i = 0; i < N; ++i) {
                if (names[i].size() == key.size() && names[i][0] == key[0] && names[i] == key) {
                    found[i] = member;
                    break;
                }
            }
        }
    }

  private:
    const NodeTree* tree_ = nullptr;
    std::uint32_t index_ = 0;
};

class NodeTree {
  public:
    // The node: the first value added after Clear.
    TreeValue Root() const { return TreeValue(this, 0); }
    // Forgets the node, keeping the memory.
    void Clear();
    // How many objects and arrays are open.
    std::size_t Depth() const { return open_.size(); }
    // The key given last, until the next value is added.
    std::string_view PendingKey() const { return TextAt(keyAt_, keySize_); }

    // Each of these is false, with the reason in `problem`, when the open
    // object has the key already or the node outgrows what a tree holds.
    // The key of the member whose value comes next.
    bool Key(std::string_view utf8);
    // A value that is not an object or array (its text is copied).
    bool Add(const Scalar& value);
    bool Open(bool array);
    void Close();

    std::string problem;

  private:
    friend class TreeValue;

    struct Slot {
        ValueKind kind = ValueKind::Null;
        bool boolean = false;
        std::uint32_t keyAt = 0, keySize = 0;
        std::uint32_t next = 0;  // the next member or item; 0 for none
        // An object or array: its first member or item and how many. A
        // string: where its text starts and how long it is.
        std::uint32_t at = 0, size = 0;
        union {
            std::int64_t whole;
            std::uint64_t natural;
            double number = 0.0;
        };
    };
    struct OpenContainer {
        std::uint32_t index;
        std::uint32_t last;     // its last member or item so far; 0 for none
        std::uint64_t keyBits;  // the bits of its keys (KeyBit)
    };

    bool Append(const Slot& slot);
    bool Text(std::string_view text, std::uint32_t& at);
    bool Repeated(std::string_view key);
    std::string_view TextAt(std::uint32_t at, std::uint32_t size) const {
        return std::string_view(chars_.data() + at, size);
    }

    // A large object's keys go into a set once it has this many members, so
    // that an object of very many costs no more than linear time.
    static constexpr std::size_t kSearchedMembers = 16;

    std::vector<Slot> slots_;
    std::string chars_;
    std::vector<OpenContainer> open_;
    std::vector<std::unordered_set<std::string>> keySets_;  // one an open container
    std::uint32_t keyAt_ = 0, keySize_ = 0;                 // the pending key
};

inline ValueKind TreeValue::Kind() const {
    return tree_->slots_[index_].kind;
}

inline std::string_view TreeValue::Key() const {
    const NodeTree::Slot& slot = tree_->slots_[index_];
    return tree_->TextAt(slot.keyAt, slot.keySize);
}

inline std::size_t TreeValue::Size() const {
    const NodeTree::Slot& slot = tree_->slots_[index_];
    return slot.kind == ValueKind::Array || slot.kind == ValueKind::Object ? slot.size : 0;
}

inline TreeValue TreeValue::First() const {
    return Size() == 0 ? TreeValue() : TreeValue(tree_, tree_->slots_[index_].at);
}

inline TreeValue TreeValue::Next() const {
    const std::uint32_t next = tree_->slots_[index_].next;
    return next == 0 ? TreeValue() : TreeValue(tree_, next);
}

}  // namespace brindle::host

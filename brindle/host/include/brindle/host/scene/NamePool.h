// Names that many nodes share, such as the keys of user properties (every
// bone of an imported skeleton has the same seven), each held once: a node
// keeps a view of the pool's copy, which lives as long as the pool and is
// never moved. Beside it, the store of the nodes' own names and the index
// that finds nodes by them, both sized for scenes of a million markers.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace brindle::host {

class NamePool {
public:
    // The pool's copy of `name`, made the first time it is asked for.
    std::wstring_view Intern(std::wstring_view name);
    // Forgets every name; views of them must no longer be used.
    void Clear();

private:
    std::deque<std::wstring> names_;  // a deque: its strings never move
    std::unordered_set<std::wstring_view> index_;
};

// The text of the nodes' names, one after another in large blocks, each
// ended by a null: a name costs its characters and a pointer, where a string
// of its own costs a string and an allocation besides. Text is never moved
// or freed before Clear; a renamed node's old text stays until then.
class NameText {
public:
    // A null-terminated copy of `name` that stays where it is until Clear.
    const wchar_t* Store(std::wstring_view name);
    void Clear();

private:
    static constexpr std::size_t kBlockChars = 1 << 16;
    std::vector<std::unique_ptr<wchar_t[]>> blocks_;
    std::size_t used_ = kBlockChars;  // in the last block; full before the first
};

// Entries found by name, several allowed to share one: open addressing over
// pointers to the entries, which hold their names themselves (`NameOf`), so
// the index costs a few pointers an entry. An entry's name must not change
// while it is in the index.
template <typename Entry, std::wstring_view (*NameOf)(const Entry&)>
class NameIndex {
public:
    void Clear() {
        slots_.clear();
        count_ = 0;
    }

    void Insert(Entry* entry) {
        if ((count_ + 1) * 4 > slots_.size() * 3) Grow();
        std::size_t at = Home(NameOf(*entry));
        while (slots_[at] != nullptr) at = Next(at);
        slots_[at] = entry;
        ++count_;
    }

    // Removes `entry`, found by its name; nothing when it is not indexed.
    void Erase(const Entry* entry) {
        if (slots_.empty()) return;
        std::size_t at = Home(NameOf(*entry));
        while (slots_[at] != nullptr && slots_[at] != entry) at = Next(at);
        if (slots_[at] == nullptr) return;
        // Entries after the hole that could not sit at their place move back
        // into it, so every probe still reaches them before an empty slot.
        std::size_t hole = at;
        for (std::size_t next = Next(hole); slots_[next] != nullptr; next = Next(next)) {
            const std::size_t home = Home(NameOf(*slots_[next]));
            if (Distance(home, next) >= Distance(hole, next)) {
                slots_[hole] = slots_[next];
                hole = next;
            }
        }
        slots_[hole] = nullptr;
        --count_;
    }

    // Calls `visit` with every entry named `name`.
    template <typename Visit>
    void ForEachNamed(std::wstring_view name, Visit&& visit) const {
        if (slots_.empty()) return;
        for (std::size_t at = Home(name); slots_[at] != nullptr; at = Next(at)) {
            if (NameOf(*slots_[at]) == name) visit(slots_[at]);
        }
    }

    bool Contains(std::wstring_view name) const {
        bool found = false;
        ForEachNamed(name, [&](Entry*) { found = true; });
        return found;
    }

private:
    std::size_t Home(std::wstring_view name) const {
        return std::hash<std::wstring_view>{}(name) & (slots_.size() - 1);
    }
    std::size_t Next(std::size_t at) const { return (at + 1) & (slots_.size() - 1); }
    // Steps from `from` forward to `to`, round the end.
    std::size_t Distance(std::size_t from, std::size_t to) const {
        return (to - from) & (slots_.size() - 1);
    }
    void Grow() {
        std::vector<Entry*> old(slots_.empty() ? 16 : slots_.size() * 2, nullptr);
        old.swap(slots_);
        count_ = 0;
        for (Entry* entry : old) {
            if (entry != nullptr) Insert(entry);
        }
    }

    std::vector<Entry*> slots_;  // a power of two long, at most three quarters full
    std::size_t count_ = 0;
};

}  // namespace brindle::host

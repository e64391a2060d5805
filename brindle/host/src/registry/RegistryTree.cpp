// The registry's tree of keys: building paths, copying, taking apart, and
// applying one process's changes to another tree. Every walk keeps its own
// stack, so the depth of a tree never matters to the program's stack.
#include <cstdint>
#include <new>
#include <utility>

#include "brindle/host/registry/RegistryStore.h"

namespace brindle::host {
namespace {

bool SameValue(const RegistryValue& a, const RegistryValue& b) {
    return a.type == b.type && a.data == b.data;
}

template <class Map>
auto Find(const Map& map, const std::wstring& name) -> decltype(&map.begin()->second) {
    const auto found = map.find(name);
    return found == map.end() ? nullptr : &found->second;
}

std::wstring Join(const std::wstring& path, const std::wstring& name) {
    return path.empty() ? name : path + L'\\' + name;
}

// Calls `visit` with each name of `path` in turn; false at an empty name.
template <class Visit>
bool EachName(std::wstring_view path, Visit&& visit) {
    while (!path.empty()) {
        const std::size_t slash = path.find(L'\\');
        const std::wstring_view part = path.substr(0, slash);
        if (part.empty() || !visit(part)) return false;
        path = slash == std::wstring_view::npos ? std::wstring_view() : path.substr(slash + 1);
    }
    return true;
}

// The path is checked whole first, so a path refused creates nothing.
RegistryKey* PathTo(RegistryKey& root, std::wstring_view path, std::size_t depth,
                    std::size_t maxDepth, std::size_t* created) {
    std::size_t levels = 0;
    if (!EachName(path, [&](std::wstring_view) { return ++levels <= maxDepth; }) ||
        depth + levels > maxDepth) {
        return nullptr;
    }
    RegistryKey* key = &root;
    EachName(path, [&](std::wstring_view part) {
        std::wstring name(part);
        auto found = key->subkeys.find(name);
        if (found == key->subkeys.end()) {
            // Made whole before it joins the tree: a lack of memory on the
            // way leaves the tree as it was, with no empty place in it.
            auto made = std::make_unique<RegistryKey>();
            made->name = name;
            found = key->subkeys.emplace(std::move(name), std::move(made)).first;
            if (created != nullptr) ++*created;
        }
        key = found->second.get();
        return true;
    });
    return key;
}

}  // namespace

RegistryKey::~RegistryKey() {
    std::vector<std::unique_ptr<RegistryKey>> pending;
    auto detach = [&pending](RegistryKey& key) {
        for (auto& entry : key.subkeys) {
            try {
                pending.push_back(std::move(entry.second));
            } catch (const std::bad_alloc&) {
                // No room to list it: it goes now, and takes its own keys
                // apart the same way, one level deeper on the stack.
                entry.second.reset();
            }
        }
        key.subkeys.clear();
    };
    detach(*this);
    while (!pending.empty()) {
        std::unique_ptr<RegistryKey> key = std::move(pending.back());
        pending.pop_back();
        detach(*key);
    }  // each key goes with no subkeys left
}

RegistryKey* CreateKeyPath(RegistryKey& root, std::wstring_view path, std::size_t depth,
                           std::size_t* created) {
    return PathTo(root, path, depth, kRegKeyMaxDepth, created);
}

RegistryKey* FindKeyPath(RegistryKey& root, std::wstring_view path) {
    RegistryKey* key = &root;
    const bool named = EachName(path, [&](std::wstring_view part) {
        const auto found = key->subkeys.find(std::wstring(part));
        key = found == key->subkeys.end() ? nullptr : found->second.get();
        return key != nullptr;
    });
    return named ? key : nullptr;
}

bool RemoveKeyPath(RegistryKey& root, std::wstring_view path) {
    const std::size_t slash = path.rfind(L'\\');
    const std::wstring_view parentPath =
        slash == std::wstring_view::npos ? std::wstring_view() : path.substr(0, slash);
    const std::wstring name(slash == std::wstring_view::npos ? path : path.substr(slash + 1));
    RegistryKey* parent = FindKeyPath(root, parentPath);
    return parent != nullptr && !name.empty() && parent->subkeys.erase(name) > 0;
}

std::size_t MissingKeys(const RegistryKey& root, std::wstring_view path) {
    const RegistryKey* key = &root;
    std::size_t missing = 0;
    EachName(path, [&](std::wstring_view part) {
        if (key != nullptr) {
            const auto found = key->subkeys.find(std::wstring(part));
            key = found == key->subkeys.end() ? nullptr : found->second.get();
        }
        if (key == nullptr) ++missing;
        return true;
    });
    return missing;
}

RegistryKey CopyTree(const RegistryKey& key) {
    RegistryKey copy;
    copy.name = key.name;
    copy.values = key.values;
    std::vector<std::pair<const RegistryKey*, RegistryKey*>> pending{{&key, &copy}};
    while (!pending.empty()) {
        const auto [from, to] = pending.back();
        pending.pop_back();
        for (const auto& [name, subkey] : from->subkeys) {
            auto made = std::make_unique<RegistryKey>();
            made->name = subkey->name;
            made->values = subkey->values;
            pending.emplace_back(subkey.get(), made.get());
            to->subkeys.emplace(name, std::move(made));
        }
    }
    return copy;
}

void ApplyChanges(const RegistryKey& before, const RegistryKey& after, RegistryKey& target) {
    // `before` is null below a key that `after` added; `target` is null
    // where the target tree lacks the key, which is then made only when a
    // value or key of the change needs it. `path` leads to it from the root.
    struct Pending {
        const RegistryKey* before;
        const RegistryKey* after;
        RegistryKey* target;
        std::wstring path;
    };
    std::vector<Pending> pending{{&before, &after, &target, L""}};
    while (!pending.empty()) {
        Pending at = std::move(pending.back());
        pending.pop_back();
        auto made = [&at, &target]() -> RegistryKey& {
            // Not limited here: a tree too deep is refused as a whole when saved.
            if (at.target == nullptr) at.target = PathTo(target, at.path, 0, SIZE_MAX, nullptr);
            return *at.target;
        };
        if (at.before == nullptr) made();
        for (const auto& [name, value] : at.after->values) {
            const RegistryValue* old = at.before ? Find(at.before->values, name) : nullptr;
            if (old == nullptr || !SameValue(*old, value)) made().values[name] = value;
        }
        for (const auto& [name, subkey] : at.after->subkeys) {
            const auto* old = at.before ? Find(at.before->subkeys, name) : nullptr;
            const auto* there = at.target ? Find(at.target->subkeys, name) : nullptr;
            pending.push_back({old ? old->get() : nullptr, subkey.get(),
                               there ? there->get() : nullptr, Join(at.path, subkey->name)});
        }
        if (at.before == nullptr || at.target == nullptr) continue;
        for (const auto& [name, value] : at.before->values) {
            if (at.after->values.count(name) == 0) at.target->values.erase(name);
        }
        for (const auto& [name, subkey] : at.before->subkeys) {
            if (at.after->subkeys.count(name) == 0) at.target->subkeys.erase(name);
        }
    }
}

}  // namespace brindle::host

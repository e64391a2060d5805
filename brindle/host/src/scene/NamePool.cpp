#include "brindle/host/scene/NamePool.h"

#include <algorithm>

namespace brindle::host {

std::wstring_view NamePool::Intern(std::wstring_view name) {
    if (const auto found = index_.find(name); found != index_.end()) return *found;
    const std::wstring_view held = names_.emplace_back(name);
    index_.insert(held);
    return held;
}

void NamePool::Clear() {
    index_.clear();
    names_.clear();
}

const wchar_t* NameText::Store(std::wstring_view name) {
    const std::size_t need = name.size() + 1;
    wchar_t* at;
    if (need > kBlockChars) {
        // A name longer than a block gets a block of its own, before the
        // block the next names still go into.
        auto own = std::make_unique<wchar_t[]>(need);
        at = own.get();
        blocks_.insert(blocks_.empty() ? blocks_.end() : blocks_.end() - 1, std::move(own));
        std::copy(name.begin(), name.end(), at);
        at[name.size()] = L'\0';
        return at;
    }
    if (need > kBlockChars - used_) {
        blocks_.push_back(std::make_unique_for_overwrite<wchar_t[]>(kBlockChars));
        used_ = 0;
    }
    at = blocks_.back().get() + used_;
    std::copy(name.begin(), name.end(), at);
    at[name.size()] = L'\0';
    used_ += need;
    return at;
}

void NameText::Clear() {
    blocks_.clear();
    used_ = kBlockChars;
}

}  // namespace brindle::host

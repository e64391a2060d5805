#include "brindle/host/scene/NamePool.h"

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

}  // namespace brindle::host

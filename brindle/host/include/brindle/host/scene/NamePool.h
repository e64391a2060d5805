// Names that many nodes share, such as the keys of user properties (every
// bone of an imported skeleton has the same seven), each held once: a node
// keeps a view of the pool's copy, which lives as long as the pool and is
// never moved.
#pragma once

#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>

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

}  // namespace brindle::host

// Depth-first walks over the segment hierarchy that end on any links.
//
// A file may name a segment as its own parent, or close a loop through
// several segments; the walks visit every segment at most once, so they
// always end, and they keep their own stack, so a deep hierarchy cannot
// overflow the call stack.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <utility>
#include <vector>

#include "tovfileio/htr/HTRSegment.h"

namespace tovfileio {

// Calls `visit(segment, depth)` for `top` and every segment below it, in
// pre-order with children in link order; `top` has depth 0. A visit that
// returns false ends the walk. Returns false when a visit ended it.
template <typename Visit>
bool WalkSubtree(HTRSegment& top, Visit&& visit) {
    std::unordered_set<const HTRSegment*> seen;
    // Each entry is a segment still to visit, with its depth.
    std::vector<std::pair<HTRSegment*, std::uint32_t>> pending;
    pending.emplace_back(&top, 0);
    while (!pending.empty()) {
        auto [segment, depth] = pending.back();
        pending.pop_back();
        if (!seen.insert(segment).second) continue;
        if (!visit(*segment, depth)) return false;
        // Push children last-first so the first child is visited next.
        for (std::uint32_t n = segment->ChildCount(); n-- > 0;) {
            HTRSegment* child = segment->Child(static_cast<std::int32_t>(n));
            if (seen.count(child) == 0) pending.emplace_back(child, depth + 1);
        }
    }
    return true;
}

}  // namespace tovfileio

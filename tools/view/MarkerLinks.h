// Links between markers, drawn as lines so that a cloud of dots reads as a
// body: named in a links file, taken from the standard marker set through an
// MNM map, or found in the take itself as the markers that stay at a nearly
// constant distance from each other (markers on one rigid segment).
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "tovfileio/gwm/MarkerNameMap.h"
#include "view/PlayerPage.h"

namespace tovview {

// Two marker names (UTF-8) to be joined by a line.
using NamedLink = std::pair<std::string, std::string>;

// The links of a links file: a line holds two marker names, split at its
// first tab, or at white space when it has none; blank lines and lines
// starting with '#' are skipped. False, with `error` naming the line, when
// the file cannot be read or a line holds other than two names.
bool ReadLinkFile(const std::string& path, std::vector<NamedLink>& links, std::string& error);

// The links of the standard full-body marker set (head band, spine, arms,
// waist, legs and feet, props), named by the markers `map` gives the codes
// to; a link one of whose codes the map does not give is left out.
std::vector<NamedLink> StandardLinks(const tovfileio::MarkerNameMap& map);

// `named` as links between the outline's markers. The names among them that
// are no marker of the take are added to `unknown`, once each, in order.
std::vector<TakeLink> LinksByName(const TakeOutline& outline, const std::vector<NamedLink>& named,
                                  std::vector<std::string>& unknown);

// Links between each marker and those of its three nearest neighbours
// (by mean distance) whose distance from it stays within 5% of its mean
// through the sampled frames (`xyz`: `frames` frames of `markers` markers,
// three floats each, NaN where a marker is not seen): markers on one rigid
// segment, joined sparsely. A pair counts only when both markers are seen
// together in at least half the frames. Fewer than two frames say nothing
// of rigidity: no links. Indices are of the markers, the lower first, in
// order.
std::vector<TakeLink> RigidLinks(const std::vector<float>& xyz, std::size_t frames,
                                 std::size_t markers);

// RigidLinks over up to 120 frames spread evenly through the outline's
// frames, as indices of its nodes. A take of more than 500 markers gets
// none: the pairs grow with the square of the markers.
bool InferredLinks(const TakeOutline& outline, std::vector<TakeLink>& links, std::string& error);

}  // namespace tovview

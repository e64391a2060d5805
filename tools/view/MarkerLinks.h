// Links between markers, drawn as lines so that a cloud of dots reads as a
// body: named in a links file, taken from the standard marker set through an
// MNM map, or found in the take itself as the markers that stay at a nearly
// constant distance from each other (markers on one rigid segment, and the
// segments a joint turns).
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

// Links found from the markers that keep their distance through the frames
// (`xyz`: `frames` frames of `markers` markers, three floats each, NaN where
// a marker is not seen), over the frames both markers of a pair are seen
// together, however many frames either is missing (a pair seen together in
// fewer than 3 frames says nothing). First each marker is linked to those of
// its three nearest neighbours whose distance stays within a band (10th to
// 90th percentile) of 1.5% of the take's spacing (the median of the pairs'
// mean distances): markers on one segment, joined sparsely. Then the groups
// so formed are joined by a pair between them: one within that band,
// steadiest first, then one whose band is within 15% of its distance,
// nearest first: the segments a joint turns, so that a body reads as one
// figure. No pair further apart than 0.8 of the spacing is linked, but
// a marker's nearest. Indices are of the markers, the lower first, in order.
std::vector<TakeLink> RigidLinks(const std::vector<float>& xyz, std::size_t frames,
                                 std::size_t markers);

// RigidLinks over frames spread evenly through the outline's frames (all of
// them, up to 5000, as many as 20 million pair distances allow, and at
// least 120), as indices of its nodes. A take of more than 500 markers gets
// none: the pairs grow with the square of the markers.
bool InferredLinks(const TakeOutline& outline, std::vector<TakeLink>& links, std::string& error);

}  // namespace tovview

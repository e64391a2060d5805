// A picture of one frame of a scene as SVG: bones as lines between their
// joints and markers as dots with their names, seen from the front and from
// the side, over a grid of round numbers in the scene's units, with a
// caption. The same scene and frame always give the same bytes.
#pragma once

#include <string>
#include <unordered_set>

#include "brindle/host/scene/Scene.h"

namespace tovpreview {

// The axes the views are named and numbered in: the scene's, or those of
// the file a take came from when it stood Y up. The scene stands Z up, and
// a Y-up file's (x, y, z) stands in it as (x, -z, y): seen from the front,
// x right and y up; from the side, y up and the file's z to the left, its
// values numbered as the file holds them.
enum class ViewAxes {
    kScene,    // x right, z up; y right from the side
    kYUpFile,  // x right, y up; z left from the side
};

struct PreviewCaption {
    std::string title;  // the file shown, as the user named it
    std::string note;   // said after the title, smaller, when not empty
    ViewAxes axes = ViewAxes::kScene;
};

// Marker nodes that were not seen at the frame drawn (dropouts): they have
// no position there, so they are left out of the picture, and the caption
// counts them.
using UnseenMarkers = std::unordered_set<const brindle::host::SceneNode*>;

// The marker objects (spheres and points) of `scene` whose position track
// has a key at the very time of `frame` that puts them at their parent's
// origin: how the TRC importer keys a frame in which a marker was not seen.
// A scene keeps no other trace of a dropout, so a marker that was truly
// captured at that origin on that frame is taken for one too; a marker
// without a key at that time is never taken for one.
UnseenMarkers KeyedDropouts(brindle::host::Scene& scene, int frame);

// The picture of `frame` in `svg`, without the markers of `unseen`. False,
// with `error` naming the node, when a node to draw has a position that is
// not a finite number there: an SVG number cannot be one, and a picture
// clamped to the largest float would show nothing of the scene, so nothing
// is drawn.
bool ScenePreviewSvg(brindle::host::Scene& scene, int frame, const PreviewCaption& caption,
                     const UnseenMarkers& unseen, std::string& svg, std::string& error);

// Marker labels are placed so that no two overprint: each label's box, of
// kLabelCharWidth pixels a character by kLabelHeight, is tried at a few
// places around its dot, in scene order, and takes the first that overlaps
// no label already placed (the grid's labels included) and stays inside
// its view; a label with no such place is left out, and the view's title
// says how many were.
constexpr double kLabelCharWidth = 6.0;
constexpr double kLabelHeight = 9.0;

}  // namespace tovpreview

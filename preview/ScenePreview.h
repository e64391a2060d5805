// A picture of one frame of a scene as SVG: bones as lines between their
// joints and markers as dots with their names, seen from the front and from
// the side, with a caption. The same scene and frame always give the same
// bytes.
#pragma once

#include <string>

#include "brindle/host/scene/Scene.h"

namespace tovpreview {

struct PreviewCaption {
    std::string title;  // the file shown, as the user named it
};

// The picture of `frame` in `svg`. False, with `error` naming the node, when
// a node to draw has a position that is not a finite number there: an SVG
// number cannot be one, and a picture clamped to the largest float would
// show nothing of the scene, so nothing is drawn.
bool ScenePreviewSvg(brindle::host::Scene& scene, int frame, const PreviewCaption& caption,
                     std::string& svg, std::string& error);

}  // namespace tovpreview

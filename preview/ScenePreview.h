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

std::string ScenePreviewSvg(brindle::host::Scene& scene, int frame,
                            const PreviewCaption& caption);

}  // namespace tovpreview

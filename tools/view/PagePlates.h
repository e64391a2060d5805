// The force platforms a page draws under a C3D take: each platform's outline
// on the floor and, at every frame, the force on it as an arrow from its
// centre of pressure. Everything is in the page's coordinates (the scene's
// Z-up frame and system unit), as the take's positions are.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tovview {

struct PagePlates {
    // Floats of one platform at one frame: the force (x, y, z) and the
    // centre of pressure (x, y, z), NaN where the platform carries no load.
    static constexpr std::size_t kFloatsPerSample = 6;

    // Each platform's four corners in order, 12 floats a platform.
    std::vector<float> corners;
    // Frame by frame, each platform's sample in the platforms' order.
    std::vector<float> samples;
    // Page units an arrow takes for one force unit.
    double lengthPerForce = 1.0;
    // Page units in a metre, for the caption's scale.
    double unitsPerMetre = 1000.0;
    // The force unit of the platforms' channels ("N").
    std::string forceUnit;

    std::size_t Count() const { return corners.size() / 12; }
    bool Empty() const { return corners.empty(); }
};

}  // namespace tovview

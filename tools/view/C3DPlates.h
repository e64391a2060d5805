// The force platforms of a C3D file as its page draws them: read beside the
// take shown, their corners, forces and centres of pressure turned and
// scaled from the lab's frame into the page's as the take's markers are on
// their way through the importable copy and the import.
#pragma once

#include <string>

#include "tovfileio/text/FileKinds.h"
#include "view/PagePlates.h"

namespace tovview {

// How the file's lab coordinates become the page's: the axis the take was
// read as standing along (turned from it to the scene's Z up), and the
// millimetres of the scene's system unit.
struct LabToPage {
    tovfileio::UpAxis stands = tovfileio::UpAxis::kZ;
    double pageUnitMillimetres = 1.0;
};

// The frames of the page: `firstFrame` numbered as the file numbers them,
// `frameCount` from it on.
struct PageFrames {
    long long firstFrame = 0;
    long long frameCount = 0;
};

// Reads the force platforms of the C3D file at `path` into `plates`: those
// whose forces can be computed (types 1 to 4 with their channels), each
// at the first analog sample of every page frame. A file with none leaves
// `plates` empty. False, with `error` the reader's message, when the file
// does not read.
bool ReadPagePlates(const std::string& path, const LabToPage& turn, const PageFrames& frames,
                    PagePlates& plates, std::string& error);

}  // namespace tovview

// The HTR model written as a BVH motion file.
//
// Every segment becomes a joint: one without a parent in the file a ROOT
// (several roots are written one after another), the others JOINTs inside
// their parents, children in list order. Lengths are written as the model
// holds them, in its units; angles in degrees.
//
// Every frame places the joints as the model reads that frame: a frame
// beyond a segment's own frames is no motion, translation (0, 0, 0), so
// the segment stands at its parent's origin, unturned.
//
// A root's OFFSET is 0 0 0 and its six channels are Xposition Yposition
// Zposition Zrotation Yrotation Xrotation, the positions its whole
// translation (base plus frame): readers that add root positions to the
// OFFSET and readers that take them as they stand agree. A joint's OFFSET is
// its base translation; it gets the three rotation channels only, unless
// its frame translation is not 0 at some frame, or a frame beyond its own
// must stand it at its parent's origin: then Xposition Yposition Zposition
// come first, holding the frame translation (minus the OFFSET beyond its
// frames), which readers add to the OFFSET. The rotation channels hold the
// whole local rotation (FrameRotationAbsolute) as Z, then Y, then X angles,
// the Z turn outermost. Frame Time is 1 / rate.
//
// A joint's End Sites, after its child joints, are the ones its segment
// was given (EndSitesGiven: a BVH file's, kept as read); a segment without
// them and without children ends in one End Site at its bone length along
// its Y axis, the model's bone-length axis.
//
// The End Sites a segment was given are written in the fewest digits that
// read back as the same numbers, so a BVH file's End Sites come back as it
// gave them. Other values are written with six decimals, so joint positions
// read back agree to about a millionth of the skeleton's size. BVH holds no
// scale: frame scale factors are not written (they do not move joints).
#pragma once

#include <string>
#include <vector>

#include "tovfileio/htr/HTRFile.h"

namespace tovfileio {

// What a write changed or left out, for the user.
struct BVHWriteNotes {
    // Joints below a root that got position channels, as their frame
    // translation is not 0 at some frame or they stand at their parent's
    // origin beyond their own frames; in list order.
    std::vector<std::wstring> jointsWithPositions;
    // Joints with a frame scale other than 1 at some frame, which BVH cannot
    // hold and which is not written; in list order.
    std::vector<std::wstring> scaleDropped;
};

// Writes `skeleton` as a BVH file at `path` (as it is given), whole or not
// at all; returns the empty string on success, otherwise the message for
// the user. The model is not changed. Refused with nothing written: no
// segments, a name used twice or one BVH cannot hold (empty, or with a blank
// or a brace), a segment that is its own ancestor, a rate below 1.
std::wstring WriteBVHFile(const std::wstring& path, const HTRFile& skeleton,
                          BVHWriteNotes* notes = nullptr);

}  // namespace tovfileio

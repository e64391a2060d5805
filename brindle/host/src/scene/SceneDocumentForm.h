// What names a scene document in its JSON form and the version of that form
// (the binary form has its own, BinaryForm.h). Version 2 keeps a
// controller's keys as "ticks" and "values" (TrackWriter.h); version 1 kept
// them as "keys", a [tick, x, y, z(, w)] array each, which is still read.
#pragma once

namespace brindle::host {

constexpr char kSceneDocumentFormat[] = "tovfileio-scene";
constexpr long long kSceneDocumentVersion = 2;

}  // namespace brindle::host

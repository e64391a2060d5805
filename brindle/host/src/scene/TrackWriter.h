// The keys of a controller as a scene document writes them: "ticks", the
// key times in order, and "values", the keys' numbers in key order (three a
// position or scale, four a rotation).
//
// A short track is written as numbers, a key's values to a line, for a
// person to read. A longer one, the bulk of a capture, is written compactly:
// evenly spaced ticks as runs [first, step, count] and the values as base64
// strings of their 32-bit floats, 4096 keys to a string, so that the
// document holds each number in 5 1/3 bytes, exactly, and reads without
// converting decimals.
#pragma once

#include <cstddef>
#include <vector>

#include "scene/DocumentText.h"
#include "brindle/host/scene/KeyTrack.h"
#include "brindle/sdk/Geometry.h"

namespace brindle::host {

// Tracks of up to this many keys are written as numbers.
constexpr std::size_t kTrackKeysAsNumbers = 100;

class TrackWriter {
public:
    // Writes the "ticks" and "values" members of the controller open in
    // `out`. A value that is infinite or NaN is noted in `out`.
    void Write(DocumentText& out, std::span<const Key<Point3>> keys);
    void Write(DocumentText& out, std::span<const Key<Quat>> keys);

private:
    template <typename Value>
    void WriteTrack(DocumentText& out, std::span<const Key<Value>> keys);
    template <typename Value>
    void WriteCompactValues(DocumentText& out, std::span<const Key<Value>> keys);

    std::vector<float> staging_;  // the floats of one base64 string
};

}  // namespace brindle::host

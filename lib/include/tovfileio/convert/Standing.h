// Which way the person of a take stands, told from the data, for takes
// whose format carries no up axis of its own (TRC, HTR, BVH): the axis
// along which head markers stay above foot markers over the take (for a
// skeleton, head joints above foot joints, or above the root), else the
// axis along which the markers of one frame reach furthest (a person is
// taller than wide). Also where the capture starts: the frames at the
// start that hold no marker at all.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tovfileio/convert/Takes.h"
#include "tovfileio/text/FileKinds.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

// How a marker's name places it on a body: at the head or shoulders
// (HEAD, LFHD, C7, CLAV, R.Shoulder, Neck...), at a foot (LTOE, RHEE,
// R.Ankle, LMT5, RCAL...), or neither.
enum class BodyPlace { kNone, kUpper, kFoot };
BodyPlace BodyPlaceOf(const std::wstring& name);

struct Standing {
    // How the axis was told.
    enum class Evidence {
        kNone,          // nothing to tell by: no frame held two markers
        kHeadAboveFeet, // head markers (or joints) above foot markers
        kHeadAboveRoot, // a skeleton's head joints above its root
        kHeight,        // the axis along which each frame reaches furthest
    };
    Evidence evidence = Evidence::kNone;
    int axis = 1;           // 0 x, 1 y, 2 z
    bool headDown = false;  // the head towards the axis's negative end
    std::int64_t firstFrame = 1;  // the take's first frame
    std::int64_t frames = 0;      // the frames read
    // The frames from `firstFrame` on that hold no marker (a sample of
    // (0, 0, 0) is a dropout as some writers keep one); all of them when
    // no frame holds one.
    std::int64_t emptyFrames = 0;
    // The samples read as dropouts because a field of theirs says NaN
    // (kTrcNanDropouts), which the host's import would read as 0.
    std::uint64_t nanSamples = 0;

    // Y-up or Z-up, when the person stands head up along Y or Z; none when
    // lying along X, upside down or when nothing told.
    std::optional<UpAxis> Up() const;
    // "head markers above the feet along Z", for the user.
    std::string Reason() const;
};

// What a take that starts with `emptyFrames` frames of no marker from frame
// `first` on says of it: "frames 1-250 hold no marker; starts at 251",
// "frame 1 holds no marker; starts at 2"; empty when it starts at once.
std::string EmptyStartNote(std::int64_t first, std::int64_t emptyFrames);

// Takes a marker take's rows (or a skeleton's joints as rows) and tells how
// it stands once they have passed.
class StandingFinder : public TRCRowSink {
public:
    // `rootIsLow`: marker 0 is a skeleton's root, which stands for the feet
    // when no foot joint is named.
    explicit StandingFinder(bool rootIsLow = false) : rootIsLow_(rootIsLow) {}

    bool Begin(const TRCFile& file) override;
    bool Row(const TRCRow& row) override;

    Standing Result() const;
    // Whether a row passed so far held a marker: the take has started.
    bool Started() const { return seenMarker_; }

private:
    bool rootIsLow_;
    std::vector<BodyPlace> places_;
    std::vector<std::int64_t> uppersFrom_;
    std::vector<std::int64_t> feetFrom_;
    bool anyFoot_ = false;
    std::int64_t firstFrame_ = 1;
    std::int64_t rows_ = 0;
    std::int64_t empty_ = 0;
    bool seenMarker_ = false;
    std::array<double, 3> headOverFeet_{};
    std::int64_t pairedRows_ = 0;
    std::array<double, 3> reach_{};
    std::int64_t reachRows_ = 0;
};

// Reads the take at `path` (UTF-8, opened as given) of `kind` (TRC, C3D,
// GWM, HTR or BVH) and tells how it stands, as the file holds it; the
// empty string on success, otherwise the reader's message.
std::wstring FindStanding(const std::string& path, FileKind kind, Standing& standing,
                          std::uint64_t memoryLimit = 0);

}  // namespace tovfileio

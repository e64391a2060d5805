// BVH motion files read into the HTR model.
//
// Each ROOT and JOINT becomes a segment (ROOT sets the root flag; several
// roots are read), linked to the joint it stands in. The segment's base
// translation is the joint's OFFSET, its base rotation 0. Its bone length is
// the length of its longest child OFFSET (a joint's or an End Site's), so a
// hip or chest with several children is drawn reaching the farthest; a joint
// without children has bone length 0. An End Site is no segment of its own:
// its OFFSET is kept as read among its joint's end sites (SetEndSites), in
// file order, which the BVH writer writes back.
//
// Each frame line gives every segment one frame: translation = its position
// channels (0 for a joint without them; added to the OFFSET, as the model
// adds frame to base translation), rotation = its rotation channels
// composed in the order they are listed (the first channel's axis outermost,
// as BVH means them), re-expressed in the default Euler order, scale 1.
// A CHANNELS line may list 0 to 6 channels, each of the six names at most
// once, in any order.
//
// The rate is 1 / Frame Time rounded to a whole number (a finding says so
// when it is not whole). BVH files carry no length unit: the values are taken
// as written and the model is given the options' unit, by default the
// model's default, mm; a caller that knows the file's unit passes it, and
// may then ConvertCalibrationUnits.
//
// Counts in the file are not trusted: room for frames is limited by the
// size of the file, and the joints nest without the call stack.
#pragma once

#include <string>
#include <string_view>

#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/ReadFinding.h"
#include "tovfileio/text/TextFiles.h"

namespace tovfileio {

struct BVHReadOptions {
    // The unit the model is given; the values are not converted.
    CalibrationUnits units = kUnitsMillimetres;
};

// Reads the BVH file at `utf8Path` into `into`, which is reset first.
// Returns the empty string on success, otherwise the message for the user,
// which names the line (and column) and what was expected there; the model
// is then unusable. `findings` (when not null) is told what the reader finds.
std::wstring ReadBVHFile(std::string_view utf8Path, HTRFile& into,
                         ReadObserver* findings = nullptr, const BVHReadOptions& options = {});
// ReadBVHFile for a path in the host's wide form.
std::wstring ReadBVH(const std::wstring& path, HTRFile& into, ReadObserver* findings = nullptr,
                     const BVHReadOptions& options = {});
// Reads BVH text held in memory, `bytes` as a file would hold them.
std::wstring ReadBVHMemory(std::string_view bytes, HTRFile& into,
                           ReadObserver* findings = nullptr, const BVHReadOptions& options = {});
// Reads from lines already open on a file, on memory or on a stream.
std::wstring ReadBVH(TextLines& source, HTRFile& into, ReadObserver* findings = nullptr,
                     const BVHReadOptions& options = {});

}  // namespace tovfileio

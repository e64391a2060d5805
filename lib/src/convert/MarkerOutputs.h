// The marker writers behind one face: a row sink that writes a file of one
// marker format as rows come, and finishes it (dropout rows for frames no
// row came for) before it is committed.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tovfileio/c3d/C3DAnalog.h"
#include "tovfileio/gwm/ConvertGWMSettings.h"
#include "tovfileio/gwm/MarkerNameMap.h"
#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/TextFiles.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

class MarkerOutput : public TRCRowSink {
public:
    // Ends the file; the empty string, or why it cannot be written (its
    // frames have no numbers in the format, say).
    virtual std::wstring Finish() = 0;
    // Where the analog samples of the take's frames go, in frame order, when
    // the output writes them beside the rows; null when it writes none.
    virtual AnalogSink* AnalogFrames() { return nullptr; }
    // Set when Begin refused the take: why.
    const std::wstring& Refusal() const { return refusal_; }

protected:
    std::wstring refusal_;
};

struct MarkerOutputNames {
    std::wstring baseName;  // the take's name inside the file
    std::string dateTime;   // a GWM file's date line
    bool singles = false;   // the values are floats (a C3D file's): written as floats
    // A GWM file's offset and the map that renames and filters its markers
    // (when the settings' Filter says so); none: every marker, no offset.
    ConvertGWMSettings gwm;
    const MarkerNameMap* map = nullptr;
    bool filledColumn = false;  // a CSV file says of each sample whether gap filling made it
    // A C3D file's analog channels (without samples: they come through
    // AnalogFrames) and force platforms, written beside the points when the
    // channels have samples; the reader fills them before the take's Begin.
    // `platformAsWritten`, when set, gives a platform's lengths as the rows'
    // positions are written (units converted, axes turned).
    const C3DAnalog* analog = nullptr;
    const std::vector<ForcePlatform>* platforms = nullptr;
    std::function<ForcePlatform(const ForcePlatform&)> platformAsWritten = nullptr;
};

// The writer of `kind` (TRC, C3D, GWM or CSV) onto `file`; null for any
// other kind. A GWM writer takes Y-up positions and writes them Z-up.
std::unique_ptr<MarkerOutput> MakeMarkerOutput(FileKind kind, TextOutput& file,
                                               const MarkerOutputNames& names);

}  // namespace tovfileio

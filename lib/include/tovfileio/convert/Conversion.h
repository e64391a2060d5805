// One take written as another format: the conversions between the formats
// the libraries read and write, without any user interface. A marker take
// streams from its reader to its writer a row at a time, so memory does not
// grow with the frames; a skeleton is read whole and written whole, or
// streamed as the world positions of its joints (virtual markers).
// Lengths may be converted to other units and positions turned to another
// up axis on the way; the result says what was turned.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tovfileio/clean/Cleaning.h"
#include "tovfileio/convert/Takes.h"
#include "tovfileio/gwm/ConvertGWMSettings.h"
#include "tovfileio/gwm/MarkerNameMap.h"
#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/ReadFinding.h"

namespace tovfileio {

// Whether a file of kind `in` converts into one of kind `out` (FileKinds'
// `becomes`).
bool Converts(FileKind in, FileKind out);

// How many frames a conversion writes: those the file holds (rows of a
// marker file, frames of a skeleton), or as many as its header claims,
// padded with dropouts (markers) or rest frames (skeletons), unless the
// header claims too many to believe (ClaimsTooManyFrames), or, for the
// host's own HTR to HTR conversion when asked, however many it claims.
enum class FrameChoice { kHeld, kHeader, kHeaderAnyway };

// A skeleton once read and made ready, before anything is written.
struct SkeletonPlan {
    std::int64_t headerFrames = 0;  // what its header claims
    std::int64_t heldFrames = 0;    // the most frames any segment holds
    std::int64_t frames = 0;        // the frames to be written
    std::uint32_t segments = 0;
    CalibrationUnits unitsRead = kUnitsMillimetres;  // its lengths' units as read
    // The least an HTR file of it takes: a frame line is at least 65 bytes
    // ("1" and seven "\t0.000000").
    std::uint64_t leastHtrBytes = 0;
    // Values an HTR file writes as "inf" or "nan", text that reads back as
    // 0, and the first of them: its segment and where ("base position",
    // "bone length", "frame").
    std::uint64_t nonFinite = 0;
    std::wstring firstNonFiniteSegment;
    std::string firstNonFiniteWhere;
    bool firstNonFiniteIsNan = false;
};

// Decides, once a skeleton is read and made ready, whether it is written,
// and where.
class SkeletonGate {
public:
    virtual ~SkeletonGate() = default;
    // False stops the conversion with nothing written; `out` (the request's
    // until then) may be set to the file to write.
    virtual bool Proceed(const SkeletonPlan& plan, std::wstring& out) = 0;
};

// What a conversion writes of a C3D file: its markers (every output), or,
// to CSV alone, its analog channels or its force platforms' forces.
enum class C3dContent { kMarkers, kAnalog, kForces };

struct ConversionRequest {
    std::string in;                       // the file read, UTF-8 as opened
    FileKind inKind = FileKind::kUnknown;
    std::wstring out;                     // the file written, whole or not at all
    FileKind outKind = FileKind::kUnknown;
    std::optional<CalibrationUnits> units;  // lengths converted to these; else kept
    // The units the input's lengths are in where its file states none: a
    // BVH file always, a TRC or C3D file whose unit field is missing or
    // names no unit. A file that names its units keeps them.
    std::optional<CalibrationUnits> inUnits;
    // The output's up axis; when not given, its kind's convention
    // (ConventionalUp). Turning applies to marker outputs.
    std::optional<UpAxis> up;
    // The input's up axis, when the take is known to stand otherwise than
    // its kind's convention (a Z-up TRC file; a BVH figure lying on the
    // floor, which is stood up before it is written).
    std::optional<UpAxis> inUp;
    std::wstring baseName;   // the take's name inside a GWM or TRC file
    std::string dateTime;    // a GWM file's date line (GWMDateTimeText)
    // A GWM output's offset, and the map that renames and filters its
    // markers when the settings' Filter says so (the map outlives the call).
    ConvertGWMSettings gwm;
    const MarkerNameMap* map = nullptr;
    ReadObserver* findings = nullptr;
    std::uint64_t memoryLimit = 0;
    FrameChoice frames = FrameChoice::kHeld;
    // A skeleton's angles written in these units (HTR to HTR); else as read.
    std::optional<RotationUnits> rotationUnits;
    // Asked before a skeleton is written; none: it is written.
    SkeletonGate* gate = nullptr;
    // A marker take the reader misreads (a finding that moves data: values
    // under other markers' names, rows in other frames; LosesOrMovesData) is
    // refused with nothing written, unless it is to be written as read.
    bool acceptMisread = false;
    // A marker take is cleaned by these steps, in order, between its read
    // and its write: read whole first, then streamed to the writer.
    std::vector<CleaningStep> cleaning;
    // What of a C3D file goes to a CSV file: its markers, or its analog
    // channels (AnalogCsv.h), or its force platforms' forces.
    C3dContent content = C3dContent::kMarkers;
    // kForces: each platform's ZERO baseline is taken off its channels.
    bool zeroPlates = false;
};

struct ConversionResult {
    // The reader refused the input: its message; nothing was written.
    std::wstring readMessage;
    // The output could not be made or written whole: the message, with the
    // system's error number in `ioError` when the system gave one.
    std::wstring writeMessage;
    int ioError = 0;
    // What the conversion changed on the way, one sentence each, for the
    // user: "positions turned from Z-up to Y-up", "lengths converted from
    // mm to cm", "joints Hips and Chest got position channels: ...".
    std::vector<std::string> notes;
    std::uint32_t points = 0;   // markers or joints written
    std::int64_t frames = 0;    // frames written
    // Set when the take was refused as misread (readMessage says so): the
    // first finding that moves its data.
    std::optional<ReadFinding> misread;
    // The reader found nothing of the format the file was read as (readMessage
    // says so).
    bool foreign = false;
    // A skeleton's plan, once it was read; `framesOutOfProportion` when its
    // header claimed more frames than padding may add (writeMessage says so).
    std::optional<SkeletonPlan> plan;
    bool framesOutOfProportion = false;
    // The gate stopped the conversion: nothing was written.
    bool stopped = false;
    // What the cleaning steps did; a step that refused the take gives
    // readMessage.
    CleaningReport cleaning;

    bool Succeeded() const { return readMessage.empty() && writeMessage.empty(); }
};

// Why a skeleton is not cleaned: its steps are for markers.
inline constexpr wchar_t kCleansMarkerTakes[] =
    L"Gap filling, filtering and the edits of frames and markers are for marker takes";

// Why analog channels or forces are not written: they come from a C3D
// file and go to a CSV file.
inline constexpr wchar_t kAnalogFromC3dToCsv[] =
    L"Analog channels and forces are read from a C3D file and written to a CSV file";

// Converts `request.in` into `request.out`. A pair that does not convert
// (Converts) gives a writeMessage and writes nothing.
ConversionResult Convert(const ConversionRequest& request);

}  // namespace tovfileio

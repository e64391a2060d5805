// What a reader finds in a file besides its values: each place where it
// refuses the file, or reads it otherwise than the file means, told as data
// where the reader decides it. The readers keep returning the host's
// message unchanged; a caller that wants to say more (where, what stands
// there, what it does to the read) attaches a ReadObserver, and
// FindingText.h words what it hears.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "tovfileio/text/FileKinds.h"

namespace tovfileio {


// Every kind of finding. Beside line, column, found and count, each carries
// the detail named in its comment (in namespace `findingdetail`), or none.
enum class ReadFindingCode {
    // Both readers.
    kCannotOpen,      // CannotOpen
    kOutOfMemory,     // OutOfMemory
    kEmpty,           // the file holds no line at all
    kTextInNumbers,   // count: number fields holding text; found: the first
    kFrameGaps,       // FrameGap; count: gaps; found: the frame number after the first

    // TRC files.
    kTrcLayoutNotXYZ,       // TrcLayout; found: the misplaced separators, else the
                            // third field
    kTrcPathTypeUnread,     // TrcPathType; found: the first field
    kTrcHeaderNotNumber,    // HeaderReadAs; found: the header value
    kTrcNotWhole,           // HeaderReadAs; found: the header value
    kTrcUnitUnknown,        // TrcUnit; found: the unit field
    kTrcNameOffColumn,      // TrcNameColumn; found: the name
    kTrcLastNameUnread,     // found: the name
    kTrcNameLeftOut,        // found: the first; count: names left out ("Unnamed..."
                            // or a name seen before), whose columns rows skip
    kTrcNameEmpty,          // TrcEmptyName
    kTrcLabelsMissing,      // TrcLabelsMissing
    kTrcLabelCount,         // TrcLabelCount
    kTrcSeparatorRow,       // line 6 holds only separators and is read as a row
    kTrcWideRows,           // TrcWideRows; count: rows; found: the first extra field
    kTrcShortRows,          // count: rows; found: the field markers past the end read
    kTrcFramesStartElsewhere,  // TrcStartFrame; found: the first row's frame
    kTrcTimesOffRate,       // TrcTimes
    kTrcMarkersUnseen,      // TrcUnseen; count: markers
    kTrcRowCount,           // TrcRowCount; found: the header's frame count
    kTrcMarkerCount,        // TrcMarkerCount; found: the header's marker count
    kTrcNothing,            // no marker names and no data rows
    kTrcNanDropouts,        // count: samples; found: the first field saying NaN

    // HTR files.
    kHtrHeaderValue,        // HtrHeaderValue; found: the value
    kHtrGravityX,           // found: the value (X or x)
    kHtrDuplicateSegment,   // found: the name
    kHtrSegmentNotFound,    // found: the name
    kHtrSegmentCount,       // HtrBaseLines
    kHtrNotWhole,           // HeaderReadAs; found: the value
    kHtrUnitUnknown,        // found: the value
    kHtrRotationUnitUnknown,  // found: the value
    kHtrKeywordCase,        // HtrKeywordCase; found: the word
    kHtrHeaderMissing,      // HeaderReadAs, of "NumFrames" or "DataFrameRate"
    kHtrNoHierarchy,        // no [SegmentNames&Hierarchy] section
    kHtrNoRoot,             // no segment names GLOBAL as its parent
    kHtrSegmentsAgainstHeader,  // HtrSegmentCount; found: NumSegments' value
    kHtrFramesAgainstHeader,    // HtrFrameCount; count: segments that differ
    kHtrUnknownSection,     // found: the section's name; count: frame lines skipped
    kHtrNothing,            // no section and no keyword of an HTR file

    // GWM files.
    kGwmRefused,            // found: the text refused; the reader's message says why

    // BVH files.
    kBvhRefused,            // found: the reader's message, which names the place
    kBvhRateNotWhole,       // HeaderReadAs, of "Frame Time"; found: the frame time
    kBvhNameBlanks,         // found: the joint name as written, blanks and all

    // C3D files: no lines, so `column` is a byte offset in the file, from 1,
    // or 0 for the file as a whole.
    kC3dNotC3d,             // found: the first two bytes in hex
    kC3dDamaged,            // found: what is damaged, in words
    kC3dFramesMissing,      // HeaderReadAs (keyword: what gives the frame count, readAs:
                            // the frames the data section holds); count: frames it
                            // lacks; found: the frames the file gives
    kC3dLabelsRenamed,      // count: markers; found: the first name given
    kC3dUnitUnknown,        // found: POINT:UNITS, empty when the file has none
    kC3dRateNotWhole,       // found: POINT:RATE as the file gives it
    kC3dAnalogSkipped,      // count: analog channels
    kC3dParameterShort,     // HeaderReadAs (keyword: the first parameter, readAs: the
                            // values its record holds); count: parameters; found: the
                            // values its dimensions ask for
    kC3dAnalogValues,       // C3dAnalogValues
};

// The details findings carry, one kind per code or per codes that hold the
// same things. Texts are UTF-8.
namespace findingdetail {

struct CannotOpen {
    int error = 0;          // the system's error number
    std::string pathTried;  // the path the reader opened
};

struct OutOfMemory {
    std::uint64_t memoryLimit = 0;  // bytes the samples may take; 0: all the process may have
};

// The first break in the frame numbers of the rows or frame sections.
struct FrameGap {
    std::int64_t frameBefore = 0;
    std::int64_t frameAfter = 0;
};

// A header value read as a whole number other than written, or one missing
// and taken as a default.
struct HeaderReadAs {
    std::string keyword;  // "DataRate", "NumFrames", "DataFrameRate", ...
    std::int64_t readAs = 0;
};

// What keeps "(X/Y/Z)" from being the third tab-separated field of line 1;
// none of the flags: some other text stands there.
struct TrcLayout {
    std::optional<std::string> thirdField;  // none: the line has no third field
    bool blankAfterKeyword = false;         // a blank, not a tab, after "PathFileType"
    bool blankAfterXYZ = false;             // a blank, not a tab, after "(X/Y/Z)"
    bool commas = false;                    // commas, not tabs, separate the fields
    bool blanksOnly = false;                // blanks, not tabs, separate the fields
};

// A path-file type written after a blank, so field 2 is not it.
struct TrcPathType {
    std::int64_t typeWritten = 0;
    std::int64_t typeRead = 0;
    std::int64_t startFrameRead = 0;
    std::int64_t startFrameMeant = 0;  // the start frame the written type gives
};

// A unit field the reader does not know; it reads millimetres.
struct TrcUnit {
    bool empty = false;             // the field is empty
    bool meansMillimetres = false;  // "mm" with blanks around it
};

// A name off fields 3, 6, 9, ... of line 4.
struct TrcNameColumn {
    std::uint64_t field = 0;  // where the name stands, from 1
    std::uint64_t markersRead = 0;
    std::uint64_t namesWritten = 0;
    bool emptyColumnFirst = false;  // an empty column stands before the first name
};

struct TrcEmptyName {
    std::uint64_t marker = 0;  // the first marker without a name, from 1
};

// A line where the coordinate labels belong holds none.
struct TrcLabelsMissing {
    bool rowLost = false;  // the line holds a data row, which is not read
};

struct TrcLabelCount {
    std::uint64_t markersLabelled = 0;  // X labels on line 5
    std::uint64_t nameSlots = 0;        // places for names on line 4
};

struct TrcWideRows {
    std::uint64_t mostFields = 0;  // the widest row's fields, up to the last filled one
    std::uint64_t fieldsRead = 0;  // frame, time and three a marker
};

// Rows numbered from another frame than the start frame read.
struct TrcStartFrame {
    std::int64_t firstRowFrame = 0;
    std::int64_t startFrame = 0;
    std::int64_t pathFileType = 0;  // which decides where the start frame comes from
};

// Times that advance at another rate than the data rate read.
struct TrcTimes {
    double framesPerSecond = 0;  // what the times advance at
    std::int64_t dataRate = 0;
    std::uint64_t firstLine = 0;  // the first row with a time; the finding's line is the last
};

struct TrcUnseen {
    std::vector<std::string> firstNames;  // up to five of the markers never seen
};

struct TrcRowCount {
    std::int64_t headerFrames = 0;
    std::uint64_t rowsRead = 0;
};

struct TrcMarkerCount {
    std::int64_t headerMarkers = 0;
    std::uint64_t markersNamed = 0;
};

// A header value of a keyword that only checks the file, refused.
struct HtrHeaderValue {
    std::string keyword;
    std::vector<std::string> accepted;  // every value the reader takes there
};

// NumSegments against the lines of the base position.
struct HtrBaseLines {
    std::int64_t headerSegments = 0;
    std::uint64_t baseLines = 0;
};

// A keyword written in another letter case, which the reader ignores.
struct HtrKeywordCase {
    std::string keyword;      // the keyword the word is meant to be
    bool checksOnly = false;  // the keyword only checks the file: nothing reads otherwise
};

// NumSegments against the segments of the hierarchy.
struct HtrSegmentCount {
    std::int64_t headerSegments = 0;
    std::uint64_t segmentsRead = 0;
};

// NumFrames against the frames each segment holds.
struct HtrFrameCount {
    std::uint64_t headerFrames = 0;
    std::uint64_t segments = 0;  // in the file
    std::string firstSegment;    // the first whose frames differ
    std::uint64_t itsFrames = 0;
};

// The analog values of a C3D frame: the header's count against ANALOG:USED
// channels of the samples a frame, and the count the frames are read with.
struct C3dAnalogValues {
    std::uint64_t headerValues = 0;
    std::uint64_t channels = 0;
    std::uint64_t samplesPerFrame = 0;  // ANALOG:RATE over POINT:RATE, or the header's
    std::uint64_t valuesRead = 0;
    bool sizeAgrees = false;  // the data section's size is that of the frames read so
};

}  // namespace findingdetail

// A finding's detail; std::monostate for the codes that carry none.
using ReadFindingDetail = std::variant<
    std::monostate, findingdetail::CannotOpen, findingdetail::OutOfMemory,
    findingdetail::FrameGap, findingdetail::HeaderReadAs, findingdetail::TrcLayout,
    findingdetail::TrcPathType, findingdetail::TrcUnit, findingdetail::TrcNameColumn,
    findingdetail::TrcEmptyName, findingdetail::TrcLabelsMissing, findingdetail::TrcLabelCount,
    findingdetail::TrcWideRows, findingdetail::TrcStartFrame, findingdetail::TrcTimes,
    findingdetail::TrcUnseen, findingdetail::TrcRowCount, findingdetail::TrcMarkerCount,
    findingdetail::HtrHeaderValue, findingdetail::HtrBaseLines, findingdetail::HtrKeywordCase,
    findingdetail::HtrSegmentCount, findingdetail::HtrFrameCount,
    findingdetail::C3dAnalogValues>;

struct ReadFinding {
    // How much the read departs from what the file means, weightiest first.
    enum class Effect {
        kRefusal,  // the reader refuses the file here
        kShift,    // data is lost or goes to the wrong marker, segment or frame
        kMisread,  // a value is read as another
        kNote,     // the file departs from the layout, yet reads the same
    };

    ReadFindingCode code = ReadFindingCode::kEmpty;
    FileKind format = FileKind::kHtr;  // the kind of file it was found in
    Effect effect = Effect::kNote;
    std::uint64_t line = 0;    // in the file, from 1; 0 for the file as a whole
    std::uint64_t column = 0;  // in characters, from 1; 0 for the whole line
    std::string found;         // the text at that place, UTF-8, as the file has it
    std::uint64_t count = 1;   // places of this kind (this is the first)
    ReadFindingDetail detail;  // what the code carries beyond these

    // The detail as `Detail`, or null when the finding carries another.
    template <typename Detail>
    const Detail* Get() const {
        return std::get_if<Detail>(&detail);
    }
};

// A finding of `code` and `effect` in a file of `format` at a place; count 1
// and no detail.
inline ReadFinding MakeFinding(FileKind format, ReadFindingCode code, ReadFinding::Effect effect,
                               std::uint64_t line = 0, std::uint64_t column = 0,
                               std::string found = std::string()) {
    ReadFinding finding;
    finding.code = code;
    finding.format = format;
    finding.effect = effect;
    finding.line = line;
    finding.column = column;
    finding.found = std::move(found);
    return finding;
}

// Whether the finding carries the detail its code calls for (what every
// reader's findings do).
bool CarriesItsDetail(const ReadFinding& finding);

// Whether a program that reports a read warns of the finding: the read
// departs from what the file means (data lost or moved, a value read as
// another). Refusals and notes are not warnings.
inline bool IsWarning(const ReadFinding& finding) {
    return finding.effect == ReadFinding::Effect::kShift ||
           finding.effect == ReadFinding::Effect::kMisread;
}

// Whether the finding says the read loses or moves data (a shift): columns
// not read, values under other markers' or segments' names, rows in other
// frames than the file puts them. Conversions refuse such a take unless
// asked to write it as read.
inline bool LosesOrMovesData(const ReadFinding& finding) {
    return finding.effect == ReadFinding::Effect::kShift;
}

// Whether the findings of a read say the file holds nothing of the format
// it was read as (a picture, say): the reader reads such a file as empty,
// yet it is no file of that format at all.
bool IsForeignFile(std::span<const ReadFinding> findings);

class ReadObserver {
public:
    virtual ~ReadObserver() = default;
    // Called as the reader finds each thing; findings about the whole file
    // come at its end.
    virtual void Found(const ReadFinding& finding) = 0;
    // True to read on after a refusal, so that every refusal of the file is
    // found; the reader still returns the first one's message, and the model
    // is as unusable as after any refusal.
    virtual bool WantsEveryRefusal() const { return false; }
};

}  // namespace tovfileio

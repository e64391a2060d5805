// What a reader finds in a file besides its values: each place where it
// refuses the file, or reads it otherwise than the file means, told as data
// where the reader decides it. The readers keep returning the host's
// message unchanged; a caller that wants to say more (where, what stands
// there, what it does to the read) attaches a ReadObserver.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace tovfileio {

// Every kind of finding. The comment of each says which fields it fills
// beyond line, column and found.
enum class ReadFindingCode {
    // Both readers.
    kCannotOpen,      // number: the system's error number; name: the path tried
    kOutOfMemory,     // number: the memory limit in bytes (0: the machine's)
    kEmpty,           // the file holds no line at all
    kTextInNumbers,   // count: number fields holding text; found: the first
    kFrameGaps,       // count: gaps; number: the frame before the first, other: after it

    // TRC files.
    kTrcLayoutNotXYZ,       // found: the misplaced separators, else the third field;
                            // name: the third field; extra: 1 when there is one;
                            // number: TrcLayoutCause flags
    kTrcPathTypeUnread,     // number: the type written, other: the type read;
                            // extra: the start frame read, extra2: the one meant
    kTrcHeaderNotNumber,    // name: the header value; number: what it is read as
    kTrcNotWhole,           // name: the header value; number: the whole number read
    kTrcUnitUnknown,        // found: the unit field; number: 1 when it still means mm,
                            // 2 when it is empty
    kTrcNameOffColumn,      // found: the name; number: its field (from 1); other:
                            // markers read; extra: names written; extra2: 1 when an
                            // empty column stands before the first name
    kTrcLastNameUnread,     // found: the name
    kTrcNameLeftOut,        // found: the first; count: names left out ("Unnamed..."
                            // or a name seen before), whose columns rows skip
    kTrcNameEmpty,          // number: the marker (from 1)
    kTrcLabelsMissing,      // number: 1 when the line holds a data row that is lost
    kTrcLabelCount,         // number: markers labelled; other: markers named
    kTrcSeparatorRow,       // line 6 holds only separators and is read as a row
    kTrcWideRows,           // count: rows; number: most fields; other: fields read
    kTrcShortRows,          // count: rows; found: the field markers past the end read
    kTrcFramesStartElsewhere,  // number: the first row's frame; other: the start frame
                               // read; extra: the path-file type
    kTrcTimesOffRate,       // measured: frames a second the times advance; number:
                            // the data rate; other: the first row's line
    kTrcMarkersUnseen,      // count: markers; name: up to five names, a line feed between
    kTrcRowCount,           // number: the header's frame count; other: rows read
    kTrcMarkerCount,        // number: the header's marker count; other: names on line 4
    kTrcNothing,            // no marker names and no data rows

    // HTR files.
    kHtrHeaderValue,        // name: the keyword; found: its value; accepted: what the
                            // reader takes there, " " between
    kHtrGravityX,           // found: the value (X or x)
    kHtrDuplicateSegment,   // found: the name
    kHtrSegmentNotFound,    // found: the name
    kHtrSegmentCount,       // number: NumSegments; other: base-position lines
    kHtrNotWhole,           // name: the keyword; number: what it is read as
    kHtrUnitUnknown,        // found: the value
    kHtrRotationUnitUnknown,  // found: the value
    kHtrKeywordCase,        // found: the word; name: the keyword it is meant to be;
                            // number: 1 when the keyword only checks the file
    kHtrHeaderMissing,      // name: "NumFrames" or "DataFrameRate"; number: the value read
    kHtrNoHierarchy,        // no [SegmentNames&Hierarchy] section
    kHtrNoRoot,             // no segment names GLOBAL as its parent
    kHtrSegmentsAgainstHeader,  // number: NumSegments; other: segments
    kHtrFramesAgainstHeader,    // count: segments; number: NumFrames; name: the first;
                                // other: its frames
    kHtrUnknownSection,     // found: the section's name; count: frame lines skipped
    kHtrNothing,            // no section and no keyword of an HTR file
};

// What keeps "(X/Y/Z)" from being the third tab-separated field of line 1
// of a TRC file, as flags; none of them: some other text stands there.
enum TrcLayoutCause : std::int64_t {
    kTrcLayoutTabAfterKeyword = 1,  // a blank, not a tab, after "PathFileType"
    kTrcLayoutTabAfterXYZ = 2,      // a blank, not a tab, after "(X/Y/Z)"
    kTrcLayoutCommas = 4,           // commas, not tabs, separate the fields
    kTrcLayoutNoTabs = 8,           // blanks, not tabs, separate the fields
};

struct ReadFinding {
    // How much the read departs from what the file means, weightiest first.
    enum class Effect {
        kRefusal,  // the reader refuses the file here
        kShift,    // data is lost or goes to the wrong marker, segment or frame
        kMisread,  // a value is read as another
        kNote,     // the file departs from the layout, yet reads the same
    };

    ReadFindingCode code = ReadFindingCode::kEmpty;
    Effect effect = Effect::kNote;
    std::uint64_t line = 0;    // in the file, from 1; 0 for the file as a whole
    std::uint64_t column = 0;  // in characters, from 1; 0 for the whole line
    std::string found;         // the text at that place, UTF-8, as the file has it
    std::uint64_t count = 1;   // places of this kind (this is the first)
    std::int64_t number = 0;   // code-specific values, see ReadFindingCode
    std::int64_t other = 0;
    std::int64_t extra = 0;
    std::int64_t extra2 = 0;
    double measured = 0.0;
    std::string name;
    std::string accepted;
};

// A finding of `code` and `effect` at a place; the other fields start empty.
inline ReadFinding MakeFinding(ReadFindingCode code, ReadFinding::Effect effect,
                               std::uint64_t line = 0, std::uint64_t column = 0,
                               std::string found = std::string()) {
    ReadFinding finding;
    finding.code = code;
    finding.effect = effect;
    finding.line = line;
    finding.column = column;
    finding.found = std::move(found);
    return finding;
}

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

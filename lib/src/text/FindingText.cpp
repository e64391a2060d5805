#include "tovfileio/text/FindingText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "tovfileio/text/Phrases.h"

namespace tovfileio {

namespace {

using Code = ReadFindingCode;
namespace detail = findingdetail;

std::string Num(std::int64_t value) { return std::to_string(value); }
std::string Line(const ReadFinding& f) { return "line " + std::to_string(f.line); }

// The detail of `f`, which FindingText has checked is its code's.
template <typename Detail>
const Detail& Of(const ReadFinding& f) {
    return std::get<Detail>(f.detail);
}

std::string LayoutText(const detail::TrcLayout& d) {
    std::string text = d.thirdField ? "the third tab-separated field is " + Quoted(*d.thirdField)
                                    : std::string("there is no third tab-separated field");
    if (d.commas) {
        return text + "; commas, not tabs, separate its fields: save the file with tabs between "
                      "the fields";
    }
    if (d.blanksOnly) {
        return text + "; blanks, not tabs, separate its fields: put a tab between each two";
    }
    if (d.blankAfterKeyword || d.blankAfterXYZ) {
        return text + "; a blank stands where a tab belongs: put a tab after " +
               (d.blankAfterKeyword ? "PathFileType" : "") +
               (d.blankAfterKeyword && d.blankAfterXYZ ? " and after " : "") +
               (d.blankAfterXYZ ? "(X/Y/Z)" : "");
    }
    return text + "; the reader takes exactly \"(X/Y/Z)\" there";
}

// Each name quoted, with ", " between.
std::string QuotedList(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) text += (text.empty() ? "" : ", ") + Quoted(name);
    return text;
}

// "A", "A or B", "A, B or C".
std::string OneOf(const std::vector<std::string>& values) {
    std::string text;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) text += i + 1 == values.size() ? " or " : ", ";
        text += values[i];
    }
    return text;
}

std::string StartFrameSource(std::int64_t type) {
    if (type == 3) return "the first row";
    if (type == 4) return "line 3, field 7";
    return "path-file type " + Num(type);
}

std::string PathTypeText(const detail::TrcPathType& d) {
    return "a blank, not a tab, follows the first field, so the path-file type " +
           Num(d.typeWritten) + " is not read (read as " + Num(d.typeRead) + ")" +
           (d.startFrameRead == d.startFrameMeant
                ? std::string("; the start frame comes out the same")
                : "; the start frame is read as " + Num(d.startFrameRead) + ", not " +
                      Num(d.startFrameMeant) + ": put a tab after PathFileType");
}

std::string TrcHeaderText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kTrcPathTypeUnread: return PathTypeText(Of<detail::TrcPathType>(f));
        case Code::kTrcHeaderNotNumber: {
            const auto& d = Of<detail::HeaderReadAs>(f);
            return Line(f) + ": " + d.keyword + " holds " + Quoted(f.found) +
                   ", not a number; read as " + Num(d.readAs);
        }
        case Code::kTrcNotWhole: {
            const auto& d = Of<detail::HeaderReadAs>(f);
            const bool rate = d.keyword == "DataRate" || d.keyword == "CameraRate";
            return Line(f) + ": " + d.keyword + " " + Escaped(f.found) + " is read as " +
                   Num(d.readAs) + (rate ? " (whole frames per second)" : " (whole numbers only)");
        }
        case Code::kTrcUnitUnknown: {
            const auto& d = Of<detail::TrcUnit>(f);
            if (d.empty) return Line(f) + ": no unit is given; read as mm";
            return Quoted(f.found) +
                   " is not a unit word the reader knows (mm, cm, m, in, ft, yd, exactly); read "
                   "as mm" +
                   (d.meansMillimetres ? ", as meant" : "");
        }
        case Code::kTrcRowCount: {
            const auto& d = Of<detail::TrcRowCount>(f);
            return "the header gives " +
                   Counted(static_cast<std::uint64_t>(std::max<std::int64_t>(d.headerFrames, 0)),
                           "frame", "frames") +
                   ", the file holds " + Counted(d.rowsRead, "data row", "data rows");
        }
        case Code::kTrcMarkerCount: {
            const auto& d = Of<detail::TrcMarkerCount>(f);
            return "the header gives " +
                   Counted(static_cast<std::uint64_t>(d.headerMarkers), "marker", "markers") +
                   ", the name line names " + std::to_string(d.markersNamed);
        }
        default: return std::string();
    }
}

std::string NameColumnText(const ReadFinding& f) {
    const auto& d = Of<detail::TrcNameColumn>(f);
    return std::string(d.emptyColumnFirst ? "an empty column stands before the first name, and "
                                          : "") +
           "the name " + Quoted(f.found) + " stands in field " + std::to_string(d.field) +
           " where the reader takes names from fields 3, 6, 9, ...: " +
           Counted(d.markersRead, "marker is", "markers are") + " read for " +
           Counted(d.namesWritten, "name", "names") + ", each from another marker's columns";
}

std::string TrcNamesText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kTrcNameOffColumn: return NameColumnText(f);
        case Code::kTrcLastNameUnread:
            return Line(f) + ": the last marker name, " + Quoted(f.found) +
                   ", ends the line without a tab and is not read: put a tab after it";
        case Code::kTrcNameLeftOut:
            return Counted(f.count, "marker name is", "marker names are") + " left out (first " +
                   (f.found.empty() ? std::string("an empty one") : Quoted(f.found)) +
                   "): a name starting with \"Unnamed\" or seen before is not a marker; its "
                   "columns are skipped";
        case Code::kTrcNameEmpty:
            return "marker " + std::to_string(Of<detail::TrcEmptyName>(f).marker) +
                   " has no name on the name line; it is read with an empty name";
        case Code::kTrcLabelsMissing:
            return Line(f) +
                   " stands where the coordinate labels (X1 Y1 Z1 ...) belong; it is not read" +
                   (Of<detail::TrcLabelsMissing>(f).rowLost ? " (a data row is lost)" : "");
        case Code::kTrcLabelCount: {
            const auto& d = Of<detail::TrcLabelCount>(f);
            return Line(f) + " labels " + Counted(d.markersLabelled, "marker", "markers") +
                   ", the name line has places for " + std::to_string(d.nameSlots);
        }
        case Code::kTrcMarkersUnseen:
            return Counted(f.count, "marker is", "markers are") + " never seen (" +
                   QuotedList(Of<detail::TrcUnseen>(f).firstNames) + (f.count > 5 ? ", ..." : "") +
                   "): every sample a dropout or at the origin exactly";
        default: return std::string();
    }
}

std::string TimesText(const ReadFinding& f) {
    const auto& d = Of<detail::TrcTimes>(f);
    char measured[32];
    std::snprintf(measured, sizeof measured, "%.6g", d.framesPerSecond);
    return "the times of lines " + std::to_string(d.firstLine) + " to " + std::to_string(f.line) +
           " advance " + measured + " frames a second, the data rate is read as " +
           Num(d.dataRate) + "; frames are placed by the rate";
}

std::string TrcRowsText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kTrcSeparatorRow:
            return Line(f) +
                   " holds only separators where the blank line belongs; it is read as a data row "
                   "of dropouts, one frame too many";
        case Code::kTrcWideRows: {
            const auto& d = Of<detail::TrcWideRows>(f);
            return Counted(f.count, "data row holds", "data rows hold") +
                   " more columns than the markers named (up to " + std::to_string(d.mostFields) +
                   " fields against " + std::to_string(d.fieldsRead) + ", first on line " +
                   std::to_string(f.line) + "); the extra columns are not read";
        }
        case Code::kTrcShortRows:
            return Counted(f.count, "data row ends", "data rows end") +
                   " before the markers' columns without a tab after the last field (first on "
                   "line " +
                   std::to_string(f.line) + "): the markers past its end read that field, " +
                   Quoted(f.found) + ", as x, y and z, not as dropouts";
        case Code::kTrcFramesStartElsewhere: {
            const auto& d = Of<detail::TrcStartFrame>(f);
            return "the rows number their frames from " + Num(d.firstRowFrame) +
                   ", the reader starts them at " + Num(d.startFrame) + " (" +
                   StartFrameSource(d.pathFileType) + ")";
        }
        case Code::kTrcTimesOffRate: return TimesText(f);
        case Code::kTrcNothing: return "holds no marker names and no data rows";
        case Code::kTrcNanDropouts:
            return Counted(f.count, "sample says", "samples say") + " NaN (first " + Quoted(f.found) +
                   " on line " + std::to_string(f.line) + "); read as dropouts";
        default: return std::string();
    }
}

std::string HtrRefusalText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kHtrHeaderValue: {
            const auto& d = Of<detail::HtrHeaderValue>(f);
            return "the reader takes " + d.keyword + " " + OneOf(d.accepted) + " only, not " +
                   Quoted(f.found);
        }
        case Code::kHtrGravityX:
            return "the reader refuses GlobalAxisofGravity " + Quoted(f.found) +
                   ", the X axis; it takes any other value";
        case Code::kHtrDuplicateSegment:
            return "the hierarchy names the segment " + Quoted(f.found) + " a second time";
        case Code::kHtrSegmentNotFound:
            return "the base position names " + Quoted(f.found) +
                   ", a segment the hierarchy does not name";
        case Code::kHtrSegmentCount: {
            const auto& d = Of<detail::HtrBaseLines>(f);
            return "NumSegments gives " + Num(d.headerSegments) + ", the base position has " +
                   Counted(d.baseLines, "line", "lines");
        }
        default: return std::string();
    }
}

std::string HtrHeaderText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kHtrNotWhole: {
            const auto& d = Of<detail::HeaderReadAs>(f);
            return Line(f) + ": " + d.keyword + " " + Escaped(f.found) + " is read as " +
                   Num(d.readAs) +
                   (d.keyword == "DataFrameRate" ? " (whole frames per second)"
                                                 : " (whole numbers only)");
        }
        case Code::kHtrUnitUnknown:
            return Quoted(f.found) +
                   " is not a unit word the reader knows (mm, cm, m, in, ft, yd); read as mm";
        case Code::kHtrRotationUnitUnknown:
            return Quoted(f.found) +
                   " is not a rotation unit the reader knows (Degrees, Radians); read as Degrees";
        case Code::kHtrKeywordCase:
            return Quoted(f.found) + " is not a keyword: the reader knows " +
                   Quoted(Of<detail::HtrKeywordCase>(f).keyword) + " only and ignores the line";
        case Code::kHtrHeaderMissing: {
            const auto& d = Of<detail::HeaderReadAs>(f);
            return "the header gives no " + d.keyword + "; read as " + Num(d.readAs);
        }
        default: return std::string();
    }
}

std::string FrameCountText(const ReadFinding& f) {
    const auto& d = Of<detail::HtrFrameCount>(f);
    return "the header gives " + Counted(d.headerFrames, "frame", "frames") + ", " +
           (f.count == d.segments ? std::string("every segment holds another count")
                                  : Counted(f.count, "segment holds", "segments hold") +
                                        " another count") +
           " (" + d.firstSegment + ": " + std::to_string(d.itsFrames) + ")";
}

std::string HtrFileText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kHtrNoHierarchy:
            return "has no [SegmentNames&Hierarchy] section, which names the segments and their "
                   "parents";
        case Code::kHtrNoRoot:
            return "no segment names GLOBAL as its parent: the file has no root segment, and an "
                   "import needs one";
        case Code::kHtrSegmentsAgainstHeader: {
            const auto& d = Of<detail::HtrSegmentCount>(f);
            return "the header gives " +
                   Counted(static_cast<std::uint64_t>(std::max<std::int64_t>(d.headerSegments, 0)),
                           "segment", "segments") +
                   ", the file holds " + std::to_string(d.segmentsRead);
        }
        case Code::kHtrFramesAgainstHeader: return FrameCountText(f);
        case Code::kHtrUnknownSection:
            return "the section [" + Escaped(f.found) + "] names no segment; its " +
                   Counted(f.count, "frame line is", "frame lines are") + " not read";
        case Code::kHtrNothing:
            return "holds nothing of an HTR file: no section and no header keyword";
        default: return std::string();
    }
}

std::string BvhText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kBvhRefused: return f.found;
        case Code::kBvhRateNotWhole:
            return Line(f) + ": Frame Time " + Escaped(f.found) + " is no whole rate; read as " +
                   Num(Of<detail::HeaderReadAs>(f).readAs) + " frames a second";
        case Code::kBvhNameBlanks:
            return Line(f) + ": the joint name " + Quoted(f.found) +
                   " holds blanks; read with an underscore for each run of them";
        default: return std::string();
    }
}

std::string C3dText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kC3dNotC3d:
            return "the second byte is not 0x50, which every C3D file has there (the file starts " +
                   f.found + ")";
        // The reader's message says what is damaged; the finding says where.
        case Code::kC3dDamaged: return "at byte " + std::to_string(f.column);
        case Code::kC3dFramesMissing: {
            const auto& d = Of<detail::HeaderReadAs>(f);
            return d.keyword + " gives " + f.found + " frames, the data section holds " +
                   Num(d.readAs) + " (" + Counted(f.count, "frame", "frames") +
                   " fewer); the take has the frames held";
        }
        case Code::kC3dLabelsRenamed:
            return Counted(f.count, "marker has", "markers have") +
                   " an empty label or one another marker has; each is given its own name (first " +
                   Quoted(f.found) + ")";
        case Code::kC3dUnitUnknown:
            if (f.found.empty()) return "POINT:UNITS is missing; read as mm";
            return "POINT:UNITS " + Quoted(f.found) +
                   " is not a unit the reader knows (mm, cm, m, in, ft, yd); read as mm";
        case Code::kC3dRateNotWhole:
            return "POINT:RATE " + Escaped(f.found) + " is read as whole frames per second";
        case Code::kC3dAnalogSkipped:
            return Counted(f.count, "analog channel is", "analog channels are") + " not read";
        case Code::kC3dParameterShort: {
            const auto& d = Of<detail::HeaderReadAs>(f);
            return "the dimensions of " + d.keyword + " ask for " + f.found +
                   " values, its record holds " + Num(d.readAs) + ", which are read" +
                   (f.count > 1
                        ? "; so too " + Counted(f.count - 1, "more parameter", "more parameters")
                        : std::string());
        }
        case Code::kC3dAnalogValues: {
            const auto& d = Of<detail::C3dAnalogValues>(f);
            return "the header gives " + std::to_string(d.headerValues) +
                   " analog values a frame, ANALOG:USED " +
                   Counted(d.channels, "channel", "channels") + " of " +
                   std::to_string(d.samplesPerFrame) + " samples (" +
                   std::to_string(d.channels * d.samplesPerFrame) + "); frames are read with " +
                   std::to_string(d.valuesRead) +
                   (d.sizeAgrees ? ", which the data section's size bears out"
                                 : ", though the data section's size bears out neither, so the "
                                   "points of later frames may be misplaced");
        }
        default: return std::string();
    }
}

// What the system says of an error number.
std::string SystemReason(int error) { return std::strerror(error); }

std::string SharedText(const ReadFinding& f) {
    const bool trc = f.format == FileKind::kTrc;
    switch (f.code) {
        case Code::kCannotOpen:
            return "the file could not be opened (" +
                   SystemReason(Of<detail::CannotOpen>(f).error) + ")";
        case Code::kOutOfMemory: return "the samples need more memory than the reader may take";
        case Code::kEmpty: return "the file is empty";
        case Code::kTextInNumbers:
            if (trc) {
                return Counted(f.count, "coordinate field holds", "coordinate fields hold") +
                       " text, not a number (first " + Quoted(f.found) + " on line " +
                       std::to_string(f.line) + "); read as 0, not as a dropout";
            }
            return Counted(f.count, "number field holds", "number fields hold") + " text (first " +
                   Quoted(f.found) + " on line " + std::to_string(f.line) +
                   "); read by its leading number, or 0";
        case Code::kFrameGaps: {
            const auto& d = Of<detail::FrameGap>(f);
            return "frame " + Num(d.frameAfter) + " follows frame " + Num(d.frameBefore) + " (" +
                   Counted(f.count, "break", "breaks") + " in the numbering of " +
                   (trc ? "the data rows" : "the frame sections") +
                   "); the reader numbers frames by their place, so every frame after a gap is "
                   "read as an earlier one";
        }
        case Code::kTrcLayoutNotXYZ: return LayoutText(Of<detail::TrcLayout>(f));
        case Code::kGwmRefused:
            return (f.line != 0 ? Line(f) + ": " : std::string()) +
                   "the text departs from the layout of a GWM file" +
                   (f.found.empty() ? std::string() : " at " + Quoted(f.found));
        default: return std::string();
    }
}

}  // namespace

std::string FindingText(const ReadFinding& finding) {
    if (!CarriesItsDetail(finding)) return std::string();
    for (const auto words : {SharedText, TrcHeaderText, TrcNamesText, TrcRowsText, HtrRefusalText,
                             HtrHeaderText, HtrFileText, BvhText, C3dText}) {
        std::string text = words(finding);
        if (!text.empty()) return text;
    }
    return std::string();
}

std::string FindingTextWithoutLine(const ReadFinding& finding) {
    std::string text = FindingText(finding);
    const std::string again = "line " + std::to_string(finding.line) + ": ";
    if (text.rfind(again, 0) == 0) text.erase(0, again.size());
    return text;
}

std::string RefusalCause(const ReadFinding& finding) {
    if (finding.code == Code::kOutOfMemory) return std::string();
    if (const auto* open = finding.Get<detail::CannotOpen>()) return SystemReason(open->error);
    const std::string text = FindingTextWithoutLine(finding);
    if (text.empty() || finding.line == 0) return text;
    return "line " + std::to_string(finding.line) + ": " + text;
}

const char* EffectName(ReadFinding::Effect effect) {
    switch (effect) {
        case ReadFinding::Effect::kRefusal: return "refusal";
        case ReadFinding::Effect::kShift: return "shift";
        case ReadFinding::Effect::kMisread: return "misread";
        case ReadFinding::Effect::kNote: return "note";
    }
    return "note";
}

}  // namespace tovfileio

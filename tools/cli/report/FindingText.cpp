#include "cli/report/FindingText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

using namespace tovfileio;

namespace {

using Code = ReadFindingCode;
using Effect = ReadFinding::Effect;

std::string Num(std::int64_t value) { return std::to_string(value); }
std::string Line(const ReadFinding& f) { return "line " + std::to_string(f.line); }

std::string LayoutText(const ReadFinding& f) {
    std::string text = f.extra == 0 ? "there is no third tab-separated field"
                                    : "the third tab-separated field is " + Quoted(f.name);
    const std::int64_t causes = f.number;
    if ((causes & kTrcLayoutCommas) != 0) {
        return text + "; commas, not tabs, separate its fields: save the file with tabs between "
                      "the fields";
    }
    if ((causes & kTrcLayoutNoTabs) != 0) {
        return text + "; blanks, not tabs, separate its fields: put a tab between each two";
    }
    const bool keyword = (causes & kTrcLayoutTabAfterKeyword) != 0;
    const bool layout = (causes & kTrcLayoutTabAfterXYZ) != 0;
    if (keyword || layout) {
        return text + "; a blank stands where a tab belongs: put a tab after " +
               (keyword ? std::string("PathFileType") : std::string()) +
               (keyword && layout ? " and after " : "") + (layout ? "(X/Y/Z)" : "");
    }
    return text + "; the reader takes exactly \"(X/Y/Z)\" there";
}

// Each of the names given with line feeds between, quoted, with ", " between.
std::string QuotedList(const std::string& names) {
    std::string text;
    for (std::size_t at = 0; at <= names.size();) {
        const std::size_t end = std::min(names.find('\n', at), names.size());
        text += (text.empty() ? "" : ", ") + Quoted(std::string_view(names).substr(at, end - at));
        at = end + 1;
    }
    return text;
}

// "A", "A or B", "A, B or C" of values given with blanks between.
std::string OneOf(const std::string& values) {
    std::vector<std::string> words;
    for (std::size_t at = 0; at < values.size();) {
        const std::size_t blank = std::min(values.find(' ', at), values.size());
        words.push_back(values.substr(at, blank - at));
        at = blank + 1;
    }
    std::string text;
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (i > 0) text += i + 1 == words.size() ? " or " : ", ";
        text += words[i];
    }
    return text;
}

std::string StartFrameSource(std::int64_t type) {
    if (type == 3) return "the first row";
    if (type == 4) return "line 3, field 7";
    return "path-file type " + Num(type);
}

std::string TrcHeaderText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kTrcPathTypeUnread:
            return "a blank, not a tab, follows the first field, so the path-file type " +
                   Num(f.number) + " is not read (read as " + Num(f.other) + ")" +
                   (f.extra == f.extra2 ? std::string("; the start frame comes out the same")
                                        : "; the start frame is read as " + Num(f.extra) +
                                              ", not " + Num(f.extra2) +
                                              ": put a tab after PathFileType");
        case Code::kTrcHeaderNotNumber:
            return Line(f) + ": " + f.name + " holds " + Quoted(f.found) + ", not a number; read as " +
                   Num(f.number);
        case Code::kTrcNotWhole:
            return Line(f) + ": " + f.name + " " + Escaped(f.found) + " is read as " + Num(f.number) +
                   (f.name == "DataRate" || f.name == "CameraRate" ? " (whole frames per second)"
                                                                   : " (whole numbers only)");
        case Code::kTrcUnitUnknown:
            if (f.number == 2) return Line(f) + ": no unit is given; read as mm";
            return Quoted(f.found) +
                   " is not a unit word the reader knows (mm, cm, m, in, ft, yd, exactly); read "
                   "as mm" +
                   (f.number == 1 ? std::string(", as meant") : std::string());
        case Code::kTrcRowCount:
            return "the header gives " + Counted(static_cast<std::uint64_t>(std::max<std::int64_t>(f.number, 0)),
                                                 "frame", "frames") +
                   ", the file holds " + Counted(static_cast<std::uint64_t>(f.other), "data row", "data rows");
        case Code::kTrcMarkerCount:
            return "the header gives " + Counted(static_cast<std::uint64_t>(f.number), "marker", "markers") +
                   ", the name line names " + Num(f.other);
        default: return std::string();
    }
}

std::string TrcNamesText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kTrcNameOffColumn:
            return std::string(f.extra2 != 0 ? "an empty column stands before the first name, and "
                                             : "") +
                   "the name " + Quoted(f.found) + " stands in field " + Num(f.number) +
                   " where the reader takes names from fields 3, 6, 9, ...: " +
                   Counted(static_cast<std::uint64_t>(f.other), "marker is", "markers are") +
                   " read for " + Counted(static_cast<std::uint64_t>(f.extra), "name", "names") +
                   ", each from another marker's columns";
        case Code::kTrcLastNameUnread:
            return Line(f) + ": the last marker name, " + Quoted(f.found) +
                   ", ends the line without a tab and is not read: put a tab after it";
        case Code::kTrcNameLeftOut:
            return Counted(f.count, "marker name is", "marker names are") + " left out (first " +
                   (f.found.empty() ? std::string("an empty one") : Quoted(f.found)) +
                   "): a name starting with \"Unnamed\" or seen before is not a marker; its "
                   "columns are skipped";
        case Code::kTrcNameEmpty:
            return "marker " + Num(f.number) +
                   " has no name on the name line; it is read with an empty name";
        case Code::kTrcLabelsMissing:
            return Line(f) +
                   " stands where the coordinate labels (X1 Y1 Z1 ...) belong; it is not read" +
                   (f.number == 1 ? std::string(" (a data row is lost)") : std::string());
        case Code::kTrcLabelCount:
            return Line(f) + " labels " + Counted(static_cast<std::uint64_t>(f.number), "marker", "markers") +
                   ", the name line has places for " + Num(f.other);
        case Code::kTrcMarkersUnseen:
            return Counted(f.count, "marker is", "markers are") + " never seen (" + QuotedList(f.name) +
                   (f.count > 5 ? ", ..." : "") + "): every sample a dropout or at the origin exactly";
        default: return std::string();
    }
}

std::string TrcRowsText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kTrcSeparatorRow:
            return Line(f) +
                   " holds only separators where the blank line belongs; it is read as a data row "
                   "of dropouts, one frame too many";
        case Code::kTrcWideRows:
            return Counted(f.count, "data row holds", "data rows hold") +
                   " more columns than the markers named (up to " + Num(f.number) +
                   " fields against " + Num(f.other) + ", first on line " + std::to_string(f.line) +
                   "); the extra columns are not read";
        case Code::kTrcShortRows:
            return Counted(f.count, "data row ends", "data rows end") +
                   " before the markers' columns without a tab after the last field (first on line " +
                   std::to_string(f.line) + "): the markers past its end read that field, " +
                   Quoted(f.found) + ", as x, y and z, not as dropouts";
        case Code::kTrcFramesStartElsewhere:
            return "the rows number their frames from " + Num(f.number) +
                   ", the reader starts them at " + Num(f.other) + " (" + StartFrameSource(f.extra) + ")";
        case Code::kTrcTimesOffRate: {
            char measured[32];
            std::snprintf(measured, sizeof measured, "%.6g", f.measured);
            return "the times of lines " + Num(f.other) + " to " + std::to_string(f.line) +
                   " advance " + measured + " frames a second, the data rate is read as " +
                   Num(f.number) + "; frames are placed by the rate";
        }
        case Code::kTrcNothing: return "holds no marker names and no data rows";
        default: return std::string();
    }
}

std::string HtrRefusalText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kHtrHeaderValue:
            return "the reader takes " + f.name + " " + OneOf(f.accepted) + " only, not " +
                   Quoted(f.found);
        case Code::kHtrGravityX:
            return "the reader refuses GlobalAxisofGravity " + Quoted(f.found) +
                   ", the X axis; it takes any other value";
        case Code::kHtrDuplicateSegment:
            return "the hierarchy names the segment " + Quoted(f.found) + " a second time";
        case Code::kHtrSegmentNotFound:
            return "the base position names " + Quoted(f.found) +
                   ", a segment the hierarchy does not name";
        case Code::kHtrSegmentCount:
            return "NumSegments gives " + Num(f.number) + ", the base position has " +
                   Counted(static_cast<std::uint64_t>(f.other), "line", "lines");
        default: return std::string();
    }
}

std::string HtrText(const ReadFinding& f) {
    switch (f.code) {
        case Code::kHtrNotWhole:
            return Line(f) + ": " + f.name + " " + Escaped(f.found) + " is read as " + Num(f.number) +
                   (f.name == "DataFrameRate" ? " (whole frames per second)" : " (whole numbers only)");
        case Code::kHtrUnitUnknown:
            return Quoted(f.found) +
                   " is not a unit word the reader knows (mm, cm, m, in, ft, yd); read as mm";
        case Code::kHtrRotationUnitUnknown:
            return Quoted(f.found) +
                   " is not a rotation unit the reader knows (Degrees, Radians); read as Degrees";
        case Code::kHtrKeywordCase:
            return Quoted(f.found) + " is not a keyword: the reader knows " + Quoted(f.name) +
                   " only and ignores the line";
        case Code::kHtrHeaderMissing:
            return "the header gives no " + f.name + "; read as " + Num(f.number);
        case Code::kHtrNoHierarchy:
            return "has no [SegmentNames&Hierarchy] section, which names the segments and their "
                   "parents";
        case Code::kHtrNoRoot:
            return "no segment names GLOBAL as its parent: the file has no root segment, and an "
                   "import needs one";
        case Code::kHtrSegmentsAgainstHeader:
            return "the header gives " + Counted(static_cast<std::uint64_t>(std::max<std::int64_t>(f.number, 0)),
                                                 "segment", "segments") +
                   ", the file holds " + Num(f.other);
        case Code::kHtrFramesAgainstHeader:
            return "the header gives " + Counted(static_cast<std::uint64_t>(f.number), "frame", "frames") +
                   ", " +
                   (static_cast<std::int64_t>(f.count) == f.extra
                        ? std::string("every segment holds another count")
                        : Counted(f.count, "segment holds", "segments hold") + " another count") +
                   " (" + f.name + ": " + Num(f.other) + ")";
        case Code::kHtrUnknownSection:
            return "the section [" + Escaped(f.found) + "] names no segment; its " +
                   Counted(f.count, "frame line is", "frame lines are") + " not read";
        case Code::kHtrNothing:
            return "holds nothing of an HTR file: no section and no header keyword";
        default: return HtrRefusalText(f);
    }
}

std::string SharedText(const ReadFinding& f, FileFormat format) {
    switch (f.code) {
        case Code::kCannotOpen:
            return "the file could not be opened (" + std::string(std::strerror(static_cast<int>(f.number))) + ")";
        case Code::kOutOfMemory: return "the samples need more memory than the reader may take";
        case Code::kEmpty: return "the file is empty";
        case Code::kTextInNumbers:
            if (format == FileFormat::Trc) {
                return Counted(f.count, "coordinate field holds", "coordinate fields hold") +
                       " text, not a number (first " + Quoted(f.found) + " on line " +
                       std::to_string(f.line) + "); read as 0, not as a dropout";
            }
            return Counted(f.count, "number field holds", "number fields hold") + " text (first " +
                   Quoted(f.found) + " on line " + std::to_string(f.line) +
                   "); read by its leading number, or 0";
        case Code::kFrameGaps:
            return "frame " + Num(f.other) + " follows frame " + Num(f.number) + " (" +
                   Counted(f.count, "break", "breaks") + " in the numbering of " +
                   (format == FileFormat::Trc ? "the data rows" : "the frame sections") +
                   "); the reader numbers frames by their place, so every frame after a gap is "
                   "read as an earlier one";
        case Code::kTrcLayoutNotXYZ: return LayoutText(f);
        default: return std::string();
    }
}

}  // namespace

const ReadFinding* FindingList::Refusal() const {
    for (const ReadFinding& finding : findings_) {
        if (finding.effect == Effect::kRefusal) return &finding;
    }
    return nullptr;
}

const ReadFinding* FindingList::Find(ReadFindingCode code) const {
    for (const ReadFinding& finding : findings_) {
        if (finding.code == code) return &finding;
    }
    return nullptr;
}

bool IsWarning(const ReadFinding& finding) {
    return finding.effect == Effect::kShift || finding.effect == Effect::kMisread;
}

bool IsForeignFile(const std::vector<ReadFinding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const ReadFinding& f) { return f.code == Code::kHtrNothing; });
}

std::string FindingText(const ReadFinding& f, FileFormat format) {
    for (const auto& text : {SharedText(f, format), TrcHeaderText(f), TrcNamesText(f), TrcRowsText(f)}) {
        if (!text.empty()) return text;
    }
    return HtrText(f);
}

void Warnings::Add(const std::string& file, const std::string& text) {
    io_.Err(file + ": warning: " + text + "\n");
    ++count_;
}

void Warnings::AddFindings(const std::string& file, const std::vector<ReadFinding>& findings,
                           FileFormat format) {
    for (const ReadFinding& finding : findings) {
        if (IsWarning(finding)) Add(file, FindingText(finding, format));
    }
}

std::string RefusalContext(const FindingList& findings, FileFormat format, const std::string& name,
                           const std::string& tried) {
    const ReadFinding* refusal = findings.Refusal();
    if (refusal == nullptr) return std::string();
    switch (refusal->code) {
        case Code::kCannotOpen: {
            const std::string reason = std::strerror(static_cast<int>(refusal->number));
            const std::string& file = tried.empty() ? refusal->name : tried;
            return "(" + (file == name ? reason : "tried " + file + ": " + reason) + ")";
        }
        case Code::kOutOfMemory: return std::string();
        default: break;
    }
    if (refusal->line == 0) return "(" + FindingText(*refusal, format) + ")";
    return "(line " + std::to_string(refusal->line) + ": " + FindingText(*refusal, format) + ")";
}

std::string Counted(std::uint64_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

std::string Quoted(std::string_view text) {
    if (text.size() > 40) {
        // Cut at a character's start, not inside its UTF-8 bytes.
        std::size_t cut = 40;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        return "\"" + Escaped(text.substr(0, cut)) + "...\"";
    }
    return "\"" + Escaped(text) + "\"";
}

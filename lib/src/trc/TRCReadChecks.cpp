#include "TRCReadChecks.h"

#include <string_view>

#include "tovfileio/text/LeadingNumber.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio {

namespace trcchecks {
namespace {

using trcfields::ColumnOf;
using trcfields::FieldWalk;
using trcfields::Trim;
using trcfields::Utf8;
namespace detail = findingdetail;

template <typename Char>
std::size_t Find(Text<Char> line, std::string_view ascii, std::size_t from = 0) {
    for (std::size_t at = from; at + ascii.size() <= line.size(); ++at) {
        if (trcfields::Is(line.substr(at, ascii.size()), ascii)) return at;
    }
    return Text<Char>::npos;
}

// What keeps "(X/Y/Z)" from being the third tab-separated field of line 1
// (the third field is left to the caller), and the column of the first
// misplaced separator.
template <typename Char>
detail::TrcLayout LayoutCauses(Text<Char> line, std::size_t& where) {
    detail::TrcLayout causes;
    where = Text<Char>::npos;
    auto mark = [&](bool& cause, std::size_t at) {
        cause = true;
        where = std::min(where, at);
    };
    const bool tabs = line.find(Char('\t')) != Text<Char>::npos;
    const std::size_t comma = line.find(Char(',')), blank = line.find(Char(' '));
    if (!tabs && comma != Text<Char>::npos) mark(causes.commas, comma);
    if (!tabs && blank != Text<Char>::npos) mark(causes.blanksOnly, blank);
    if (tabs) {
        const Text<Char> trimmed = line.substr(0, line.find(Char('\t')));
        const std::size_t keyword = Find(trimmed, "PathFileType");
        const std::size_t after = keyword == Text<Char>::npos ? keyword : keyword + 12;
        if (after != Text<Char>::npos && after < trimmed.size() && trimmed[after] == Char(' ')) {
            mark(causes.blankAfterKeyword, after);
        }
        const std::size_t layout = Find(line, "(X/Y/Z)");
        if (layout != Text<Char>::npos && layout + 7 < line.size() && line[layout + 7] == Char(' ')) {
            mark(causes.blankAfterXYZ, layout + 7);
        }
    }
    return causes;
}

template <typename Char>
Text<Char> Field(Text<Char> line, int index) {
    FieldWalk<Char> walk(line);
    walk.Skip(index);
    return walk.Take();
}

const char* const kHeaderNames[] = {"DataRate", "CameraRate", "NumFrames", "NumMarkers"};

}  // namespace

void RowClock::AddFrame(std::int64_t frame, std::uint64_t line) {
    if (any && frame != lastFrame + 1 && gaps++ == 0) {
        gapLine = line;
        gapFrom = lastFrame;
        gapTo = frame;
    }
    if (!any) {
        firstFrame = frame;
        firstLine = line;
    }
    any = true;
    lastFrame = frame;
}

void RowClock::AddTime(std::int64_t frame, double time, int decimals, std::uint64_t line) {
    if (!anyTime) {
        firstTime = time;
        firstTimeFrame = frame;
        firstTimeLine = line;
    }
    anyTime = true;
    lastTime = time;
    lastTimeFrame = frame;
    lastTimeLine = line;
    timeDecimals = std::min(timeDecimals, decimals);
}

template <typename Char>
void Checks<Char>::LayoutRefused(std::uint64_t physical, Text<Char> line) {
    FieldWalk<Char> walk(line);
    walk.Skip(2);
    const bool third = !walk.RanOut();
    std::size_t where = 0;
    ReadFinding finding = TrcFinding(ReadFindingCode::kTrcLayoutNotXYZ, Effect::kRefusal, physical);
    detail::TrcLayout layout = LayoutCauses(line, where);
    if (third) layout.thirdField = Utf8(walk.Take());
    if (where != Text<Char>::npos) {
        // The run of misplaced separators.
        std::size_t end = where;
        while (end < line.size() && line[end] == line[where]) ++end;
        finding.column = ColumnOf(line, line.data() + where);
        finding.found = Utf8(line.substr(where, end - where));
    } else if (third) {
        finding.column = ColumnOf(line, walk.Rest().data());
        finding.found = *layout.thirdField;
    }
    finding.detail = std::move(layout);
    Emit(finding);
}

template <typename Char>
void Checks<Char>::LayoutRead(std::uint64_t physical, Text<Char> line, int typeRead) {
    // "PathFileType 4<tab>..." written with a blank: the type is not field 2.
    const Text<Char> first = line.substr(0, line.find(Char('\t')));
    const std::size_t blank = first.find(Char(' '));
    if (blank == Text<Char>::npos) return;
    const Text<Char> written = Trim(first.substr(blank));
    if (tovtext::ClassifyNumberField(written) != tovtext::NumberField::kWhole) return;
    typeWritten_ = tovtext::LeadingInt(written);
    if (typeWritten_ == typeRead) {
        typeWritten_ = -1;
        return;
    }
    typeLine_ = physical;
    typeColumn_ = ColumnOf(line, first.data() + blank);
    typeFound_ = Utf8(first);
}

template <typename Char>
void Checks<Char>::HeaderValues(std::uint64_t physical, Text<Char> line) {
    headerLine_ = physical;
    FieldWalk<Char> walk(line);
    for (int i = 0; i < 4; ++i) {
        const Text<Char> field = walk.TakeAndSkip();
        const std::uint64_t column = ColumnOf(line, field.data());
        const std::int32_t read = tovtext::LeadingInt(field);
        const auto kind = tovtext::ClassifyNumberField(field);
        ReadFinding finding = TrcFinding(ReadFindingCode::kTrcHeaderNotNumber, Effect::kMisread,
                                         physical, column, Utf8(Trim(field)));
        finding.detail = detail::HeaderReadAs{.keyword = kHeaderNames[i], .readAs = read};
        if (kind == tovtext::NumberField::kWhole && tovtext::LeadingDouble(field) != read) {
            finding.code = ReadFindingCode::kTrcNotWhole;
            Emit(finding);
        } else if (kind != tovtext::NumberField::kWhole) {
            Emit(finding);
        }
        if (i == 2) {
            framesColumn_ = column;
            framesText_ = Utf8(Trim(field));
        } else if (i == 3) {
            markersColumn_ = column;
            markersText_ = Utf8(Trim(field));
            if (kind == tovtext::NumberField::kWhole) headerMarkers_ = read;
        }
    }
    const Text<Char> unit = walk.TakeAndSkip();
    if (!KnownCalibrationUnits(unit)) {
        const bool empty = Trim(unit).empty();
        const bool millimetres = !empty && KnownCalibrationUnits(Trim(unit)) == kUnitsMillimetres;
        ReadFinding finding = TrcFinding(ReadFindingCode::kTrcUnitUnknown,
                                         empty || millimetres ? Effect::kNote : Effect::kMisread,
                                         physical, ColumnOf(line, unit.data()), Utf8(unit));
        finding.detail = detail::TrcUnit{.empty = empty, .meansMillimetres = millimetres};
        Emit(finding);
    }
    walk.Skip();
    headerStart_ = tovtext::LeadingInt(walk.Take());
}

template <typename Char>
void Checks<Char>::MarkerNames(std::uint64_t physical, Text<Char> line, const TRCFile& file,
                               std::uint64_t walkedNames, Text<Char> unread) {
    namesLine_ = physical;
    seen_.assign(file.GetNumMarkers(), 0);
    // Names stand in fields 3, 6, 9, ...: a name anywhere else shifts the
    // markers onto other markers' columns.
    FieldWalk<Char> walk(line);
    walk.Skip(2);
    trcfields::ColumnCounter<Char> columns(line);
    std::uint64_t written = 0, field = 2;
    Text<Char> off, firstName = walk.Take();
    std::uint64_t offField = 0;
    while (true) {
        const Text<Char> name = Trim(walk.Take());
        if (!name.empty()) {
            ++written;
            if ((field - 2) % 3 == 0) nameColumns_.push_back(columns.ColumnOf(name.data()));
            if ((field - 2) % 3 != 0 && offField == 0) {
                offField = field + 1;
                off = name;
            }
        }
        if (!walk.HasTab()) break;
        walk.Skip();
        ++field;
    }
    if (offField != 0) {
        ReadFinding finding = TrcFinding(ReadFindingCode::kTrcNameOffColumn, Effect::kShift,
                                         physical, ColumnOf(line, off.data()), Utf8(off));
        finding.detail = detail::TrcNameColumn{.field = offField,
                                               .markersRead = file.GetNumMarkers(),
                                               .namesWritten = written,
                                               .emptyColumnFirst = Trim(firstName).empty()};
        Emit(finding);
    }
    namedSlots_ = walkedNames;
    if (!Trim(unread).empty()) {
        ++namedSlots_;
        Emit(TrcFinding(ReadFindingCode::kTrcLastNameUnread, Effect::kShift, physical,
                        ColumnOf(line, Trim(unread).data()), Utf8(Trim(unread))));
    }
    if (leftOut_.count > 0) Emit(leftOut_.Finding(ReadFindingCode::kTrcNameLeftOut, Effect::kNote));
    for (std::uint32_t m = 0; m < file.GetNumMarkers(); ++m) {
        if (!file.GetMarker(m)->GetName().empty()) continue;
        ReadFinding finding =
            TrcFinding(ReadFindingCode::kTrcNameEmpty, Effect::kMisread, physical);
        finding.detail = detail::TrcEmptyName{.marker = m + 1};
        Emit(finding);
        break;
    }
}

template <typename Char>
void Checks<Char>::LabelLine(std::uint64_t physical, Text<Char> line, std::uint32_t markers) {
    std::uint64_t labels = 0;
    FieldWalk<Char> walk(line);
    while (true) {
        labels += IsCoordinateLabel(walk.Take()) ? 1 : 0;
        if (!walk.HasTab()) break;
        walk.Skip();
    }
    if (labels == 0 && markers > 0) {
        // A data row here is lost; it still numbers the first frame.
        const bool lost = !HoldsOnlySeparators(line);
        if (lost) RowStart(physical, line);
        ReadFinding finding = TrcFinding(ReadFindingCode::kTrcLabelsMissing,
                                         lost ? Effect::kShift : Effect::kNote, physical);
        finding.detail = detail::TrcLabelsMissing{.rowLost = lost};
        Emit(finding);
    } else if (labels != 0 && labels != namedSlots_) {
        ReadFinding finding = TrcFinding(ReadFindingCode::kTrcLabelCount, Effect::kNote, physical);
        finding.detail = detail::TrcLabelCount{.markersLabelled = labels, .nameSlots = namedSlots_};
        Emit(finding);
    }
}

template <typename Char>
void Checks<Char>::SeparatorRow(std::uint64_t physical, Text<Char> line) {
    if (!line.empty() && HoldsOnlySeparators(line)) {
        Emit(TrcFinding(ReadFindingCode::kTrcSeparatorRow, Effect::kShift, physical));
    }
}

template <typename Char>
void Checks<Char>::RowStart(std::uint64_t physical, Text<Char> line) {
    FieldWalk<Char> walk(line);
    const Text<Char> frameField = walk.TakeAndSkip();
    if (tovtext::ClassifyNumberField(frameField) != tovtext::NumberField::kWhole) return;
    const std::int64_t frame = tovtext::LeadingInt(frameField);
    clock_.AddFrame(frame, physical);
    if (walk.RanOut()) return;
    const Text<Char> timeField = walk.Take();
    if (tovtext::ClassifyNumberField(timeField) != tovtext::NumberField::kWhole) return;
    clock_.AddTime(frame, tovtext::LeadingDouble(timeField), Decimals(timeField), physical);
}

template <typename Char>
void Checks<Char>::RowRest(std::uint64_t physical, Text<Char> line, Text<Char> rest,
                           std::uint64_t readFields) {
    // Fields up to the last one that holds anything.
    std::uint64_t fields = 0, used = 0;
    Text<Char> firstExtra;
    FieldWalk<Char> walk(rest);
    while (true) {
        const Text<Char> field = walk.Take();
        ++fields;
        if (!Trim(field).empty()) {
            used = fields;
            if (firstExtra.data() == nullptr) firstExtra = field;
        }
        if (!walk.HasTab()) break;
        walk.Skip();
    }
    const std::uint64_t named = 2 + 3 * namedSlots_;
    const std::uint64_t total = readFields + used;
    if (used == 0 || total <= named) return;
    wideRows_.Add(physical, line, firstExtra);
    widest_ = std::max(widest_, total);
}

template <typename Char>
void Checks<Char>::End(const TRCFile& file, int typeRead) {
    if (!anyLine_) {
        Emit(TrcFinding(ReadFindingCode::kEmpty, Effect::kMisread));
        return;
    }
    if (file.GetNumMarkers() == 0 && file.GetNumRows() == 0) {
        Emit(TrcFinding(ReadFindingCode::kTrcNothing, Effect::kMisread));
        return;
    }
    WholeFileFindings(file);
    RowFindings(file, typeRead);
}

template <typename Char>
void Checks<Char>::WholeFileFindings(const TRCFile& file) {
    if (file.GetNumFrames() != static_cast<std::int64_t>(file.GetNumRows())) {
        ReadFinding finding = TrcFinding(ReadFindingCode::kTrcRowCount, Effect::kMisread,
                                         headerLine_, framesColumn_, framesText_);
        finding.detail = detail::TrcRowCount{.headerFrames = file.GetNumFrames(),
                                             .rowsRead = file.GetNumRows()};
        Emit(finding);
    }
    if (headerMarkers_ >= 0 && headerMarkers_ != static_cast<std::int64_t>(namedSlots_)) {
        ReadFinding finding = TrcFinding(ReadFindingCode::kTrcMarkerCount, Effect::kNote,
                                         headerLine_, markersColumn_, markersText_);
        finding.detail = detail::TrcMarkerCount{.headerMarkers = headerMarkers_,
                                                .markersNamed = file.GetNumMarkers()};
        Emit(finding);
    }
    if (wideRows_.count > 0) {
        ReadFinding finding = wideRows_.Finding(ReadFindingCode::kTrcWideRows, Effect::kShift);
        finding.detail =
            detail::TrcWideRows{.mostFields = widest_, .fieldsRead = 2 + 3 * namedSlots_};
        Emit(finding);
    }
    if (text_.count > 0) Emit(text_.Finding(ReadFindingCode::kTextInNumbers, Effect::kMisread));
    if (nan_.count > 0) Emit(nan_.Finding(ReadFindingCode::kTrcNanDropouts, Effect::kNote));
    if (shortRows_.count > 0) Emit(shortRows_.Finding(ReadFindingCode::kTrcShortRows, Effect::kShift));
    UnseenFindings(file);
}

// Markers never seen: every sample a dropout, or at the origin exactly.
template <typename Char>
void Checks<Char>::UnseenFindings(const TRCFile& file) {
    ReadFinding unseen = TrcFinding(ReadFindingCode::kTrcMarkersUnseen, Effect::kNote, namesLine_);
    unseen.count = 0;
    detail::TrcUnseen names;
    for (std::uint32_t m = 0; m < seen_.size() && file.GetNumRows() > 0; ++m) {
        if (seen_[m] != 0 || m >= seenFrom_) continue;
        if (unseen.count++ < 5) {
            names.firstNames.push_back(EncodeUtf8(file.GetMarker(m)->GetName()));
        }
        if (unseen.column == 0 && m < nameColumns_.size()) unseen.column = nameColumns_[m];
    }
    if (unseen.count == 0) return;
    unseen.detail = std::move(names);
    Emit(unseen);
}

template <typename Char>
void Checks<Char>::RowFindings(const TRCFile& file, int typeRead) {
    const std::int64_t start = file.GetStartFrame();
    if (typeWritten_ >= 0) {
        const std::int64_t meant = typeWritten_ == 4                 ? headerStart_
                                   : typeWritten_ == 3 && clock_.any ? clock_.firstFrame
                                                                     : 1;
        ReadFinding finding = TrcFinding(ReadFindingCode::kTrcPathTypeUnread,
                                         meant == start ? Effect::kNote : Effect::kMisread,
                                         typeLine_, typeColumn_, typeFound_);
        finding.detail = detail::TrcPathType{.typeWritten = typeWritten_,
                                             .typeRead = typeRead,
                                             .startFrameRead = start,
                                             .startFrameMeant = meant};
        Emit(finding);
    }
    if (clock_.gaps > 0) {
        ReadFinding finding = TrcFinding(ReadFindingCode::kFrameGaps, Effect::kShift,
                                         clock_.gapLine, 1, std::to_string(clock_.gapTo));
        finding.count = clock_.gaps;
        finding.detail =
            detail::FrameGap{.frameBefore = clock_.gapFrom, .frameAfter = clock_.gapTo};
        Emit(finding);
    }
    if (clock_.any && clock_.firstFrame != start) {
        const std::int64_t off = clock_.firstFrame - start;
        ReadFinding finding = TrcFinding(ReadFindingCode::kTrcFramesStartElsewhere,
                                         off > 1 || off < -1 ? Effect::kMisread : Effect::kNote,
                                         clock_.firstLine, 1, std::to_string(clock_.firstFrame));
        finding.detail = detail::TrcStartFrame{
            .firstRowFrame = clock_.firstFrame, .startFrame = start, .pathFileType = typeRead};
        Emit(finding);
    }
    TimeFindings(file);
}

// The times against the rate read: over the whole span, within what the
// times' decimals can say.
template <typename Char>
void Checks<Char>::TimeFindings(const TRCFile& file) {
    const std::int32_t rate = file.GetDataRate();
    const std::int64_t frames = clock_.lastTimeFrame - clock_.firstTimeFrame;
    if (!clock_.anyTime || frames <= 0 || rate <= 0) return;
    const double span = clock_.lastTime - clock_.firstTime;
    const double expected = static_cast<double>(frames) / rate;
    const double tolerance = std::pow(10.0, -clock_.timeDecimals) + 1e-9 * std::fabs(expected);
    if (span <= 0 || std::fabs(span - expected) <= tolerance) return;
    ReadFinding finding =
        TrcFinding(ReadFindingCode::kTrcTimesOffRate, Effect::kMisread, clock_.lastTimeLine);
    finding.detail = detail::TrcTimes{.framesPerSecond = static_cast<double>(frames) / span,
                                      .dataRate = rate,
                                      .firstLine = clock_.firstTimeLine};
    Emit(finding);
}

template class Checks<char>;
template class Checks<wchar_t>;

}  // namespace trcchecks

}  // namespace tovfileio

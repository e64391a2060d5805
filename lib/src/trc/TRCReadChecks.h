// What the TRC reader tells an observer, found where the reader decides how
// a line reads: each check is called by the reader at the line it handles
// and sees that line as the reader does. Used only when a ReadObserver is
// attached; the reader's plain path runs none of it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/text/ReadFinding.h"
#include "TRCFields.h"
#include "tovfileio/trc/TRCMarker.h"

namespace tovfileio {

class TRCFile;

namespace trcchecks {

using trcfields::Text;
using Effect = ReadFinding::Effect;

// A finding of a TRC file.
inline ReadFinding TrcFinding(ReadFindingCode code, Effect effect, std::uint64_t line = 0,
                              std::uint64_t column = 0, std::string found = std::string()) {
    return MakeFinding(FileKind::kTrc, code, effect, line, column, std::move(found));
}

// The first place of a kind that can repeat over many lines, and how many.
struct FirstOf {
    std::uint64_t count = 0;
    std::uint64_t line = 0;
    std::uint64_t column = 0;
    std::string found;

    template <typename Char>
    void Add(std::uint64_t physical, Text<Char> line, Text<Char> field, std::uint64_t times = 1) {
        const bool first = count == 0;
        count += times;
        if (!first) return;
        this->line = physical;
        column = trcfields::ColumnOf(line, field.data());
        found = trcfields::Utf8(trcfields::Trim(field));
    }
    ReadFinding Finding(ReadFindingCode code, Effect effect) const {
        ReadFinding finding = TrcFinding(code, effect, line, column, found);
        finding.count = count;
        return finding;
    }
};

// Frame numbers and times of the rows, followed for gaps and for the rate
// the times advance at.
struct RowClock {
    bool any = false;
    std::int64_t firstFrame = 0, lastFrame = 0;
    std::uint64_t firstLine = 0;
    std::uint64_t gaps = 0, gapLine = 0;
    std::int64_t gapFrom = 0, gapTo = 0;
    bool anyTime = false;
    double firstTime = 0, lastTime = 0;
    std::int64_t firstTimeFrame = 0, lastTimeFrame = 0;
    std::uint64_t firstTimeLine = 0, lastTimeLine = 0;
    int timeDecimals = 9;

    void AddFrame(std::int64_t frame, std::uint64_t line);
    void AddTime(std::int64_t frame, double time, int decimals, std::uint64_t line);
};

// Digits after the decimal point of a time field; 9 for an exponent.
template <typename Char>
int Decimals(Text<Char> field) {
    field = trcfields::Trim(field);
    int decimals = 0;
    bool afterPoint = false;
    for (const Char c : field) {
        if (c == Char('e') || c == Char('E')) return 9;
        if (afterPoint) ++decimals;
        if (c == Char('.')) afterPoint = true;
    }
    return decimals;
}

template <typename Char>
bool IsCoordinateLabel(Text<Char> field) {
    field = trcfields::Trim(field);
    if (field.size() < 2 || (field[0] != Char('X') && field[0] != Char('x'))) return false;
    return std::all_of(field.begin() + 1, field.end(),
                       [](Char c) { return c >= Char('0') && c <= Char('9'); });
}

template <typename Char>
bool HoldsOnlySeparators(Text<Char> line) {
    return std::all_of(line.begin(), line.end(), [](Char c) {
        return c == Char(' ') || c == Char('\t') || c == Char(',');
    });
}

// Every check of one read, with what the whole-file findings at the end
// need from the lines before.
template <typename Char>
class Checks {
public:
    explicit Checks(ReadObserver& observer) : observer_(observer) {}

    void AnyLine() { anyLine_ = true; }
    void LayoutRefused(std::uint64_t physical, Text<Char> line);
    void LayoutRead(std::uint64_t physical, Text<Char> line, int typeRead);
    void HeaderValues(std::uint64_t physical, Text<Char> line);
    // Line 4 as the reader walked it: `walkedNames` name slots, then `unread`
    // (a last name without a tab after it, or empty).
    void MarkerNames(std::uint64_t physical, Text<Char> line, const TRCFile& file,
                     std::uint64_t walkedNames, Text<Char> unread);
    void NameLeftOut(std::uint64_t physical, Text<Char> line, Text<Char> name) {
        leftOut_.Add(physical, line, name);
    }
    void LabelLine(std::uint64_t physical, Text<Char> line, std::uint32_t markers);
    void SeparatorRow(std::uint64_t physical, Text<Char> line);
    void RowStart(std::uint64_t physical, Text<Char> line);
    // `times`: how many coordinates read the field.
    // A sample read as a dropout for a field that says NaN.
    void NanSample(std::uint64_t physical, Text<Char> line, Text<Char> field,
                   std::uint64_t times) {
        nan_.Add(physical, line, field, times);
    }
    void TextInNumber(std::uint64_t physical, Text<Char> line, Text<Char> field,
                      std::uint64_t times) {
        text_.Add(physical, line, field, times);
    }
    // The walk ran out of fields before marker columns: they read `last`.
    void ShortRow(std::uint64_t physical, Text<Char> line, Text<Char> last) {
        if (!trcfields::Trim(last).empty()) shortRows_.Add(physical, line, last);
    }
    // The rest of a row after the columns it read (`readFields` of them).
    void RowRest(std::uint64_t physical, Text<Char> line, Text<Char> rest, std::uint64_t readFields);
    void Sample(std::size_t marker, const TRCSample& sample) {
        if (Seen(sample)) seen_[marker] = 1;
    }
    // Every marker from `from` on stands at `sample`.
    void SampleFrom(std::size_t from, const TRCSample& sample) {
        if (Seen(sample)) seenFrom_ = std::min(seenFrom_, from);
    }
    void End(const TRCFile& file, int typeRead);

private:
    static bool Seen(const TRCSample& sample) {
        return sample.valid && (sample.x != 0 || sample.y != 0 || sample.z != 0);
    }
    void Emit(ReadFinding finding) { observer_.Found(finding); }
    void WholeFileFindings(const TRCFile& file);
    void UnseenFindings(const TRCFile& file);
    void RowFindings(const TRCFile& file, int typeRead);
    void TimeFindings(const TRCFile& file);

    ReadObserver& observer_;
    bool anyLine_ = false;
    // Line 1: a path-file type written after a blank and so not read.
    std::int64_t typeWritten_ = -1;
    std::uint64_t typeLine_ = 0, typeColumn_ = 0;
    std::string typeFound_;
    // Line 3.
    std::uint64_t headerLine_ = 0;
    std::int64_t headerMarkers_ = -1, headerStart_ = 1;
    std::uint64_t framesColumn_ = 0, markersColumn_ = 0;
    std::string framesText_, markersText_;
    // Line 4.
    std::uint64_t namesLine_ = 0;
    std::uint64_t namedSlots_ = 0;  // name slots, an unread last name included
    std::vector<std::uint64_t> nameColumns_;
    FirstOf leftOut_;
    // Rows.
    std::vector<char> seen_;
    std::size_t seenFrom_ = SIZE_MAX;  // every marker from here on was seen
    FirstOf text_, nan_, shortRows_, wideRows_;
    std::uint64_t widest_ = 0;
    RowClock clock_;
};

}  // namespace trcchecks

}  // namespace tovfileio

// What the HTR reader tells an observer beyond its refusals, found where the
// reader decides how a line reads: header values it takes otherwise than
// written, number fields that hold text, frame numbers with gaps, and what
// the whole file lacks. Used only when a ReadObserver is attached.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#include "tovfileio/text/ReadFinding.h"

namespace tovfileio {

class HTRFile;

namespace htrchecks {

template <typename Char>
using Text = std::basic_string_view<Char>;

// The header keywords the reader knows, compared exactly.
enum class Keyword {
    kFileType, kDataType, kFileVersion, kNumSegments, kNumFrames, kDataFrameRate,
    kEulerRotationOrder, kCalibrationUnits, kRotationUnits, kGlobalAxisofGravity,
    kBoneLengthAxis, kScaleFactor, kUnknown,
};
inline constexpr const char* kKeywordNames[] = {
    "FileType",         "DataType",      "FileVersion",         "NumSegments",
    "NumFrames",        "DataFrameRate", "EulerRotationOrder",  "CalibrationUnits",
    "RotationUnits",    "GlobalAxisofGravity", "BoneLengthAxis", "ScaleFactor",
};
template <typename Char>
Keyword KeywordOf(Text<Char> word);
// The keyword `word` is when letter case is not minded; kUnknown when none.
template <typename Char>
Keyword KeywordInAnyCase(Text<Char> word);

// The column, in characters from 1, where `part` (a view into `line`) starts.
template <typename Char>
std::uint64_t ColumnOf(Text<Char> line, const Char* part);
// A piece of a line as UTF-8 text.
std::string Utf8(std::string_view bytes);
std::string Utf8(std::wstring_view text);

// A finding of an HTR file.
inline ReadFinding HtrFinding(ReadFindingCode code, ReadFinding::Effect effect,
                              std::uint64_t line = 0, std::uint64_t column = 0,
                              std::string found = std::string()) {
    return MakeFinding(FileKind::kHtr, code, effect, line, column, std::move(found));
}

template <typename Char>
class Checks {
public:
    explicit Checks(ReadObserver& observer) : observer_(observer) {}

    void AnyLine() { anyLine_ = true; }
    // A section line; `frames` when it opens a frame section, `known` when
    // that names a segment.
    void Section(std::uint64_t line, Text<Char> full, Text<Char> name, bool frames, bool known);
    // A header line the reader has handled: the keyword it took it for, the
    // word and the value as it took them.
    void HeaderLine(std::uint64_t line, Text<Char> full, Keyword keyword, Text<Char> word,
                    Text<Char> value);
    void BasePositionLine() { sawBase_ = true; }
    void FrameLine(std::uint64_t line, Text<Char> full, Text<Char> frameToken);
    // A number token of a base-position or frame line; `whole` when a
    // number fills it (the reader knows from its conversion).
    void NumberToken(std::uint64_t line, Text<Char> full, Text<Char> token, bool whole);
    void End(const HTRFile& file);

private:
    void Emit(ReadFinding finding) { observer_.Found(finding); }
    void EndSection();
    void HeaderFindings(const HTRFile& file);
    void SegmentFindings(const HTRFile& file);

    ReadObserver& observer_;
    bool anyLine_ = false;
    bool sawSection_ = false, sawKeyword_ = false;
    bool sawHierarchy_ = false, sawBase_ = false;
    bool sawNumFrames_ = false, sawRate_ = false;
    std::int64_t headerSegments_ = -1;
    std::uint64_t segmentsLine_ = 0, segmentsColumn_ = 0;
    std::string segmentsText_;
    // Number fields that hold text: how many, and the first.
    std::uint64_t textCount_ = 0, textLine_ = 0, textColumn_ = 0;
    std::string textFound_;
    // Frame numbers of the frame section being read, and the first gap of all.
    bool sectionOpen_ = false, anyFrame_ = false;
    std::int64_t lastFrame_ = 0;
    std::uint64_t gaps_ = 0, gapLine_ = 0;
    std::int64_t gapFrom_ = 0, gapTo_ = 0;
    // A frame section that names no segment, whose lines the reader skips.
    bool unknownSection_ = false;
    ReadFinding unknown_;
};

}  // namespace htrchecks

}  // namespace tovfileio

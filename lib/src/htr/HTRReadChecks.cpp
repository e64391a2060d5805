#include "HTRReadChecks.h"

#include <cctype>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/htr/CalibrationUnits.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/LeadingNumber.h"

namespace tovfileio {

namespace htrchecks {
namespace {

using Effect = ReadFinding::Effect;


template <typename Char>
bool Equals(Text<Char> text, const char* ascii, bool anyCase) {
    std::size_t n = 0;
    for (; ascii[n] != '\0'; ++n) {
        if (n >= text.size()) return false;
        const Char c = text[n];
        if (c == static_cast<Char>(ascii[n])) continue;
        if (!anyCase || c > 0x7F) return false;
        if (std::tolower(static_cast<unsigned char>(c)) !=
            std::tolower(static_cast<unsigned char>(ascii[n]))) {
            return false;
        }
    }
    return n == text.size();
}

template <typename Char>
bool IsRotationUnitsWord(Text<Char> word) {
    for (const char* known : {"Degrees", "degrees", "DEGREES", "Degree", "degree", "DEGREE",
                              "Radians", "radians", "RADIANS", "Radian", "radian"}) {
        if (Equals(word, known, false)) return true;
    }
    return false;
}

// Keywords that only check the file: ignoring them changes no value read.
bool ChecksOnly(Keyword keyword) {
    switch (keyword) {
        case Keyword::kFileType:
        case Keyword::kDataType:
        case Keyword::kFileVersion:
        case Keyword::kEulerRotationOrder:
        case Keyword::kGlobalAxisofGravity:
        case Keyword::kBoneLengthAxis: return true;
        default: return false;
    }
}

}  // namespace

std::string Utf8(std::string_view bytes) {
    return EncodeUtf8(DecodeUtf8(bytes));
}
std::string Utf8(std::wstring_view text) { return EncodeUtf8(std::wstring(text)); }

template <typename Char>
std::uint64_t ColumnOf(Text<Char> line, const Char* part) {
    const auto offset = static_cast<std::size_t>(part - line.data());
    if constexpr (std::is_same_v<Char, char>) {
        return 1 + DecodeUtf8(line.substr(0, offset)).size();
    } else {
        return 1 + offset;
    }
}

template <typename Char>
Keyword KeywordOf(Text<Char> word) {
    for (std::size_t k = 0; k < std::size(kKeywordNames); ++k) {
        if (Equals(word, kKeywordNames[k], false)) return static_cast<Keyword>(k);
    }
    return Keyword::kUnknown;
}

template <typename Char>
Keyword KeywordInAnyCase(Text<Char> word) {
    for (std::size_t k = 0; k < std::size(kKeywordNames); ++k) {
        if (Equals(word, kKeywordNames[k], true)) return static_cast<Keyword>(k);
    }
    return Keyword::kUnknown;
}

template <typename Char>
void Checks<Char>::Section(std::uint64_t line, Text<Char> full, Text<Char> name, bool frames,
                           bool known) {
    sawSection_ = true;
    EndSection();
    if (Equals(name, "SegmentNames&Hierarchy", false)) sawHierarchy_ = true;
    sectionOpen_ = frames;
    anyFrame_ = false;
    if (frames && !known) {
        unknownSection_ = true;
        unknown_ = MakeFinding(ReadFindingCode::kHtrUnknownSection, Effect::kShift, line,
                        ColumnOf(full, name.data()), Utf8(name));
        unknown_.count = 0;
    }
}

template <typename Char>
void Checks<Char>::EndSection() {
    if (unknownSection_ && unknown_.count > 0) Emit(unknown_);
    unknownSection_ = false;
}

template <typename Char>
void Checks<Char>::HeaderLine(std::uint64_t line, Text<Char> full, Keyword keyword,
                              Text<Char> word, Text<Char> value) {
    const std::uint64_t valueColumn = ColumnOf(full, value.data());
    switch (keyword) {
        case Keyword::kNumSegments:
        case Keyword::kNumFrames:
        case Keyword::kDataFrameRate: {
            const auto kind = tovtext::ClassifyNumberField(value);
            const std::int32_t read = tovtext::LeadingInt(value);
            if (kind != tovtext::NumberField::kWhole) {
                NumberToken(line, full, value);
            } else if (tovtext::LeadingDouble(value) != read) {
                ReadFinding finding = MakeFinding(ReadFindingCode::kHtrNotWhole, Effect::kMisread, line,
                                           valueColumn, Utf8(value));
                finding.name = kKeywordNames[static_cast<int>(keyword)];
                finding.number = read;
                Emit(finding);
            }
            if (keyword == Keyword::kNumSegments) {
                headerSegments_ = read;
                segmentsLine_ = line;
                segmentsColumn_ = valueColumn;
                segmentsText_ = Utf8(value);
            }
            sawNumFrames_ = sawNumFrames_ || keyword == Keyword::kNumFrames;
            sawRate_ = sawRate_ || keyword == Keyword::kDataFrameRate;
            break;
        }
        case Keyword::kScaleFactor: NumberToken(line, full, value); break;
        case Keyword::kCalibrationUnits:
            if (!KnownCalibrationUnits(value)) {
                Emit(MakeFinding(ReadFindingCode::kHtrUnitUnknown, Effect::kMisread, line, valueColumn,
                          Utf8(value)));
            }
            break;
        case Keyword::kRotationUnits:
            if (!IsRotationUnitsWord(value)) {
                Emit(MakeFinding(ReadFindingCode::kHtrRotationUnitUnknown, Effect::kMisread, line,
                          valueColumn, Utf8(value)));
            }
            break;
        case Keyword::kUnknown: {
            const Keyword meant = KeywordInAnyCase(word);
            if (meant == Keyword::kUnknown) return;
            ReadFinding finding = MakeFinding(ReadFindingCode::kHtrKeywordCase,
                                       ChecksOnly(meant) ? Effect::kNote : Effect::kMisread, line,
                                       ColumnOf(full, word.data()), Utf8(word));
            finding.name = kKeywordNames[static_cast<int>(meant)];
            finding.number = ChecksOnly(meant) ? 1 : 0;
            Emit(finding);
            return;
        }
        default: break;
    }
    sawKeyword_ = true;
}

template <typename Char>
void Checks<Char>::FrameLine(std::uint64_t line, Text<Char> full, Text<Char> frameToken) {
    if (unknownSection_) {
        ++unknown_.count;
        return;
    }
    if (!sectionOpen_ || tovtext::ClassifyNumberField(frameToken) != tovtext::NumberField::kWhole) {
        return;
    }
    static_cast<void>(full);
    const std::int64_t frame = tovtext::LeadingInt(frameToken);
    if (anyFrame_ && frame != lastFrame_ + 1 && gaps_++ == 0) {
        gapLine_ = line;
        gapFrom_ = lastFrame_;
        gapTo_ = frame;
    }
    anyFrame_ = true;
    lastFrame_ = frame;
}

template <typename Char>
void Checks<Char>::NumberToken(std::uint64_t line, Text<Char> full, Text<Char> token) {
    if (tovtext::ClassifyNumberField(token) == tovtext::NumberField::kWhole) return;
    if (textCount_++ != 0) return;
    textLine_ = line;
    textColumn_ = ColumnOf(full, token.data());
    textFound_ = Utf8(token);
}

template <typename Char>
void Checks<Char>::End(const HTRFile& file) {
    EndSection();
    if (!anyLine_) {
        Emit(MakeFinding(ReadFindingCode::kEmpty, Effect::kMisread));
        return;
    }
    if (!sawSection_ && !sawKeyword_) {
        Emit(MakeFinding(ReadFindingCode::kHtrNothing, Effect::kMisread));
        return;
    }
    HeaderFindings(file);
    SegmentFindings(file);
}

template <typename Char>
void Checks<Char>::HeaderFindings(const HTRFile& file) {
    if (!sawHierarchy_) Emit(MakeFinding(ReadFindingCode::kHtrNoHierarchy, Effect::kShift));
    if (!sawNumFrames_) {
        ReadFinding finding = MakeFinding(ReadFindingCode::kHtrHeaderMissing, Effect::kMisread);
        finding.name = "NumFrames";
        finding.number = file.GetNumFrames();
        Emit(finding);
    }
    if (!sawRate_) {
        ReadFinding finding = MakeFinding(ReadFindingCode::kHtrHeaderMissing, Effect::kMisread);
        finding.name = "DataFrameRate";
        finding.number = file.GetDataFrameRate();
        Emit(finding);
    }
    if (headerSegments_ >= 0 && headerSegments_ != static_cast<std::int64_t>(file.SegmentCount())) {
        ReadFinding finding = MakeFinding(ReadFindingCode::kHtrSegmentsAgainstHeader, Effect::kMisread,
                                   segmentsLine_, segmentsColumn_, segmentsText_);
        finding.number = headerSegments_;
        finding.other = file.SegmentCount();
        Emit(finding);
    }
}

template <typename Char>
void Checks<Char>::SegmentFindings(const HTRFile& file) {
    if (file.SegmentCount() > 0 && file.RootSegment() == nullptr) {
        Emit(MakeFinding(ReadFindingCode::kHtrNoRoot, Effect::kShift));
    }
    ReadFinding frames = MakeFinding(ReadFindingCode::kHtrFramesAgainstHeader, Effect::kMisread);
    frames.count = 0;
    frames.number = file.GetNumFrames();
    for (std::uint32_t i = 0; i < file.SegmentCount(); ++i) {
        const HTRSegment& segment = *file.Segment(i);
        if (segment.FrameCount() == file.GetNumFrames()) continue;
        if (frames.count++ == 0) {
            frames.name = EncodeUtf8(segment.Name());
            frames.other = segment.FrameCount();
        }
    }
    if (frames.count > 0) {
        frames.extra = file.SegmentCount();
        Emit(frames);
    }
    if (textCount_ > 0) {
        ReadFinding finding = MakeFinding(ReadFindingCode::kTextInNumbers, Effect::kMisread, textLine_,
                                   textColumn_, textFound_);
        finding.count = textCount_;
        Emit(finding);
    }
    if (gaps_ > 0) {
        ReadFinding finding = MakeFinding(ReadFindingCode::kFrameGaps, Effect::kShift, gapLine_, 1,
                                   std::to_string(gapTo_));
        finding.count = gaps_;
        finding.number = gapFrom_;
        finding.other = gapTo_;
        Emit(finding);
    }
}

template class Checks<char>;
template class Checks<wchar_t>;
template Keyword KeywordOf(Text<char>);
template Keyword KeywordOf(Text<wchar_t>);
template std::uint64_t ColumnOf(Text<char>, const char*);
template std::uint64_t ColumnOf(Text<wchar_t>, const wchar_t*);

}  // namespace htrchecks

}  // namespace tovfileio

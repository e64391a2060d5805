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
namespace detail = findingdetail;

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
        unknown_ = HtrFinding(ReadFindingCode::kHtrUnknownSection, Effect::kShift, line,
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
                NumberToken(line, full, value, false);
            } else if (tovtext::LeadingDouble(value) != read) {
                ReadFinding finding = HtrFinding(ReadFindingCode::kHtrNotWhole, Effect::kMisread,
                                                 line, valueColumn, Utf8(value));
                finding.detail = detail::HeaderReadAs{
                    .keyword = kKeywordNames[static_cast<int>(keyword)], .readAs = read};
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
        case Keyword::kScaleFactor:
            NumberToken(line, full, value,
                        tovtext::ClassifyNumberField(value) == tovtext::NumberField::kWhole);
            break;
        case Keyword::kCalibrationUnits:
            if (!KnownCalibrationUnits(value)) {
                Emit(HtrFinding(ReadFindingCode::kHtrUnitUnknown, Effect::kMisread, line,
                                valueColumn, Utf8(value)));
            }
            break;
        case Keyword::kRotationUnits:
            if (!IsRotationUnitsWord(value)) {
                Emit(HtrFinding(ReadFindingCode::kHtrRotationUnitUnknown, Effect::kMisread, line,
                                valueColumn, Utf8(value)));
            }
            break;
        case Keyword::kUnknown: {
            const Keyword meant = KeywordInAnyCase(word);
            if (meant == Keyword::kUnknown) return;
            ReadFinding finding = HtrFinding(ReadFindingCode::kHtrKeywordCase,
                                             ChecksOnly(meant) ? Effect::kNote : Effect::kMisread,
                                             line, ColumnOf(full, word.data()), Utf8(word));
            finding.detail = detail::HtrKeywordCase{
                .keyword = kKeywordNames[static_cast<int>(meant)], .checksOnly = ChecksOnly(meant)};
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
    if (!sectionOpen_) return;
    static_cast<void>(full);
    // Most frame numbers are a few plain digits, read here at once; any
    // other token is classified and read as the reader reads it.
    std::int64_t frame = 0;
    std::size_t digits = 0;
    while (digits < frameToken.size() && digits < 9 && frameToken[digits] >= '0' &&
           frameToken[digits] <= '9') {
        frame = frame * 10 + (frameToken[digits++] - '0');
    }
    if (digits == 0 || digits != frameToken.size()) {
        if (tovtext::ClassifyNumberField(frameToken) != tovtext::NumberField::kWhole) return;
        frame = tovtext::LeadingInt(frameToken);
    }
    if (anyFrame_ && frame != lastFrame_ + 1 && gaps_++ == 0) {
        gapLine_ = line;
        gapFrom_ = lastFrame_;
        gapTo_ = frame;
    }
    anyFrame_ = true;
    lastFrame_ = frame;
}

template <typename Char>
void Checks<Char>::NumberToken(std::uint64_t line, Text<Char> full, Text<Char> token, bool whole) {
    if (whole) return;
    if (textCount_++ != 0) return;
    textLine_ = line;
    textColumn_ = ColumnOf(full, token.data());
    textFound_ = Utf8(token);
}

template <typename Char>
void Checks<Char>::End(const HTRFile& file) {
    EndSection();
    if (!anyLine_) {
        Emit(HtrFinding(ReadFindingCode::kEmpty, Effect::kMisread));
        return;
    }
    if (!sawSection_ && !sawKeyword_) {
        Emit(HtrFinding(ReadFindingCode::kHtrNothing, Effect::kMisread));
        return;
    }
    HeaderFindings(file);
    SegmentFindings(file);
}

template <typename Char>
void Checks<Char>::HeaderFindings(const HTRFile& file) {
    if (!sawHierarchy_) Emit(HtrFinding(ReadFindingCode::kHtrNoHierarchy, Effect::kShift));
    auto missing = [&](const char* keyword, std::int64_t readAs) {
        ReadFinding finding = HtrFinding(ReadFindingCode::kHtrHeaderMissing, Effect::kMisread);
        finding.detail = detail::HeaderReadAs{.keyword = keyword, .readAs = readAs};
        Emit(finding);
    };
    if (!sawNumFrames_) missing("NumFrames", file.GetNumFrames());
    if (!sawRate_) missing("DataFrameRate", file.GetDataFrameRate());
    if (headerSegments_ >= 0 && headerSegments_ != static_cast<std::int64_t>(file.SegmentCount())) {
        ReadFinding finding = HtrFinding(ReadFindingCode::kHtrSegmentsAgainstHeader,
                                         Effect::kMisread, segmentsLine_, segmentsColumn_,
                                         segmentsText_);
        finding.detail = detail::HtrSegmentCount{.headerSegments = headerSegments_,
                                                 .segmentsRead = file.SegmentCount()};
        Emit(finding);
    }
}

template <typename Char>
void Checks<Char>::SegmentFindings(const HTRFile& file) {
    if (file.SegmentCount() > 0 && file.RootSegment() == nullptr) {
        Emit(HtrFinding(ReadFindingCode::kHtrNoRoot, Effect::kShift));
    }
    detail::HtrFrameCount frameCount;
    frameCount.headerFrames = file.GetNumFrames();
    frameCount.segments = file.SegmentCount();
    std::uint64_t differ = 0;
    for (std::uint32_t i = 0; i < file.SegmentCount(); ++i) {
        const HTRSegment& segment = *file.Segment(i);
        if (segment.FrameCount() == file.GetNumFrames()) continue;
        if (differ++ == 0) {
            frameCount.firstSegment = EncodeUtf8(segment.Name());
            frameCount.itsFrames = segment.FrameCount();
        }
    }
    if (differ > 0) {
        ReadFinding frames = HtrFinding(ReadFindingCode::kHtrFramesAgainstHeader, Effect::kMisread);
        frames.count = differ;
        frames.detail = std::move(frameCount);
        Emit(frames);
    }
    if (textCount_ > 0) {
        ReadFinding finding = HtrFinding(ReadFindingCode::kTextInNumbers, Effect::kMisread,
                                         textLine_, textColumn_, textFound_);
        finding.count = textCount_;
        Emit(finding);
    }
    if (gaps_ > 0) {
        ReadFinding finding = HtrFinding(ReadFindingCode::kFrameGaps, Effect::kShift, gapLine_,
                                         1, std::to_string(gapTo_));
        finding.count = gaps_;
        finding.detail = detail::FrameGap{.frameBefore = gapFrom_, .frameAfter = gapTo_};
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

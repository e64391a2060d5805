// HTRFile::Read: one pass over the lines of an HTR file.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tovfileio/htr/HTRFile.h"
#include "HTRReadChecks.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextReader.h"
#include "tovfileio/text/LeadingNumber.h"

namespace tovfileio {

namespace {

constexpr double kDegreesToRadians = 0.017453292519943295;

const wchar_t kDuplicateSegment[] = L"The file has duplicate segment names: ";
const wchar_t kSegmentNotFound[] = L"Segment name not found: ";
const wchar_t kSegmentCountWrong[] = L"Incorrect number of segments defined in file";
const wchar_t kOutOfMemory[] = L"There is not enough memory to read the file";

// Lines come as wide text, or as the UTF-8 bytes of a UTF-8 file. Every rule
// below looks only at ASCII characters, which are the same in both, so both
// give the same model; only names are decoded to wide text.
template <typename Char>
using Text = std::basic_string_view<Char>;

using htrchecks::HtrFinding;
using htrchecks::Keyword;

std::wstring IncompatibleHeader(const char* keyword) {
    return L"The file does not have a compatible \"" + DecodeUtf8(keyword) +
           L"\" header state";
}

// The values the reader takes for the keywords that check the file.
constexpr std::string_view kFileTypes[] = {"HTR", "Htr", "htr"};
constexpr std::string_view kDataTypes[] = {"HTRS", "Htrs", "htrs"};
constexpr std::string_view kFileVersions[] = {"1"};
constexpr std::string_view kEulerOrders[] = {"ZYX"};
constexpr std::string_view kBoneLengthAxes[] = {"Y"};
constexpr std::string_view kRadians[] = {"Radians", "radians", "RADIANS", "Radian", "radian"};
// The one value of gravity the reader refuses, in either case.
constexpr std::string_view kGravityRefused[] = {"X", "x"};

std::wstring Widen(std::string_view bytes) { return DecodeUtf8(bytes); }
std::wstring Widen(std::wstring_view text) { return std::wstring(text); }

template <typename Char>
bool IsBlank(Char c) {
    return c == Char(' ') || c == Char('\t');
}

// True when `text` is exactly the ASCII text `ascii`.
template <typename Char>
bool Is(Text<Char> text, std::string_view ascii) {
    if (text.size() != ascii.size()) return false;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        if (text[i] != static_cast<Char>(ascii[i])) return false;
    }
    return true;
}

template <typename Char>
bool IsOneOf(Text<Char> value, std::span<const std::string_view> accepted) {
    return std::any_of(accepted.begin(), accepted.end(),
                       [&](std::string_view ascii) { return Is(value, ascii); });
}

// Takes the first token off `rest`: leading blanks are skipped and the token
// runs to the next blank; `rest` keeps what follows, starting with that blank.
template <typename Char>
Text<Char> FirstToken(Text<Char>& rest) {
    std::size_t begin = 0;
    while (begin < rest.size() && IsBlank(rest[begin])) ++begin;
    std::size_t end = begin;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    const Text<Char> token = rest.substr(begin, end - begin);
    rest.remove_prefix(end);
    return token;
}

// LeadingDouble of the first token of `rest`, which is taken off `rest` as
// FirstToken takes it. A token that starts a number is converted straight
// from the line: a number never runs into a blank, so it ends inside the
// token, and only the rest of the token after it is scanned.
double TakeDouble(std::wstring_view& rest) { return tovtext::LeadingDouble(FirstToken(rest)); }
double TakeDouble(std::string_view& rest) {
    std::size_t begin = 0;
    while (begin < rest.size() && IsBlank(rest[begin])) ++begin;
    rest.remove_prefix(begin);
    // White space inside the token would let the conversion skip on past
    // its end; such a token is cut off first.
    if (rest.empty() || tovtext::IsNumberSpace(rest.front())) {
        return tovtext::LeadingDouble(FirstToken(rest));
    }
    std::size_t end = 0;
    const double value = tovtext::LeadingDouble(rest, end);
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    rest.remove_prefix(end);
    return value;
}

// TakeDouble, also giving the token taken and whether a number fills it
// (nothing after the number but white space), for the checks: the narrow
// line's number is converted once for both.
double TakeCheckedDouble(std::wstring_view& rest, std::wstring_view& token, bool& whole) {
    token = FirstToken(rest);
    whole = tovtext::ClassifyNumberField(token) == tovtext::NumberField::kWhole;
    return tovtext::LeadingDouble(token);
}
double TakeCheckedDouble(std::string_view& rest, std::string_view& token, bool& whole) {
    std::size_t begin = 0;
    while (begin < rest.size() && IsBlank(rest[begin])) ++begin;
    rest.remove_prefix(begin);
    if (rest.empty() || tovtext::IsNumberSpace(rest.front())) {
        token = FirstToken(rest);
        whole = tovtext::ClassifyNumberField(token) == tovtext::NumberField::kWhole;
        return tovtext::LeadingDouble(token);
    }
    std::size_t used = 0;
    const double value = tovtext::LeadingDouble(rest, used);
    whole = used > 0;
    std::size_t end = used;
    for (; end < rest.size() && !IsBlank(rest[end]); ++end) {
        whole = whole && tovtext::IsNumberSpace(rest[end]);
    }
    token = rest.substr(0, end);
    rest.remove_prefix(end);
    return value;
}

// The last run of non-blank characters of `text`.
template <typename Char>
Text<Char> LastToken(Text<Char> text) {
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && !IsBlank(text[begin - 1])) --begin;
    return text.substr(begin, end - begin);
}

// Cuts an inline comment (from the first "#") or a stray line feed off the
// line, together with the blanks directly before it.
template <typename Char>
Text<Char> CutComment(Text<Char> line) {
    // Two searches of one character each run much faster than one search
    // for either character.
    std::size_t cut = line.find(Char('#'));
    if (const std::size_t lineFeed = line.substr(0, cut).find(Char('\n'));
        lineFeed != Text<Char>::npos) {
        cut = lineFeed;
    }
    if (cut == Text<Char>::npos) return line;
    std::size_t end = cut;
    while (end > 0 && IsBlank(line[end - 1])) --end;
    return line.substr(0, end);
}

template <typename Char>
bool HoldsOnlyBlanks(Text<Char> line) {
    return std::all_of(line.begin(), line.end(), IsBlank<Char>);
}

constexpr std::string_view kEndOfFile[] = {"EndOfFile", "EndofFile", "ENDOFFILE", "endoffile"};

template <typename Char>
bool IsEndOfFileSection(Text<Char> name) {
    return IsOneOf(name, kEndOfFile);
}

}  // namespace

// The working state of one read. It keeps a name index of the segments it
// adds so that lookups stay fast on files with many segments; during a read
// nothing renames a segment, so the index always agrees with the list.
class HTRReader {
public:
    HTRReader(HTRFile& file, ReadObserver* observer, bool headerOnly = false)
        : file_(file), observer_(observer), headerOnly_(headerOnly) {}

    std::wstring Run(TextLines& reader);

private:
    enum class Section { Header, Hierarchy, BasePosition, Frames };

    template <typename Char>
    void ReadLines(TextLines& reader);
    // Each returns true to go on reading; false ends the read (a refusal,
    // unless the observer wants every refusal, or the end of the file).
    template <typename Char>
    bool HandleLine(Text<Char> line);
    template <typename Char>
    bool HandleSectionLine(Text<Char> line);
    template <typename Char>
    bool HandleHeaderLine(Text<Char> line);
    template <typename Char>
    bool CheckHeaderValue(Keyword keyword, Text<Char> value, Text<Char> line);
    template <typename Char>
    bool HandleHierarchyLine(Text<Char> line);
    template <typename Char>
    bool HandleBasePositionLine(Text<Char> line);
    template <typename Char>
    void HandleFrameLine(Text<Char> line);
    template <typename Char>
    void TakeNumbers(Text<Char>& rest, Text<Char> line, double (&values)[7]);
    void ResolveHierarchy();
    // Refuses the file with `message`; `finding` says where, for the observer.
    bool Fail(std::wstring message, ReadFinding finding);
    template <typename Char>
    bool Refuse(std::wstring message, ReadFindingCode code, Text<Char> line, Text<Char> found);
    template <typename Char>
    htrchecks::Checks<Char>* Checks() {
        if constexpr (std::is_same_v<Char, char>) {
            return narrowChecks_ ? &*narrowChecks_ : nullptr;
        } else {
            return wideChecks_ ? &*wideChecks_ : nullptr;
        }
    }
    HTRSegment* Find(std::wstring_view name) const {
        const auto found = byName_.find(name);
        return found == byName_.end() ? nullptr : found->second;
    }

    HTRFile& file_;
    ReadObserver* observer_;
    // Reading stops at the first section after the header.
    bool headerOnly_ = false;
    bool headerRead_ = false;
    std::optional<htrchecks::Checks<char>> narrowChecks_;
    std::optional<htrchecks::Checks<wchar_t>> wideChecks_;
    std::wstring message_;
    std::uint64_t lineNumber_ = 0;

    Section section_ = Section::Header;
    // Set by "NumSegments", one less for every base-position line; 0 at the end.
    std::int64_t segmentCounter_ = 0;
    std::uint64_t segmentsLine_ = 0, segmentsColumn_ = 0;
    std::uint64_t baseLines_ = 0;
    double degreeFactor_ = 1.0;
    HTRSegment* currentSegment_ = nullptr;
    bool firstFramePending_ = true;

    std::unordered_map<std::wstring_view, HTRSegment*> byName_;
    // Parent name of each hierarchy line, in line order: entry i belongs to
    // segment i.
    std::vector<std::wstring> parentNames_;
    // Segments the hierarchy has been resolved for, counted from the start.
    std::size_t resolvedCount_ = 0;
    // Segments whose parent name matched no segment yet, by that name.
    std::unordered_map<std::wstring, std::vector<std::size_t>> waitingForParent_;
    // Frames the remaining segments may still reserve room for. Header counts
    // are not trusted: reservations are limited by the size of the file.
    std::uint64_t reserveBudget_ = 0;
};

std::wstring HTRFile::Read(const std::wstring& path) { return Read(path, nullptr); }

std::wstring HTRFile::ReadFile(std::string_view path, ReadObserver* observer) {
    return Read(PathToWide(path), observer);
}

std::wstring HTRFile::ReadMemory(std::string_view bytes, ReadObserver* observer) {
    TextReader reader;
    reader.OpenMemory(bytes);
    return Read(reader, observer);
}

std::wstring HTRFile::Read(const std::wstring& path, ReadObserver* observer) {
    int error = 0;
    const std::unique_ptr<TextLines> lines = TextFiles().OpenLines(path, error);
    if (!lines) {
        if (observer != nullptr) {
            ReadFinding finding =
                HtrFinding(ReadFindingCode::kCannotOpen, ReadFinding::Effect::kRefusal);
            finding.detail =
                findingdetail::CannotOpen{.error = error, .pathTried = EncodeUtf8(path)};
            observer->Found(finding);
        }
        return kFileNotOpened;
    }
    return Read(*lines, observer);
}

std::wstring HTRFile::Read(TextLines& source, ReadObserver* observer) {
    try {
        return HTRReader(*this, observer).Run(source);
    } catch (const std::bad_alloc&) {
        if (observer != nullptr) {
            ReadFinding finding =
                HtrFinding(ReadFindingCode::kOutOfMemory, ReadFinding::Effect::kRefusal);
            finding.detail = findingdetail::OutOfMemory{.memoryLimit = 0};
            observer->Found(finding);
        }
        return kOutOfMemory;
    }
}

std::wstring HTRFile::ReadHeader(const std::wstring& path) {
    int error = 0;
    const std::unique_ptr<TextLines> lines = TextFiles().OpenLines(path, error);
    if (!lines) return kFileNotOpened;
    try {
        return HTRReader(*this, nullptr, true).Run(*lines);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

std::wstring HTRReader::Run(TextLines& reader) {
    file_.Reset();
    // A frame line holds at least a frame number and a line end.
    reserveBudget_ = reader.Size() / 2;
    // A UTF-8 file is read as bytes, so the frame lines are never widened.
    if (reader.IsUtf8()) {
        if (observer_ != nullptr) narrowChecks_.emplace(*observer_);
        ReadLines<char>(reader);
    } else {
        if (observer_ != nullptr) wideChecks_.emplace(*observer_);
        ReadLines<wchar_t>(reader);
    }
    if (headerRead_) return message_;
    // After a refusal the read stopped, unless the observer wants every one.
    const bool wholeFile =
        message_.empty() || (observer_ != nullptr && observer_->WantsEveryRefusal());
    if (segmentCounter_ != 0 && wholeFile) {
        ReadFinding finding = HtrFinding(ReadFindingCode::kHtrSegmentCount,
                                         ReadFinding::Effect::kRefusal, segmentsLine_,
                                         segmentsColumn_);
        finding.detail = findingdetail::HtrBaseLines{
            .headerSegments = segmentCounter_ + static_cast<std::int64_t>(baseLines_),
            .baseLines = baseLines_};
        Fail(kSegmentCountWrong, finding);
    }
    if (narrowChecks_ && wholeFile) narrowChecks_->End(file_);
    if (wideChecks_ && wholeFile) wideChecks_->End(file_);
    return message_;
}

template <typename Char>
void HTRReader::ReadLines(TextLines& reader) {
    bool goOn = true;
    while (goOn) {
        Text<Char> line;
        if constexpr (std::is_same_v<Char, char>) {
            if (!reader.ReadLineBytes(line)) break;
        } else {
            const std::wstring* wide = reader.ReadLine();
            if (wide == nullptr) break;
            line = *wide;
        }
        ++lineNumber_;
        if (auto* checks = Checks<Char>()) checks->AnyLine();
        goOn = HandleLine(line);
    }
}

bool HTRReader::Fail(std::wstring message, ReadFinding finding) {
    if (message_.empty()) message_ = std::move(message);
    if (observer_ == nullptr) return false;
    observer_->Found(finding);
    return observer_->WantsEveryRefusal();
}

template <typename Char>
bool HTRReader::Refuse(std::wstring message, ReadFindingCode code, Text<Char> line,
                       Text<Char> found) {
    ReadFinding finding;
    if (observer_ != nullptr) {
        finding = HtrFinding(code, ReadFinding::Effect::kRefusal, lineNumber_,
                             htrchecks::ColumnOf(line, found.data()), htrchecks::Utf8(found));
    }
    return Fail(std::move(message), std::move(finding));
}

template <typename Char>
bool HTRReader::HandleLine(Text<Char> line) {
    if (!line.empty() && line.front() == Char('#')) return true;
    line = CutComment(line);
    if (!line.empty() && line.front() == Char('[')) return HandleSectionLine(line);
    if (section_ == Section::Header) return HandleHeaderLine(line);
    // Empty lines carry nothing inside the data sections.
    if (HoldsOnlyBlanks(line)) return true;
    if (section_ == Section::Hierarchy) return HandleHierarchyLine(line);
    if (section_ == Section::BasePosition) return HandleBasePositionLine(line);
    HandleFrameLine(line);
    return true;
}

template <typename Char>
bool HTRReader::HandleSectionLine(Text<Char> line) {
    Text<Char> name = line.substr(1);
    if (const std::size_t close = name.find(Char(']')); close != Text<Char>::npos) {
        name = name.substr(0, close);
    }
    if (Is(name, "Header")) {
        section_ = Section::Header;
    } else if (headerOnly_) {
        headerRead_ = true;
        return false;
    } else if (Is(name, "SegmentNames&Hierarchy")) {
        section_ = Section::Hierarchy;
    } else if (Is(name, "BasePosition")) {
        ResolveHierarchy();
        // The angle conversion is fixed here, by the rotation units read so far.
        degreeFactor_ =
            file_.GetRotationUnits() == kRotationDegrees ? kDegreesToRadians : 1.0;
        section_ = Section::BasePosition;
    } else {
        section_ = Section::Frames;
        currentSegment_ = Find(Widen(name));
    }
    const bool end = IsEndOfFileSection(name);
    if (auto* checks = Checks<Char>()) {
        checks->Section(lineNumber_, line, name, section_ == Section::Frames && !end,
                        currentSegment_ != nullptr);
    }
    return !end;
}

template <typename Char>
bool HTRReader::HandleHeaderLine(Text<Char> line) {
    Text<Char> rest = line;
    const Text<Char> word = FirstToken(rest);
    const Text<Char> value = LastToken(rest);
    const Keyword keyword = htrchecks::KeywordOf(word);
    if (auto* checks = Checks<Char>()) checks->HeaderLine(lineNumber_, line, keyword, word, value);
    switch (keyword) {
        case Keyword::kNumSegments:
            segmentCounter_ = tovtext::LeadingInt(value);
            segmentsLine_ = lineNumber_;
            if (observer_ != nullptr) segmentsColumn_ = htrchecks::ColumnOf(line, value.data());
            return true;
        case Keyword::kNumFrames:
            file_.SetNumFrames(static_cast<std::uint32_t>(tovtext::LeadingInt(value)));
            return true;
        case Keyword::kDataFrameRate: file_.SetDataFrameRate(tovtext::LeadingInt(value)); return true;
        case Keyword::kCalibrationUnits:
            file_.SetCalibrationUnits(CalibrationUnitsFromKeyword(value));
            return true;
        case Keyword::kRotationUnits:
            file_.SetRotationUnits(IsOneOf(value, kRadians) ? kRotationRadians : kRotationDegrees);
            return true;
        case Keyword::kScaleFactor: file_.SetScaleFactor(tovtext::LeadingDouble(value)); return true;
        case Keyword::kUnknown: return true;
        default: return CheckHeaderValue(keyword, value, line);
    }
}

// The keywords that only check the file: a value the reader does not take
// refuses it.
template <typename Char>
bool HTRReader::CheckHeaderValue(Keyword keyword, Text<Char> value, Text<Char> line) {
    std::span<const std::string_view> accepted;
    switch (keyword) {
        case Keyword::kFileType: accepted = kFileTypes; break;
        case Keyword::kDataType: accepted = kDataTypes; break;
        case Keyword::kFileVersion: accepted = kFileVersions; break;
        case Keyword::kEulerRotationOrder: accepted = kEulerOrders; break;
        case Keyword::kBoneLengthAxis: accepted = kBoneLengthAxes; break;
        case Keyword::kGlobalAxisofGravity:
            if (!IsOneOf(value, kGravityRefused)) return true;
            return Refuse(IncompatibleHeader("GlobalAxisofGravity"), ReadFindingCode::kHtrGravityX,
                          line, value);
        default: return true;
    }
    if (IsOneOf(value, accepted)) return true;
    const char* name = htrchecks::kKeywordNames[static_cast<int>(keyword)];
    ReadFinding finding =
        HtrFinding(ReadFindingCode::kHtrHeaderValue, ReadFinding::Effect::kRefusal, lineNumber_,
                   htrchecks::ColumnOf(line, value.data()), htrchecks::Utf8(value));
    finding.detail = findingdetail::HtrHeaderValue{
        .keyword = name, .accepted = std::vector<std::string>(accepted.begin(), accepted.end())};
    return Fail(IncompatibleHeader(name), std::move(finding));
}

template <typename Char>
bool HTRReader::HandleHierarchyLine(Text<Char> line) {
    Text<Char> rest = line;
    const Text<Char> childToken = FirstToken(rest);
    std::wstring child = Widen(childToken);
    const Text<Char> parent = LastToken(rest);
    // A token never holds a blank, so only a taken name stops the segment.
    if (Find(child) != nullptr) {
        return Refuse(kDuplicateSegment + child, ReadFindingCode::kHtrDuplicateSegment, line,
                      childToken);
    }
    auto& segments = file_.segments_;
    segments.push_back(std::make_unique<HTRSegment>(std::move(child)));
    HTRSegment* added = segments.back().get();
    byName_.emplace(added->Name(), added);
    parentNames_.push_back(Widen(parent));
    return true;
}

template <typename Char>
bool HTRReader::HandleBasePositionLine(Text<Char> line) {
    Text<Char> rest = line;
    const Text<Char> nameToken = FirstToken(rest);
    const std::wstring name = Widen(nameToken);
    HTRSegment* segment = Find(name);
    if (segment == nullptr) {
        // Counted, for a reader that reads on to find every refusal.
        --segmentCounter_;
        ++baseLines_;
        return Refuse(kSegmentNotFound + name, ReadFindingCode::kHtrSegmentNotFound, line,
                      nameToken);
    }
    double values[7];
    TakeNumbers(rest, line, values);
    segment->SetBaseTranslation(values[0], values[1], values[2]);
    segment->SetBaseRotationAngles(values[3] * degreeFactor_, values[4] * degreeFactor_,
                                   values[5] * degreeFactor_);
    segment->SetBoneLength(values[6]);
    --segmentCounter_;
    ++baseLines_;
    return true;
}

// The seven numbers of a base-position or frame line; the observer hears of
// every one that holds text.
template <typename Char>
void HTRReader::TakeNumbers(Text<Char>& rest, Text<Char> line, double (&values)[7]) {
    auto* checks = Checks<Char>();
    if (checks == nullptr) {
        for (double& value : values) value = TakeDouble(rest);
        return;
    }
    for (double& value : values) {
        Text<Char> token;
        bool whole = false;
        value = TakeCheckedDouble(rest, token, whole);
        if (!whole && !token.empty()) checks->NumberToken(lineNumber_, line, token, whole);
    }
}

template <typename Char>
void HTRReader::HandleFrameLine(Text<Char> line) {
    Text<Char> rest = line;
    const Text<Char> frameToken = FirstToken(rest);
    if (auto* checks = Checks<Char>()) checks->FrameLine(lineNumber_, line, frameToken);
    // Lines of a section that names no segment have nowhere to go.
    if (currentSegment_ == nullptr) return;
    if (firstFramePending_) {
        file_.SetFirstFrame(tovtext::LeadingInt(frameToken));
        firstFramePending_ = false;
    }
    if (currentSegment_->FrameCount() == 0) {
        const std::uint64_t room = std::min<std::uint64_t>(file_.GetNumFrames(), reserveBudget_);
        currentSegment_->ReserveFrames(static_cast<std::size_t>(room));
        reserveBudget_ -= room;
    }
    double values[7];
    TakeNumbers(rest, line, values);
    currentSegment_->AppendFrame(values[0], values[1], values[2], values[3] * degreeFactor_,
                                 values[4] * degreeFactor_, values[5] * degreeFactor_,
                                 values[6]);
}

// Links every segment to the parent its hierarchy line names: "GLOBAL" marks
// a root, a segment name makes that segment the parent, any other name leaves
// the segment unlinked. Runs at every "[BasePosition]" line. A segment is
// linked once: a later run links only the segments added since, and those
// whose parent name has meanwhile been added as a segment. Children are
// appended in list order.
void HTRReader::ResolveHierarchy() {
    auto& segments = file_.segments_;
    const std::size_t count = std::min(segments.size(), parentNames_.size());
    if (resolvedCount_ >= count) return;

    std::vector<std::pair<std::size_t, HTRSegment*>> links;
    for (std::size_t i = resolvedCount_; i < count; ++i) {
        // Earlier segments that were waiting for this one as their parent.
        const auto waiting = waitingForParent_.find(segments[i]->Name());
        if (waiting != waitingForParent_.end()) {
            for (std::size_t child : waiting->second) links.emplace_back(child, segments[i].get());
            waitingForParent_.erase(waiting);
        }
    }
    for (std::size_t i = resolvedCount_; i < count; ++i) {
        const std::wstring& parentName = parentNames_[i];
        if (parentName == L"GLOBAL") {
            segments[i]->SetRoot(true);
        } else if (HTRSegment* parent = Find(parentName)) {
            links.emplace_back(i, parent);
        } else {
            waitingForParent_[parentName].push_back(i);
        }
    }
    std::sort(links.begin(), links.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [child, parent] : links) segments[child]->SetParent(parent);
    resolvedCount_ = count;
}

}  // namespace tovfileio

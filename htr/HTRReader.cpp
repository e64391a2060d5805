// HTRFile::Read: one pass over the lines of an HTR file.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "brindle/sdk/TextCodec.h"
#include "brindle/sdk/TextFile.h"
#include "htr/HTRFile.h"
#include "htr/HTRPath.h"
#include "text/LeadingNumber.h"

namespace {

constexpr std::size_t kMaxLineChars = 10240;
constexpr double kDegreesToRadians = 0.017453292519943295;

const wchar_t kOpenFailed[] = L"The file could not be opened";
const wchar_t kDuplicateSegment[] = L"The file has duplicate segment names: ";
const wchar_t kSegmentNotFound[] = L"Segment name not found: ";
const wchar_t kSegmentCountWrong[] = L"Incorrect number of segments defined in file";
const wchar_t kOutOfMemory[] = L"There is not enough memory to read the file";

// Lines come as wide text, or as the UTF-8 bytes of a UTF-8 file. Every rule
// below looks only at ASCII characters, which are the same in both, so both
// give the same model; only names are decoded to wide text.
template <typename Char>
using Text = std::basic_string_view<Char>;

std::wstring IncompatibleHeader(const wchar_t* keyword) {
    return std::wstring(L"The file does not have a compatible \"") + keyword +
           L"\" header state";
}

std::wstring Widen(std::string_view bytes) { return TextCodec::DecodeUtf8(bytes); }
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
bool IsOneOf(Text<Char> value, std::initializer_list<std::string_view> accepted) {
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

template <typename Char>
bool IsEndOfFileSection(Text<Char> name) {
    return IsOneOf(name, {"EndOfFile", "EndofFile", "ENDOFFILE", "endoffile"});
}

}  // namespace

// The working state of one read. It keeps a name index of the segments it
// adds so that lookups stay fast on files with many segments; during a read
// nothing renames a segment, so the index always agrees with the list.
class HTRReader {
public:
    explicit HTRReader(HTRFile& file) : file_(file) {}

    std::wstring Run(const std::wstring& path);

private:
    enum class Section { Header, Hierarchy, BasePosition, Frames };

    // Each returns true to go on reading; false ends the read with
    // `message_` (empty when the read simply stops).
    template <typename Char>
    bool HandleLine(Text<Char> line);
    template <typename Char>
    bool HandleSectionLine(Text<Char> line);
    template <typename Char>
    bool HandleHeaderLine(Text<Char> line);
    template <typename Char>
    bool HandleHierarchyLine(Text<Char> line);
    template <typename Char>
    bool HandleBasePositionLine(Text<Char> line);
    template <typename Char>
    void HandleFrameLine(Text<Char> line);
    void ResolveHierarchy();
    bool Fail(std::wstring message) {
        message_ = std::move(message);
        return false;
    }
    HTRSegment* Find(std::wstring_view name) const {
        const auto found = byName_.find(name);
        return found == byName_.end() ? nullptr : found->second;
    }

    HTRFile& file_;
    std::wstring message_;

    Section section_ = Section::Header;
    // Set by "NumSegments", one less for every base-position line; 0 at the end.
    std::int64_t segmentCounter_ = 0;
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

std::wstring HTRFile::Read(const std::wstring& path) {
    try {
        return HTRReader(*this).Run(path);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

std::wstring HTRReader::Run(const std::wstring& requestedPath) {
    const std::wstring path = WithHtrExtension(requestedPath);
    TextFile::Reader reader;
    if (!reader.Open(path, 0, TextFile::Reader::kLineEndsStrip)) return kOpenFailed;
    file_.Reset();
    // A frame line holds at least a frame number and a line end.
    reserveBudget_ = reader.FileSize() / 2;

    // A UTF-8 file is read as bytes, so the frame lines are never widened.
    bool goOn = true;
    if (reader.IsUtf8()) {
        std::string_view line;
        while (goOn && reader.ReadLineBytes(line)) goOn = HandleLine(line);
    } else {
        while (goOn) {
            const std::wstring* line = reader.ReadLine(kMaxLineChars);
            if (line == nullptr) break;
            goOn = HandleLine(std::wstring_view(*line));
        }
    }
    if (!message_.empty()) return message_;
    if (segmentCounter_ != 0) return kSegmentCountWrong;
    return std::wstring();
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
    return !IsEndOfFileSection(name);
}

template <typename Char>
bool HTRReader::HandleHeaderLine(Text<Char> line) {
    const Text<Char> keyword = FirstToken(line);
    const Text<Char> value = LastToken(line);
    if (Is(keyword, "FileType")) {
        if (!IsOneOf(value, {"HTR", "Htr", "htr"})) {
            return Fail(IncompatibleHeader(L"FileType"));
        }
    } else if (Is(keyword, "DataType")) {
        if (!IsOneOf(value, {"HTRS", "Htrs", "htrs"})) {
            return Fail(IncompatibleHeader(L"DataType"));
        }
    } else if (Is(keyword, "FileVersion")) {
        if (!Is(value, "1")) return Fail(IncompatibleHeader(L"FileVersion"));
    } else if (Is(keyword, "NumSegments")) {
        segmentCounter_ = tovtext::LeadingInt(value);
    } else if (Is(keyword, "NumFrames")) {
        file_.SetNumFrames(static_cast<std::uint32_t>(tovtext::LeadingInt(value)));
    } else if (Is(keyword, "DataFrameRate")) {
        file_.SetDataFrameRate(tovtext::LeadingInt(value));
    } else if (Is(keyword, "EulerRotationOrder")) {
        if (!Is(value, "ZYX")) return Fail(IncompatibleHeader(L"EulerRotationOrder"));
    } else if (Is(keyword, "CalibrationUnits")) {
        file_.SetCalibrationUnits(CalibrationUnitsFromKeyword(value));
    } else if (Is(keyword, "RotationUnits")) {
        const bool radians = IsOneOf(value, {"Radians", "radians", "RADIANS", "Radian", "radian"});
        file_.SetRotationUnits(radians ? kRotationRadians : kRotationDegrees);
    } else if (Is(keyword, "GlobalAxisofGravity")) {
        if (Is(value, "X") || Is(value, "x")) {
            return Fail(IncompatibleHeader(L"GlobalAxisofGravity"));
        }
    } else if (Is(keyword, "BoneLengthAxis")) {
        if (!Is(value, "Y")) return Fail(IncompatibleHeader(L"BoneLengthAxis"));
    } else if (Is(keyword, "ScaleFactor")) {
        file_.SetScaleFactor(tovtext::LeadingDouble(value));
    }
    return true;
}

template <typename Char>
bool HTRReader::HandleHierarchyLine(Text<Char> line) {
    std::wstring child = Widen(FirstToken(line));
    const Text<Char> parent = LastToken(line);
    // A token never holds a blank, so only a taken name stops the segment.
    if (Find(child) != nullptr) return Fail(kDuplicateSegment + child);
    auto& segments = file_.segments_;
    segments.push_back(std::make_unique<HTRSegment>(std::move(child)));
    HTRSegment* added = segments.back().get();
    byName_.emplace(added->Name(), added);
    parentNames_.push_back(Widen(parent));
    return true;
}

template <typename Char>
bool HTRReader::HandleBasePositionLine(Text<Char> line) {
    const std::wstring name = Widen(FirstToken(line));
    HTRSegment* segment = Find(name);
    if (segment == nullptr) return Fail(kSegmentNotFound + name);
    double values[7];
    for (double& value : values) value = TakeDouble(line);
    segment->SetBaseTranslation(values[0], values[1], values[2]);
    segment->SetBaseRotationAngles(values[3] * degreeFactor_, values[4] * degreeFactor_,
                                   values[5] * degreeFactor_);
    segment->SetBoneLength(values[6]);
    --segmentCounter_;
    return true;
}

template <typename Char>
void HTRReader::HandleFrameLine(Text<Char> line) {
    // Lines of a section that names no segment have nowhere to go.
    if (currentSegment_ == nullptr) return;
    const std::int32_t frameNumber = tovtext::LeadingInt(FirstToken(line));
    if (firstFramePending_) {
        file_.SetFirstFrame(frameNumber);
        firstFramePending_ = false;
    }
    if (currentSegment_->FrameCount() == 0) {
        const std::uint64_t room = std::min<std::uint64_t>(file_.GetNumFrames(), reserveBudget_);
        currentSegment_->ReserveFrames(static_cast<std::size_t>(room));
        reserveBudget_ -= room;
    }
    double values[7];
    for (double& value : values) value = TakeDouble(line);
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

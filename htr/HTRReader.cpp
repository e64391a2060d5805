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

std::wstring IncompatibleHeader(const wchar_t* keyword) {
    return std::wstring(L"The file does not have a compatible \"") + keyword +
           L"\" header state";
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

bool IsOneOf(std::wstring_view value, std::initializer_list<std::wstring_view> accepted) {
    return std::find(accepted.begin(), accepted.end(), value) != accepted.end();
}

// Takes the first token off `rest`: leading blanks are skipped and the token
// runs to the next blank; `rest` keeps what follows, starting with that blank.
std::wstring_view FirstToken(std::wstring_view& rest) {
    std::size_t begin = 0;
    while (begin < rest.size() && IsBlank(rest[begin])) ++begin;
    std::size_t end = begin;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    const std::wstring_view token = rest.substr(begin, end - begin);
    rest.remove_prefix(end);
    return token;
}

// The last run of non-blank characters of `text`.
std::wstring_view LastToken(std::wstring_view text) {
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1])) --end;
    std::size_t begin = end;
    while (begin > 0 && !IsBlank(text[begin - 1])) --begin;
    return text.substr(begin, end - begin);
}

// Cuts an inline comment (from the first "#") or a stray line feed off the
// line, together with the blanks directly before it.
std::wstring_view CutComment(std::wstring_view line) {
    // A plain scan: find_first_of searches the set once per character.
    std::size_t cut = 0;
    while (cut < line.size() && line[cut] != L'#' && line[cut] != L'\n') ++cut;
    if (cut == line.size()) return line;
    std::size_t end = cut;
    while (end > 0 && IsBlank(line[end - 1])) --end;
    return line.substr(0, end);
}

bool HoldsOnlyBlanks(std::wstring_view line) {
    return std::all_of(line.begin(), line.end(), IsBlank);
}

bool IsEndOfFileSection(std::wstring_view name) {
    return IsOneOf(name, {L"EndOfFile", L"EndofFile", L"ENDOFFILE", L"endoffile"});
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
    bool HandleSectionLine(std::wstring_view line);
    bool HandleHeaderLine(std::wstring_view line);
    bool HandleHierarchyLine(std::wstring_view line);
    bool HandleBasePositionLine(std::wstring_view line);
    void HandleFrameLine(std::wstring_view line);
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

    while (const std::wstring* raw = reader.ReadLine(kMaxLineChars)) {
        std::wstring_view line(*raw);
        if (!line.empty() && line.front() == L'#') continue;
        line = CutComment(line);
        bool goOn = true;
        if (!line.empty() && line.front() == L'[') {
            goOn = HandleSectionLine(line);
        } else if (section_ == Section::Header) {
            goOn = HandleHeaderLine(line);
        } else if (HoldsOnlyBlanks(line)) {
            // Empty lines carry nothing inside the data sections.
        } else if (section_ == Section::Hierarchy) {
            goOn = HandleHierarchyLine(line);
        } else if (section_ == Section::BasePosition) {
            goOn = HandleBasePositionLine(line);
        } else {
            HandleFrameLine(line);
        }
        if (!goOn) {
            if (!message_.empty()) return message_;
            break;
        }
    }
    if (segmentCounter_ != 0) return kSegmentCountWrong;
    return std::wstring();
}

bool HTRReader::HandleSectionLine(std::wstring_view line) {
    std::wstring_view name = line.substr(1);
    if (const std::size_t close = name.find(L']'); close != std::wstring_view::npos) {
        name = name.substr(0, close);
    }
    if (name == L"Header") {
        section_ = Section::Header;
    } else if (name == L"SegmentNames&Hierarchy") {
        section_ = Section::Hierarchy;
    } else if (name == L"BasePosition") {
        ResolveHierarchy();
        // The angle conversion is fixed here, by the rotation units read so far.
        degreeFactor_ =
            file_.GetRotationUnits() == kRotationDegrees ? kDegreesToRadians : 1.0;
        section_ = Section::BasePosition;
    } else {
        section_ = Section::Frames;
        currentSegment_ = Find(name);
    }
    return !IsEndOfFileSection(name);
}

bool HTRReader::HandleHeaderLine(std::wstring_view line) {
    const std::wstring_view keyword = FirstToken(line);
    const std::wstring_view value = LastToken(line);
    if (keyword == L"FileType") {
        if (!IsOneOf(value, {L"HTR", L"Htr", L"htr"})) {
            return Fail(IncompatibleHeader(L"FileType"));
        }
    } else if (keyword == L"DataType") {
        if (!IsOneOf(value, {L"HTRS", L"Htrs", L"htrs"})) {
            return Fail(IncompatibleHeader(L"DataType"));
        }
    } else if (keyword == L"FileVersion") {
        if (value != L"1") return Fail(IncompatibleHeader(L"FileVersion"));
    } else if (keyword == L"NumSegments") {
        segmentCounter_ = tovtext::LeadingInt(value);
    } else if (keyword == L"NumFrames") {
        file_.SetNumFrames(static_cast<std::uint32_t>(tovtext::LeadingInt(value)));
    } else if (keyword == L"DataFrameRate") {
        file_.SetDataFrameRate(tovtext::LeadingInt(value));
    } else if (keyword == L"EulerRotationOrder") {
        if (value != L"ZYX") return Fail(IncompatibleHeader(L"EulerRotationOrder"));
    } else if (keyword == L"CalibrationUnits") {
        file_.SetCalibrationUnits(CalibrationUnitsFromKeyword(value));
    } else if (keyword == L"RotationUnits") {
        const bool radians =
            IsOneOf(value, {L"Radians", L"radians", L"RADIANS", L"Radian", L"radian"});
        file_.SetRotationUnits(radians ? kRotationRadians : kRotationDegrees);
    } else if (keyword == L"GlobalAxisofGravity") {
        if (value == L"X" || value == L"x") {
            return Fail(IncompatibleHeader(L"GlobalAxisofGravity"));
        }
    } else if (keyword == L"BoneLengthAxis") {
        if (value != L"Y") return Fail(IncompatibleHeader(L"BoneLengthAxis"));
    } else if (keyword == L"ScaleFactor") {
        file_.SetScaleFactor(tovtext::LeadingDouble(value));
    }
    return true;
}

bool HTRReader::HandleHierarchyLine(std::wstring_view line) {
    const std::wstring_view child = FirstToken(line);
    const std::wstring_view parent = LastToken(line);
    // A token never holds a blank, so only a taken name stops the segment.
    if (Find(child) != nullptr) return Fail(kDuplicateSegment + std::wstring(child));
    auto& segments = file_.segments_;
    segments.push_back(std::make_unique<HTRSegment>(std::wstring(child)));
    HTRSegment* added = segments.back().get();
    byName_.emplace(added->Name(), added);
    parentNames_.emplace_back(parent);
    return true;
}

bool HTRReader::HandleBasePositionLine(std::wstring_view line) {
    const std::wstring_view name = FirstToken(line);
    HTRSegment* segment = Find(name);
    if (segment == nullptr) return Fail(kSegmentNotFound + std::wstring(name));
    double values[7];
    for (double& value : values) value = tovtext::LeadingDouble(FirstToken(line));
    segment->SetBaseTranslation(values[0], values[1], values[2]);
    segment->SetBaseRotationAngles(values[3] * degreeFactor_, values[4] * degreeFactor_,
                                   values[5] * degreeFactor_);
    segment->SetBoneLength(values[6]);
    --segmentCounter_;
    return true;
}

void HTRReader::HandleFrameLine(std::wstring_view line) {
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
    for (double& value : values) value = tovtext::LeadingDouble(FirstToken(line));
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

// TRCFile::Read: one pass over the lines of a TRC file.
#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "brindle/sdk/TextFile.h"
#include "text/LeadingNumber.h"
#include "trc/TRCFile.h"

namespace {

constexpr std::size_t kMaxLineChars = 10240;

const wchar_t kOpenFailed[] = L"The file could not be opened";
const wchar_t kNotXYZ[] = L"The file is does not have a compatible \"(X/Y/Z)\" header state";
const wchar_t kOutOfMemory[] = L"There is not enough memory to read the file";

// Walks the tab-separated fields of a line. Taking a field reads up to the
// next tab (the whole rest when there is none); skipping moves past the next
// tab and does nothing when there is none, so past the last tab every
// further field reads as the line's last field again.
class FieldWalk {
public:
    explicit FieldWalk(std::wstring_view line) : rest_(line) {}

    std::wstring_view Take() const { return rest_.substr(0, rest_.find(L'\t')); }
    void Skip() {
        const std::size_t tab = rest_.find(L'\t');
        if (tab != std::wstring_view::npos) rest_.remove_prefix(tab + 1);
    }
    void Skip(int fields) {
        for (int n = 0; n < fields; ++n) Skip();
    }
    std::wstring_view TakeAndSkip() {
        const std::size_t tab = rest_.find(L'\t');
        if (tab == std::wstring_view::npos) return rest_;
        const std::wstring_view field = rest_.substr(0, tab);
        rest_.remove_prefix(tab + 1);
        return field;
    }
    bool HasTab() const { return rest_.find(L'\t') != std::wstring_view::npos; }

private:
    std::wstring_view rest_;
};

std::wstring WithTrcExtension(const std::wstring& path) {
    // A path too short to have a fourth character from the end has no
    // extension either.
    const bool hasExtension = path.size() >= 4 && path[path.size() - 4] == L'.';
    return hasExtension ? path : path + L".TRC";
}

}  // namespace

// The working state of one read.
class TRCReader {
public:
    explicit TRCReader(TRCFile& file) : file_(file) {}

    std::wstring Run(const std::wstring& path);

private:
    // Each returns false when the read must end with `message_`.
    bool HandleLine(std::uint64_t number, std::wstring_view line);
    bool HandleLayoutLine(std::wstring_view line);
    void HandleHeaderValues(std::wstring_view line);
    void HandleMarkerNames(std::wstring_view line);
    bool HandleDataRow(std::wstring_view line);

    TRCFile& file_;
    std::wstring message_;
    std::uint64_t fileBytes_ = 0;
    int pathFileType_ = 0;
    bool firstRow_ = true;
    // The marker-name slots of line 4 in order: the kept marker each feeds,
    // or null for a name that was left out (an "Unnamed" one, or a name seen
    // before). Rows skip the three fields of a left-out name, so every kept
    // marker reads its own columns.
    std::vector<TRCMarker*> columns_;
    std::uint32_t keptMarkers_ = 0;
    std::unordered_set<std::wstring_view> names_;
    // Samples all rows may add. A row adds one sample for every marker even
    // when it is short, so a file could ask for far more memory than it is
    // long; the budget stays well above what any well-formed file needs.
    std::uint64_t sampleBudget_ = 0;
    std::uint64_t samples_ = 0;
};

std::wstring TRCFile::Read(const std::wstring& path) {
    try {
        return TRCReader(*this).Run(path);
    } catch (const std::bad_alloc&) {
        return kOutOfMemory;
    }
}

std::wstring TRCReader::Run(const std::wstring& requestedPath) {
    TextFile::Reader reader;
    if (!reader.Open(WithTrcExtension(requestedPath), 0, TextFile::Reader::kLineEndsKeepNone)) {
        return kOpenFailed;
    }
    file_.Reset();
    fileBytes_ = reader.FileSize();
    sampleBudget_ = 2 * fileBytes_ + (std::uint64_t{1} << 16);

    std::uint64_t number = 0;
    while (const std::wstring* raw = reader.ReadLine(kMaxLineChars)) {
        std::wstring_view line(*raw);
        ++number;
        // A comment or empty line gives its number to the line after it,
        // which is taken as it is.
        if (line.empty() || line.front() == L'#') {
            const std::wstring* next = reader.ReadLine(kMaxLineChars);
            line = next != nullptr ? std::wstring_view(*next) : std::wstring_view();
        }
        if (!HandleLine(number, line)) return message_;
    }
    return std::wstring();
}

bool TRCReader::HandleLine(std::uint64_t number, std::wstring_view line) {
    switch (number) {
        case 1: return HandleLayoutLine(line);
        case 2:
        case 5: return true;
        case 3: HandleHeaderValues(line); return true;
        case 4: HandleMarkerNames(line); return true;
        case 6:
            // The blank separator line, when it holds exactly one character.
            if (line.size() == 1) return true;
            return HandleDataRow(line);
        default: return HandleDataRow(line);
    }
}

bool TRCReader::HandleLayoutLine(std::wstring_view line) {
    FieldWalk walk(line);
    walk.Skip();
    pathFileType_ = tovtext::LeadingInt(walk.TakeAndSkip());
    if (walk.Take() != L"(X/Y/Z)") {
        message_ = kNotXYZ;
        return false;
    }
    return true;
}

void TRCReader::HandleHeaderValues(std::wstring_view line) {
    FieldWalk walk(line);
    file_.dataRate_ = tovtext::LeadingInt(walk.TakeAndSkip());
    file_.cameraRate_ = tovtext::LeadingInt(walk.TakeAndSkip());
    file_.numFrames_ = tovtext::LeadingInt(walk.TakeAndSkip());
    walk.Skip();  // the marker count is not used
    file_.units_ = CalibrationUnitsFromKeyword(walk.TakeAndSkip());
    if (pathFileType_ == 4) {
        walk.Skip();
        file_.startFrame_ = tovtext::LeadingInt(walk.Take());
    } else {
        file_.startFrame_ = 1;
    }
}

void TRCReader::HandleMarkerNames(std::wstring_view line) {
    FieldWalk walk(line);
    walk.Skip(2);
    // A name needs a tab after it: a last name that ends the line is not read.
    while (walk.HasTab()) {
        const std::wstring_view name = walk.Take();
        TRCMarker* kept = nullptr;
        if (name.substr(0, 7) != L"Unnamed" && names_.count(name) == 0) {
            kept = &file_.markers_.emplace_back(std::wstring(name));
            names_.insert(kept->GetName());
            ++keptMarkers_;
        }
        columns_.push_back(kept);
        walk.Skip(3);
    }
    // Left-out names after the last kept one have nothing to skip for.
    while (!columns_.empty() && columns_.back() == nullptr) columns_.pop_back();
    if (keptMarkers_ == 0) return;
    // A row holds at least three tabs a marker, so the file's size bounds the
    // rows worth reserving for, whatever the header claims.
    const std::uint64_t rowsThatFit = fileBytes_ / (3 * std::uint64_t{keptMarkers_}) + 1;
    const auto claimed = static_cast<std::uint64_t>(std::max(file_.numFrames_, 0));
    const auto reserve = static_cast<std::size_t>(std::min(claimed, rowsThatFit));
    for (TRCMarker* marker : columns_) {
        if (marker != nullptr) marker->ReserveSamples(reserve);
    }
}

bool TRCReader::HandleDataRow(std::wstring_view line) {
    FieldWalk walk(line);
    if (firstRow_ && pathFileType_ == 3) {
        file_.startFrame_ = tovtext::LeadingInt(walk.Take());
        firstRow_ = false;
    }
    walk.Skip(2);  // frame number and time
    samples_ += keptMarkers_;
    if (samples_ > sampleBudget_) {
        message_ = kOutOfMemory;
        return false;
    }
    for (TRCMarker* marker : columns_) {
        if (marker == nullptr) {
            walk.Skip(3);
            continue;
        }
        const std::wstring_view x = walk.TakeAndSkip();
        if (x.empty()) {
            walk.Skip(2);
            marker->AddDropout();
            continue;
        }
        const std::wstring_view y = walk.TakeAndSkip();
        const std::wstring_view z = walk.TakeAndSkip();
        marker->AddPosition(tovtext::LeadingDouble(x), tovtext::LeadingDouble(y),
                            tovtext::LeadingDouble(z));
    }
    ++file_.rows_;
    return true;
}

// TRCFile::Read: one pass over the lines of a TRC file.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_set>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "brindle/sdk/TextCodec.h"
#include "brindle/sdk/TextFile.h"
#include "text/LeadingNumber.h"
#include "trc/TRCFile.h"

namespace {

constexpr std::size_t kMaxLineChars = 10240;

const wchar_t kOpenFailed[] = L"The file could not be opened";
const wchar_t kNotXYZ[] = L"The file is does not have a compatible \"(X/Y/Z)\" header state";
const wchar_t kOutOfMemory[] = L"There is not enough memory to read the file";

// Lines come as wide text, or as the UTF-8 bytes of a UTF-8 file. Fields are
// split at tabs and numbers and keywords are ASCII, which are the same in
// both, so both give the same model; only names are decoded to wide text.
template <typename Char>
using Text = std::basic_string_view<Char>;

std::wstring Widen(std::string_view bytes) { return TextCodec::DecodeUtf8(bytes); }
std::wstring Widen(std::wstring_view text) { return std::wstring(text); }

// Characters in the line, as the wide line counts them.
std::size_t CharacterCount(std::string_view bytes) { return Widen(bytes).size(); }
std::size_t CharacterCount(std::wstring_view text) { return text.size(); }

// Walks the tab-separated fields of a line. Taking a field reads up to the
// next tab (the whole rest when there is none); skipping moves past the next
// tab and does nothing when there is none, so past the last tab every
// further field reads as the line's last field again.
template <typename Char>
class FieldWalk {
public:
    explicit FieldWalk(Text<Char> line) : rest_(line) {}

    Text<Char> Take() const { return rest_.substr(0, rest_.find(Char('\t'))); }
    void Skip() {
        const std::size_t tab = rest_.find(Char('\t'));
        if (tab != Text<Char>::npos) rest_.remove_prefix(tab + 1);
    }
    void Skip(int fields) {
        for (int n = 0; n < fields; ++n) Skip();
    }
    Text<Char> TakeAndSkip() {
        const std::size_t tab = rest_.find(Char('\t'));
        if (tab == Text<Char>::npos) return rest_;
        const Text<Char> field = rest_.substr(0, tab);
        rest_.remove_prefix(tab + 1);
        return field;
    }
    bool HasTab() const { return rest_.find(Char('\t')) != Text<Char>::npos; }
    // Take().empty(), without searching for the tab.
    bool FieldEmpty() const { return rest_.empty() || rest_.front() == Char('\t'); }
    // LeadingDouble(TakeAndSkip()). On bytes, a field that starts a number is
    // converted straight from the rest of the line: a number never holds a
    // tab, so it ends inside the field, and the tab is searched for only
    // after it.
    double TakeNumberAndSkip() {
        if constexpr (std::is_same_v<Char, char>) {
            if (!rest_.empty() && !tovtext::IsNumberSpace(rest_.front())) {
                std::size_t used = 0;
                const double value = tovtext::LeadingDouble(rest_, used);
                const std::size_t tab = rest_.find('\t', used);
                if (tab != Text<Char>::npos) rest_.remove_prefix(tab + 1);
                return value;
            }
        }
        return tovtext::LeadingDouble(TakeAndSkip());
    }

private:
    Text<Char> rest_;
};

// True when `text` is exactly the ASCII text `ascii`.
template <typename Char>
bool Is(Text<Char> text, std::string_view ascii) {
    if (text.size() != ascii.size()) return false;
    for (std::size_t i = 0; i < ascii.size(); ++i) {
        if (text[i] != static_cast<Char>(ascii[i])) return false;
    }
    return true;
}

std::uint64_t PhysicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return std::uint64_t{1} << 32;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

// Line feeds in a plain file (an upper bound on its lines less one, in
// UTF-8 and UTF-16 alike); none for anything else, which is read once only.
std::uint64_t CountLineFeeds(const std::wstring& path) {
    const std::string nativePath = TextCodec::WideToPath(path);
    std::FILE* file = std::fopen(nativePath.c_str(), "rb");
    if (file == nullptr) return 0;
    struct stat info {};
    std::uint64_t count = 0;
    if (::fstat(::fileno(file), &info) == 0 && S_ISREG(info.st_mode)) {
        std::vector<char> buffer(1 << 16);
        std::size_t got;
        while ((got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0) {
            const char* at = buffer.data();
            const char* end = at + got;
            while ((at = static_cast<const char*>(std::memchr(at, '\n', end - at))) != nullptr) {
                ++count;
                ++at;
            }
        }
    }
    std::fclose(file);
    return count;
}

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
    // Reads every line through `next`, which gives the next line (a Text)
    // or false at the end.
    template <typename Char, typename NextLine>
    std::wstring ReadLines(NextLine next);
    // Each returns false when the read must end with `message_`.
    template <typename Char>
    bool HandleLine(std::uint64_t number, Text<Char> line);
    template <typename Char>
    bool HandleLayoutLine(Text<Char> line);
    template <typename Char>
    void HandleHeaderValues(Text<Char> line);
    template <typename Char>
    bool HandleMarkerNames(Text<Char> line);
    template <typename Char>
    bool HandleDataRow(Text<Char> line);

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
    // when it is short (trailing fields trimmed, or only a frame number), so
    // memory follows rows times markers, not the file's size: the budget is
    // the memory limit (the machine's memory unless the caller set one)
    // over the size of a sample.
    std::uint64_t sampleBudget_ = 0;
    std::uint64_t samples_ = 0;
    std::uint64_t lineFeeds_ = 0;
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
    if (fileBytes_ != 0) lineFeeds_ = CountLineFeeds(WithTrcExtension(requestedPath));
    sampleBudget_ = (file_.memoryLimit_ != 0 ? file_.memoryLimit_ : PhysicalMemory()) /
                    sizeof(TRCSample);

    // A UTF-8 file is read as bytes, so the data rows are never widened.
    if (reader.IsUtf8()) {
        return ReadLines<char>(
            [&](std::string_view& line) { return reader.ReadLineBytes(line); });
    }
    return ReadLines<wchar_t>([&](std::wstring_view& line) {
        const std::wstring* wide = reader.ReadLine(kMaxLineChars);
        if (wide != nullptr) line = *wide;
        return wide != nullptr;
    });
}

template <typename Char, typename NextLine>
std::wstring TRCReader::ReadLines(NextLine next) {
    std::uint64_t number = 0;
    Text<Char> line;
    while (next(line)) {
        ++number;
        // A comment or empty line gives its number to the line after it,
        // which is taken as it is.
        if (line.empty() || line.front() == Char('#')) {
            if (!next(line)) line = Text<Char>();
        }
        if (!HandleLine(number, line)) return message_;
    }
    return std::wstring();
}

template <typename Char>
bool TRCReader::HandleLine(std::uint64_t number, Text<Char> line) {
    switch (number) {
        case 1: return HandleLayoutLine(line);
        case 2:
        case 5: return true;
        case 3: HandleHeaderValues(line); return true;
        case 4: return HandleMarkerNames(line);
        case 6:
            // The blank separator line, when it holds exactly one character
            // (in UTF-8 one to four bytes).
            if (!line.empty() && line.size() <= 4 && CharacterCount(line) == 1) return true;
            return HandleDataRow(line);
        default: return HandleDataRow(line);
    }
}

template <typename Char>
bool TRCReader::HandleLayoutLine(Text<Char> line) {
    FieldWalk<Char> walk(line);
    walk.Skip();
    pathFileType_ = tovtext::LeadingInt(walk.TakeAndSkip());
    if (!Is(walk.Take(), "(X/Y/Z)")) {
        message_ = kNotXYZ;
        return false;
    }
    return true;
}

template <typename Char>
void TRCReader::HandleHeaderValues(Text<Char> line) {
    FieldWalk<Char> walk(line);
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

template <typename Char>
bool TRCReader::HandleMarkerNames(Text<Char> line) {
    FieldWalk<Char> walk(line);
    walk.Skip(2);
    // A name needs a tab after it: a last name that ends the line is not read.
    while (walk.HasTab()) {
        // "Unnamed" is ASCII, so its seven characters are the first seven
        // bytes of a UTF-8 name.
        const Text<Char> field = walk.Take();
        std::wstring name = Widen(field);
        TRCMarker* kept = nullptr;
        if (!Is(field.substr(0, 7), "Unnamed") && names_.count(name) == 0) {
            kept = &file_.markers_.emplace_back(std::move(name));
            names_.insert(kept->GetName());
            ++keptMarkers_;
        }
        columns_.push_back(kept);
        walk.Skip(3);
    }
    // Left-out names after the last kept one have nothing to skip for.
    while (!columns_.empty() && columns_.back() == nullptr) columns_.pop_back();
    if (keptMarkers_ == 0) return true;
    // Every further line can be a row with a sample for each marker; refuse
    // now, before any is taken, when that cannot fit.
    if (lineFeeds_ > sampleBudget_ / keptMarkers_) {
        message_ = kOutOfMemory;
        return false;
    }
    // A row holds at least three tabs a marker, so the file's size bounds the
    // rows worth reserving for, whatever the header claims.
    const std::uint64_t rowsThatFit = fileBytes_ / (3 * std::uint64_t{keptMarkers_}) + 1;
    const auto claimed = static_cast<std::uint64_t>(std::max(file_.numFrames_, 0));
    const auto reserve = static_cast<std::size_t>(std::min(claimed, rowsThatFit));
    for (TRCMarker* marker : columns_) {
        if (marker != nullptr) marker->ReserveSamples(reserve);
    }
    return true;
}

template <typename Char>
bool TRCReader::HandleDataRow(Text<Char> line) {
    FieldWalk<Char> walk(line);
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
        // Only an empty x field makes a dropout.
        if (walk.FieldEmpty()) {
            walk.Skip(3);
            marker->AddDropout();
            continue;
        }
        const double x = walk.TakeNumberAndSkip();
        const double y = walk.TakeNumberAndSkip();
        const double z = walk.TakeNumberAndSkip();
        marker->AddPosition(x, y, z);
    }
    ++file_.rows_;
    return true;
}

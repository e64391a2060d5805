// TRCFile::Read: one pass over the lines of a TRC file. Each data row goes
// to a row sink: the markers of the model keep it (TRCStoredRows), unless
// the caller takes the rows as they come. A plain file whose rows are kept
// is first scanned for its line feeds (CountLineFeeds), so that one too
// large for memory is refused before a row is kept; rows a caller takes,
// and sources that are not plain files, are read once.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <functional>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tovfileio/text/ProcessMemory.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextReader.h"
#include "tovfileio/text/LeadingNumber.h"
#include "TRCFields.h"
#include "tovfileio/trc/TRCFile.h"
#include "TRCReadChecks.h"

namespace tovfileio {

namespace {

using trcfields::FieldWalk;
using trcfields::Is;
using trcfields::Text;


const wchar_t kNotXYZ[] = L"The file is does not have a compatible \"(X/Y/Z)\" header state";
const wchar_t kOutOfMemory[] = L"There is not enough memory to read the file";


// Line feeds in a plain file (an upper bound on its lines less one, in
// UTF-8 and UTF-16 alike); none for anything else, which is read once only.
std::uint64_t CountLineFeeds(const std::wstring& path) {
    const std::string nativePath = WideToPath(path);
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

ReadFinding OutOfMemoryFinding(std::uint64_t limit) {
    ReadFinding finding =
        trcchecks::TrcFinding(ReadFindingCode::kOutOfMemory, ReadFinding::Effect::kRefusal);
    finding.detail = findingdetail::OutOfMemory{.memoryLimit = limit};
    return finding;
}

// The names of the markers kept so far, so that a name seen before is left
// out: open addressing over the markers' numbers, the names being the
// markers' own, so a file of a million markers costs a few megabytes here
// where a set of names would cost a node a name.
class KeptNames {
public:
    // Whether a kept marker has `name`; `nameOf(n)` is marker n's name.
    template <typename NameOf>
    bool Contains(std::wstring_view name, NameOf nameOf) const {
        if (slots_.empty()) return false;
        for (std::size_t at = Home(name); slots_[at] != 0; at = Next(at)) {
            if (nameOf(slots_[at] - 1) == name) return true;
        }
        return false;
    }
    // Adds marker `number`, whose name is not held yet.
    template <typename NameOf>
    void Add(std::uint32_t number, NameOf nameOf) {
        if ((count_ + 1) * 2 > slots_.size()) {
            std::vector<std::uint32_t> old(slots_.empty() ? 64 : slots_.size() * 2, 0);
            old.swap(slots_);
            for (const std::uint32_t held : old) {
                if (held != 0) Place(held, nameOf(held - 1));
            }
        }
        Place(number + 1, nameOf(number));
        ++count_;
    }
    // Gives the memory back once the names are read.
    void Release() {
        std::vector<std::uint32_t>().swap(slots_);
        count_ = 0;
    }

private:
    std::size_t Home(std::wstring_view name) const {
        return std::hash<std::wstring_view>{}(name) & (slots_.size() - 1);
    }
    std::size_t Next(std::size_t at) const { return (at + 1) & (slots_.size() - 1); }
    void Place(std::uint32_t slot, std::wstring_view name) {
        std::size_t at = Home(name);
        while (slots_[at] != 0) at = Next(at);
        slots_[at] = slot;
    }

    std::vector<std::uint32_t> slots_;  // a marker's number plus one; 0 is empty
    std::size_t count_ = 0;
};

}  // namespace

// Keeps every row in the markers of the model. A row adds one sample for
// every marker even when it is short (trailing fields trimmed, or only a
// frame number), so memory follows rows times markers, not the file's size:
// the samples may take the memory limit (the memory the process may have
// unless the caller set one). When the file's line count is known
// beforehand, a file that cannot fit is refused before any row is kept.
class TRCStoredRows : public TRCRowSink {
public:
    TRCStoredRows(TRCFile& file, std::uint64_t fileBytes, std::uint64_t lineFeeds)
        : file_(file),
          fileBytes_(fileBytes),
          lineFeeds_(lineFeeds),
          budget_((file.memoryLimit_ != 0 ? file.memoryLimit_ : ProcessMemoryAvailable()) /
                  sizeof(TRCSample)) {}

    bool Begin(const TRCFile& /*file*/) override {
        const std::uint64_t markers = file_.markers_.size();
        if (markers == 0) return true;
        if (lineFeeds_ > budget_ / markers) return Refuse();
        // A row holds at least three tabs a marker, so the file's size
        // bounds the rows worth reserving for, whatever the header claims.
        const std::uint64_t rowsThatFit = fileBytes_ / (3 * markers) + 1;
        const auto claimed = static_cast<std::uint64_t>(std::max(file_.numFrames_, 0));
        const auto reserve = static_cast<std::size_t>(std::min(claimed, rowsThatFit));
        for (TRCMarker& marker : file_.markers_) marker.ReserveSamples(reserve);
        return true;
    }
    bool Row(const TRCRow& row) override {
        samples_ += row.size();
        if (samples_ > budget_) return Refuse();
        // Walked in order rather than indexed: a deque's index divides by
        // the markers a block holds.
        auto marker = file_.markers_.begin();
        for (const TRCSample& sample : row.Held()) (marker++)->AddSample(sample);
        for (; marker != file_.markers_.end(); ++marker) marker->AddSample(row.Rest());
        return true;
    }
    bool OutOfMemory() const { return outOfMemory_; }

private:
    bool Refuse() {
        outOfMemory_ = true;
        return false;
    }

    TRCFile& file_;
    std::uint64_t fileBytes_;
    std::uint64_t lineFeeds_;
    std::uint64_t budget_;
    std::uint64_t samples_ = 0;
    bool outOfMemory_ = false;
};

// The working state of one read, for lines of one kind of text (UTF-8
// bytes or wide), with the observer's checks (`kChecked`) or without.
template <typename Char, bool kChecked>
class TRCLineReader {
public:
    TRCLineReader(TRCFile& file, TRCRowSink& sink, ReadObserver* observer,
                  const TRCReadOptions& options)
        : file_(file),
          sink_(sink),
          nanIsDropout_(options.nanIsDropout),
          countRowsOnly_(options.countRowsOnly) {
        if constexpr (kChecked) checks_.emplace(*observer);
    }

    // Reads every line through `next`, which gives the next line (a Text)
    // or false at the end. The reader's message, empty on success.
    template <typename NextLine>
    std::wstring Read(NextLine next);

private:
    // Each returns false when the read must end (with `message_` when the
    // file is refused, else because the sink said so).
    bool HandleLine(std::uint64_t number, std::uint64_t physical, Text<Char> line);
    bool HandleLayoutLine(std::uint64_t physical, Text<Char> line);
    void HandleHeaderValues(Text<Char> line);
    void HandleMarkerNames(std::uint64_t physical, Text<Char> line);
    bool HandleDataRow(std::uint64_t physical, Text<Char> line);
    void ReadSample(FieldWalk<Char>& walk, std::size_t marker, std::uint64_t physical, Text<Char> line);
    TRCSample ReadRest(FieldWalk<Char>& walk, std::size_t from, std::uint64_t physical,
                       Text<Char> line);
    double Coordinate(FieldWalk<Char>& walk, std::uint64_t physical, Text<Char> line,
                      std::uint64_t times = 1);
    void ReadRowNumbering(Text<Char> line);
    bool BeginRows();

    TRCFile& file_;
    TRCRowSink& sink_;
    const bool nanIsDropout_;
    const bool countRowsOnly_;
    bool nanInSample_ = false;  // a field of the sample being read said NaN
    std::optional<trcchecks::Checks<Char>> checks_;
    std::wstring message_;
    int pathFileType_ = 0;
    bool firstRow_ = true;
    bool begun_ = false;
    // The marker-name slots of line 4 in order: the kept marker each feeds,
    // or -1 for a name that was left out (an "Unnamed" one, or a name seen
    // before). Rows skip the three fields of a left-out name, so every kept
    // marker reads its own columns.
    std::vector<std::int32_t> columns_;
    std::uint64_t walkedNames_ = 0;
    KeptNames names_;
    std::vector<TRCSample> row_;
};

template <typename Char, bool kChecked>
template <typename NextLine>
std::wstring TRCLineReader<Char, kChecked>::Read(NextLine next) {
    std::uint64_t number = 0, physical = 0;
    Text<Char> line;
    bool goOn = true;
    while (goOn && next(line)) {
        ++number;
        ++physical;
        if constexpr (kChecked) checks_->AnyLine();
        // A comment or empty line gives its number to the line after it,
        // which is taken as it is.
        if (line.empty() || line.front() == Char('#')) {
            if (next(line)) {
                ++physical;
            } else {
                line = Text<Char>();
            }
        }
        goOn = HandleLine(number, physical, line);
    }
    if (!message_.empty()) return message_;
    if (goOn && !BeginRows()) return std::wstring();
    if constexpr (kChecked) checks_->End(file_, pathFileType_);
    return std::wstring();
}

template <typename Char, bool kChecked>
bool TRCLineReader<Char, kChecked>::HandleLine(std::uint64_t number, std::uint64_t physical,
                                               Text<Char> line) {
    switch (number) {
        case 1: return HandleLayoutLine(physical, line);
        case 2: return true;
        case 3:
            HandleHeaderValues(line);
            if constexpr (kChecked) checks_->HeaderValues(physical, line);
            return true;
        case 4: HandleMarkerNames(physical, line); return true;
        case 5:
            if constexpr (kChecked) checks_->LabelLine(physical, line, file_.GetNumMarkers());
            return true;
        case 6:
            // The blank separator line, when it holds exactly one character
            // (in UTF-8 one to four bytes).
            if (!line.empty() && line.size() <= 4 && trcfields::Widen(line).size() == 1) return true;
            if constexpr (kChecked) checks_->SeparatorRow(physical, line);
            return HandleDataRow(physical, line);
        default: return HandleDataRow(physical, line);
    }
}

template <typename Char, bool kChecked>
bool TRCLineReader<Char, kChecked>::HandleLayoutLine(std::uint64_t physical, Text<Char> line) {
    FieldWalk<Char> walk(line);
    walk.Skip();
    pathFileType_ = tovtext::LeadingInt(walk.TakeAndSkip());
    if (!Is(walk.Take(), "(X/Y/Z)")) {
        if constexpr (kChecked) checks_->LayoutRefused(physical, line);
        message_ = kNotXYZ;
        return false;
    }
    if constexpr (kChecked) checks_->LayoutRead(physical, line, pathFileType_);
    return true;
}

template <typename Char, bool kChecked>
void TRCLineReader<Char, kChecked>::HandleHeaderValues(Text<Char> line) {
    FieldWalk<Char> walk(line);
    file_.dataRate_ = tovtext::LeadingInt(walk.TakeAndSkip());
    file_.cameraRate_ = tovtext::LeadingInt(walk.TakeAndSkip());
    file_.numFrames_ = tovtext::LeadingInt(walk.TakeAndSkip());
    walk.Skip();  // the marker count is not used
    const Text<Char> unit = walk.TakeAndSkip();
    file_.units_ = CalibrationUnitsFromKeyword(unit);
    file_.unitsStated_ = KnownCalibrationUnits(unit) || KnownCalibrationUnits(trcfields::Trim(unit));
    if (pathFileType_ == 4) {
        walk.Skip();
        file_.startFrame_ = tovtext::LeadingInt(walk.Take());
    } else {
        file_.startFrame_ = 1;
    }
}

template <typename Char, bool kChecked>
void TRCLineReader<Char, kChecked>::HandleMarkerNames(std::uint64_t physical, Text<Char> line) {
    FieldWalk<Char> walk(line);
    walk.Skip(2);
    // A name needs a tab after it: a last name that ends the line is not read.
    while (walk.HasTab()) {
        // "Unnamed" is ASCII, so its seven characters are the first seven
        // bytes of a UTF-8 name.
        const Text<Char> field = walk.Take();
        std::wstring name = trcfields::Widen(field);
        std::int32_t kept = -1;
        const auto nameOf = [this](std::uint32_t m) -> std::wstring_view {
            return file_.markers_[m].GetName();
        };
        if (!Is(field.substr(0, 7), "Unnamed") && !names_.Contains(name, nameOf)) {
            kept = static_cast<std::int32_t>(file_.markers_.size());
            file_.markers_.emplace_back(std::move(name));
            names_.Add(static_cast<std::uint32_t>(kept), nameOf);
        } else if constexpr (kChecked) {
            checks_->NameLeftOut(physical, line, field);
        }
        columns_.push_back(kept);
        ++walkedNames_;
        walk.Skip(3);
    }
    names_.Release();
    // Left-out names after the last kept one have nothing to skip for.
    while (!columns_.empty() && columns_.back() < 0) columns_.pop_back();
    columns_.shrink_to_fit();
    row_.resize(file_.markers_.size());
    if constexpr (kChecked) checks_->MarkerNames(physical, line, file_, walkedNames_, walk.Take());
}

// The first row's Frame# and Time: how the file numbers and times its rows,
// when both are numbers.
template <typename Char, bool kChecked>
void TRCLineReader<Char, kChecked>::ReadRowNumbering(Text<Char> line) {
    FieldWalk<Char> walk(line);
    const Text<Char> frameField = walk.TakeAndSkip();
    const Text<Char> timeField = walk.Take();
    std::size_t frameUsed = 0, timeUsed = 0;
    tovtext::LeadingDouble(frameField, frameUsed);
    const double time = tovtext::LeadingDouble(timeField, timeUsed);
    if (frameUsed == 0 || timeUsed == 0 || !std::isfinite(time)) return;
    double periods = time * file_.dataRate_;
    // A time printed to a few decimals (or under a rate the header rounds to
    // a whole number) is a whole number of periods but for that rounding.
    const double whole = std::round(periods);
    if (std::abs(periods - whole) < 0.05) periods = whole;
    file_.rowNumbering_ =
        RowNumbering{tovtext::LeadingInt(frameField), file_.dataRate_ > 0 ? periods : 0.0};
}

template <typename Char, bool kChecked>
bool TRCLineReader<Char, kChecked>::BeginRows() {
    if (begun_) return true;
    begun_ = true;
    return sink_.Begin(file_);
}

template <typename Char, bool kChecked>
bool TRCLineReader<Char, kChecked>::HandleDataRow(std::uint64_t physical, Text<Char> line) {
    FieldWalk<Char> walk(line);
    if (firstRow_) {
        if (pathFileType_ == 3) file_.startFrame_ = tovtext::LeadingInt(walk.Take());
        ReadRowNumbering(line);
        firstRow_ = false;
        if (!BeginRows()) return false;
    }
    if (countRowsOnly_) {
        ++file_.rows_;
        return true;
    }
    if constexpr (kChecked) checks_->RowStart(physical, line);
    walk.Skip(2);  // frame number and time
    // The columns up to the row's end; every marker after it reads the same.
    std::size_t held = 0;
    for (const std::int32_t marker : columns_) {
        if (walk.RanOut()) break;
        if (marker < 0) {
            walk.Skip(3);
        } else {
            ReadSample(walk, static_cast<std::size_t>(marker), physical, line);
            held = static_cast<std::size_t>(marker) + 1;
        }
    }
    const TRCSample rest = held < row_.size() ? ReadRest(walk, held, physical, line) : TRCSample{};
    if constexpr (kChecked) {
        // Columns of left-out names after the last kept one, then the rest.
        walk.Skip(3 * static_cast<int>(walkedNames_ - columns_.size()));
        if (!walk.RanOut()) checks_->RowRest(physical, line, walk.Rest(), 2 + 3 * walkedNames_);
    }
    ++file_.rows_;
    return sink_.Row(TRCRow(std::span<const TRCSample>(row_).first(held), rest, row_.size()));
}

template <typename Char, bool kChecked>
void TRCLineReader<Char, kChecked>::ReadSample(FieldWalk<Char>& walk, std::size_t marker,
                                               std::uint64_t physical, Text<Char> line) {
    TRCSample& sample = row_[marker];
    // Only an empty x field makes a dropout.
    if (walk.FieldEmpty()) {
        walk.Skip(3);
        sample = TRCSample{};
    } else {
        nanInSample_ = false;
        sample.valid = true;
        sample.x = Coordinate(walk, physical, line);
        sample.y = Coordinate(walk, physical, line);
        sample.z = Coordinate(walk, physical, line);
        if (nanInSample_) sample = TRCSample{};
    }
    if constexpr (kChecked) checks_->Sample(marker, sample);
}

// The sample of every marker from `from` on, in a row that ran out of
// fields before their columns: each reads the row's last field as x, y and
// z, or is a dropout when the row ends in a tab. Read once for them all, and
// found by the checks as often as the markers read it.
template <typename Char, bool kChecked>
TRCSample TRCLineReader<Char, kChecked>::ReadRest(FieldWalk<Char>& walk, std::size_t from,
                                                  std::uint64_t physical, Text<Char> line) {
    if constexpr (kChecked) checks_->ShortRow(physical, line, walk.Rest());
    TRCSample rest;
    if (!walk.FieldEmpty()) {
        nanInSample_ = false;
        rest.valid = true;
        rest.x = rest.y = rest.z = Coordinate(walk, physical, line, 3 * (row_.size() - from));
        if (nanInSample_) rest = TRCSample{};
    }
    if constexpr (kChecked) checks_->SampleFrom(from, rest);
    return rest;
}

template <typename Char, bool kChecked>
double TRCLineReader<Char, kChecked>::Coordinate(FieldWalk<Char>& walk, std::uint64_t physical,
                                                 Text<Char> line, std::uint64_t times) {
    bool* nan = nanIsDropout_ ? &nanInSample_ : nullptr;
    if constexpr (kChecked) {
        bool hasText = false;
        Text<Char> field;
        const bool nanBefore = nanInSample_;
        const double value = walk.template TakeNumberAndSkip<true>(&hasText, &field, nan);
        if (hasText) checks_->TextInNumber(physical, line, field, times);
        // A sample is told once, at its first field that says NaN; the rest
        // of a trimmed row (`times` fields) is that many over three samples.
        if (nanInSample_ && !nanBefore) {
            checks_->NanSample(physical, line, field, times == 1 ? 1 : times / 3);
        }
        return value;
    } else {
        static_cast<void>(times);
        return walk.TakeNumberAndSkip(nullptr, nullptr, nan);
    }
}

namespace {

// Reads the lines of `reader` with or without the observer's checks.
template <typename Char, bool kChecked>
std::wstring ReadLinesOf(TextLines& reader, TRCFile& file, TRCRowSink& sink,
                         const TRCReadOptions& options) {
    TRCLineReader<Char, kChecked> lines(file, sink, options.findings, options);
    if constexpr (std::is_same_v<Char, char>) {
        // A UTF-8 file is read as bytes, so the data rows are never widened.
        return lines.Read([&](std::string_view& line) { return reader.ReadLineBytes(line); });
    } else {
        return lines.Read([&](std::wstring_view& line) {
            const std::wstring* wide = reader.ReadLine();
            if (wide != nullptr) line = *wide;
            return wide != nullptr;
        });
    }
}

std::wstring ReadLines(TextLines& reader, TRCFile& file, TRCRowSink& sink,
                       const TRCReadOptions& options) {
    const bool checked = options.findings != nullptr;
    if (reader.IsUtf8()) {
        return checked ? ReadLinesOf<char, true>(reader, file, sink, options)
                       : ReadLinesOf<char, false>(reader, file, sink, options);
    }
    return checked ? ReadLinesOf<wchar_t, true>(reader, file, sink, options)
                   : ReadLinesOf<wchar_t, false>(reader, file, sink, options);
}

}  // namespace

// The read itself, once the source is open: the model is reset, the rows go
// to the caller's sink or into the markers.
class TRCReader {
public:
    static std::wstring Run(TRCFile& file, TextLines& reader, const TRCReadOptions& options,
                            std::uint64_t lineFeeds) {
        file.Reset();
        TRCStoredRows stored(file, reader.Size(), lineFeeds);
        TRCRowSink& sink = options.rows != nullptr ? *options.rows : stored;
        const std::wstring message = ReadLines(reader, file, sink, options);
        if (stored.OutOfMemory()) return OutOfMemory(file, options);
        return message;
    }

    static std::wstring OutOfMemory(const TRCFile& file, const TRCReadOptions& options) {
        if (options.findings != nullptr) options.findings->Found(OutOfMemoryFinding(file.memoryLimit_));
        return kOutOfMemory;
    }
};

std::wstring TRCFile::Read(const std::wstring& path) { return Read(path, TRCReadOptions{}); }

std::wstring TRCFile::ReadFile(std::string_view path, const TRCReadOptions& options) {
    return Read(PathToWide(path), options);
}

std::wstring TRCFile::ReadMemory(std::string_view bytes, const TRCReadOptions& options) {
    TextReader reader;
    reader.OpenMemory(bytes);
    return Read(reader, options);
}

std::wstring TRCFile::Read(const std::wstring& path, const TRCReadOptions& options) {
    int error = 0;
    const std::unique_ptr<TextLines> lines = TextFiles().OpenLines(path, error);
    if (!lines) {
        if (options.findings != nullptr) {
            ReadFinding finding = trcchecks::TrcFinding(ReadFindingCode::kCannotOpen,
                                                        ReadFinding::Effect::kRefusal);
            finding.detail =
                findingdetail::CannotOpen{.error = error, .pathTried = EncodeUtf8(path)};
            options.findings->Found(finding);
        }
        return kFileNotOpened;
    }
    try {
        // Kept rows are counted first, so a file too large is refused before
        // any is kept; rows that go to a sink need no count.
        const bool keep = options.rows == nullptr && lines->Size() != 0;
        return TRCReader::Run(*this, *lines, options, keep ? CountLineFeeds(path) : 0);
    } catch (const std::bad_alloc&) {
        return TRCReader::OutOfMemory(*this, options);
    }
}

std::wstring TRCFile::Read(TextLines& source, const TRCReadOptions& options) {
    try {
        return TRCReader::Run(*this, source, options, 0);
    } catch (const std::bad_alloc&) {
        return TRCReader::OutOfMemory(*this, options);
    }
}

}  // namespace tovfileio

#include "tovfileio/repair/Repair.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <unordered_map>

#include "RepairLines.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/FindingList.h"
#include "tovfileio/text/LeadingNumber.h"
#include "tovfileio/text/Phrases.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextFiles.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio::repair {

namespace {

// Rows are counted by the reader and dropped: a repair needs their findings,
// never their values.
class DroppedRows : public TRCRowSink {
public:
    bool Row(const TRCRow&) override { return true; }
};

}  // namespace

std::vector<Line> SplitLines(std::string_view bytes) {
    std::vector<Line> lines;
    std::uint64_t number = 0;
    while (!bytes.empty()) {
        const std::size_t feed = bytes.find('\n');
        std::string_view text = bytes.substr(0, feed);
        std::string end = feed == bytes.npos ? "" : "\n";
        if (!text.empty() && text.back() == '\r') {
            text.remove_suffix(1);
            end.insert(end.begin(), '\r');
        }
        lines.push_back(Line{std::string(text), std::move(end), ++number});
        bytes.remove_prefix(feed == bytes.npos ? bytes.size() : feed + 1);
    }
    return lines;
}

std::string JoinLines(const std::vector<Line>& lines) {
    std::size_t size = 0;
    for (const Line& line : lines) size += line.text.size() + line.end.size();
    std::string text;
    text.reserve(size);
    for (const Line& line : lines) {
        text += line.text;
        text += line.end;
    }
    return text;
}

const ReadFinding* Reading::Find(ReadFindingCode code) const {
    const auto found = std::find_if(findings.begin(), findings.end(),
                                    [code](const ReadFinding& f) { return f.code == code; });
    return found == findings.end() ? nullptr : &*found;
}

Reading ReadTrcText(std::string_view bytes) {
    Reading reading;
    FindingList gathered(true);
    DroppedRows rows;
    TRCFile file;
    TRCReadOptions options;
    options.findings = &gathered;
    options.rows = &rows;
    reading.message = EncodeUtf8(file.ReadMemory(bytes, options));
    reading.findings = gathered.All();
    return reading;
}

Reading ReadHtrText(std::string_view bytes) {
    Reading reading;
    FindingList gathered(true);
    HTRFile file;
    reading.message = EncodeUtf8(file.ReadMemory(bytes, &gathered));
    reading.findings = gathered.All();
    return reading;
}

std::vector<std::string_view> Tokens(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    while (true) {
        at = text.find_first_not_of(separators, at);
        if (at == text.npos) break;
        std::size_t end = text.find_first_of(separators, at);
        if (end == text.npos) end = text.size();
        tokens.push_back(text.substr(at, end - at));
        at = end;
    }
    return tokens;
}

std::vector<std::string_view> TabFields(std::string_view text) {
    std::vector<std::string_view> fields;
    std::size_t at = 0;
    while (true) {
        const std::size_t tab = text.find('\t', at);
        fields.push_back(text.substr(at, tab == text.npos ? text.npos : tab - at));
        if (tab == text.npos) break;
        at = tab + 1;
    }
    return fields;
}

std::string JoinWithTabs(const std::vector<std::string_view>& fields) {
    std::string text;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) text += '\t';
        text += fields[i];
    }
    return text;
}

bool BlanksSeparateRow(std::string_view text) {
    if (text.find(' ') == text.npos || Tokens(text, " \t").empty()) return false;
    if (text.find('\t') == text.npos) return true;
    const std::vector<std::string_view> fields = TabFields(text);
    return std::any_of(fields.begin(), fields.end(),
                       [](std::string_view field) { return Tokens(field, " ").size() > 1; });
}

RepairResult Verdict(const std::vector<Line>& lines, std::vector<RepairChange> changes,
                     const Reading& asGiven, Reading (*read)(std::string_view)) {
    RepairResult result;
    std::string text = JoinLines(lines);
    Reading repaired = read(text);
    if (!repaired.message.empty()) {
        // What stays refused is told as the file as given reads.
        result.message = asGiven.message.empty() ? repaired.message : asGiven.message;
        result.findings = asGiven.message.empty() ? std::move(repaired.findings) : asGiven.findings;
        return result;
    }
    std::stable_sort(changes.begin(), changes.end(),
                     [](const RepairChange& a, const RepairChange& b) { return a.line < b.line; });
    result.text = std::move(text);
    result.changes = std::move(changes);
    result.findings = std::move(repaired.findings);
    return result;
}

RepairResult Refusal(const Reading& asGiven, std::string message) {
    RepairResult refused;
    refused.message = std::move(message);
    refused.findings = asGiven.findings;
    return refused;
}

// A comment or an empty line hands its number to the line after it, which
// is taken as it is.
std::vector<std::size_t> NumberedLines(const std::vector<Line>& lines) {
    std::vector<std::size_t> numbered;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].text.empty() || lines[i].text.front() == '#') ++i;
        numbered.push_back(i < lines.size() ? i : kNoLine);
    }
    return numbered;
}

// Those the reader numbers 6 and on, but for a line 6 of one character, the
// blank line.
std::vector<std::size_t> RowLines(const std::vector<Line>& lines) {
    const std::vector<std::size_t> numbered = NumberedLines(lines);
    std::vector<std::size_t> rows;
    for (std::size_t n = 5; n < numbered.size(); ++n) {
        // A view of the line itself: a conditional with "" would make a
        // string that is gone at the end of the statement.
        const std::string_view text =
            numbered[n] == kNoLine ? std::string_view() : std::string_view(lines[numbered[n]].text);
        if (n == 5 && !text.empty() && text.size() <= 4 && DecodeUtf8(text).size() == 1) continue;
        rows.push_back(numbered[n]);
    }
    return rows;
}

std::size_t SampleSlots(const std::vector<Line>& lines) {
    const std::vector<std::size_t> numbered = NumberedLines(lines);
    if (numbered.size() < 4 || numbered[3] == kNoLine) return 0;
    // Names in fields 3, 6, 9, ..., each read only with a field after it.
    const std::size_t fields = TabFields(lines[numbered[3]].text).size();
    return fields < 4 ? 0 : (fields - 4) / 3 + 1;
}

bool SaysNaN(std::string_view field) {
    while (!field.empty() && tovtext::IsNumberSpace(field.back())) field.remove_suffix(1);
    while (!field.empty() && tovtext::IsNumberSpace(field.front())) field.remove_prefix(1);
    if (!field.empty() && (field.front() == '-' || field.front() == '+')) field.remove_prefix(1);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return field.size() == 3 && lower(field[0]) == 'n' && lower(field[1]) == 'a' && lower(field[2]) == 'n';
}

bool NanSample(const std::vector<std::string_view>& fields, std::size_t column) {
    if (fields.empty()) return false;
    for (std::size_t c = column; c < column + 3; ++c) {
        if (SaysNaN(fields[std::min(c, fields.size() - 1)])) return true;
    }
    return false;
}

namespace {

// The fields of `text` between each two of the characters `separators`.
std::vector<std::string_view> Split(std::string_view text, std::string_view separators) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t end = text.find_first_of(separators, at);
        fields.push_back(text.substr(at, end == text.npos ? text.npos : end - at));
        if (end == text.npos) return fields;
        at = end + 1;
    }
}

// The fields of a data row of the file as given, in the columns the repair
// places them (`fields` a row, 0 when the header does not say): commas in a
// line of commas; blanks and tabs as PlacedFields reads them, in a row
// whose blanks separate its fields; else tabs. `placed` holds the text.
std::vector<std::string_view> SourceFields(std::string_view text, bool commas, std::size_t fields,
                                           std::string& placed) {
    if (commas && text.find('\t') == text.npos) return Split(text, ",");
    bool empties = false;
    if (!commas && BlanksSeparateRow(text) && PlacedFields(text, fields, placed, empties)) {
        return Split(placed, "\t");
    }
    return Split(text, "\t");
}

// Whether field `c` of a row as given belongs to a sample that says NaN,
// in the first `slots` marker columns: the repair writes it empty.
bool InNanSample(const std::vector<std::string_view>& given, std::size_t c, std::size_t slots) {
    return c >= 2 && c < 2 + 3 * slots && NanSample(given, c - (c - 2) % 3);
}

// The first field of `given` that `written` does not hold in its column (a
// field past either's end being empty), but for a field of a sample that
// says NaN written empty, in words; empty when none.
std::string FieldMoved(const std::vector<std::string_view>& given,
                       const std::vector<std::string_view>& written, std::size_t slots) {
    for (std::size_t c = 0; c < std::max(given.size(), written.size()); ++c) {
        const std::string_view was = c < given.size() ? given[c] : "";
        const std::string_view is = c < written.size() ? written[c] : "";
        if (was != is && !(is.empty() && InNanSample(given, c, slots))) {
            return "field " + std::to_string(c + 1) + ", " + Quoted(was) +
                   ", would stand in another column";
        }
    }
    return {};
}

// The slot of three columns each name of line 4 (`text`, of the file as
// given) stands over, the first of a name given twice: fields 2, 5, 8... of
// a line of tabs or commas; the names in their order on a line of blanks.
std::unordered_map<std::wstring, std::size_t> NameSlots(std::string_view text, bool commas) {
    std::unordered_map<std::wstring, std::size_t> slots;
    const bool blanks = !commas && text.find('\t') == text.npos;
    const std::vector<std::string_view> names =
        blanks ? Tokens(text, " ") : Split(text, commas ? ",\t" : "\t");
    for (std::size_t i = 2; i < names.size(); i += blanks ? 1 : 3) {
        slots.emplace(DecodeUtf8(names[i]), blanks ? i - 2 : (i - 2) / 3);
    }
    return slots;
}

// The sample a marker whose x is field `column` of a row's `fields` means:
// past the row's end every field reads as its last again, and an empty x or
// a field that says NaN is a dropout.
TRCSample SampleAt(const std::vector<std::string_view>& fields, std::size_t column) {
    const auto field = [&fields](std::size_t c) { return fields[std::min(c, fields.size() - 1)]; };
    TRCSample sample;
    if (field(column).empty() || NanSample(fields, column)) return sample;
    sample.valid = true;
    sample.x = tovtext::LeadingDouble(field(column));
    sample.y = tovtext::LeadingDouble(field(column + 1));
    sample.z = tovtext::LeadingDouble(field(column + 2));
    return sample;
}

bool SameSample(const TRCSample& a, const TRCSample& b) {
    return a.valid == b.valid && (!a.valid || (a.x == b.x && a.y == b.y && a.z == b.z));
}

// Each row the reader reads from the repaired lines against the row of the
// file as given it came from: the first value moved, in words.
class ReadBack : public TRCRowSink {
public:
    ReadBack(const std::vector<Line>& source, const std::vector<Line>& lines, bool commas,
             std::size_t fields)
        : source_(source), lines_(lines), commas_(commas), fields_(fields), rows_(RowLines(lines)),
          slots_(SampleSlots(lines)) {
        const std::vector<std::size_t> numbered = NumberedLines(source);
        if (numbered.size() > 3 && numbered[3] != kNoLine) {
            nameSlots_ = NameSlots(source[numbered[3]].text, commas);
        }
    }

    bool Begin(const TRCFile& file) override {
        for (std::uint32_t m = 0; m < file.GetNumMarkers(); ++m) {
            const auto slot = nameSlots_.find(file.GetMarker(m)->GetName());
            if (slot == nameSlots_.end()) {
                moved = "marker " + Quoted(EncodeUtf8(file.GetMarker(m)->GetName())) +
                        " would not be one line 4 names";
                return false;
            }
            columns_.push_back(2 + 3 * slot->second);
            names_.push_back(EncodeUtf8(file.GetMarker(m)->GetName()));
        }
        return true;
    }

    bool Row(const TRCRow& row) override {
        const std::size_t at = next_ < rows_.size() ? rows_[next_] : kNoLine;
        ++next_;
        // A row the repair adds, or the empty one read after a last line.
        if (at == kNoLine || lines_[at].number == 0) return true;
        const std::uint64_t number = lines_[at].number;
        std::string placed;
        const std::vector<std::string_view> given =
            SourceFields(source_[number - 1].text, commas_, fields_, placed);
        moved = FieldMoved(given, TabFields(lines_[at].text), slots_);
        for (std::size_t m = 0; m < columns_.size() && moved.empty(); ++m) {
            if (!SameSample(row[m], SampleAt(given, columns_[m]))) {
                moved = "marker " + Quoted(names_[m]) +
                        " would not read the values of its own columns";
            }
        }
        if (!moved.empty()) moved.insert(0, "line " + std::to_string(number) + ": ");
        read_.push_back(number);
        return moved.empty();
    }

    // The first row of the file as given that holds a value and was not
    // read, in order; empty when every one was.
    std::string RowLost() const {
        std::size_t next = 0;
        for (const std::size_t at : RowLines(source_)) {
            if (at == kNoLine || Tokens(source_[at].text, " \t,").empty()) continue;
            while (next < read_.size() && read_[next] < source_[at].number) ++next;
            if (next == read_.size() || read_[next] != source_[at].number) {
                return "line " + std::to_string(source_[at].number) +
                       ": the row would not be read";
            }
        }
        return {};
    }

    std::string moved;

private:
    const std::vector<Line>& source_;
    const std::vector<Line>& lines_;
    const bool commas_;
    const std::size_t fields_;
    const std::vector<std::size_t> rows_;
    const std::size_t slots_;  // the marker columns of a repaired row
    std::unordered_map<std::wstring, std::size_t> nameSlots_;
    std::vector<std::size_t> columns_;  // of each marker's x
    std::vector<std::string> names_;
    std::size_t next_ = 0;
    std::vector<std::uint64_t> read_;  // the source lines of the rows read
};

}  // namespace

std::string MovedTrcValue(const std::vector<Line>& source, const std::vector<Line>& lines,
                          bool commas, std::size_t rowFields) {
    ReadBack back(source, lines, commas, rowFields);
    TRCFile file;
    TRCReadOptions options;
    options.rows = &back;
    const std::wstring refused = file.ReadMemory(JoinLines(lines), options);
    if (!refused.empty()) return EncodeUtf8(refused);
    if (!back.moved.empty()) return back.moved + " of the repaired file";
    const std::string lost = back.RowLost();
    return lost.empty() ? lost : lost + " from the repaired file";
}

}  // namespace tovfileio::repair

namespace tovfileio {

RepairResult RepairText(std::string_view bytes, FileKind kind) {
    if (kind != FileKind::kTrc && kind != FileKind::kHtr) {
        RepairResult refused;
        refused.message = "only HTR and TRC files are repaired";
        return refused;
    }
    const bool trc = kind == FileKind::kTrc;
    repair::Reading asGiven = trc ? repair::ReadTrcText(bytes) : repair::ReadHtrText(bytes);
    const bool utf16 = bytes.size() >= 2 && ((bytes[0] == '\xFF' && bytes[1] == '\xFE') ||
                                             (bytes[0] == '\xFE' && bytes[1] == '\xFF'));
    if (!utf16) return trc ? repair::RepairTrc(bytes, asGiven) : repair::RepairHtr(bytes, asGiven);
    // The rewrites work on UTF-8 lines: a UTF-16 file is kept as it reads.
    RepairResult kept;
    kept.message = std::move(asGiven.message);
    kept.findings = std::move(asGiven.findings);
    if (kept.message.empty()) kept.text = std::string(bytes);
    return kept;
}

RepairResult RepairFile(std::string_view path, FileKind kind) {
    // Read as bytes, so that every line keeps its own line end.
    errno = 0;
    std::FILE* file = std::fopen(std::string(path).c_str(), "rb");
    std::string bytes;
    bool whole = file != nullptr;
    if (file != nullptr) {
        char buffer[1 << 16];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
        whole = std::ferror(file) == 0;
        std::fclose(file);
    }
    if (!whole) {
        RepairResult refused;
        refused.message = EncodeUtf8(kFileNotOpened);
        ReadFinding finding = MakeFinding(kind == FileKind::kHtr ? FileKind::kHtr : FileKind::kTrc,
                                          ReadFindingCode::kCannotOpen, ReadFinding::Effect::kRefusal);
        finding.detail = findingdetail::CannotOpen{errno, std::string(path)};
        refused.findings.push_back(std::move(finding));
        return refused;
    }
    return RepairText(bytes, kind);
}

bool WriteRepaired(const RepairResult& result, const std::wstring& path, int& error) {
    error = 0;
    std::unique_ptr<TextOutput> output = TextFiles().CreateOutput(path, error);
    if (output == nullptr) return false;
    output->Write(result.text);
    if (output->Failed() || !output->Commit()) {
        error = output->Error();
        output->Discard();
        return false;
    }
    return true;
}

}  // namespace tovfileio

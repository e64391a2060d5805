#include "tovfileio/repair/Repair.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "RepairLines.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextFiles.h"
#include "tovfileio/trc/TRCFile.h"

namespace tovfileio::repair {

namespace {

class Gathered : public ReadObserver {
public:
    explicit Gathered(std::vector<ReadFinding>& into) : into_(into) {}
    void Found(const ReadFinding& finding) override { into_.push_back(finding); }
    bool WantsEveryRefusal() const override { return true; }

private:
    std::vector<ReadFinding>& into_;
};

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
    Gathered gathered(reading.findings);
    DroppedRows rows;
    TRCFile file;
    TRCReadOptions options;
    options.findings = &gathered;
    options.rows = &rows;
    reading.message = EncodeUtf8(file.ReadMemory(bytes, options));
    return reading;
}

Reading ReadHtrText(std::string_view bytes) {
    Reading reading;
    Gathered gathered(reading.findings);
    HTRFile file;
    reading.message = EncodeUtf8(file.ReadMemory(bytes, &gathered));
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
        ReadFinding finding = MakeFinding(kind == FileKind::kHtr ? ReadFormat::kHtr : ReadFormat::kTrc,
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

#include "cli/report/RepairReport.h"

#include <algorithm>
#include <map>

#include "cli/report/FindingReport.h"
#include "tovfileio/htr/HTRFile.h"
#include "tovfileio/trc/TRCFile.h"

using namespace tovfileio;

namespace {

struct Run {
    std::uint64_t first;
    std::uint64_t last;
};

class NoRows : public TRCRowSink {
public:
    bool Row(const TRCRow&) override { return true; }
};

}  // namespace

std::vector<std::string> GroupedChanges(const std::vector<RepairChange>& changes) {
    // Runs per wording, then every run in the order of its first line.
    std::map<std::string, std::vector<Run>> runs;
    for (const RepairChange& change : changes) {
        std::vector<Run>& of = runs[change.text];
        if (!of.empty() && change.line != 0 && (of.back().last == change.line || of.back().last + 1 == change.line)) {
            of.back().last = change.line;
        } else {
            of.push_back(Run{change.line, change.line});
        }
    }
    std::multimap<std::uint64_t, std::string> ordered;
    for (const auto& [text, of] : runs) {
        for (const Run& run : of) {
            std::string where = run.first == 0 ? "the file"
                                : run.first == run.last
                                    ? "line " + std::to_string(run.first)
                                    : "lines " + std::to_string(run.first) + "-" + std::to_string(run.last);
            ordered.emplace(run.first, where + ": " + Escaped(text));
        }
    }
    std::vector<std::string> lines;
    for (auto& [line, text] : ordered) lines.push_back(std::move(text));
    return lines;
}

std::string RepairHint(const std::string& path, FileKind kind, bool clearsMisreads) {
    if (kind != FileKind::kHtr && kind != FileKind::kTrc) return std::string();
    const RepairResult repair = RepairFile(path, kind);
    if (!repair.Repaired() || repair.changes.empty()) return std::string();
    if (clearsMisreads && std::any_of(repair.findings.begin(), repair.findings.end(),
                                      LosesOrMovesData)) {
        return std::string();
    }
    const std::vector<std::string> grouped = GroupedChanges(repair.changes);
    std::string hint = "; `tovfileio repair IN OUT` repairs it (" + grouped.front();
    if (grouped.size() > 1) hint += ", and " + std::to_string(grouped.size() - 1) + " more";
    return hint + ")";
}

std::string RefusalFix(const std::string& path, FileKind kind) {
    FindingList findings;
    std::wstring message;
    if (kind == FileKind::kTrc) {
        NoRows rows;
        TRCFile trc;
        TRCReadOptions options;
        options.findings = &findings;
        options.rows = &rows;
        message = trc.ReadFile(path, options);
    } else if (kind == FileKind::kHtr) {
        HTRFile htr;
        message = htr.ReadFile(path, &findings);
    }
    const ReadFinding* refusal = findings.Refusal();
    if (message.empty() || refusal == nullptr) return std::string();
    const std::string cause = RefusalCause(*refusal);
    if (cause.empty()) return std::string();
    return cause + RepairHint(path, kind);
}

#include "cli/report/FindingReport.h"

#include "cli/report/RepairReport.h"

using namespace tovfileio;

void Warnings::Add(const std::string& file, const std::string& text) {
    io_.Err(file + ": warning: " + text + "\n");
    ++count_;
}

void Warnings::AddFindings(const std::string& file, const std::vector<ReadFinding>& findings) {
    for (const ReadFinding& finding : findings) {
        if (IsWarning(finding)) Add(file, FindingText(finding));
    }
}

std::string RefusalContext(const FindingList& findings, const std::string& name,
                           const std::string& tried) {
    const ReadFinding* refusal = findings.Refusal();
    if (refusal == nullptr) return std::string();
    std::string cause = RefusalCause(*refusal);
    if (cause.empty()) return cause;
    if (const auto* open = refusal->Get<findingdetail::CannotOpen>()) {
        // The reader may have opened another file than the one named (the
        // host's rule adds an extension); say which.
        const std::string& file = tried.empty() ? open->pathTried : tried;
        if (file != name) cause = "tried " + file + ": " + cause;
        return "(" + cause + ")";
    }
    // A refusal the repair clears says so, with the repair's first change.
    const FileKind kind = refusal->format == FileKind::kHtr   ? FileKind::kHtr
                          : refusal->format == FileKind::kTrc ? FileKind::kTrc
                                                                : FileKind::kUnknown;
    return "(" + cause + ")" + RepairHint(tried.empty() ? name : tried, kind);
}

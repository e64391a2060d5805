#include "tovfileio/text/Diagnosis.h"

#include <algorithm>

#include "tovfileio/text/FindingText.h"
#include "tovfileio/text/Phrases.h"

namespace tovfileio {

namespace {

using Effect = ReadFinding::Effect;

std::size_t Count(const std::vector<ReadFinding>& findings, bool refusals) {
    return static_cast<std::size_t>(std::count_if(findings.begin(), findings.end(), [&](const ReadFinding& f) {
        return refusals ? f.effect == Effect::kRefusal : f.effect != Effect::kNote;
    }));
}

}  // namespace

Diagnosis Diagnose(std::vector<ReadFinding> findings, const std::string& message) {
    Diagnosis diagnosis;
    diagnosis.message = message;
    const auto refusal = std::find_if(findings.begin(), findings.end(),
                                      [](const ReadFinding& f) { return f.effect == Effect::kRefusal; });
    if (refusal != findings.end()) {
        diagnosis.cause = *refusal;
        diagnosis.hasCause = true;
    }
    // Refusals, then what shifts data, then misread values, then notes; in
    // file order within each (findings of the whole file first).
    std::stable_sort(findings.begin(), findings.end(), [](const ReadFinding& a, const ReadFinding& b) {
        if (a.effect != b.effect) return static_cast<int>(a.effect) < static_cast<int>(b.effect);
        return a.line < b.line;
    });
    diagnosis.findings = std::move(findings);
    if (message.empty() && IsForeignFile(diagnosis.findings)) {
        diagnosis.message = "holds nothing of an HTR or TRC file";
    }
    if (!diagnosis.message.empty()) {
        diagnosis.verdict = Diagnosis::Verdict::Refused;
    } else if (Count(diagnosis.findings, false) > 0) {
        diagnosis.verdict = Diagnosis::Verdict::ReadsBut;
    }
    return diagnosis;
}

std::string VerdictLine(const Diagnosis& diagnosis) {
    switch (diagnosis.verdict) {
        case Diagnosis::Verdict::AsWritten: return "reads as written";
        case Diagnosis::Verdict::Refused: {
            std::string line = "refused: " + diagnosis.message;
            if (diagnosis.hasCause && diagnosis.cause.line != 0) {
                line += "; " + FindingPlace(diagnosis.cause) + ": " +
                        FindingTextWithoutLine(diagnosis.cause);
            }
            const std::size_t refusals = Count(diagnosis.findings, true);
            if (refusals > 1) line += " (and " + std::to_string(refusals - 1) + " more)";
            return line;
        }
        case Diagnosis::Verdict::ReadsBut: break;
    }
    const std::size_t weighty = Count(diagnosis.findings, false);
    std::string line = "reads, but: " + FindingText(diagnosis.findings.front());
    if (weighty > 1) line += " (and " + std::to_string(weighty - 1) + " more)";
    return line;
}

std::string DiagnosisText(const std::string& file, const Diagnosis& diagnosis) {
    std::string text = file + ": " + VerdictLine(diagnosis) + "\n";
    for (const ReadFinding& finding : diagnosis.findings) {
        // "  line 7, column 3, "NaN": TEXT [misread]"
        text += "  " + FindingPlace(finding);
        if (!finding.found.empty()) text += ", " + Quoted(finding.found);
        text += ": " + FindingTextWithoutLine(finding);
        text += std::string(" [") + EffectName(finding.effect) + "]\n";
    }
    return text;
}

const char* VerdictName(Diagnosis::Verdict verdict) {
    switch (verdict) {
        case Diagnosis::Verdict::AsWritten: return "reads as written";
        case Diagnosis::Verdict::ReadsBut: return "reads, but";
        case Diagnosis::Verdict::Refused: return "refused";
    }
    return "refused";
}

std::string FindingPlace(const ReadFinding& finding) {
    if (finding.line == 0) return "the file";
    std::string where = "line " + std::to_string(finding.line);
    if (finding.column != 0) where += ", column " + std::to_string(finding.column);
    return where;
}

}  // namespace tovfileio

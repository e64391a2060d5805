#include "cli/Diagnosis.h"

#include <algorithm>

#include "cli/JsonWriter.h"

namespace {

using Effect = Finding::Effect;

const char* EffectName(Effect effect) {
    switch (effect) {
        case Effect::Refusal: return "refusal";
        case Effect::Shift: return "shift";
        case Effect::Misread: return "misread";
        case Effect::Note: return "note";
    }
    return "note";
}

const char* VerdictName(Diagnosis::Verdict verdict) {
    switch (verdict) {
        case Diagnosis::Verdict::AsWritten: return "reads as written";
        case Diagnosis::Verdict::ReadsBut: return "reads, but";
        case Diagnosis::Verdict::Refused: return "refused";
    }
    return "refused";
}

std::string Location(const Finding& finding) {
    if (finding.line == 0) return "the file";
    std::string where = "line " + std::to_string(finding.line);
    if (finding.column != 0) where += ", column " + std::to_string(finding.column);
    return where;
}

}  // namespace

Diagnosis Diagnose(std::vector<Finding> findings, const std::string& message) {
    Diagnosis diagnosis;
    diagnosis.message = message;
    // Refusals, then what shifts data, then misread values, then notes; in
    // file order within each.
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return static_cast<int>(a.effect) < static_cast<int>(b.effect);
    });
    diagnosis.findings = std::move(findings);
    if (!message.empty()) {
        diagnosis.verdict = Diagnosis::Verdict::Refused;
    } else if (std::any_of(diagnosis.findings.begin(), diagnosis.findings.end(),
                           [](const Finding& f) { return f.effect != Effect::Note; })) {
        diagnosis.verdict = Diagnosis::Verdict::ReadsBut;
    }
    return diagnosis;
}

std::string VerdictLine(const Diagnosis& diagnosis) {
    switch (diagnosis.verdict) {
        case Diagnosis::Verdict::AsWritten:
            return "reads as written";
        case Diagnosis::Verdict::Refused:
            // The message, and the place that makes the reader refuse.
            if (!diagnosis.findings.empty() && diagnosis.findings.front().line != 0) {
                const Finding& cause = diagnosis.findings.front();
                return "refused: " + diagnosis.message + "; " + Location(cause) + ": " +
                       (cause.text.empty() ? "\"" + cause.found + "\"" : cause.text);
            }
            return "refused: " + diagnosis.message;
        case Diagnosis::Verdict::ReadsBut:
            break;
    }
    const auto weighty = static_cast<std::size_t>(
        std::count_if(diagnosis.findings.begin(), diagnosis.findings.end(),
                      [](const Finding& f) { return f.effect != Effect::Note; }));
    std::string line = "reads, but: " + diagnosis.findings.front().text;
    if (weighty > 1) line += " (and " + std::to_string(weighty - 1) + " more)";
    return line;
}

std::string DiagnosisText(const std::string& file, const Diagnosis& diagnosis) {
    std::string text = file + ": " + VerdictLine(diagnosis) + "\n";
    for (const Finding& finding : diagnosis.findings) {
        // "  line 7, column 3, "NaN": TEXT [misread]"
        text += "  " + Location(finding);
        if (!finding.found.empty()) text += ", \"" + finding.found + "\"";
        // A warning's own "line N: " says the place again.
        const std::string again = "line " + std::to_string(finding.line) + ": ";
        if (!finding.text.empty()) {
            text += ": " + (finding.text.rfind(again, 0) == 0 ? finding.text.substr(again.size())
                                                               : finding.text);
        }
        text += std::string(" [") + EffectName(finding.effect) + "]\n";
    }
    return text;
}

std::string DiagnosisJson(const std::string& file, const Diagnosis& diagnosis) {
    JsonWriter json;
    json.BeginObject();
    json.Key("file").String(file);
    json.Key("verdict").String(VerdictName(diagnosis.verdict));
    json.Key("summary").String(VerdictLine(diagnosis));
    if (!diagnosis.message.empty()) json.Key("message").String(diagnosis.message);
    json.Key("findings").BeginArray();
    for (const Finding& finding : diagnosis.findings) {
        json.BeginObject();
        json.Key("line").UInt(finding.line);
        json.Key("column").UInt(finding.column);
        json.Key("found").String(finding.found);
        json.Key("effect").String(EffectName(finding.effect));
        json.Key("text").String(finding.text);
        json.Key("warning").Bool(finding.warning);
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}

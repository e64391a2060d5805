#include "cli/report/Diagnosis.h"

#include "cli/report/FindingReport.h"
#include "json/JsonWriter.h"

using namespace tovfileio;

std::string DiagnosisJson(const std::string& file, const Diagnosis& diagnosis) {
    JsonWriter json;
    json.BeginObject();
    json.Key("file").String(file);
    json.Key("verdict").String(VerdictName(diagnosis.verdict));
    json.Key("summary").String(VerdictLine(diagnosis));
    if (!diagnosis.message.empty()) json.Key("message").String(diagnosis.message);
    json.Key("findings").BeginArray();
    for (const ReadFinding& finding : diagnosis.findings) {
        json.BeginObject();
        json.Key("line").UInt(finding.line);
        json.Key("column").UInt(finding.column);
        json.Key("found").String(finding.found);
        json.Key("effect").String(EffectName(finding.effect));
        json.Key("text").String(FindingText(finding));
        json.Key("warning").Bool(IsWarning(finding));
        json.EndObject();
    }
    json.EndArray();
    json.EndObject();
    return json.Text() + "\n";
}

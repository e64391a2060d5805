#include "cli/commands/BatchReport.h"

#include "json/JsonWriter.h"
#include "tovfileio/text/FindingText.h"

using tovfileio::ReadFinding;

const char* BatchStatusWord(BatchStatus status) {
    switch (status) {
        case BatchStatus::kConverted: return "converted";
        case BatchStatus::kRefused: return "refused";
        case BatchStatus::kFailed: return "failed";
        case BatchStatus::kSkipped: return "skipped";
    }
    return "failed";
}

std::string BatchReportLine(const BatchFileReport& file) {
    JsonWriter json;
    json.BeginObject();
    json.Key("source").String(file.source);
    json.Key("output").String(file.output);
    json.Key("status").String(BatchStatusWord(file.status));
    json.Key("findings").BeginArray();
    // What `convert IN OUT` tells of a read: its warnings, and the finding
    // that refused the file.
    for (const ReadFinding& finding : file.findings) {
        if (!tovfileio::IsWarning(finding) && finding.effect != ReadFinding::Effect::kRefusal) {
            continue;
        }
        json.BeginObject();
        json.Key("code").String(tovfileio::FindingCodeName(finding.code));
        json.Key("text").String(tovfileio::FindingText(finding));
        json.EndObject();
    }
    json.EndArray();
    json.Key("bytes").UInt(file.bytes);
    json.Key("output_bytes");
    file.outputBytes ? json.UInt(*file.outputBytes) : json.Null();
    json.Key("seconds").Double(file.seconds);
    json.EndObject();
    return json.Text() + "\n";
}

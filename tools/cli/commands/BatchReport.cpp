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

const char* FindingCodeName(tovfileio::ReadFindingCode code) {
    using C = tovfileio::ReadFindingCode;
    switch (code) {
        case C::kCannotOpen: return "CANNOT_OPEN";
        case C::kOutOfMemory: return "OUT_OF_MEMORY";
        case C::kEmpty: return "EMPTY";
        case C::kTextInNumbers: return "TEXT_IN_NUMBERS";
        case C::kFrameGaps: return "FRAME_GAPS";
        case C::kTrcLayoutNotXYZ: return "TRC_LAYOUT_NOT_XYZ";
        case C::kTrcPathTypeUnread: return "TRC_PATH_TYPE_UNREAD";
        case C::kTrcHeaderNotNumber: return "TRC_HEADER_NOT_NUMBER";
        case C::kTrcNotWhole: return "TRC_NOT_WHOLE";
        case C::kTrcUnitUnknown: return "TRC_UNIT_UNKNOWN";
        case C::kTrcNameOffColumn: return "TRC_NAME_OFF_COLUMN";
        case C::kTrcLastNameUnread: return "TRC_LAST_NAME_UNREAD";
        case C::kTrcNameLeftOut: return "TRC_NAME_LEFT_OUT";
        case C::kTrcNameEmpty: return "TRC_NAME_EMPTY";
        case C::kTrcLabelsMissing: return "TRC_LABELS_MISSING";
        case C::kTrcLabelCount: return "TRC_LABEL_COUNT";
        case C::kTrcSeparatorRow: return "TRC_SEPARATOR_ROW";
        case C::kTrcWideRows: return "TRC_WIDE_ROWS";
        case C::kTrcShortRows: return "TRC_SHORT_ROWS";
        case C::kTrcFramesStartElsewhere: return "TRC_FRAMES_START_ELSEWHERE";
        case C::kTrcTimesOffRate: return "TRC_TIMES_OFF_RATE";
        case C::kTrcMarkersUnseen: return "TRC_MARKERS_UNSEEN";
        case C::kTrcRowCount: return "TRC_ROW_COUNT";
        case C::kTrcMarkerCount: return "TRC_MARKER_COUNT";
        case C::kTrcNothing: return "TRC_NOTHING";
        case C::kTrcNanDropouts: return "TRC_NAN_DROPOUTS";
        case C::kHtrHeaderValue: return "HTR_HEADER_VALUE";
        case C::kHtrGravityX: return "HTR_GRAVITY_X";
        case C::kHtrDuplicateSegment: return "HTR_DUPLICATE_SEGMENT";
        case C::kHtrSegmentNotFound: return "HTR_SEGMENT_NOT_FOUND";
        case C::kHtrSegmentCount: return "HTR_SEGMENT_COUNT";
        case C::kHtrNotWhole: return "HTR_NOT_WHOLE";
        case C::kHtrUnitUnknown: return "HTR_UNIT_UNKNOWN";
        case C::kHtrRotationUnitUnknown: return "HTR_ROTATION_UNIT_UNKNOWN";
        case C::kHtrKeywordCase: return "HTR_KEYWORD_CASE";
        case C::kHtrHeaderMissing: return "HTR_HEADER_MISSING";
        case C::kHtrNoHierarchy: return "HTR_NO_HIERARCHY";
        case C::kHtrNoRoot: return "HTR_NO_ROOT";
        case C::kHtrSegmentsAgainstHeader: return "HTR_SEGMENTS_AGAINST_HEADER";
        case C::kHtrFramesAgainstHeader: return "HTR_FRAMES_AGAINST_HEADER";
        case C::kHtrUnknownSection: return "HTR_UNKNOWN_SECTION";
        case C::kHtrNothing: return "HTR_NOTHING";
        case C::kGwmRefused: return "GWM_REFUSED";
        case C::kBvhRefused: return "BVH_REFUSED";
        case C::kBvhRateNotWhole: return "BVH_RATE_NOT_WHOLE";
        case C::kBvhNameBlanks: return "BVH_NAME_BLANKS";
        case C::kC3dNotC3d: return "C3D_NOT_C3D";
        case C::kC3dDamaged: return "C3D_DAMAGED";
        case C::kC3dFramesMissing: return "C3D_FRAMES_MISSING";
        case C::kC3dLabelsRenamed: return "C3D_LABELS_RENAMED";
        case C::kC3dUnitUnknown: return "C3D_UNIT_UNKNOWN";
        case C::kC3dRateNotWhole: return "C3D_RATE_NOT_WHOLE";
        case C::kC3dAnalogSkipped: return "C3D_ANALOG_SKIPPED";
        case C::kC3dParameterShort: return "C3D_PARAMETER_SHORT";
        case C::kC3dAnalogValues: return "C3D_ANALOG_VALUES";
    }
    return "UNKNOWN";
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
        json.Key("code").String(FindingCodeName(finding.code));
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

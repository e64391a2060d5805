#include <vector>

#include "tovfileio/text/FindingText.h"

namespace tovfileio {

const char* FindingCodeName(ReadFindingCode code) {
    using C = ReadFindingCode;
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
    return nullptr;
}


const std::vector<ReadFindingCode>& FindingCodes() {
    // The codes are numbered from 0 without gaps; the first number that
    // names no code ends them.
    static const std::vector<ReadFindingCode> codes = [] {
        std::vector<ReadFindingCode> all;
        for (int n = 0; FindingCodeName(static_cast<ReadFindingCode>(n)) != nullptr; ++n) {
            all.push_back(static_cast<ReadFindingCode>(n));
        }
        return all;
    }();
    return codes;
}

}  // namespace tovfileio

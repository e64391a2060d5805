#include "utility/StandardMarkerTable.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr MarkerStep kSteps[kMarkerSteps] = {
    {L"LFHD", L"Left front head marker (LFHD)"},
    {L"LBHD", L"Left back head marker (LBHD)"},
    {L"RBHD", L"Right back head marker (RBHD)"},
    {L"RFHD", L"Right front head marker (RFHD)"},
    {L"C7", L"Top of spine marker (C7)"},
    {L"CLAV", L"Top chest marker (CLAV)"},
    {L"STRN", L"Center sternum marker (STRN)"},
    {L"LSHO", L"Left shoulder marker (LSHO)"},
    {L"LELB", L"Left outer elbow marker (LELB)"},
    {L"LILB", L"Left inner elbow marker (LILB)"},
    {L"LWRA", L"Left wrist inner (near thumb) marker (LWRA)", L"LWRB",
     L"Left wrist outer (near pinky) marker (LWRB)", L"LWRE", L"Left wrist stick end marker (LWRE)",
     L"LWRI", L"Left wrist stick base marker (LWRI)"},
    {L"LFIN", L"Left hand marker (LFIN)"},
    {L"RSHO", L"Right shoulder marker (RSHO)"},
    {L"RELB", L"Right outer elbow marker (RELB)"},
    {L"RILB", L"Right inner elbow marker (RILB)"},
    {L"RWRA", L"Right wrist inner (near thumb) marker (RWRA)", L"RWRB",
     L"Right wrist outer (near pinky) marker (RWRB)", L"RWRE",
     L"Right wrist stick end marker (RWRE)", L"RWRI", L"Right wrist stick base marker (RWRI)"},
    {L"RFIN", L"Right hand marker (RFIN)"},
    {L"T10", L"Middle of back marker (T10)"},
    {L"SACR", L"Lower back marker (SACR)"},
    {L"LFWT", L"Left front waist marker (LFWT)"},
    {L"LBWT", L"Left back waist marker (LBWT)"},
    {L"RBWT", L"Right back waist marker (RBWT)"},
    {L"RFWT", L"Right front waist marker (RFWT)"},
    {L"LKNE", L"Left outer knee marker (LKNE)"},
    {L"LKNI", L"Left inner knee marker (LKNI)"},
    {L"LANK", L"Left outer ankle marker (LANK)"},
    {L"LHEL", L"Left heel marker (LHEL)"},
    {L"LMT5", L"Left outer metatarsal marker (LMT5)"},
    {L"LMTI", L"Left inner metatarsal marker (LMTI)"},
    {L"LTOE", L"Left toe marker (LTOE)"},
    {L"RKNE", L"Right outer knee marker (RKNE)"},
    {L"RKNI", L"Right inner knee marker (RKNI)"},
    {L"RANK", L"Right outer ankle marker (RANK)"},
    {L"RHEL", L"Right heel marker (RHEL)"},
    {L"RMT5", L"Right outer metatarsal marker (RMT5)"},
    {L"RMTI", L"Right inner metatarsal marker (RMTI)"},
    {L"RTOE", L"Right toe marker (RTOE)"},
    {L"LPRPB", L"Left prop bottom (LPRPB)"},
    {L"LPRPM", L"Left prop middle (LPRPM)"},
    {L"LPRPT", L"Left prop top (LPRPT)"},
    {L"RPRPB", L"Right prop bottom (RPRPB)"},
    {L"RPRPM", L"Right prop middle (RPRPM)"},
    {L"RPRPT", L"Right prop top (RPRPT)"},
};

constexpr int kOptionalSteps[] = {9, 14, 18, 24, 26, 28, 31, 33, 35, 37, 38, 39, 40, 41, 42};

}  // namespace

const MarkerStep& StandardMarkerStep(int step) {
    return kSteps[std::clamp(step, 0, kMarkerSteps - 1)];
}

bool IsOptionalMarkerStep(int step) {
    return std::find(std::begin(kOptionalSteps), std::end(kOptionalSteps), step) !=
           std::end(kOptionalSteps);
}

std::optional<bool> WristStickByNames(int step, const HasMarkerNode& hasNode) {
    const MarkerStep& marker = StandardMarkerStep(step);
    if (marker.stickCode == nullptr) return std::nullopt;
    if (hasNode(marker.stickCode) && hasNode(marker.stickSecondCode)) return true;
    if (hasNode(marker.code) && hasNode(marker.secondCode)) return false;
    return std::nullopt;
}

std::vector<std::wstring> MandatoryMarkersWithoutNode(bool leftStick, bool rightStick,
                                                      const HasMarkerNode& hasNode) {
    std::vector<std::wstring> missing;
    const auto need = [&](const wchar_t* code) {
        if (!hasNode(code)) missing.emplace_back(code);
    };
    for (int step = 0; step < kMarkerSteps; ++step) {
        if (IsOptionalMarkerStep(step)) continue;
        const MarkerStep& marker = StandardMarkerStep(step);
        const bool stick =
            (step == kLeftWristStep && leftStick) || (step == kRightWristStep && rightStick);
        need(stick ? marker.stickCode : marker.code);
        if (marker.secondCode != nullptr) need(stick ? marker.stickSecondCode : marker.secondCode);
    }
    return missing;
}

bool AnyMarkerHasNode(const HasMarkerNode& hasNode) {
    for (const MarkerStep& marker : kSteps) {
        for (const wchar_t* code :
             {marker.code, marker.secondCode, marker.stickCode, marker.stickSecondCode}) {
            if (code != nullptr && hasNode(code)) return true;
        }
    }
    return false;
}

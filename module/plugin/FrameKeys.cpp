#include "plugin/FrameKeys.h"

#include <algorithm>
#include <limits>

#include "resources/ModuleResources.h"

std::wstring FramesClaimedWarning(std::uint64_t claimed, std::uint32_t held) {
    return GetResourceStringAsMSTR(IDS_HEADER_FRAMES_CLAIMED) + std::to_wstring(claimed) +
           GetResourceStringAsMSTR(IDS_HEADER_FRAMES_HELD) + std::to_wstring(held) +
           GetResourceStringAsMSTR(IDS_HEADER_FRAMES_KEYED);
}

std::int32_t ClampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

bool FitsTime(std::int64_t ticks) {
    return ticks >= std::numeric_limits<TimeValue>::min() &&
           ticks <= std::numeric_limits<TimeValue>::max();
}

void DeleteKeysBetween(Control* control, TimeValue from, TimeValue to) {
    for (int i = control->NumKeys(); i-- > 0;) {
        const TimeValue t = control->GetKeyTime(i);
        if (t >= from && t < to) control->DeleteKeyAtTime(t);
    }
}

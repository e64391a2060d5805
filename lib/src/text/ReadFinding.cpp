#include "tovfileio/text/ReadFinding.h"

#include <algorithm>
#include <cstddef>
#include <type_traits>

namespace tovfileio {

namespace {

using Code = ReadFindingCode;

// The place of `Detail` among the alternatives of ReadFindingDetail.
template <typename Detail, typename Variant>
struct PlaceIn;
template <typename Detail, typename... Details>
struct PlaceIn<Detail, std::variant<Details...>> {
    static constexpr std::size_t value = [] {
        std::size_t place = 0;
        bool seen = false;
        ((seen = seen || std::is_same_v<Detail, Details>, place += seen ? 0 : 1), ...);
        return place;
    }();
};
template <typename Detail>
constexpr std::size_t kPlace = PlaceIn<Detail, ReadFindingDetail>::value;
static_assert(kPlace<findingdetail::C3dAnalogValues> + 1 == std::variant_size_v<ReadFindingDetail>);

// The detail each code carries, as its place in ReadFindingDetail.
std::size_t DetailPlace(Code code) {
    using namespace findingdetail;
    switch (code) {
        case Code::kCannotOpen: return kPlace<CannotOpen>;
        case Code::kOutOfMemory: return kPlace<OutOfMemory>;
        case Code::kFrameGaps: return kPlace<FrameGap>;
        case Code::kTrcHeaderNotNumber:
        case Code::kTrcNotWhole:
        case Code::kHtrNotWhole:
        case Code::kBvhRateNotWhole:
        case Code::kHtrHeaderMissing:
        case Code::kC3dFramesMissing:
        case Code::kC3dParameterShort: return kPlace<HeaderReadAs>;
        case Code::kTrcLayoutNotXYZ: return kPlace<TrcLayout>;
        case Code::kTrcPathTypeUnread: return kPlace<TrcPathType>;
        case Code::kTrcUnitUnknown: return kPlace<TrcUnit>;
        case Code::kTrcNameOffColumn: return kPlace<TrcNameColumn>;
        case Code::kTrcNameEmpty: return kPlace<TrcEmptyName>;
        case Code::kTrcLabelsMissing: return kPlace<TrcLabelsMissing>;
        case Code::kTrcLabelCount: return kPlace<TrcLabelCount>;
        case Code::kTrcWideRows: return kPlace<TrcWideRows>;
        case Code::kTrcFramesStartElsewhere: return kPlace<TrcStartFrame>;
        case Code::kTrcTimesOffRate: return kPlace<TrcTimes>;
        case Code::kTrcMarkersUnseen: return kPlace<TrcUnseen>;
        case Code::kTrcRowCount: return kPlace<TrcRowCount>;
        case Code::kTrcMarkerCount: return kPlace<TrcMarkerCount>;
        case Code::kHtrHeaderValue: return kPlace<HtrHeaderValue>;
        case Code::kHtrSegmentCount: return kPlace<HtrBaseLines>;
        case Code::kHtrKeywordCase: return kPlace<HtrKeywordCase>;
        case Code::kHtrSegmentsAgainstHeader: return kPlace<HtrSegmentCount>;
        case Code::kHtrFramesAgainstHeader: return kPlace<HtrFrameCount>;
        case Code::kC3dAnalogValues: return kPlace<C3dAnalogValues>;
        default: return kPlace<std::monostate>;
    }
}

}  // namespace

bool CarriesItsDetail(const ReadFinding& finding) {
    return finding.detail.index() == DetailPlace(finding.code);
}

bool IsForeignFile(std::span<const ReadFinding> findings) {
    return std::any_of(findings.begin(), findings.end(), [](const ReadFinding& finding) {
        return finding.code == Code::kHtrNothing;
    });
}

}  // namespace tovfileio

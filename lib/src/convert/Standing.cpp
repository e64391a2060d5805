#include "tovfileio/convert/Standing.h"

#include <algorithm>
#include <cmath>
#include <cwctype>

#include "SkeletonMarkers.h"

namespace tovfileio {
namespace {

bool Has(const std::wstring& name, const wchar_t* part) { return name.find(part) != std::wstring::npos; }

bool EndsWith(const std::wstring& name, const std::wstring& end) {
    return name.size() >= end.size() && name.compare(name.size() - end.size(), end.size(), end) == 0;
}

// LMT1 to LMT5, R.MT5: a metatarsal head.
bool NamesMetatarsal(const std::wstring& name) {
    for (std::size_t at = name.find(L"MT"); at != std::wstring::npos; at = name.find(L"MT", at + 1)) {
        if (at + 2 < name.size() && name[at + 2] >= L'1' && name[at + 2] <= L'5') return true;
    }
    return false;
}

// A sample that holds a position: valid, and (for markers) not the
// (0, 0, 0) some writers keep for a dropout; a joint may stand there.
bool Holds(const TRCSample& s, bool originHolds) {
    return s.valid && (originHolds || s.x != 0.0 || s.y != 0.0 || s.z != 0.0);
}

const char* kAxisNames[] = {"X", "Y", "Z"};

}  // namespace

BodyPlace BodyPlaceOf(const std::wstring& given) {
    // The name after a subject's prefix ("ana:head1"), in capitals.
    std::wstring name = given.substr(given.rfind(L':') == std::wstring::npos ? 0 : given.rfind(L':') + 1);
    for (wchar_t& c : name) c = static_cast<wchar_t>(std::towupper(c));
    // Head and shoulders first: CHEEK holds HEE, SHOULDER nothing of a foot.
    for (const wchar_t* part : {L"HEAD", L"NECK", L"NOSE", L"CHEE", L"C7", L"CV7", L"CLAV", L"STRN",
                                L"STERN", L"SHOULD", L"ACROM", L"SKULL"}) {
        if (Has(name, part)) return BodyPlace::kUpper;
    }
    // LACR, RACR1: an acromion; SACR, V.Sacral: the pelvis.
    if (Has(name, L"ACR") && !Has(name, L"SACR")) return BodyPlace::kUpper;
    for (const wchar_t* end : {L"HD", L"SHO"}) {
        if (EndsWith(name, end)) return BodyPlace::kUpper;
    }
    for (const wchar_t* part : {L"TOE", L"HEE", L"HEL", L"ANK", L"CAL", L"MAL", L"META", L"FOOT"}) {
        if (Has(name, part)) return BodyPlace::kFoot;
    }
    return NamesMetatarsal(name) ? BodyPlace::kFoot : BodyPlace::kNone;
}

std::optional<UpAxis> Standing::Up() const {
    if (evidence == Evidence::kNone || headDown) return std::nullopt;
    if (axis == 1) return UpAxis::kY;
    if (axis == 2) return UpAxis::kZ;
    return std::nullopt;
}

std::string Standing::Reason() const {
    const std::string along = std::string(" along ") + kAxisNames[axis];
    const std::string way = headDown ? " below " : " above ";
    switch (evidence) {
        case Evidence::kHeadAboveFeet: return std::string("head markers") + way + "the feet" + along;
        case Evidence::kHeadAboveRoot: return std::string("head joints") + way + "the root" + along;
        case Evidence::kHeight: return "each frame reaches furthest" + along;
        case Evidence::kNone: break;
    }
    return "no frame holds two markers";
}

std::string EmptyStartNote(std::int64_t first, std::int64_t emptyFrames) {
    if (emptyFrames <= 0) return std::string();
    const std::string last = std::to_string(first + emptyFrames - 1);
    const std::string start = "; starts at " + std::to_string(first + emptyFrames);
    if (emptyFrames == 1) return "frame " + last + " holds no marker" + start;
    return "frames " + std::to_string(first) + "-" + last + " hold no marker" + start;
}

bool StandingFinder::Begin(const TRCFile& file) {
    firstFrame_ = file.GetStartFrame();
    places_.clear();
    anyFoot_ = false;
    for (std::uint32_t m = 0; m < file.GetNumMarkers(); ++m) {
        places_.push_back(BodyPlaceOf(file.GetMarker(m)->GetName()));
        anyFoot_ = anyFoot_ || places_.back() == BodyPlace::kFoot;
    }
    // A skeleton with no foot joint named stands on its root.
    if (rootIsLow_ && !anyFoot_ && !places_.empty() && places_[0] == BodyPlace::kNone) {
        places_[0] = BodyPlace::kFoot;
    }
    // How many upper-body and foot markers stand from each marker on: a
    // trimmed row's markers past its end share one sample, taken once.
    uppersFrom_.assign(places_.size() + 1, 0);
    feetFrom_.assign(places_.size() + 1, 0);
    for (std::size_t m = places_.size(); m-- > 0;) {
        uppersFrom_[m] = uppersFrom_[m + 1] + (places_[m] == BodyPlace::kUpper ? 1 : 0);
        feetFrom_[m] = feetFrom_[m + 1] + (places_[m] == BodyPlace::kFoot ? 1 : 0);
    }
    return true;
}

bool StandingFinder::Row(const TRCRow& row) {
    ++rows_;
    std::array<double, 3> upper{}, foot{}, low{}, high{};
    std::int64_t uppers = 0, feet = 0, held = 0;
    // Takes `count` markers standing at `s`, `ups` of them upper-body
    // markers and `downs` foot markers.
    auto take = [&](const TRCSample& s, std::int64_t count, std::int64_t ups, std::int64_t downs) {
        if (count == 0 || !Holds(s, rootIsLow_)) return;
        const std::array<double, 3> p{s.x, s.y, s.z};
        if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) return;
        for (int c = 0; c < 3; ++c) {
            low[c] = held == 0 ? p[c] : std::min(low[c], p[c]);
            high[c] = held == 0 ? p[c] : std::max(high[c], p[c]);
            upper[c] += p[c] * static_cast<double>(ups);
            foot[c] += p[c] * static_cast<double>(downs);
        }
        held += count;
        uppers += ups;
        feet += downs;
    };
    const std::span<const TRCSample> own = row.Held();
    for (std::size_t m = 0; m < own.size(); ++m) {
        const BodyPlace place = m < places_.size() ? places_[m] : BodyPlace::kNone;
        take(own[m], 1, place == BodyPlace::kUpper ? 1 : 0, place == BodyPlace::kFoot ? 1 : 0);
    }
    if (own.size() < row.size()) {
        const std::size_t from = std::min(own.size(), places_.size());
        take(row.Rest(), static_cast<std::int64_t>(row.size() - own.size()), uppersFrom_[from],
             feetFrom_[from]);
    }
    if (held == 0 && !seenMarker_) ++empty_;
    if (held > 0) seenMarker_ = true;
    if (uppers > 0 && feet > 0) {
        for (int c = 0; c < 3; ++c) headOverFeet_[c] += upper[c] / uppers - foot[c] / feet;
        ++pairedRows_;
    }
    if (held > 1) {
        for (int c = 0; c < 3; ++c) reach_[c] += high[c] - low[c];
        ++reachRows_;
    }
    return true;
}

Standing StandingFinder::Result() const {
    Standing standing;
    standing.firstFrame = firstFrame_;
    standing.frames = rows_;
    standing.emptyFrames = empty_;
    auto largest = [](const std::array<double, 3>& v) {
        int axis = 1;  // ties go to Y, then Z, as the formats without a convention stand
        for (int c : {2, 0}) {
            if (std::abs(v[c]) > std::abs(v[axis])) axis = c;
        }
        return axis;
    };
    if (pairedRows_ > 0) {
        standing.evidence = rootIsLow_ && !anyFoot_ ? Standing::Evidence::kHeadAboveRoot
                                                    : Standing::Evidence::kHeadAboveFeet;
        standing.axis = largest(headOverFeet_);
        standing.headDown = headOverFeet_[standing.axis] < 0;
    } else if (reachRows_ > 0) {
        standing.evidence = Standing::Evidence::kHeight;
        standing.axis = largest(reach_);
    }
    return standing;
}

std::wstring FindStanding(const std::string& path, FileKind kind, Standing& standing,
                          std::uint64_t memoryLimit) {
    if (HoldsSkeleton(kind)) {
        HTRFile skeleton;
        if (std::wstring refused = ReadSkeleton(path, kind, skeleton); !refused.empty()) return refused;
        StandingFinder finder(true);
        StreamJointPositions(skeleton, finder);
        standing = finder.Result();
        return std::wstring();
    }
    // Hears only how many samples said NaN.
    struct NanSamples : ReadObserver {
        void Found(const ReadFinding& finding) override {
            if (finding.code == ReadFindingCode::kTrcNanDropouts) count = finding.count;
        }
        std::uint64_t count = 0;
    } nan;
    StandingFinder finder;
    TRCFile take;
    MarkerReadOptions read;
    read.findings = &nan;
    read.rows = &finder;
    read.memoryLimit = memoryLimit;
    if (std::wstring refused = ReadMarkers(path, kind, take, read); !refused.empty()) return refused;
    standing = finder.Result();
    standing.nanSamples = nan.count;
    return std::wstring();
}

}  // namespace tovfileio

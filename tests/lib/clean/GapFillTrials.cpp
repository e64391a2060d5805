#include "GapFillTrials.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <span>
#include <tuple>

#include "tovfileio/convert/Takes.h"
#include "tovfileio/text/FileKinds.h"

namespace tovtest {

namespace {

using tovfileio::FillGaps;
using tovfileio::GapFillOptions;
using tovfileio::GapMethod;
using tovfileio::MarkerGap;
using tovfileio::TRCFile;
using tovfileio::TRCSample;

constexpr std::array<double, 3> kGapSeconds{0.1, 0.3, 0.6};
constexpr std::uint32_t kGapsPerMarker = 2;
// Gaps of a few rows each are short enough to cut more of.
constexpr std::uint32_t kShortGapRows = 5;
constexpr std::uint32_t kShortGapsPerMarker = 8;

bool Seen(const TRCSample& sample) { return sample.valid && !sample.filled; }

using GapKey = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
GapKey KeyOf(const MarkerGap& gap) { return {gap.marker, gap.first, gap.length}; }

// The squared error of each cut gap that `method` filled, and the method
// that filled it.
struct MethodFills {
    std::map<GapKey, std::pair<double, GapMethod>> filled;
};

MethodFills FillAndMeasure(const TRCFile& truth, const TRCFile& cut, std::span<const MarkerGap> gaps,
                           GapMethod method, double maxGapSeconds) {
    TRCFile take = cut;
    const tovfileio::GapFillReport report = FillGaps(take, {method, maxGapSeconds});
    std::map<GapKey, GapMethod> used;
    for (const tovfileio::FilledGap& filled : report.filled) used[KeyOf(filled.gap)] = filled.method;
    MethodFills fills;
    for (const MarkerGap& gap : gaps) {
        const auto found = used.find(KeyOf(gap));
        if (found == used.end()) continue;
        const auto want = truth.GetMarker(gap.marker)->Samples();
        const auto got = take.GetMarker(gap.marker)->Samples();
        double squares = 0.0;
        for (std::uint32_t row = gap.first; row < gap.first + gap.length; ++row) {
            squares += (got[row].x - want[row].x) * (got[row].x - want[row].x) +
                       (got[row].y - want[row].y) * (got[row].y - want[row].y) +
                       (got[row].z - want[row].z) * (got[row].z - want[row].z);
        }
        fills.filled[found->first] = {squares, found->second};
    }
    return fills;
}

std::size_t ChoiceIndex(GapMethod method) {
    switch (method) {
        case GapMethod::kLinear: return 0;
        case GapMethod::kSpline: return 1;
        case GapMethod::kRigid: return 2;
        default: return 3;
    }
}

}  // namespace

bool CutIfSeen(TRCFile& take, std::uint32_t marker, std::uint32_t first, std::uint32_t length) {
    const auto samples = take.GetMarker(marker)->Samples();
    if (first == 0 || first + length >= samples.size()) return false;
    for (std::uint32_t row = first - 1; row <= first + length; ++row) {
        if (!Seen(samples[row])) return false;
    }
    for (std::uint32_t row = first; row < first + length; ++row) samples[row] = {};
    return true;
}

std::vector<MarkerGap> CutGaps(TRCFile& take, std::uint32_t length, std::uint32_t perMarker) {
    std::vector<MarkerGap> gaps;
    for (std::uint32_t m = 0; m < take.GetNumMarkers(); ++m) {
        const auto rows = take.GetMarker(m)->GetNumSamples();
        if (rows < length + 2) continue;
        const std::uint32_t places = rows - length - 1;  // first rows 1 to rows - length - 1
        for (std::uint32_t k = 0; k < perMarker; ++k) {
            // Steps of the golden ratio spread the places evenly, unlike
            // from marker to marker; from there the first seen place.
            const double spread = std::fmod(0.6180339887498949 * (m * perMarker + k + 1), 1.0);
            const auto start = static_cast<std::uint32_t>(spread * places);
            for (std::uint32_t tried = 0; tried < places; ++tried) {
                const std::uint32_t first = 1 + (start + tried) % places;
                if (CutIfSeen(take, m, first, length)) {
                    gaps.push_back({m, first, length});
                    break;
                }
            }
        }
    }
    std::sort(gaps.begin(), gaps.end(), [](const MarkerGap& a, const MarkerGap& b) { return KeyOf(a) < KeyOf(b); });
    return gaps;
}

TakeTrial TryTake(const std::string& path, std::wstring& error, std::uint32_t gapRows) {
    TakeTrial trial;
    trial.name = std::filesystem::path(path).filename().string();
    TRCFile truth;
    error = tovfileio::ReadMarkers(path, tovfileio::KindOfTake(path), truth);
    if (!error.empty()) return trial;
    truth.ConvertUnits(tovfileio::kUnitsMillimetres);
    trial.rate = truth.GetDataRate();

    std::array<double, kComparedMethods.size()> squares{};
    std::uint64_t samples = 0;
    const std::span<const double> lengths = gapRows == 0 ? std::span<const double>(kGapSeconds)
                                                         : std::span<const double>(kGapSeconds).first(1);
    for (double seconds : lengths) {
        const auto length = gapRows != 0 ? gapRows
                                         : std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(seconds * trial.rate)));
        const double gapSeconds = gapRows != 0 ? static_cast<double>(gapRows) / trial.rate : seconds;
        const double maxGapSeconds = std::max(GapFillOptions{}.maxGapSeconds, gapSeconds + 0.05);
        TRCFile cut = truth;
        const std::vector<MarkerGap> gaps = CutGaps(cut, length, gapRows != 0 && gapRows <= kShortGapRows ? kShortGapsPerMarker : kGapsPerMarker);
        trial.cut += static_cast<std::uint32_t>(gaps.size());
        std::vector<MethodFills> fills;
        for (GapMethod method : kComparedMethods) fills.push_back(FillAndMeasure(truth, cut, gaps, method, maxGapSeconds));
        for (const MarkerGap& gap : gaps) {
            const GapKey key = KeyOf(gap);
            const bool everyMethod = std::all_of(fills.begin(), fills.end(),
                                                 [&](const MethodFills& f) { return f.filled.count(key) != 0; });
            if (!everyMethod) continue;
            ++trial.compared;
            samples += gap.length;
            for (std::size_t i = 0; i < fills.size(); ++i) squares[i] += fills[i].filled[key].first;
            ++trial.autoChose[ChoiceIndex(fills.back().filled[key].second)];
        }
    }
    for (std::size_t i = 0; i < squares.size(); ++i) {
        trial.rms[i] = samples == 0 ? 0.0 : std::sqrt(squares[i] / static_cast<double>(samples));
    }
    return trial;
}

}  // namespace tovtest

// Cuts gaps into marker takes where the truth is known and fills them.
//
//   gapfill_probe fill METHOD TAKE
//     cuts gaps of 0.1 and 0.3 s into every marker, and a few where only
//     two, three or four seen samples stand around a gap, fills every gap
//     with METHOD and prints, marker by marker:
//       marker M
//       seen ROW x y z          (every seen sample before the fill)
//       gap FIRST LENGTH METHOD (every gap filled, and the method used)
//       filled ROW x y z        (every filled sample)
//   gapfill_probe rigid TAKE...
//     the RMS errors of the rigid fill and of a plain one (the three
//     steadiest neighbours, the marker carried in their frame) on the same
//     gaps of 0.1, 0.3 and 0.6 s cut into each take.
//   gapfill_probe table [--rows N] TAKE...
//     the RMS errors of linear, spline, rigid, pattern and auto on gaps of
//     0.1, 0.3 and 0.6 s cut into each take, as a Markdown table; with
//     --rows, on eight gaps of N rows a marker.
//
// Exit status 2 for a bad command line or an unreadable take.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "GapFillTrials.h"
#include "tovfileio/clean/GapFill.h"
#include "tovfileio/convert/Takes.h"
#include "tovfileio/text/FileKinds.h"
#include "tovfileio/text/TextCodec.h"

namespace {

using tovfileio::TRCFile;

int Refused(const std::wstring& message) {
    std::fprintf(stderr, "%s\n", tovfileio::EncodeUtf8(message).c_str());
    return 2;
}

// Leaves marker `marker` seen only on `rows` (those seen already) of the
// first rows, hidden from there to the end: its gaps between them have only
// those samples around them.
void KeepOnly(TRCFile& take, std::uint32_t marker, const std::vector<std::uint32_t>& rows) {
    auto samples = take.GetMarker(marker)->Samples();
    for (std::uint32_t row = 0; row < samples.size(); ++row) {
        if (std::find(rows.begin(), rows.end(), row) == rows.end()) samples[row] = {};
    }
}

bool SeenOn(const TRCFile& take, std::uint32_t marker, const std::vector<std::uint32_t>& rows) {
    const auto samples = take.GetMarker(marker)->Samples();
    for (std::uint32_t row : rows) {
        if (row >= samples.size() || !samples[row].valid || samples[row].filled) return false;
    }
    return true;
}

// The first markers seen on the rows of each sparse pattern keep only those.
void CutSparse(TRCFile& take) {
    const std::vector<std::vector<std::uint32_t>> patterns{{0, 5}, {0, 1, 6}, {0, 1, 6, 7}, {0, 2, 3, 9, 11}};
    std::size_t next = 0;
    for (std::uint32_t m = 0; m < take.GetNumMarkers() && next < patterns.size(); ++m) {
        if (!SeenOn(take, m, patterns[next])) continue;
        KeepOnly(take, m, patterns[next]);
        ++next;
    }
}

int Fill(const std::string& methodName, const std::string& path) {
    const auto method = tovfileio::GapMethodNamed(methodName);
    if (!method) {
        std::fprintf(stderr, "no gap method named %s\n", methodName.c_str());
        return 2;
    }
    TRCFile take;
    const std::wstring message = tovfileio::ReadMarkers(path, tovfileio::KindOfTake(path), take);
    if (!message.empty()) return Refused(message);
    CutSparse(take);
    for (double seconds : {0.1, 0.3}) {
        const auto length = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::lround(seconds * take.GetDataRate())));
        tovtest::CutGaps(take, length, 1);
    }
    const TRCFile cut = take;
    const tovfileio::GapFillReport report = tovfileio::FillGaps(take, {*method, 1e9});
    std::size_t next = 0;
    for (std::uint32_t m = 0; m < take.GetNumMarkers(); ++m) {
        std::printf("marker %u\n", m);
        const auto before = cut.GetMarker(m)->Samples();
        for (std::uint32_t row = 0; row < before.size(); ++row) {
            if (before[row].valid && !before[row].filled) {
                std::printf("seen %u %.17g %.17g %.17g\n", row, before[row].x, before[row].y, before[row].z);
            }
        }
        const auto after = take.GetMarker(m)->Samples();
        for (; next < report.filled.size() && report.filled[next].gap.marker == m; ++next) {
            const tovfileio::MarkerGap& gap = report.filled[next].gap;
            std::printf("gap %u %u %s\n", gap.first, gap.length, tovfileio::GapMethodName(report.filled[next].method));
            for (std::uint32_t row = gap.first; row < gap.first + gap.length; ++row) {
                std::printf("filled %u %.17g %.17g %.17g\n", row, after[row].x, after[row].y, after[row].z);
            }
        }
    }
    return 0;
}

// A plain rigid fill to hold the library's against: the three markers
// seen across the gap whose distance to the marker varies least (standard
// deviation in mm over the rows both are seen), a frame on them, and the
// marker carried in that frame from the rows on either side of the gap,
// blended across it.
using Vec = std::array<double, 3>;

Vec At(const TRCFile& take, std::uint32_t marker, std::uint32_t row) {
    const auto& s = take.GetMarker(marker)->Samples()[row];
    return {s.x, s.y, s.z};
}
bool SeenAt(const TRCFile& take, std::uint32_t marker, std::uint32_t row) {
    const auto& s = take.GetMarker(marker)->Samples()[row];
    return s.valid && !s.filled;
}
Vec Sub(const Vec& a, const Vec& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
double Dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec Unit(const Vec& a) {
    const double n = std::sqrt(Dot(a, a));
    return {a[0] / n, a[1] / n, a[2] / n};
}
Vec Cross(const Vec& a, const Vec& b) {
    return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

struct Frame {
    Vec origin;
    std::array<Vec, 3> axes;
    Vec Local(const Vec& p) const {
        const Vec d = Sub(p, origin);
        return {Dot(d, axes[0]), Dot(d, axes[1]), Dot(d, axes[2])};
    }
    Vec Global(const Vec& local) const {
        Vec p = origin;
        for (int a = 0; a < 3; ++a) {
            for (int k = 0; k < 3; ++k) p[k] += local[a] * axes[a][k];
        }
        return p;
    }
};

Frame FrameOf(const TRCFile& take, const std::array<std::uint32_t, 3>& markers, std::uint32_t row) {
    const Vec a = At(take, markers[0], row);
    const Vec e1 = Unit(Sub(At(take, markers[1], row), a));
    const Vec e3 = Unit(Cross(e1, Sub(At(take, markers[2], row), a)));
    return {a, {e1, Cross(e3, e1), e3}};
}

double DistanceDeviation(const TRCFile& take, std::uint32_t a, std::uint32_t b) {
    double sum = 0.0;
    double squares = 0.0;
    std::uint32_t count = 0;
    for (std::uint32_t row = 0; row < take.GetMarker(a)->GetNumSamples(); ++row) {
        if (!SeenAt(take, a, row) || !SeenAt(take, b, row)) continue;
        const Vec d = Sub(At(take, a, row), At(take, b, row));
        const double distance = std::sqrt(Dot(d, d));
        sum += distance;
        squares += distance * distance;
        ++count;
    }
    if (count < 10) return std::numeric_limits<double>::infinity();
    return std::sqrt(std::max(0.0, squares / count - (sum / count) * (sum / count)));
}

// The reference's fill of `gap` in `cut`; none without three markers seen
// across it.
std::optional<std::vector<Vec>> ReferenceRigid(const TRCFile& cut, const tovfileio::MarkerGap& gap) {
    const std::uint32_t before = gap.first - 1;
    const std::uint32_t after = gap.first + gap.length;
    std::vector<std::pair<double, std::uint32_t>> ranked;
    for (std::uint32_t m = 0; m < cut.GetNumMarkers(); ++m) {
        bool across = m != gap.marker;
        for (std::uint32_t row = before; row <= after && across; ++row) across = SeenAt(cut, m, row);
        if (across) ranked.push_back({DistanceDeviation(cut, gap.marker, m), m});
    }
    if (ranked.size() < 3) return std::nullopt;
    std::sort(ranked.begin(), ranked.end());
    const std::array<std::uint32_t, 3> three{ranked[0].second, ranked[1].second, ranked[2].second};
    const Vec fromBefore = FrameOf(cut, three, before).Local(At(cut, gap.marker, before));
    const Vec fromAfter = FrameOf(cut, three, after).Local(At(cut, gap.marker, after));
    std::vector<Vec> path(gap.length);
    for (std::uint32_t i = 0; i < gap.length; ++i) {
        const double w = (i + 1.0) / (gap.length + 1.0);
        Vec local{};
        for (int k = 0; k < 3; ++k) local[k] = (1 - w) * fromBefore[k] + w * fromAfter[k];
        path[i] = FrameOf(cut, three, gap.first + i).Global(local);
    }
    return path;
}

double SquaredError(const TRCFile& truth, const tovfileio::MarkerGap& gap, const std::vector<Vec>& path) {
    double squares = 0.0;
    for (std::uint32_t i = 0; i < gap.length; ++i) {
        const Vec d = Sub(path[i], At(truth, gap.marker, gap.first + i));
        squares += std::isfinite(Dot(d, d)) ? Dot(d, d) : 1e12;
    }
    return squares;
}

// The RMS errors of the rigid fill and of the reference over the gaps of
// 0.1, 0.3 and 0.6 s cut into each take that both fill.
int Rigid(const std::vector<std::string>& paths) {
    for (const std::string& path : paths) {
        TRCFile truth;
        const std::wstring message = tovfileio::ReadMarkers(path, tovfileio::KindOfTake(path), truth);
        if (!message.empty()) return Refused(message);
        truth.ConvertUnits(tovfileio::kUnitsMillimetres);
        double ours = 0.0;
        double reference = 0.0;
        std::uint64_t samples = 0;
        for (double seconds : {0.1, 0.3, 0.6}) {
            TRCFile cut = truth;
            const auto length = static_cast<std::uint32_t>(std::max(1L, std::lround(seconds * truth.GetDataRate())));
            const std::vector<tovfileio::MarkerGap> gaps = tovtest::CutGaps(cut, length, 2);
            TRCFile filled = cut;
            tovfileio::FillGaps(filled, {tovfileio::GapMethod::kRigid, seconds + 0.05});
            for (const tovfileio::MarkerGap& gap : gaps) {
                const auto theirs = ReferenceRigid(cut, gap);
                if (!theirs || !filled.GetMarker(gap.marker)->Samples()[gap.first].valid) continue;
                std::vector<Vec> mine(gap.length);
                for (std::uint32_t i = 0; i < gap.length; ++i) mine[i] = At(filled, gap.marker, gap.first + i);
                ours += SquaredError(truth, gap, mine);
                reference += SquaredError(truth, gap, *theirs);
                samples += gap.length;
            }
        }
        std::printf("%s: rigid %.2f, reference %.2f\n", std::filesystem::path(path).filename().string().c_str(),
                    std::sqrt(ours / samples), std::sqrt(reference / samples));
    }
    return 0;
}

int Table(std::vector<std::string> paths) {
    std::uint32_t gapRows = 0;
    if (paths.size() >= 3 && paths[0] == "--rows") {
        gapRows = static_cast<std::uint32_t>(std::strtoul(paths[1].c_str(), nullptr, 10));
        paths.erase(paths.begin(), paths.begin() + 2);
    }
    std::printf("| Take | Rate (Hz) | Gaps cut | Compared | Linear | Spline | Rigid | Pattern | Auto "
                "| Auto chose (l/s/r/p) |\n");
    std::printf("| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- |\n");
    for (const std::string& path : paths) {
        std::wstring error;
        const tovtest::TakeTrial trial = tovtest::TryTake(path, error, gapRows);
        if (!error.empty()) return Refused(error);
        std::printf("| %s | %d | %u | %u |", trial.name.c_str(), trial.rate, trial.cut, trial.compared);
        for (double rms : trial.rms) std::printf(" %.2f |", rms);
        std::printf(" %u/%u/%u/%u |\n", trial.autoChose[0], trial.autoChose[1], trial.autoChose[2],
                    trial.autoChose[3]);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "fill") return Fill(args[1], args[2]);
    if (args.size() >= 2 && args[0] == "table") return Table({args.begin() + 1, args.end()});
    if (args.size() >= 2 && args[0] == "rigid") return Rigid({args.begin() + 1, args.end()});
    std::fprintf(stderr, "usage: gapfill_probe fill METHOD TAKE | gapfill_probe rigid TAKE... | gapfill_probe table [--rows N] TAKE...\n");
    return 2;
}

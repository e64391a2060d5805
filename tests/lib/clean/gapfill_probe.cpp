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
//   gapfill_probe table TAKE...
//     the RMS errors of linear, spline, rigid, pattern and auto on gaps of
//     0.1, 0.3 and 0.6 s cut into each take, as a Markdown table.
//
// Exit status 2 for a bad command line or an unreadable take.
#include <algorithm>
#include <cmath>
#include <cstdio>
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

int Table(const std::vector<std::string>& paths) {
    std::printf("| Take | Rate (Hz) | Gaps cut | Compared | Linear | Spline | Rigid | Pattern | Auto "
                "| Auto chose (l/s/r/p) |\n");
    std::printf("| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- |\n");
    for (const std::string& path : paths) {
        std::wstring error;
        const tovtest::TakeTrial trial = tovtest::TryTake(path, error);
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
    std::fprintf(stderr, "usage: gapfill_probe fill METHOD TAKE | gapfill_probe table TAKE...\n");
    return 2;
}

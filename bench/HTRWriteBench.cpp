// Write speed of HTRFile::Write for models read from generated files, against
// the writer floor: the values the writer formats, each written once with
// to_chars (fixed, six decimals) through a reused buffer into a file.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "tovfileio/htr/HTRFile.h"

using namespace tovfileio;

namespace {

// The numbers the writer formats with six decimals, in file order.
std::vector<double> WrittenValues(const HTRFile& htr) {
    const double angles = htr.GetRotationUnits() == kRotationDegrees ? 57.29577951308232 : 1.0;
    std::vector<double> values;
    double x, y, z;
    for (std::uint32_t s = 0; s < htr.SegmentCount(); ++s) {
        const HTRSegment& segment = *htr.Segment(s);
        segment.GetBaseTranslation(x, y, z);
        values.insert(values.end(), {x, y, z});
        segment.GetBaseRotationAngles(x, y, z);
        values.insert(values.end(), {x * angles, y * angles, z * angles, segment.GetBoneLength()});
    }
    for (std::uint32_t s = 0; s < htr.SegmentCount(); ++s) {
        const HTRSegment& segment = *htr.Segment(s);
        for (std::uint32_t f = 0; f < htr.GetNumFrames(); ++f) {
            segment.GetFrameTranslation(f, x, y, z);
            values.insert(values.end(), {x, y, z});
            segment.GetFrameRotationAngles(f, x, y, z);
            values.insert(values.end(),
                          {x * angles, y * angles, z * angles, segment.GetFrameScale(f)});
        }
    }
    return values;
}

// args: segments, frames
void BM_HtrWrite(benchmark::State& state) {
    const auto& source = tovbench::HtrFile(static_cast<std::uint32_t>(state.range(0)),
                                           static_cast<std::uint32_t>(state.range(1)));
    HTRFile htr;
    if (!htr.Read(tovbench::Wide(source)).empty()) {
        return state.SkipWithError("cannot read the source file");
    }
    const auto target = tovbench::ScratchPath("write.htr");
    const std::wstring targetPath = tovbench::Wide(target);
    tovbench::RunWriteBenchmark(state, WrittenValues(htr), target,
                                [&] { return htr.Write(targetPath).empty(); });
}
BENCHMARK(BM_HtrWrite)
    ->Args({21, 700})
    ->Args({60, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

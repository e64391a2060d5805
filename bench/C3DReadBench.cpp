// Read and write speed of C3D files of generated markers, against floors:
// for reading, the data section's words read through a reused buffer, each
// copied out and widened to double (ReadC3dWords); for writing, the same
// floats narrowed and written through a reused buffer.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/C3DFloor.h"
#include "tovfileio/c3d/C3DFile.h"

using namespace tovfileio;

namespace {

// A marker model of `markers` markers over `frames` frames, every tenth
// sample of a marker a dropout.
TRCFile Markers(std::uint32_t markers, std::uint32_t frames) {
    TRCFile trc;
    trc.SetNumFrames(static_cast<std::int32_t>(frames));
    trc.SetDataRate(120);
    for (std::uint32_t m = 0; m < markers; ++m) {
        TRCMarker* marker = trc.AddMarker(TRCMarker(L"Marker" + std::to_wstring(m)));
        marker->ReserveSamples(frames);
        for (std::uint32_t f = 0; f < frames; ++f) {
            if ((f + m) % 10 == 0) marker->AddDropout();
            else marker->AddPosition(m * 10.0 + f * 0.01, 1000.0 - f * 0.02, 500.0 + m);
        }
    }
    trc.SetNumRows(frames);
    return trc;
}

// The C3D file of Markers(markers, frames), written once per run.
const std::filesystem::path& C3dFile(std::uint32_t markers, std::uint32_t frames) {
    static std::map<std::pair<std::uint32_t, std::uint32_t>, std::filesystem::path> files;
    auto& path = files[{markers, frames}];
    if (path.empty()) {
        path = tovbench::ScratchPath("read-" + std::to_string(markers) + "x" + std::to_string(frames) + ".c3d");
        if (!WriteC3DFile(tovbench::Wide(path), Markers(markers, frames)).empty()) path.clear();
    }
    return path;
}

// Every sample's coordinates summed, as a conversion would take them.
class SumRows : public TRCRowSink {
public:
    bool Row(const TRCRow& row) override {
        for (const TRCSample& s : row.Held()) sum += s.x + s.y + s.z;
        return true;
    }
    double sum = 0;
};

// args: markers, frames, 1 to keep the samples in the model (else a sink
// takes each row)
void BM_C3dRead(benchmark::State& state) {
    const auto& file = C3dFile(static_cast<std::uint32_t>(state.range(0)),
                               static_cast<std::uint32_t>(state.range(1)));
    if (file.empty()) return state.SkipWithError("cannot write the source file");
    const bool keep = state.range(2) != 0;
    std::vector<char> buffer;
    tovbench::FloorClock clock;
    std::unique_ptr<TRCFile> model;
    std::uint64_t faults = 0;
    for (auto _ : state) {
        state.PauseTiming();
        model.reset();
        clock.AddFloor(tovbench::Seconds(
            [&] { benchmark::DoNotOptimize(tovbench::ReadC3dWords(file, buffer)); }));
        if (keep) clock.AddFreshPages(faults, tovbench::FreshPagesSeconds(faults));
        state.ResumeTiming();
        model = std::make_unique<TRCFile>();
        SumRows sink;
        C3DReadOptions options;
        if (!keep) options.rows = &sink;
        bool read = false;
        faults = tovbench::PageFaults();
        clock.AddSubject(tovbench::Seconds([&] { read = ReadC3DFile(file.string(), *model, options).empty(); }));
        faults = tovbench::PageFaults() - faults;
        benchmark::DoNotOptimize(sink.sum);
        if (!read) return state.SkipWithError("read failed");
    }
    if (keep) clock.AddFreshPages(faults, tovbench::FreshPagesSeconds(faults));
    clock.Report(state, std::filesystem::file_size(file));
}
BENCHMARK(BM_C3dRead)
    ->Args({60, 20000, 1})
    ->Args({60, 20000, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The write floor: four floats a sample, narrowed and written through a
// reused buffer.
std::uint64_t WriteFloats(const std::filesystem::path& file, const TRCFile& trc, std::vector<char>& buffer) {
    buffer.resize(std::size_t{1} << 20);
    std::FILE* out = std::fopen(file.c_str(), "wb");
    if (out == nullptr) std::abort();
    std::size_t used = 0;
    std::uint64_t written = 0;
    for (std::int32_t f = 0; f < trc.GetNumFrames(); ++f) {
        for (std::uint32_t m = 0; m < trc.GetNumMarkers(); ++m) {
            double x, y, z;
            const bool valid = trc.GetMarker(m)->GetPosition(static_cast<std::uint32_t>(f), x, y, z);
            const float v[4] = {float(x), float(y), float(z), valid ? 0.0f : -1.0f};
            if (used + sizeof v > buffer.size()) {
                written += std::fwrite(buffer.data(), 1, used, out);
                used = 0;
            }
            std::memcpy(buffer.data() + used, v, sizeof v);
            used += sizeof v;
        }
    }
    written += std::fwrite(buffer.data(), 1, used, out);
    std::fclose(out);
    return written;
}

// args: markers, frames
void BM_C3dWrite(benchmark::State& state) {
    const TRCFile trc = Markers(static_cast<std::uint32_t>(state.range(0)),
                                static_cast<std::uint32_t>(state.range(1)));
    const auto target = tovbench::ScratchPath("write.c3d");
    const auto floorTarget = tovbench::ScratchPath("write_c3d_floor.bin");
    const std::wstring targetPath = tovbench::Wide(target);
    std::vector<char> buffer;
    tovbench::FloorClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        clock.AddFloor(tovbench::Seconds([&] { benchmark::DoNotOptimize(WriteFloats(floorTarget, trc, buffer)); }));
        state.ResumeTiming();
        bool written = false;
        clock.AddSubject(tovbench::Seconds([&] { written = WriteC3DFile(targetPath, trc).empty(); }));
        if (!written) return state.SkipWithError("write failed");
    }
    clock.Report(state, std::filesystem::file_size(target));
    std::filesystem::remove(target);
    std::filesystem::remove(floorTarget);
}
BENCHMARK(BM_C3dWrite)
    ->Args({60, 20000})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

#include "bench/BenchSupport.h"

#include <cstdio>
#include <map>
#include <memory>
#include <utility>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include "bench/DataGen.h"
#include "bench/NumberFloor.h"
#include "tovfileio/text/TextCodec.h"

namespace tovbench {
namespace {

// A file written once, removed with the program.
class GeneratedFile {
  public:
    GeneratedFile(std::filesystem::path path, const std::string& text) : path_(std::move(path)) {
        std::FILE* file = std::fopen(path_.c_str(), "wb");
        if (file == nullptr)
            return;
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    ~GeneratedFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

template <typename Make>
const std::filesystem::path& Generated(const std::string& name, Make&& make) {
    static std::map<std::string, std::unique_ptr<GeneratedFile>> files;
    auto& file = files[name];
    if (!file)
        file = std::make_unique<GeneratedFile>(ScratchPath(name), make());
    return file->Path();
}

std::string MakeHtr(std::uint32_t segments, std::uint32_t frames, tovgen::HtrShape shape) {
    tovgen::HtrOptions options;
    options.segments = segments;
    options.frames = frames;
    options.shape = shape;
    return tovgen::GenerateHtr(options);
}

std::string MakeTrc(std::uint32_t markers, std::uint32_t rows, std::uint32_t rowFields) {
    tovgen::TrcOptions options;
    options.markers = markers;
    options.rows = rows;
    options.rowFields = rowFields;
    return tovgen::GenerateTrc(options);
}

}  // namespace

const std::filesystem::path& HtrFile(std::uint32_t segments, std::uint32_t frames) {
    return HtrFile(segments, frames, tovgen::HtrShape::kHuman);
}

const std::filesystem::path& HtrFile(std::uint32_t segments, std::uint32_t frames,
                                     tovgen::HtrShape shape) {
    static const char* const kShapes[] = {"", "chain", "wide"};
    return Generated(std::to_string(segments) + "x" + std::to_string(frames) +
                         kShapes[static_cast<int>(shape)] + ".htr",
                     [&] { return MakeHtr(segments, frames, shape); });
}

const std::filesystem::path& TrcFile(const tovgen::TrcOptions& options, const std::string& name) {
    return Generated(name, [&] { return tovgen::GenerateTrc(options); });
}

const std::filesystem::path& C3dFile(const tovgen::C3dOptions& options, const std::string& name) {
    return Generated(name, [&] { return tovgen::GenerateC3d(options); });
}

const std::filesystem::path& TrcFile(std::uint32_t markers, std::uint32_t rows,
                                     std::uint32_t rowFields) {
    const std::string trimmed = rowFields != 0 ? "f" + std::to_string(rowFields) : "";
    return Generated(std::to_string(markers) + "x" + std::to_string(rows) + trimmed + ".trc",
                     [&] { return MakeTrc(markers, rows, rowFields); });
}

std::filesystem::path ScratchPath(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("tov_bench_" + std::to_string(::getpid()) + "_" + name);
}

std::wstring Wide(const std::filesystem::path& path) {
    return tovfileio::PathToWide(path.native());
}

void FloorClock::Report(benchmark::State& state, std::uint64_t bytes) const {
    const auto iterations = static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
    if (iterations == 0 || floorSeconds_ <= 0)
        return;
    state.counters["floor_ms"] = floorSeconds_ / iterations * 1e3;
    state.counters["x_floor"] = subjectSeconds_ / floorSeconds_;
    if (fresh_) {
        state.counters["faults"] = static_cast<double>(freshPages_) / iterations;
        state.counters["fresh_ms"] = freshSeconds_ / iterations * 1e3;
        state.counters["x_floor_warm"] = (subjectSeconds_ - freshSeconds_) / floorSeconds_;
    }
}

std::uint64_t PageFaults() {
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_minflt) +
           static_cast<std::uint64_t>(usage.ru_majflt);
}

double FreshPagesSeconds(std::uint64_t pages) {
    if (pages == 0)
        return 0.0;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const auto bytes = static_cast<std::size_t>(pages) * page;
    return Seconds([&] {
        void* mapped =
            ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (mapped == MAP_FAILED)
            return;
        auto* memory = static_cast<volatile char*>(mapped);
        for (std::size_t offset = 0; offset < bytes; offset += page)
            memory[offset] = 1;
        ::munmap(mapped, bytes);
    });
}

void ReadFloor(const std::filesystem::path& file, std::vector<char>& buffer) {
    benchmark::DoNotOptimize(tovfloor::ParseNumbers(file.native(), buffer).sum);
}

void RunWriteBenchmark(benchmark::State& state, const std::vector<double>& values,
                       const std::filesystem::path& target, const std::function<bool()>& write) {
    const std::filesystem::path floorTarget = ScratchPath("write_floor.txt");
    std::vector<char> buffer;
    FloorClock clock;
    for (auto _ : state) {
        state.PauseTiming();
        clock.AddFloor(Seconds([&] {
            benchmark::DoNotOptimize(tovfloor::WriteNumbers(floorTarget.native(), values, buffer));
        }));
        state.ResumeTiming();
        bool written = false;
        clock.AddSubject(Seconds([&] { written = write(); }));
        if (!written) {
            state.SkipWithError("write failed");
            break;
        }
    }
    clock.Report(state, std::filesystem::file_size(target));
    std::filesystem::remove(target);
    std::filesystem::remove(floorTarget);
}

}  // namespace tovbench

// What the read, write and convert benchmarks share: generated input files,
// the cost floors timed in the same run, and the counters they report.
//
// Every benchmark times its subject and, in each iteration with the clock
// paused, the floor for the same file, so both see the same machine state.
// Counters: MB (file size), floor_ms (one floor pass) and x_floor (subject
// time over floor time); bytes_per_second is the subject's speed. Readers
// also count the fresh pages their model takes (faults), time as many fresh
// pages alone (fresh_ms) and give x_floor_warm, the ratio with that time
// taken out: the floors keep nothing, so their memory is never fresh.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "bench/C3DGen.h"
#include "bench/DataGen.h"

namespace tovbench {

// Generated files in the temporary folder, written on first use and removed
// when the program ends.
const std::filesystem::path& HtrFile(std::uint32_t segments, std::uint32_t frames);
const std::filesystem::path& HtrFile(std::uint32_t segments, std::uint32_t frames,
                                     tovgen::HtrShape shape);
// `rowFields`: the fields each data row keeps (0: all of them).
const std::filesystem::path& TrcFile(std::uint32_t markers, std::uint32_t rows,
                                     std::uint32_t rowFields = 0);
// A generated TRC file of any options, named `name` in the temporary folder.
const std::filesystem::path& TrcFile(const tovgen::TrcOptions& options, const std::string& name);
// A generated C3D file of any options, named `name` in the temporary folder.
const std::filesystem::path& C3dFile(const tovgen::C3dOptions& options, const std::string& name);
// A scratch path in the temporary folder for a benchmark's output.
std::filesystem::path ScratchPath(const std::string& name);

std::wstring Wide(const std::filesystem::path& path);

// Seconds `work` takes.
template <typename Work>
double Seconds(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The subject's and the floor's time summed over the iterations. Callers
// time the floor with the benchmark's clock paused.
class FloorClock {
  public:
    void AddFloor(double seconds) { floorSeconds_ += seconds; }
    void AddSubject(double seconds) { subjectSeconds_ += seconds; }
    // For readers: the fresh pages one read brought into use (PageFaults
    // before and after) and what as many fresh pages take on their own
    // (FreshPagesSeconds), timed with the benchmark's clock paused.
    void AddFreshPages(std::uint64_t pages, double seconds) {
        fresh_ = true;
        freshPages_ += pages;
        freshSeconds_ += seconds;
    }
    // Sets the counters and the bytes processed, for files of `bytes`. After
    // AddFreshPages also faults (fresh pages a read touches), fresh_ms (their
    // cost alone) and x_floor_warm (the subject's time less that, over the
    // floor's).
    void Report(benchmark::State& state, std::uint64_t bytes) const;

  private:
    double subjectSeconds_ = 0.0;
    double floorSeconds_ = 0.0;
    std::uint64_t freshPages_ = 0;
    double freshSeconds_ = 0.0;
    bool fresh_ = false;
};

// Page faults of this process so far: each is a page it brought into use.
std::uint64_t PageFaults();

// Seconds this machine takes to bring `pages` pages of memory the process
// has never used into use: a fresh mapping written once per page, then
// released. A reader pays this for its model; the floors keep nothing.
double FreshPagesSeconds(std::uint64_t pages);

// The reader floor: every number of the file converted by from_chars.
void ReadFloor(const std::filesystem::path& file, std::vector<char>& buffer);

// Times `write` (true when it wrote the file at `target`) each iteration
// against the writer floor, `values` written once with to_chars through a
// reused buffer with the benchmark's clock paused; reports for the file
// written, then removes it.
void RunWriteBenchmark(benchmark::State& state, const std::vector<double>& values,
                       const std::filesystem::path& target, const std::function<bool()>& write);

// Times `Model::Read` of `file` into a fresh model each iteration, as a user
// opening a file gets one, against the reader floor; the last model is freed
// outside the timed part.
template <typename Model>
void RunReadBenchmark(benchmark::State& state, const std::filesystem::path& file) {
    const std::wstring path = Wide(file);
    std::vector<char> buffer;
    FloorClock clock;
    std::unique_ptr<Model> model;
    std::uint64_t faults = 0;  // fresh pages the last read brought into use
    for (auto _ : state) {
        state.PauseTiming();
        model.reset();
        clock.AddFloor(Seconds([&] { ReadFloor(file, buffer); }));
        clock.AddFreshPages(faults, FreshPagesSeconds(faults));
        state.ResumeTiming();
        model = std::make_unique<Model>();
        bool read = false;
        faults = PageFaults();
        clock.AddSubject(Seconds([&] { read = model->Read(path).empty(); }));
        faults = PageFaults() - faults;
        if (!read) {
            state.SkipWithError("read failed");
            break;
        }
    }
    clock.AddFreshPages(faults, FreshPagesSeconds(faults));
    clock.Report(state, std::filesystem::file_size(file));
}

}  // namespace tovbench

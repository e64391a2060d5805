// The view page of a long capture: an HTR file of 60 segments over 20,000
// frames and a TRC file of 80 markers over 20,000 rows, each made into a
// page by tovfileio (its own process) and opened in headless Chromium.
// Counters: page_MB, bytes_node_frame (the page's size over its nodes and
// frames), make_s and make_peak_MB (the command), and open_ms: the time
// from the page's start of loading to its take first drawn, as the page
// itself records it (data-opened-ms); 0 when Chromium is not installed.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>

#include "bench/BenchSupport.h"
#include "bench/ProcessRun.h"

namespace {

// What `command` writes on standard output.
std::string Output(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
        ::pclose(pipe);
    }
    return out;
}

// The page's own record of when it was first drawn, in ms; -1 when the
// browser could not open it.
double OpenedMs(const std::filesystem::path& page) {
    const std::string dom = Output("bash '" HEADLESS_CHROMIUM "' --dump-dom 'file://" +
                                   page.native() + "' 2>/dev/null");
    static const std::regex opened("data-opened-ms=\"([0-9]+)\"");
    std::smatch match;
    return std::regex_search(dom, match, opened) ? std::stod(match[1]) : -1.0;
}

void ViewPage(benchmark::State& state, bool trc, int nodes) {
    static const std::string settings = tovbench::ScratchPath("registry.reg").native();
    ::setenv("BRINDLE_REGISTRY_FILE", settings.c_str(), 1);
    const std::filesystem::path input =
        trc ? tovbench::TrcFile(80, 20000) : tovbench::HtrFile(60, 20000);
    const std::filesystem::path page = tovbench::ScratchPath(trc ? "trc.html" : "htr.html");
    double makeSeconds = 0.0, openMs = 0.0;
    std::uint64_t peak = 0;
    for (auto _ : state) {
        int status = 0;
        makeSeconds += tovbench::Seconds([&] {
            status = tovbench::RunProcess(TOVFILEIO_PATH, {"view", input.native(), "-o", page.native()},
                                          peak);
        });
        if (status != 0) {
            state.SkipWithError("tovfileio view failed");
            return;
        }
        state.PauseTiming();
        openMs += std::max(0.0, OpenedMs(page));
        state.ResumeTiming();
    }
    const double runs = static_cast<double>(state.iterations());
    const double bytes = static_cast<double>(std::filesystem::file_size(page));
    state.counters["page_MB"] = bytes / (1 << 20);
    state.counters["bytes_node_frame"] = bytes / (20000.0 * nodes);
    state.counters["make_s"] = makeSeconds / runs;
    state.counters["make_peak_MB"] = static_cast<double>(peak) / (1 << 20);
    state.counters["open_ms"] = openMs / runs;
}

}  // namespace

// An HTR page draws a joint for every segment; a TRC page a dot a marker.
BENCHMARK_CAPTURE(ViewPage, htr_60x20000, false, 60)->Unit(benchmark::kSecond)->Iterations(3);
BENCHMARK_CAPTURE(ViewPage, trc_80x20000, true, 80)->Unit(benchmark::kSecond)->Iterations(3);

BENCHMARK_MAIN();

// Throughput of the line reader on files shaped like motion-capture exports:
// ~50 MB of tab-separated numbers in short ASCII lines, the same numbers in
// 200 KB lines, and short lines in UTF-16. The files are written once to a
// temporary folder before the first benchmark, so the runs measure decoding
// from the page cache rather than the disk.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <benchmark/benchmark.h>

#include "tovfileio/text/TextCodec.h"
#include "tovfileio/text/TextReader.h"

namespace {

constexpr std::size_t kTargetBytes = 50u << 20;

enum class Kind { ShortAscii, LongAscii, Utf16 };

// Numbers formatted as exporters write them: frame number, then signed
// fixed-point values separated by tabs.
class NumberText {
public:
    // Appends one line of `columns` values (without the line end).
    void AppendLine(std::string& out, int columns) {
        out += std::to_string(frame_++);
        char value[32];
        for (int i = 0; i < columns; ++i) {
            state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
            const double v = static_cast<double>(state_ >> 40) / 16777216.0 * 2000.0 - 1000.0;
            const int n = std::snprintf(value, sizeof value, "\t%.6f", v);
            out.append(value, static_cast<std::size_t>(n));
        }
    }

private:
    std::uint64_t state_ = 12345;
    long frame_ = 1;
};

std::string Utf16LE(const std::string& ascii) {
    std::string bytes = "\xFF\xFE";
    bytes.reserve(2 + 2 * ascii.size());
    for (const char c : ascii) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    return bytes;
}

class BenchFiles {
public:
    static const BenchFiles& Get() {
        static const BenchFiles files;
        return files;
    }

    BenchFiles()
        : dir_(std::filesystem::temp_directory_path() /
               ("tov-bench-text-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(dir_);
        Write(Kind::ShortAscii, MakeText(kTargetBytes, 40));
        Write(Kind::LongAscii, MakeText(kTargetBytes, 20000));
        Write(Kind::Utf16, Utf16LE(MakeText(kTargetBytes / 2, 40)));
    }
    ~BenchFiles() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    std::filesystem::path Path(Kind kind) const { return dir_ / Name(kind); }

private:
    static const char* Name(Kind kind) {
        switch (kind) {
            case Kind::ShortAscii:
                return "short.txt";
            case Kind::LongAscii:
                return "long.txt";
            case Kind::Utf16:
                return "utf16.txt";
        }
        return "";
    }

    // CRLF lines of `columns` values (about 10 bytes each) up to `bytes`.
    static std::string MakeText(std::size_t bytes, int columns) {
        NumberText numbers;
        std::string text;
        text.reserve(bytes + 256 * 1024);
        while (text.size() < bytes) {
            numbers.AppendLine(text, columns);
            text += "\r\n";
        }
        return text;
    }

    void Write(Kind kind, const std::string& bytes) const {
        std::ofstream out(Path(kind), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    std::filesystem::path dir_;
};

void ReadAllLines(benchmark::State& state, Kind kind) {
    const std::wstring path = tovfileio::PathToWide(BenchFiles::Get().Path(kind).native());
    tovfileio::TextReader reader;
    std::uint64_t chars = 0;
    std::uint64_t bytes = 0;
    for (auto _ : state) {
        if (!reader.Open(path)) {
            state.SkipWithError("cannot open the generated file");
            return;
        }
        bytes += reader.Size();
        while (const std::wstring* line = reader.ReadLine())
            chars += line->size();
        reader.Close();
    }
    benchmark::DoNotOptimize(chars);
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

BENCHMARK_CAPTURE(ReadAllLines, short_ascii_lines, Kind::ShortAscii)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(ReadAllLines, long_ascii_lines, Kind::LongAscii)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(ReadAllLines, utf16_lines, Kind::Utf16)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();

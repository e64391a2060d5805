#include "bench/C3DFloor.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace tovbench {
namespace {

// Each `Word` at `bytes` widened to double into `wide`.
template <typename Word>
void Widen(const char* bytes, std::size_t count, double* wide) {
    for (std::size_t i = 0; i < count; ++i) {
        Word v;
        std::memcpy(&v, bytes + i * sizeof v, sizeof v);
        wide[i] = static_cast<double>(v);
    }
}

}  // namespace

double ReadC3dWords(const std::filesystem::path& file, std::vector<char>& buffer) {
    buffer.resize(std::size_t{1} << 20);
    static std::vector<double> wide(buffer.size() / 2);
    std::FILE* in = std::fopen(file.c_str(), "rb");
    unsigned char header[512];
    if (in == nullptr || std::fread(header, 1, sizeof header, in) != sizeof header) std::abort();
    float scale;
    std::memcpy(&scale, header + 12, sizeof scale);
    const std::size_t wordBytes = scale < 0 ? 4 : 2;
    std::fseek(in, (header[16] + 256 * header[17] - 1) * 512L, SEEK_SET);
    double sum = 0;
    std::size_t got;
    while ((got = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) {
        if (wordBytes == 4) Widen<float>(buffer.data(), got / 4, wide.data());
        else Widen<std::int16_t>(buffer.data(), got / 2, wide.data());
        benchmark::DoNotOptimize(wide.data());
        sum += wide[0];
    }
    std::fclose(in);
    return sum;
}

}  // namespace tovbench
